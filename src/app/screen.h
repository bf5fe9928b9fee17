// The screen metrics of the chosen resolution, which every drawing part reads. Only app/
// writes them (once, after the resolution choice); a leaf, so any folder may read it.
#pragma once

extern int LOWRES;                       // 1 = 640x480, 0 = 1280x960
extern int SCREEN_WIDTH;
extern int SCREEN_HEIGHT;
extern float SCREEN_RATIO_X;             // design units -> window pixels
extern float SCREEN_RATIO_Y;
extern float FONT_STARTY;                // atlas t where this resolution's glyph grid begins
extern float FONT_SIZE_TEXTURE;          // one glyph cell in texture coordinates
extern int FONT_CHARACTERS_ROW_TEXTURE;  // glyph cells per atlas row

// Sets every metric above from the resolution answer (1 low, 0 high).
void computeScreenMetrics(int lowres);
