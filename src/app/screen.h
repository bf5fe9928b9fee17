// Screen metrics, frame state and the two fixed texture slots that every drawing part reads.
// Only app/ writes the metrics (once, after the resolution choice); the frame state is shared.
#pragma once
#include <cstdint>
#include "content/textures.h"

extern int LOWRES;                       // 1 = 640x480, 0 = 1280x960
extern int SCREEN_WIDTH;
extern int SCREEN_HEIGHT;
extern float SCREEN_RATIO_X;             // design units -> window pixels
extern float SCREEN_RATIO_Y;
extern float FONT_STARTY;                // atlas t where this resolution's glyph grid begins
extern float FONT_SIZE_TEXTURE;          // one glyph cell in texture coordinates
extern int FONT_CHARACTERS_ROW_TEXTURE;  // glyph cells per atlas row
extern int ARTICLE_FONT_SPACING_Y;       // extra vertical space between article rows
extern int SCROLL_FONT_SPACING_X;        // extra advance between ticker glyphs (always 0)
extern float fpsLimit;                   // ticker motion ticks per second

extern int mode;                         // 1 startup picture, 2 magazine, 4 slideshow
extern int firstrun;                     // redraw request
extern int drawFrame;                    // 0/1 while full frames are due, -1 when none
extern uint32_t framecounter;                // idle calls since start or since the startup picture ended
extern int16_t endAll;                   // quit request from the _QUIT link
extern int fullScreen;
extern my_texture texture[2];            // 0: font atlas, 1: default background

// Sets every metric above from the resolution answer (1 low, 0 high).
void computeScreenMetrics(int lowres);
