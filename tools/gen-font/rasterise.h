// Text through FreeType into grey coverage masks: the one place the generators open a
// font file, so the atlas glyphs and the labels on the pictures come from the same face.
#pragma once
#include <ft2build.h>
#include FT_FREETYPE_H
#include <vector>

// The font every generated asset uses (Debian's fonts-dejavu-core).
#define DEFAULT_FONT "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
#define DEFAULT_BOLD_FONT "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf"

struct greyImage {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;  // coverage 0..255, rows from the top
};

struct glyphBitmap {
    greyImage image;
    int left = 0;     // from the pen to the bitmap's first column
    int top = 0;      // from the baseline up to the bitmap's first row
    int advance = 0;  // pen step in whole pixels
};

struct fontFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

// Opens the face; on failure prints one line naming the file and returns false.
bool fontOpen(fontFace* font, const char* path);
void fontClose(fontFace* font);
// Renders one character code (Unicode = Latin-1 below 256) at a pixel size whose width may
// differ from its height (a wider cell stretches the glyph). Full hinting snaps stems in both
// directions, which keeps tiny glyphs crisp; light hinting only snaps them vertically.
// False when the face has no glyph.
bool fontGlyph(fontFace* font, unsigned code, int pixelWidth, int pixelHeight, glyphBitmap* out,
               bool fullHinting = false);
// Sets a whole line of text; *baseline receives the baseline row inside the mask.
greyImage fontText(fontFace* font, const char* text, int pixelHeight, int* baseline);
