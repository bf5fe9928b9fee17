// pagovia-gen-font: renders the magazine's font atlas "Fonts/font4.pbm" with FreeType.
// A 256x256 binary PPM: the upper half 16x16-pixel cells, 16 per row (codes 32 to 159),
// the lower half 8x8-pixel cells, 32 per row (codes 32 to 255), white glyphs on black.
#include "rasterise.h"
#include <cstdio>
#include <cstring>
#include <vector>

static const int ATLAS = 256;

struct atlasGrid {
    int cell;      // side of a cell in pixels
    int perRow;    // cells per atlas row
    int top;       // first pixel row of the grid
    unsigned last; // last character code the grid holds
};

// The viewer addresses cell (code - 32) as column (k mod perRow), row (k div perRow).
static const atlasGrid GRIDS[2] = {
    {16, 16, 0, 159},    // high resolution: 128 cells fill the upper half
    {8, 32, 128, 255},   // low resolution: 224 cells, Latin-1 complete
};

struct glyphFit {
    int pixelWidth, pixelHeight, baseline;
    bool fullHinting;
};

static bool isLetterOrDigit(unsigned c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The largest size at which the letters and digits fit their cell from ascender to
// descender; the baseline leaves room for the ascenders. Brackets, the backquote and the
// underscore reach further and lose a pixel row at the cell's edge rather than shrink
// everything. In the 8-pixel grid one row of descender may be lost too: letters a pixel
// taller read better there than complete tails. Glyphs are stretched to fill most of the
// cell's width: at their natural width (0.6 em) a row of square cells looks letter-spaced.
static glyphFit fitCell(fontFace* font, int cell)
{
    bool small = cell < 12;
    int slack = small ? 1 : 0;
    int w = (cell * 136 + 50) / 100;
    for (int h = cell + 4; h >= 4; h--) {
        int above = 0, below = 0;
        for (unsigned c = 33; c < 127; c++) {
            glyphBitmap g;
            if (!isLetterOrDigit(c) || !fontGlyph(font, c, w, h, &g, small)) continue;
            if (g.top > above) above = g.top;
            if (g.image.height - g.top > below) below = g.image.height - g.top;
        }
        if (above + below <= cell + slack) {
            int spare = cell - above - below;
            return {w, h, above + (spare > 0 ? spare / 2 : 0), small};
        }
    }
    return {w, cell, cell - 1, small};
}

static void drawCell(std::vector<unsigned char>& grey, const glyphBitmap& g, int cellX, int cellY,
                     int cell, int baseline)
{
    int x0 = cellX + (cell - g.advance) / 2 + g.left;
    int y0 = cellY + baseline - g.top;
    // A glyph wholly below the baseline (the underscore) would lose its only ink to the
    // cell's edge in the small grid: lift it into the cell.
    int overflow = y0 + g.image.height - (cellY + cell);
    if (g.top <= 0 && overflow > 0) y0 -= overflow;
    for (int y = 0; y < g.image.height; y++) {
        int py = y0 + y;
        if (py < cellY || py >= cellY + cell) continue;  // accents above a capital are cut
        for (int x = 0; x < g.image.width; x++) {
            int px = x0 + x;
            if (px < cellX || px >= cellX + cell) continue;
            grey[(size_t)py * ATLAS + px] = g.image.pixels[(size_t)y * g.image.width + x];
        }
    }
}

static void drawGrid(fontFace* font, const atlasGrid& grid, std::vector<unsigned char>& grey)
{
    glyphFit fit = fitCell(font, grid.cell);
    for (unsigned code = 33; code <= grid.last; code++) {
        if (code >= 127 && code < 161) continue;  // DEL and the C1 controls have no picture
        glyphBitmap g;
        if (!fontGlyph(font, code, fit.pixelWidth, fit.pixelHeight, &g, fit.fullHinting)) continue;
        int k = (int)code - 32;
        int cellX = (k % grid.perRow) * grid.cell;
        int cellY = grid.top + (k / grid.perRow) * grid.cell;
        drawCell(grey, g, cellX, cellY, grid.cell, fit.baseline);
    }
}

static bool writeAtlas(const char* path, const std::vector<unsigned char>& grey)
{
    FILE* f = fopen(path, "wb");
    if (!f) {
        fprintf(stderr, "pagovia-gen-font: cannot write '%s'\n", path);
        return false;
    }
    // The viewer's reader takes exactly this header: no comments, one byte before the raster.
    fprintf(f, "P6\n%d %d\n255\n", ATLAS, ATLAS);
    std::vector<unsigned char> rgb((size_t)ATLAS * ATLAS * 3);
    for (size_t i = 0; i < grey.size(); i++) rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = grey[i];
    bool ok = fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
    ok = (fclose(f) == 0) && ok;
    if (!ok) fprintf(stderr, "pagovia-gen-font: cannot write '%s'\n", path);
    return ok;
}

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3 || argv[1][0] == '-') {
        fprintf(stderr, "usage: pagovia-gen-font OUTPUT.pbm [FONT.ttf]\n");
        return 2;
    }
    fontFace font;
    if (!fontOpen(&font, argc == 3 ? argv[2] : DEFAULT_FONT)) return 1;
    std::vector<unsigned char> grey((size_t)ATLAS * ATLAS, 0);
    for (const atlasGrid& grid : GRIDS) drawGrid(&font, grid, grey);
    fontClose(&font);
    return writeAtlas(argv[1], grey) ? 0 : 1;
}
