// Owns article drawing and the font atlas's cell layout. Rows come from the same layoutRow
// that paginated the article, so a page shows exactly the rows pagination counted; only
// the spaces change width. Only this file registers the page's items in menuSelections.
#include "text/render.h"
#include "app/composition.h"
#include "app/screen.h"
#include "elements/picture.h"
#include "input/mouse.h"
#include "prefs/prefs.h"
#include "text/layout.h"
#include "text/markup.h"
#include <GL/gl.h>
#include <cstdio>
#include <cstring>

// Extra advance after each article glyph; nothing sets it.
static const int ARTICLE_FONT_SPACING_X = 0;

glyphCellRect glyphCell(unsigned char ch)
{
    int k = ch < 32 ? 0 : ch - 32;
    int perRow = FONT_CHARACTERS_ROW_TEXTURE > 0 ? FONT_CHARACTERS_ROW_TEXTURE : 1;
    float f = FONT_SIZE_TEXTURE;
    glyphCellRect c;
    c.s0 = (float)(k % perRow) * f;
    c.t0 = (float)(k / perRow) * f + FONT_STARTY;
    c.s1 = c.s0 + f;
    c.t1 = c.t0 + f;
    return c;
}

void glyphQuad(const glyphCellRect& c, float x, float y, float w, float h)
{
    glTexCoord2f(c.s0, c.t1);
    glVertex2f(x, y + h);
    glTexCoord2f(c.s1, c.t1);
    glVertex2f(x + w, y + h);
    glTexCoord2f(c.s1, c.t0);
    glVertex2f(x + w, y);
    glTexCoord2f(c.s0, c.t0);
    glVertex2f(x, y);
}

// What one drawText call carries from glyph to glyph and row to row.
struct pen {
    float x, y;            // x in unscaled units from the left margin
    float scale, spaceFactor;
    float colour[4];       // red, green, blue, alpha
    int inItem, hover;
    int item;              // record of the item opened by this call, -1 for none
    int originPending;
};

static void setMode(GLint mode)
{
    glEnd();
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLfloat)mode);
    glBegin(GL_QUADS);
}

// A tag's value, cut to fit value (size bytes). The tag was recognised without a buffer,
// as the layout recognises it, so a value too long for the buffer stays a tag here too.
static void tagValue(const char* tag, int length, char* value, int size)
{
    const char* start = (const char*)memchr(tag, '=', (size_t)length);
    int n = start ? (int)(tag + length - 1 - (start + 1)) : 0;
    if (n > size - 1) n = size - 1;
    if (n > 0) memcpy(value, start + 1, (size_t)n);
    value[n > 0 ? n : 0] = '\0';
}

static void openItem(pen& p, int kind, const char* link)
{
    int n = numberOfMenuSelections;
    p.inItem = 1;
    p.originPending = 1;
    p.hover = 0;
    p.item = -1;
    if (n < 0 || n >= MAX_MENU_SELECTIONS) return; // table full: drawn, not clickable
    menuSelection& s = menuSelections[n];
    s.kind = kind;
    snprintf(s.link, sizeof s.link, "%.*s", (int)sizeof s.link - 1, link); // cut to 39
    s.x0 = s.y0 = s.x1 = s.y1 = 0.0f; // empty until its glyphs and closing tag are seen
    numberOfMenuSelections = n + 1;
    p.item = n;
    p.hover = n == mouseOverMenuItem;
}

static void closeItem(pen& p)
{
    if (p.item >= 0 && !p.originPending) {
        menuSelection& s = menuSelections[p.item];
        s.x1 = ((float)TEXT_STARTX + p.x * p.scale + 16.0f) * SCREEN_RATIO_X;
        s.y1 = (p.y + 16.0f) * SCREEN_RATIO_Y;
    }
    p.inItem = 0;
    p.hover = 0;
}

static void setColour(pen& p, const char* value)
{
    if (value[0] == '#') {
        unsigned int rgb;
        if (sscanf(value, "#%x", &rgb) != 1) return; // unreadable digits: colour kept
        p.colour[0] = (float)((rgb >> 16) & 255) / 256.0f;
        p.colour[1] = (float)((rgb >> 8) & 255) / 256.0f;
        p.colour[2] = (float)(rgb & 255) / 256.0f;
        return;
    }
    sscanf(value, "%f %f %f %f", &p.colour[0], &p.colour[1], &p.colour[2], &p.colour[3]);
}

static void actOnTag(pen& p, int kind, const char* tag, int length)
{
    char value[256];
    switch (kind) {
    case TAG_MI:
    case TAG_MUSIC:
        tagValue(tag, length, value, sizeof value);
        openItem(p, kind == TAG_MUSIC ? 1 : 0, value);
        setMode(GL_MODULATE);
        break;
    case TAG_MI_END:
    case TAG_MUSIC_END:
        // A closing tag whose item opened on an earlier page touches no record.
        closeItem(p);
        p.item = -1;
        setMode(GL_REPLACE);
        break;
    case TAG_COL:
        tagValue(tag, length, value, sizeof value);
        setColour(p, value);
        setMode(GL_MODULATE);
        break;
    case TAG_COL_END:
        setMode(GL_REPLACE);
        break;
    default: // the background tag: chosen by the frame composer
        break;
    }
}

static void drawGlyph(pen& p, unsigned char ch)
{
    float gx = (float)TEXT_STARTX + p.x * p.scale;
    glNormal3f(0, 0, 1);
    if (ch == ' ') {
        float f = p.spaceFactor;
        glColor3f(1, 1, 1);
        glyphQuad(glyphCell(' '), gx, p.y, 16.0f * f * p.scale, 16.0f * f);
        p.x += 16.0f * f + ARTICLE_FONT_SPACING_X;
        return;
    }
    if (p.inItem) {
        if (p.hover) glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
        else glColor4f(0.8f, 0.8f, 1.0f, 1.0f);
    } else {
        glColor4fv(p.colour);
    }
    if (p.originPending && p.item >= 0) {
        menuSelections[p.item].x0 = gx * SCREEN_RATIO_X;
        menuSelections[p.item].y0 = p.y * SCREEN_RATIO_Y;
    }
    p.originPending = 0;
    glyphQuad(glyphCell(ch), gx, p.y, 16.0f * p.scale, 16.0f);
    p.x += 16.0f + ARTICLE_FONT_SPACING_X;
}

// One row, column by column; tags stand before columns and take none.
static void drawRow(pen& p, const char* text, const rowLayout& row)
{
    const char* at = text + row.start;
    int t = 0;
    for (int j = 0;; j++) {
        int length = 0, kind;
        while (t < row.tags && at[t + j] == '[' &&
               (kind = isTag(at + t + j, &length, nullptr, 0)) != TAG_NONE) {
            actOnTag(p, kind, at + t + j, length);
            t += length;
        }
        if (j == row.length) return;
        unsigned char c = (unsigned char)at[t + j];
        if (c != '\n') drawGlyph(p, c);
    }
}

// Leaves the pen on the last row drawn, so that an item still open can be closed there.
static void drawRows(pen& p, const char* text, int newLine)
{
    long long rows = 0, maxRows = (long long)MAX_ROWS + 1;
    int pos = 0;
    for (;;) {
        if (++rows > maxRows) return;
        rowLayout row;
        layoutRow(text, &pos, &newLine, &row);
        if (!row.produced) {
            rows--;
            continue;
        }
        if (rows > 1) p.y += (float)(ARTICLE_FONT_SPACING_Y + 16);
        p.x = row.indent ? 16.0f : 0.0f;
        p.scale = row.scale;
        p.spaceFactor = row.spaceFactor;
        drawRow(p, text, row);
        if (row.cut) {
            glColor3f(1, 1, 1);
            glyphQuad(glyphCell('-'), (float)TEXT_STARTX + p.x * p.scale, p.y, 16.0f * p.scale, 16.0f);
        }
        if (row.ended) return;
    }
}

void drawText(int title, int newLine, int background)
{
    pen p = {0.0f, (float)(TEXT_STARTY - 32 * title), 1.0f, 1.0f, {1, 1, 1, 1}, 0, 0, -1, 0};
    numberOfMenuSelections = numberOfConstantMenuSelections < MAX_MENU_SELECTIONS
                                 ? numberOfConstantMenuSelections
                                 : MAX_MENU_SELECTIONS;
    if (background) drawStretchedPicture(backgroundTexture, (float)BKG_DIMMER_VALUE);
    if (!texts) return;
    if (title) {
        if (!articleShowTitle) return;
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        p.colour[0] = articleTitleColor.r;
        p.colour[1] = articleTitleColor.g;
        p.colour[2] = articleTitleColor.b;
        p.colour[3] = articleTitleColor.a;
    } else {
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    }
    // Depth values are of no use to text; a test left on would let the blank, taller
    // quads of widened spaces hide the top of the next row's glyphs.
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, texture[0].id);
    glBegin(GL_QUADS);
    drawRows(p, texts, newLine);
    // An item still open at the page's end is clickable up to where the page stops.
    if (p.inItem) closeItem(p);
    glEnd();
}
