// The picture generators' shared drawing surface: a float RGB canvas, text from the font,
// boxes, noise, and the writer of the viewer's PPM files (optionally with black as the key).
#pragma once
#include "rasterise.h"
#include <vector>

struct rgbf {
    float r, g, b;
};

struct canvas {
    int width = 0, height = 0;
    std::vector<rgbf> pixels;
    std::vector<unsigned char> opaque;  // menu images only: 0 marks a see-through pixel
};

canvas canvasMake(int width, int height, rgbf fill);
rgbf& canvasAt(canvas& c, int x, int y);
rgbf mix(rgbf a, rgbf b, float t);
rgbf scale(rgbf a, float k);
rgbf add(rgbf a, rgbf b);
float clamp01(float v);
float smoothstep(float e0, float e1, float x);

// Value noise in 0..1 and its fractal sum over octaves; the seed picks an independent field.
float noise2(float x, float y, unsigned seed);
float fbm(float x, float y, int octaves, unsigned seed);
// A reproducible random number in 0..1 for the n-th draw of a seed.
float random01(unsigned seed, unsigned n);

// Blends a coverage mask onto the canvas with its top-left at (x, y); the colour may vary
// along the mask's height (top colour to bottom colour).
void canvasMask(canvas& c, const greyImage& mask, int x, int y, rgbf top, rgbf bottom, float alpha);
// Sets a line of text centred on (cx, cy) and returns its width; shadow adds a dark copy.
int canvasText(canvas& c, fontFace* font, const char* text, int pixelHeight, int cx, int cy,
               rgbf colour, bool shadow);
// A rounded box filled with a vertical gradient, marked opaque.
void canvasBox(canvas& c, int x0, int y0, int x1, int y1, int radius, rgbf top, rgbf bottom);
// Multiplies the opaque pixels of a box by a colour running from left to right.
void canvasTint(canvas& c, int x0, int y0, int x1, int y1, rgbf left, rgbf right);

// Writes a P6 file the viewer reads (header without comments). With keyBlack, pixels not
// marked opaque are written pure black and opaque ones are never pure black, so the
// viewer's colour key cuts out exactly the see-through parts.
bool canvasWrite(const canvas& c, const char* path, bool keyBlack);
