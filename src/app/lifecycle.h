// Loading, the idle callback and shutdown: the program's spine after the window exists.
#pragma once

void init();
void idle();
[[noreturn]] void end();
void switchFullScreen();
void endStartupImage();
// Builds the constant menu selections from the preference tables (window pixels).
void buildConstantMenuSelections();
