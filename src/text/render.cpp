// Owns article drawing and the font atlas's cell layout. Rows come from the same layoutRow
// that paginated the article, so a page shows exactly the rows pagination counted; only
// the spaces change width. The page's items are registered in the click table (input/selections).
#include "text/render.h"
#include "app/screen.h"
#include "app/view.h"
#include "content/catalogue.h"
#include "elements/picture.h"
#include "input/mouse.h"
#include "input/selections.h"
#include "prefs/prefs.h"
#include "text/encoding.h"
#include "text/layout.h"
#include "text/markup.h"
#include <GL/gl.h>
#include <cstdio>
#include <cstring>

// Extra advance after each article glyph; nothing sets it.
static const int ARTICLE_FONT_SPACING_X = 0;

glyphCellRect glyphCell(unsigned char ch)
{
    int perRow = FONT_CHARACTERS_ROW_TEXTURE > 0 ? FONT_CHARACTERS_ROW_TEXTURE : 1;
    float f = FONT_SIZE_TEXTURE;
    // Each font fills half of the atlas: the large one ends at code 159, so an accented
    // letter there is drawn as its base letter rather than as a cell of the small font.
    int cells = f > 0.0f ? perRow * (int)(0.5f / f + 0.5f) : 0;
    if (ch - 32 >= cells) ch = latin1BaseLetter(ch);
    int k = ch < 32 || ch - 32 >= cells ? 0 : ch - 32;
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
    int item;              // record of the open item on this row, -1 for none (yet)
    int originPending;
    int kind;              // the open item's kind and link, for its records on later rows
    char link[sizeof menuSelections[0].link];
    int first;             // the open item's first record, -1 for none
    int continues;         // the open item goes on from an earlier row: its next glyph
                           // begins a new record of it
    GLint mode;            // texture environment mode in force
};

// For every article item record, the first record of its item: a link wrapped over several
// rows has one record per row, and they light up together.
static int firstRecordOf[MAX_MENU_SELECTIONS];

int itemFirstRecord(int index)
{
    if (index < numberOfConstantMenuSelections || index >= numberOfMenuSelections) return index;
    if (index >= MAX_MENU_SELECTIONS) return index;
    // Records written by others (not by drawing) have no first record of their own here.
    int first = firstRecordOf[index];
    if (first < numberOfConstantMenuSelections || first > index) return index;
    const menuSelection &a = menuSelections[first], &b = menuSelections[index];
    if (a.kind != b.kind || strncmp(a.link, b.link, sizeof a.link) != 0) return index;
    return first;
}

static void setMode(pen& p, GLint mode)
{
    p.mode = mode;
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

// A new record of the open item, empty until its first glyph and its row's end are seen.
static void addRecord(pen& p)
{
    p.originPending = 1;
    p.item = -1;
    int n = registerSelection(p.kind, p.link);
    if (n < 0) return; // table full: drawn, not clickable
    if (p.first < 0) p.first = n;
    firstRecordOf[n] = p.first;
    p.item = n;
    p.hover = p.first == mouseOverMenuItem;
}

static void openItem(pen& p, int kind, const char* link)
{
    p.inItem = 1;
    p.kind = kind;
    snprintf(p.link, sizeof p.link, "%.*s", (int)sizeof p.link - 1, link); // cut to 39
    p.first = -1;
    p.continues = 0;
    p.hover = 0;
    addRecord(p);
}

// Ends the open item's record where the pen stands: at its closing tag or its row's end.
static void closeRecord(pen& p)
{
    if (p.item >= 0 && !p.originPending) {
        setSelectionEnd(p.item, ((float)TEXT_STARTX + p.x * p.scale + 16.0f) * SCREEN_RATIO_X,
                        (p.y + 16.0f) * SCREEN_RATIO_Y);
        p.item = -1;
    }
}

static void closeItem(pen& p)
{
    closeRecord(p);
    p.item = -1;
    p.first = -1;
    p.inItem = 0;
    p.continues = 0;
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
        setMode(p, GL_MODULATE);
        break;
    case TAG_MI_END:
    case TAG_MUSIC_END:
        // A closing tag whose item opened on an earlier page touches no record.
        closeItem(p);
        setMode(p, GL_REPLACE);
        break;
    case TAG_COL:
        tagValue(tag, length, value, sizeof value);
        setColour(p, value);
        setMode(p, GL_MODULATE);
        break;
    case TAG_COL_END:
        setMode(p, GL_REPLACE);
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
    // The open item goes on from an earlier row or page: this row's part is a record too.
    if (p.continues) {
        p.continues = 0;
        addRecord(p);
    }
    if (p.originPending && p.item >= 0) setSelectionOrigin(p.item, gx * SCREEN_RATIO_X, p.y * SCREEN_RATIO_Y);
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
    long long maxRows = (long long)MAX_ROWS + 1;
    rowCursor c = rowsFrom(text, newLine);
    for (long long rows = 1; rows <= maxRows && !c.ended; rows++) {
        rowLayout row;
        nextRow(&c, &row);
        if (rows > 1) p.y += (float)(ARTICLE_FONT_SPACING_Y + 16);
        p.x = row.indent ? 16.0f : 0.0f;
        p.scale = row.scale;
        p.spaceFactor = row.spaceFactor;
        drawRow(p, text, row);
        if (row.cut) {
            glColor3f(1, 1, 1);
            glyphQuad(glyphCell('-'), (float)TEXT_STARTX + p.x * p.scale, p.y, 16.0f * p.scale, 16.0f);
        }
        // An item still open ends its record with the row; its next row gets one of its own.
        if (p.inItem && p.item >= 0 && !p.originPending) {
            closeRecord(p);
            p.continues = 1;
        }
    }
}

// The highlight belongs to the page it was found on: on another page (or article) the
// record with the same index is another item, so none is lit until the pointer is asked.
static void forgetHoverOnNewPage(const char* page)
{
    static const char* shown = nullptr;
    if (page != shown) forgetPageHover();
    shown = page;
}

// A tag of an earlier page, for what it leaves in force where this page begins.
static void carryTag(pen& p, int kind, const char* tag, int length)
{
    char value[256];
    if (kind == TAG_MI || kind == TAG_MUSIC) {
        tagValue(tag, length, value, sizeof value);
        p.inItem = p.continues = 1;
        p.kind = kind == TAG_MUSIC ? 1 : 0;
        snprintf(p.link, sizeof p.link, "%.*s", (int)sizeof p.link - 1, value);
        p.mode = GL_MODULATE;
    } else if (kind == TAG_MI_END || kind == TAG_MUSIC_END) {
        p.inItem = p.continues = 0;
        p.mode = GL_REPLACE;
    } else if (kind == TAG_COL) {
        tagValue(tag, length, value, sizeof value);
        setColour(p, value);
        p.mode = GL_MODULATE;
    } else if (kind == TAG_COL_END) {
        p.mode = GL_REPLACE;
    }
}

// A page of the shown article goes on with the colour, mode and open item that the tags
// of the pages before it leave, as if they had been drawn.
static void carryIntoPage(pen& p, const char* page)
{
    if (!articleArray || currentArticle < 0 || currentArticle >= articles) return;
    const articleEntry& a = articleArray[currentArticle];
    if (!a.text || a.numberOfPages < 1 || page <= a.text || page > a.pages[a.numberOfPages - 1].start) return;
    tagTextBegin(a.text, 0);
    for (const char* c = a.text; c < page;) {
        const char* bracket = (const char*)memchr(c, '[', (size_t)(page - c));
        if (!bracket) break;
        int length = 0;
        int kind = isTag(bracket, &length, nullptr, 0);
        carryTag(p, kind, bracket, length);
        c = kind == TAG_NONE ? bracket + 1 : bracket + length;
    }
    tagTextEnd();
}

void drawText(const char* text, int title, int newLine, const my_texture* background)
{
    pen p = {};
    p.y = (float)(TEXT_STARTY - 32 * title);
    p.scale = p.spaceFactor = 1.0f;
    for (float& c : p.colour) c = 1.0f;
    p.item = p.first = -1;
    p.mode = GL_REPLACE;
    clearPageSelections();
    if (background) drawStretchedPicture(background, (float)BKG_DIMMER_VALUE);
    if (!text) return;
    if (title) {
        if (!articleShowTitle) return;
        p.mode = GL_MODULATE;
        p.colour[0] = articleTitleColor.r;
        p.colour[1] = articleTitleColor.g;
        p.colour[2] = articleTitleColor.b;
        p.colour[3] = articleTitleColor.a;
    } else {
        carryIntoPage(p, text);
        forgetHoverOnNewPage(text);
    }
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLfloat)p.mode);
    // Depth values are of no use to text; a test left on would let the blank, taller
    // quads of widened spaces hide the top of the next row's glyphs.
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, fontTexture());
    glBegin(GL_QUADS);
    tagTextBegin(text, 0); // pagination told of its malformed tags
    drawRows(p, text, newLine);
    tagTextEnd();
    // An item still open at the page's end is clickable up to where the page stops.
    if (p.inItem) closeItem(p);
    glEnd();
    if (!title) refreshHover();
}
