// One-line tickers that scroll through their own windows on every magazine frame.
#pragma once
#include "prefs/prefs.h"

extern int scrolltimer;  // tick count of the latest scrolltext1 call
extern char* scrollText; // the info line, shown by ticker 0 instead of its own text; or null

// Where a ticker stands at a clock reading (hundredths of a second): whole characters
// scrolled, the sub-cell shift in design units (even at low resolution, so the text moves
// in whole pixels) and the fade of the two end glyphs.
struct scrollMotion {
    int ticks, offset, shift;
    float fade;
};
scrollMotion scrollMotionAt(int time, float ticksPerSecond, int lowres);

// Glyph j of a window of n cells at x0: the byte shown, its left edge and its colour.
// The first glyph fades out, the last fades in, the others take the colour's r, g, b.
struct scrollGlyph {
    unsigned char ch;
    float left;
    float r, g, b;
};
scrollGlyph scrollGlyphAt(const char* text, int length, int x0, int n, const scrollMotion& motion,
                          const m_color4f& colour, int j);

// Draws ticker `index` for the clock reading `time` (counter is not used); returns the
// number of whole characters scrolled. Leaves texturing and blending on, GL_MODULATE,
// the font atlas bound and the depth test off.
int scrolltext1(int counter, m_color4f colour, int index, int time);
