// Hand-made textures and GL helpers shared by the render tests and the frame benchmark:
// a synthetic font atlas whose cells tell themselves apart by alpha, images cut into
// 256x256 tiles with consecutive names the way the loader cuts them, a quad counter that
// asks the GL itself (feedback mode) what was drawn, and the one fixture of the drawing
// tests, which puts back every global they change.
#pragma once
#include "app/lifecycle.h"
#include "app/screen.h"
#include "app/view.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "content/textures.h"
#include "elements/picture.h"
#include "elements/scrolltext.h"
#include "input/mouse.h"
#include "input/selections.h"
#include "prefs/prefs.h"
#include "support/offscreen.h"
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

// Alpha of font cell k outside its top-left quarter, which is opaque in every cell but the
// blank one (0). Cells past the last byte hold 250, so reading outside the grid shows.
inline int fontCellAlpha(int k) { return k == 0 ? 0 : k > 223 || k < 0 ? 250 : 20 + k; }
inline int fontCharAlpha(unsigned char ch) { return fontCellAlpha(ch < 32 ? 0 : ch - 32); }

// A w x h image uploaded like the loader does: one texture up to 256x256, else 256x256
// tiles with consecutive names, row-major, the parts outside the image transparent black.
inline void makeImage(my_texture* image, const char* name, int w, int h,
                      const std::function<rgba(int, int)>& pixel)
{
    *image = my_texture{};
    snprintf(image->name, sizeof image->name, "%s", name);
    image->width = w;
    image->height = h;
    bool single = w <= 256 && h <= 256;
    image->tilesX = single ? 1 : (w + 255) / 256;
    image->tilesY = single ? 1 : (h + 255) / 256;
    image->tiles = image->tilesX * image->tilesY;
    std::vector<GLuint> names(image->tiles);
    glGenTextures(image->tiles, names.data());
    for (int k = 1; k < image->tiles; k++)
        if (names[k] != names[0] + (GLuint)k) ADD_FAILURE() << "tile names are not consecutive";
    image->id = names[0];
    int tw = single ? w : 256, th = single ? h : 256;
    std::vector<rgba> px((size_t)tw * th);
    for (int v = 0; v < image->tilesY; v++)
        for (int u = 0; u < image->tilesX; u++) {
            for (int y = 0; y < th; y++)
                for (int x = 0; x < tw; x++) {
                    int ix = u * 256 + x, iy = v * 256 + y;
                    px[(size_t)y * tw + x] = ix < w && iy < h ? pixel(ix, iy) : rgba{0, 0, 0, 0};
                }
            glBindTexture(GL_TEXTURE_2D, image->id + (GLuint)(u + v * image->tilesX));
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexImage2D(GL_TEXTURE_2D, 0, 4, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        }
}

inline void makePlainImage(my_texture* image, const char* name, int w, int h, rgba colour)
{
    makeImage(image, name, w, h, [colour](int, int) { return colour; });
}

// The atlas as the loader makes it from Fonts/font4.pbm: one 256x256 texture, white with
// alpha; the upper half a 16x16-texel grid (high resolution), the lower half 8x8 (low).
inline void makeFontAtlas(my_texture* atlas)
{
    makeImage(atlas, "font4.pbm", 256, 256, [](int x, int y) {
        int cell = y < 128 ? 16 : 8, yy = y % 128;
        int k = (yy / cell) * (256 / cell) + x / cell;
        bool quarter = x % cell < cell / 2 && yy % cell < cell / 2;
        return rgba{255, 255, 255, (uint8_t)(k == 0 ? 0 : quarter ? 255 : fontCellAlpha(k))};
    });
}

// A render context at one of the two resolutions, with that resolution's metrics and the
// projection the frame composer sets: 1280x960 design units, y downwards.
inline bool openScreen(int lowres)
{
    computeScreenMetrics(lowres);
    if (!offscreenOpen(SCREEN_WIDTH, SCREEN_HEIGHT)) return false;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1280, 960, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return true;
}

// The pixel under design-space point (x, y) at the current resolution.
inline rgba designPixel(float x, float y)
{
    return offscreenPixel((int)(x * SCREEN_RATIO_X), (int)(y * SCREEN_RATIO_Y));
}

inline bool closeTo(int value, int expected, int tolerance = 1) { return abs(value - expected) <= tolerance; }

// Quads that `draw` hands to the GL, counted in feedback mode (two triangles per quad).
inline int countQuads(const std::function<void()>& draw)
{
    static std::vector<GLfloat> feedback(1 << 21);
    glFeedbackBuffer((GLsizei)feedback.size(), GL_2D, feedback.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    int n = glRenderMode(GL_RENDER), triangles = 0;
    if (n < 0) return -1;
    for (int i = 0; i < n;) {
        int token = (int)feedback[i++];
        if (token == GL_POLYGON_TOKEN) i += 1 + 2 * (int)feedback[i], triangles++;
        else if (token == GL_PASS_THROUGH_TOKEN) i += 1;
        else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) i += 4;
        else i += 2; // points, bitmaps and pixel rectangles: one vertex
    }
    return triangles / 2;
}

// The drawing tests' fixture: a high-resolution screen with the font atlas bound as the
// frame composer leaves it; every global a test may set is put back afterwards.
class Offscreen : public ::testing::Test {
protected:
    std::vector<std::function<void()>> restore;
    template <class T> void keep(T& v)
    {
        T old = v;
        restore.push_back([&v, old] { v = old; });
    }
    void SetUp() override
    {
        keep(MAX_CHARACTERS_ROW), keep(MAX_ROWS), keep(numberOfConstantMenuSelections), keep(numberOfMenuSelections);
        keep(mouseOverMenuItem), keep(articleShowTitle), keep(articleTitleColor), keep(articleArray), keep(articles);
        keep(currentArticle), keep(currentPage), keep(firstrun), keep(backgroundArray), keep(backgrounds);
        keep(slideshowPicture), keep(slideshowTimerStart), keep(SLIDESHOW_CHANGE_TIME), keep(numberOfScrollTexts);
        keep(scrollCoords), keep(scrollLength), keep(scrollTexts), keep(scrollText), keep(ARTICLE_BAR_START_X);
        keep(ARTICLE_BAR_START_Y), keep(ARTICLE_BAR_STOP_X), keep(ARTICLE_BAR_STOP_Y);
        open(0);
    }
    void TearDown() override
    {
        for (auto& r : restore) r();
        startupImageName[0] = '\0';
        computeScreenMetrics(1);
    }
    void open(int lowres)
    {
        ASSERT_TRUE(openScreen(lowres));
        makeFontAtlas(&texture[0]);
        glEnable(GL_TEXTURE_2D);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    // Clears to a colour, so that what a drawing leaves uncovered shows.
    static void clearTo(float r, float g, float b)
    {
        glClearColor(r, g, b, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
    }
    static void expectRgb(rgba p, int r, int g, int b, const char* where = "")
    {
        EXPECT_TRUE(closeTo(p.r, r) && closeTo(p.g, g) && closeTo(p.b, b))
            << where << ": " << (int)p.r << "," << (int)p.g << "," << (int)p.b << " != " << r << "," << g << "," << b;
    }
};
