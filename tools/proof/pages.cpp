// Owns what the proof draws: the magazine loaded by the viewer's loader, a page drawn by the
// viewer's composition exactly as on screen, and the contact sheet built from such pages
// with labels set in the viewer's font by its glyph code.
#include "pages.h"
#include "app/clock.h"
#include "app/lifecycle.h"
#include "app/screen.h"
#include "app/view.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "music/link.h"
#include "prefs/prefs.h"
#include "text/navigation.h"
#include "text/render.h"
#include "platform/report.h"
#include <string>
#include <vector>
#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

// A sheet's grey behind the pages, the space round each page and its label's band.
static const uint8_t SHEET_GREY = 48;
enum { GAP = 8, LABEL_PAD = 4 };
static const double MAX_SHEET_BYTES = 1024.0 * 1024 * 1024;

// The clock never moves, so every ticker stands where it starts.
static void stoppedWallClock(int64_t* sec, int64_t* usec)
{
    *sec = 0;
    *usec = 0;
}

// What the loaders say about the magazine is held back until the proof is known to be drawn:
// a refused request says one line, a drawn one says everything the viewer would.
struct heldFinding {
    std::string file, check, message;
    int line;
    reportLevel level;
};
static std::vector<heldFinding> held;

static void holdFinding(const reportFinding& f)
{
    held.push_back({f.file, f.check, f.message, f.line, f.level});
}

void tellMagazineFindings()
{
    for (const heldFinding& f : held) report(f.file.c_str(), f.line, f.level, f.check.c_str(), "%s", f.message.c_str());
    held.clear();
    reportFlush();
}

bool openMagazine(int lowres)
{
    computeScreenMetrics(lowres);
    if (!offscreenOpen(SCREEN_WIDTH, SCREEN_HEIGHT)) {
        fprintf(stderr, "pagovia-proof: no offscreen OpenGL context (OSMesa) to draw in\n");
        return false;
    }
    setWallClock(stoppedWallClock);
    getTimeWithStatus(CLOCK_START);
    setReportSink(holdFinding);
    loadMagazine();
    layOutAllArticles(); // every page of every article, as readArticles would
    setReportSink(nullptr);
    changeSong = 0; // a proof plays no tune
    setViewMode(MODE_MAGAZINE); // the magazine view, as after any startup picture
    if (articles < 1) {
        fprintf(stderr, "pagovia-proof: no articles could be read from 'Articles'; run it in a magazine directory\n");
        closeMagazine();
        return false;
    }
    return true;
}

void closeMagazine()
{
    cleanupMenus();
    cleanupBackgrounds();
    cleanupArticles();
    freePrefs();
    offscreenClose();
}

void drawPage(int article, int page, proofImage* out)
{
    openArticle(article, page);
    // As the screenshot key does: both frames after a redraw request, the second starting
    // from the GL state a frame of the magazine view leaves behind, as on screen.
    drawBothBuffersNow();
    headlessRead(out);
}

// The mean of the page's pixels under each pixel of the scaled copy, put at (left, top).
static void placeScaled(const proofImage& page, double scale, proofImage* sheet, int left, int top)
{
    int w = (int)lround(page.width * scale), h = (int)lround(page.height * scale);
    for (int y = 0; y < h; y++) {
        int y0 = (int)(y / scale), y1 = std::max(y0 + 1, std::min(page.height, (int)((y + 1) / scale)));
        for (int x = 0; x < w; x++) {
            int x0 = (int)(x / scale), x1 = std::max(x0 + 1, std::min(page.width, (int)((x + 1) / scale)));
            unsigned sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; sy++)
                for (int sx = x0; sx < x1; sx++)
                    for (int k = 0; k < 3; k++) sum[k] += page.rgb[((size_t)sy * page.width + sx) * 3 + k];
            unsigned n = (unsigned)((y1 - y0) * (x1 - x0));
            uint8_t* dst = &sheet->rgb[((size_t)(top + y) * sheet->width + left + x) * 3];
            for (int k = 0; k < 3; k++) dst[k] = (uint8_t)((sum[k] + n / 2) / n);
        }
    }
}

// One label in white glyph cells of 16 design units from the picture's top left, over the
// sheet's grey, drawn by the glyph code of the article text.
static void drawLabel(const char* label)
{
    float grey = SHEET_GREY / 255.0f;
    glClearColor(grey, grey, grey, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, fontTexture());
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    for (int i = 0; label[i]; i++)
        glyphQuad(glyphCell((unsigned char)label[i]), 16.0f * (float)i, 0.0f, 16.0f, 16.0f);
    glEnd();
}

// Copies the top-left w x h pixels of the picture to (left, top) of the sheet.
static void placeCut(const proofImage& from, int w, int h, proofImage* sheet, int left, int top)
{
    for (int y = 0; y < h; y++)
        memcpy(&sheet->rgb[((size_t)(top + y) * sheet->width + left) * 3], &from.rgb[(size_t)y * from.width * 3],
               (size_t)w * 3);
}

struct sheetGrid {
    int columns, cellW, thumbH, labelH, cellH;
};

static void cellOrigin(const sheetGrid& g, int n, int* left, int* top)
{
    *left = GAP + (n % g.columns) * (g.cellW + GAP);
    *top = GAP + (n / g.columns) * (g.cellH + GAP);
}

static bool sizeSheet(int columns, double scale, int pages, sheetGrid* g, proofImage* sheet)
{
    g->columns = std::min(columns, pages);
    g->cellW = (int)lround(SCREEN_WIDTH * scale);
    g->thumbH = (int)lround(SCREEN_HEIGHT * scale);
    g->labelH = (int)(16 * SCREEN_RATIO_Y) + 2 * LABEL_PAD;
    g->cellH = g->thumbH + g->labelH;
    if (g->cellW < 1 || g->thumbH < 1) {
        fprintf(stderr, "pagovia-proof: --scale %g leaves less than a pixel of a page\n", scale);
        return false;
    }
    int rows = (pages + g->columns - 1) / g->columns;
    double w = (double)GAP + (double)g->columns * (g->cellW + GAP);
    double h = (double)GAP + (double)rows * (g->cellH + GAP);
    if (w * h * 3 > MAX_SHEET_BYTES) {
        fprintf(stderr, "pagovia-proof: a sheet of %.0fx%.0f pixels is too large; give a smaller --scale\n", w, h);
        return false;
    }
    sheet->width = (int)w;
    sheet->height = (int)h;
    sheet->rgb.assign((size_t)sheet->width * sheet->height * 3, SHEET_GREY);
    return true;
}

bool drawSheet(int columns, double scale, proofImage* sheet)
{
    int pages = 0;
    for (int i = 0; i < articles; i++) pages += articleArray[i].numberOfPages;
    sheetGrid g;
    if (!sizeSheet(columns, scale, pages, &g, sheet)) return false;
    proofImage picture;
    int n = 0, left, top;
    for (int i = 0; i < articles; i++)
        for (int p = 0; p < articleArray[i].numberOfPages; p++, n++) {
            drawPage(i, p, &picture);
            cellOrigin(g, n, &left, &top);
            placeScaled(picture, scale, sheet, left, top);
        }
    // The labels come after every page, so that the pages are drawn frame after frame as
    // the viewer draws them, with no other state in between.
    n = 0;
    for (int i = 0; i < articles; i++)
        for (int p = 0; p < articleArray[i].numberOfPages; p++, n++) {
            char label[1100];
            snprintf(label, sizeof label, "%s %d (%d)", articleArray[i].name, p + 1, articleArray[i].numberOfPages);
            drawLabel(label);
            headlessRead(&picture);
            cellOrigin(g, n, &left, &top);
            int textW = std::min(g.cellW, (int)(strlen(label) * 16 * SCREEN_RATIO_X));
            placeCut(picture, std::min(textW, picture.width), g.labelH - 2 * LABEL_PAD, sheet, left,
                     top + g.thumbH + LABEL_PAD);
        }
    return true;
}
