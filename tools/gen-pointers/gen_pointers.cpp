// Draws the demo magazine's pointer sheet: 640x128 pixels, 20 x 4 cells of 32x32, an arrow in
// cell 0, a pointing hand in cell 1, the other cells free (colour 0, transparent). Writes it as
// an uncompressed IFF ILBM of three bit planes. Both shapes point at their top-left pixel,
// which is where the viewer puts the hot spot.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

enum { SHEET_W = 640, SHEET_H = 128, CELL = 32, PLANES = 3, COLOURS = 1 << PLANES };
enum { CLEAR = 0, OUTLINE = 1, FILL = 2, CREASE = 3, CUFF = 4 };

static const unsigned char palette[COLOURS][3] = {
    {0x00, 0x00, 0x00}, // transparent
    {0x10, 0x10, 0x10}, // outline
    {0xff, 0xff, 0xff}, // fill
    {0x88, 0x88, 0x88}, // creases between fingers
    {0x33, 0x66, 0xcc}, // cuff
    {0xcc, 0x33, 0x33}, // spare colours for further shapes
    {0x33, 0xaa, 0x44},
    {0xee, 0xcc, 0x22},
};

static unsigned char sheet[SHEET_H][SHEET_W];

struct point {
    double x, y;
};

// Even-odd rule at the pixel centre.
static bool insidePolygon(const point* p, int count, double x, double y)
{
    bool inside = false;
    for (int i = 0, j = count - 1; i < count; j = i++) {
        if ((p[i].y > y) != (p[j].y > y) && x < p[j].x + (y - p[j].y) * (p[i].x - p[j].x) / (p[i].y - p[j].y))
            inside = !inside;
    }
    return inside;
}

static bool insideRoundedRect(double x, double y, double x0, double y0, double x1, double y1, double r)
{
    double cx = fmin(fmax(x, x0 + r), x1 - r);
    double cy = fmin(fmax(y, y0 + r), y1 - r);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r && x >= x0 && x <= x1 && y >= y0 && y <= y1;
}

static void set(int cell, int x, int y, int colour)
{
    sheet[(cell / 20) * CELL + y][(cell % 20) * CELL + x] = (unsigned char)colour;
}

static int get(int cell, int x, int y)
{
    if (x < 0 || y < 0 || x >= CELL || y >= CELL) return CLEAR;
    return sheet[(cell / 20) * CELL + y][(cell % 20) * CELL + x];
}

// Rings the drawn pixels with a one-pixel outline outside them, so light shapes stay
// visible on light pictures.
static void outline(int cell)
{
    static unsigned char ring[CELL][CELL];
    memset(ring, 0, sizeof ring);
    for (int y = 0; y < CELL; y++)
        for (int x = 0; x < CELL; x++) {
            if (get(cell, x, y) != CLEAR) continue;
            for (int dy = -1; dy <= 1; dy++)
                for (int dx = -1; dx <= 1; dx++)
                    if (get(cell, x + dx, y + dy) != CLEAR && get(cell, x + dx, y + dy) != OUTLINE) ring[y][x] = 1;
        }
    for (int y = 0; y < CELL; y++)
        for (int x = 0; x < CELL; x++)
            if (ring[y][x]) set(cell, x, y, OUTLINE);
}

static void drawArrow(int cell)
{
    static const point arrow[] = {{1, 0.5}, {1, 23}, {6, 18}, {10, 27}, {14, 25.5}, {10, 17}, {17, 17}};
    for (int y = 0; y < CELL; y++)
        for (int x = 0; x < CELL; x++)
            if (insidePolygon(arrow, sizeof arrow / sizeof arrow[0], x + 0.5, y + 0.5)) set(cell, x, y, FILL);
    outline(cell);
}

static void drawHand(int cell)
{
    // The raised index finger runs along the left edge; the three folded fingers, the palm,
    // the thumb and the cuff follow below it.
    for (int y = 0; y < CELL; y++)
        for (int x = 0; x < CELL; x++) {
            double px = x + 0.5, py = y + 0.5;
            bool finger = insideRoundedRect(px, py, 1, 1, 7, 18, 3);
            bool knuckles = insideRoundedRect(px, py, 7, 10, 11.5, 19, 2) ||
                            insideRoundedRect(px, py, 11.5, 11, 16, 20, 2) ||
                            insideRoundedRect(px, py, 16, 12, 20, 21, 2);
            bool palm = insideRoundedRect(px, py, 1, 15, 20, 27, 3);
            bool thumb = insideRoundedRect(px, py, 17, 17, 24, 23, 2.5);
            if (finger || knuckles || palm || thumb) set(cell, x, y, FILL);
            if (px > 3 && px < 18 && py > 26 && py < 31) set(cell, x, y, CUFF);
        }
    for (int y = 11; y < 18; y++) {
        if (y >= 12) set(cell, 7, y, CREASE);
        if (y >= 13) set(cell, 11, y, CREASE);
        if (y >= 14) set(cell, 16, y, CREASE);
    }
    outline(cell);
}

static void putBig(unsigned char* p, unsigned value, int bytes)
{
    for (int i = bytes - 1; i >= 0; i--, value >>= 8) p[i] = (unsigned char)(value & 0xff);
}

// FORM ILBM with BMHD, CMAP and an uncompressed, interleaved BODY: each row holds one line
// of every plane in turn, each line padded to a whole number of 16-bit words.
static size_t encodeIlbm(unsigned char* out)
{
    const int rowBytes = (SHEET_W + 15) / 16 * 2;
    const unsigned bodySize = (unsigned)(rowBytes * PLANES * SHEET_H);
    const unsigned cmapSize = COLOURS * 3;
    unsigned char* p = out;
    memcpy(p, "FORM", 4);
    putBig(p + 4, 4 + (8 + 20) + (8 + cmapSize + (cmapSize & 1)) + (8 + bodySize), 4);
    memcpy(p + 8, "ILBM", 4);
    p += 12;
    memcpy(p, "BMHD", 4);
    putBig(p + 4, 20, 4);
    unsigned char* h = p + 8;
    memset(h, 0, 20);
    putBig(h, SHEET_W, 2);
    putBig(h + 2, SHEET_H, 2);
    h[8] = PLANES; // masking 0 (none), compression 0 (none), transparent colour 0
    h[14] = 1;     // square pixels
    h[15] = 1;
    putBig(h + 16, SHEET_W, 2);
    putBig(h + 18, SHEET_H, 2);
    p += 28;
    memcpy(p, "CMAP", 4);
    putBig(p + 4, cmapSize, 4);
    memcpy(p + 8, palette, cmapSize);
    p += 8 + cmapSize;
    if (cmapSize & 1) *p++ = 0;
    memcpy(p, "BODY", 4);
    putBig(p + 4, bodySize, 4);
    p += 8;
    memset(p, 0, bodySize);
    for (int y = 0; y < SHEET_H; y++)
        for (int plane = 0; plane < PLANES; plane++, p += rowBytes)
            for (int x = 0; x < SHEET_W; x++)
                if (sheet[y][x] >> plane & 1) p[x / 8] |= (unsigned char)(0x80 >> (x % 8));
    return (size_t)(p - out);
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: pagovia-gen-pointers <output.iff>\n");
        return 2;
    }
    drawArrow(0);
    drawHand(1);
    static unsigned char file[64 + COLOURS * 3 + (SHEET_W + 15) / 16 * 2 * PLANES * SHEET_H];
    size_t size = encodeIlbm(file);
    FILE* f = fopen(argv[1], "wb");
    if (!f) {
        fprintf(stderr, "pagovia-gen-pointers: cannot write %s: %s\n", argv[1], strerror(errno));
        return 1;
    }
    bool written = fwrite(file, 1, size, f) == size;
    if (fclose(f) != 0) written = false;
    if (!written) {
        fprintf(stderr, "pagovia-gen-pointers: writing %s failed\n", argv[1]);
        remove(argv[1]);
        return 1;
    }
    return 0;
}
