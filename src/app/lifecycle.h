// Loading, the idle callback and shutdown: the program's spine after the window exists.
#pragma once

// Everything init loads, in its order, without the music handler: the pages are then ready
// to draw (the proof tool draws them offscreen from here).
void loadMagazine();
void init();
void idle();
// Releases everything, stops the music and ends the process with status 0.
[[noreturn]] void end();
[[noreturn]] void endWithStatus(int status);
void switchFullScreen();
void endStartupImage();
// Builds the constant menu selections from the preference tables (window pixels).
void buildConstantMenuSelections();
