// What the other folders may ask of app/: the redraw request, what the screen shows (the
// mode), the info line, the quit request and the font atlas. Every one of these globals is
// written only in app/view.cpp, through the functions below; a leaf, so any folder may read it.
#pragma once
#include <cstdint>

enum viewMode { MODE_STARTUP = 1, MODE_MAGAZINE = 2, MODE_SLIDESHOW = 4 };

extern int mode;                // a viewMode: what the screen shows
extern int firstrun;            // 1 while a redraw request waits for the next frame
extern int16_t endAll;          // quit request, carried out by the next idle call
extern uint32_t framecounter;   // idle calls since start or since the startup picture ended
extern char infoText[1024];     // the info line: the tune that plays
extern int activeText;          // 1 = the info line replaces ticker 0
extern char* scrollText;        // infoText while it is shown, else null

// Everything that changes what the magazine view shows asks for a full redraw.
void requestRedraw();
// The frame composer takes the request: true once per request.
bool takeRedrawRequest();
void setViewMode(viewMode m);
// Leaves the startup picture: a redraw, the magazine view, the clock from 0, the idle count
// from 0 (the pointer shape is then applied again for a while).
void endStartupImage();
// Counts one idle call; returns the count since start or since the startup picture ended.
uint32_t countIdleCall();

void setInfoLine(const char* text);
void toggleInfoLine();
// Points scrollText at the info line or clears it; the frame composer's, before the tickers.
void updateScrollText();

// The _QUIT link: the next idle call shuts down (the mouse callback itself goes on).
void requestQuit();
// Escape: releases everything and ends the process with status 0 at once (app/lifecycle.cpp).
[[noreturn]] void end();

// Draws the whole view into both buffers now, as the two frames after a redraw request do;
// the back buffer then holds the full picture (the screenshot and the proof read it).
void drawBothBuffersNow();
// The GL name of the font atlas every text is set in.
unsigned int fontTexture();
