// Owns the ticker drawing. A ticker's position is a function of the clock alone, so all
// tickers move in step whatever the frame rate; each paints its own black window first.
#include "elements/scrolltext.h"
#include "app/screen.h"
#include "content/textures.h"
#include "text/render.h"
#include <GL/gl.h>
#include <cmath>
#include <cstring>

int scrolltimer = 0;
char* scrollText = nullptr;

scrollMotion scrollMotionAt(int time, float ticksPerSecond, int lowres)
{
    scrollMotion m;
    m.ticks = (int)std::lround((double)time / 100.0 * (double)ticksPerSecond);
    int q = m.ticks / 32;
    int phase = m.ticks - 32 * q;
    m.offset = phase < 0 ? q - 1 : q;       // rounded down, also for negative ticks
    m.shift = phase >= 0 ? phase / 2 : -((1 - phase) / 2);
    if (lowres) m.shift &= ~1;
    m.fade = (float)(phase / 32.0);
    return m;
}

scrollGlyph scrollGlyphAt(const char* text, int length, int x0, int n, const scrollMotion& m,
                          const m_color4f& colour, int j)
{
    scrollGlyph g;
    long long at = ((long long)m.offset + j) % length;
    if (at < 0) at += length;
    g.ch = (unsigned char)text[at];
    g.left = (float)(x0 + j * (16 + SCROLL_FONT_SPACING_X) + 16 - m.shift);
    float grey = j == 0 ? 1.0f - m.fade : m.fade;
    if (j == 0 || j == n - 2) {
        g.r = g.g = g.b = grey;
    } else {
        g.r = colour.r;
        g.g = colour.g;
        g.b = colour.b;
    }
    return g;
}

static const char* tickerText(int index)
{
    if (scrollText && index == 0) return scrollText;
    return scrollTexts ? scrollTexts[index] : nullptr;
}

static void drawWindow(int x0, int y0, int n)
{
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glColor3f(0, 0, 0);
    glBegin(GL_QUADS);
    glVertex2i(x0, y0);
    glVertex2i(x0 + 16 * n, y0);
    glVertex2i(x0 + 16 * n, y0 + 16);
    glVertex2i(x0, y0 + 16);
    glEnd();
}

int scrolltext1(int, m_color4f colour, int index, int time)
{
    if (index < 0 || index >= numberOfScrollTexts || !scrollCoords || !scrollLength) return 0;
    const char* text = tickerText(index);
    if (!text) return 0;
    int x0 = scrollCoords[2 * index], y0 = scrollCoords[2 * index + 1];
    int n = scrollLength[index];
    scrollMotion m = scrollMotionAt(time, fpsLimit, LOWRES);
    scrolltimer = m.ticks;
    if (n > 0) drawWindow(x0, y0, n);
    glEnable(GL_BLEND);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture[0].id);
    int length = (int)strlen(text);
    if (length == 0 || n < 2) return m.offset;
    glBegin(GL_QUADS);
    for (int j = 0; j <= n - 2; j++) {
        scrollGlyph g = scrollGlyphAt(text, length, x0, n, m, colour, j);
        glyphCellRect c = glyphCell(g.ch);
        glColor3f(g.r, g.g, g.b);
        glyphQuad(c, g.left, (float)y0, 16.0f, 16.0f);
    }
    glEnd();
    return m.offset;
}
