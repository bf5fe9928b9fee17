// Owns the row layout and pagination: where a row ends, how its spaces are widened or
// squeezed, when a word is cut with a hyphen, and where pages begin. The renderer draws
// with layoutRow too, so both always see the same rows.
#include "text/layout.h"
#include "prefs/prefs.h"
#include "text/markup.h"
#include <climits>
#include <cstdlib>
#include <cstring>

enum {
    // The break decision looks two columns back from a row's end, so even a heading row
    // needs two columns; a narrower width would stall or read before the row.
    MIN_ROW_WIDTH = 4,
    // Keeps column counts exact in single precision and far from integer overflow.
    MAX_ROW_WIDTH = 1 << 24,
};

static int rowWidth()
{
    if (MAX_CHARACTERS_ROW < MIN_ROW_WIDTH) return MIN_ROW_WIDTH;
    if (MAX_CHARACTERS_ROW > MAX_ROW_WIDTH) return MAX_ROW_WIDTH;
    return MAX_CHARACTERS_ROW;
}

static int startsWith(const char* text, const char* prefix)
{
    return strncmp(text, prefix, strlen(prefix)) == 0;
}

// Bytes of the tags that stand one after the other at text (0 when none does).
static int tagsAt(const char* text)
{
    int total = 0;
    int length = 0;
    while (text[total] == '[' && isTag(text + total, &length, nullptr, 0)) total += length;
    return total;
}

// The word's width, but counting stops once it exceeds stopAfter: a row only needs to know
// whether the overflowing word is short enough to squeeze in, and a word without end (a
// long run of characters or malformed tags) must not be walked to the end for every row.
static int wordWidth(const char* text, int stopAfter)
{
    int count = 0;
    for (const char* p = text; count <= stopAfter; p++) {
        if (*p == '[') p += tagsAt(p);
        switch (*p) {
        case '\0':
        case ' ':
        case '\n':
            return count;
        case '-':
            return count + 1;
        default:
            count++;
        }
    }
    return count;
}

int getNextBreakPosition(const char* text) { return wordWidth(text, INT_MAX - 1); }

// Tag bytes before each of the first length columns at text and right after the last.
static int tagBytesOfColumns(const char* text, int length)
{
    int tags = 0;
    for (int j = 0;; j++) {
        if (text[tags + j] == '[') tags += tagsAt(text + tags + j);
        if (j == length || text[tags + j] == '\0') return tags;
    }
}

// Paragraph markers and the dropped space of a continued row. Returns 0 when the slot only
// consumed a line feed.
static int startRow(const char* text, int* pos, int* newLine, rowLayout* out)
{
    out->scale = 1.0f;
    out->indent = 0;
    const char* p = text + *pos;
    if (!*newLine) {
        if (*p == ' ') (*pos)++;
        if (*p != '\n') return 1; // the space, or any other character, stays on a plain row
        (*pos)++;
        *newLine = 1;
        return 0;
    }
    *newLine = 0;
    leadingTag background;
    if (leadingBackground(p, &background)) {
        // A heading may follow the background tag; otherwise the row is plain and unindented.
        if (background.rest && startsWith(background.rest, "[h1]")) {
            out->scale = 2.0f;
            *pos = (int)(background.rest + 4 - text);
        }
    } else if (startsWith(p, "[h1]")) {
        out->scale = 2.0f;
        *pos += 4;
    } else if (startsWith(p, "[ni]")) {
        *pos += 4;
    } else {
        out->indent = 1;
    }
    return 1;
}

// What the scan of a row's columns learned. Tag counts are the bytes of tags met up to and
// including those standing at a column, so a row ending before that column owns them.
struct rowScan {
    int cols;
    int spaces;
    int lastBreak;      // column of the last space or hyphen, -1 for none
    int breakIsHyphen;  // 1 when that last break is a hyphen
    char beforeLast;    // the character in column cols - 2
    int tags;           // at column cols
    int tagsAtBreak;    // at column lastBreak
    int tagsAfterBreak; // at column lastBreak + 1
    int tagsAtCut;      // at column cols - 1
};

// Justifies a full row or moves its end: squeeze in the overflowing word, break at the last
// space or hyphen, or cut the word with a hyphen.
static void breakFullRow(const rowScan& s, const char* overflow, int width, rowLayout* out)
{
    int next = wordWidth(overflow, s.spaces / 2);
    if (s.spaces / 2 >= next) {
        out->length = s.cols + next;
        out->tags = s.tags + (next ? tagBytesOfColumns(overflow, next) : 0);
        if (s.spaces > 0) out->spaceFactor = 1.0f - (float)next / (float)s.spaces;
        return;
    }
    // A hyphen stays on the row and every space widens; at a space the row ends before it
    // and the spaces before it widen. Nothing to widen would need endless growth.
    int widen;
    if (s.breakIsHyphen) {
        out->length = s.lastBreak + 1;
        out->tags = s.tagsAfterBreak;
        widen = s.spaces;
    } else {
        out->length = s.lastBreak;
        out->tags = s.tagsAtBreak;
        widen = s.spaces - 1;
    }
    float gap = (float)(width - out->indent) / out->scale - (float)out->length;
    int endless = gap > 0.0f && widen <= 0;
    if (gap > 0.0f && widen > 0) out->spaceFactor = gap / (float)widen + 1.0f;
    if (endless || out->spaceFactor > 1.5f || out->spaceFactor < 0.0f) {
        if (s.beforeLast != ' ' || s.lastBreak < 0) { // no break at all: always cut
            out->length = s.cols - 1;
            out->tags = s.tagsAtCut;
            out->spaceFactor = 1.0f;
            out->cut = 1;
        }
        // Before a space a finite factor stands; an endless one leaves the row short.
    }
}

// Walks the row's columns until it is full or a line feed or the end of the text stops it.
static void scanRow(const char* row, int width, int* newLine, rowLayout* out)
{
    rowScan s = {};
    s.cols = (int)((float)(width - out->indent) / out->scale);
    s.lastBreak = -1;
    for (int i = 0;; i++) {
        if (row[s.tags + i] == '[') s.tags += tagsAt(row + s.tags + i);
        if (i == s.lastBreak + 1) s.tagsAfterBreak = s.tags;
        if (i == s.cols - 1) s.tagsAtCut = s.tags;
        if (i == s.cols) {
            breakFullRow(s, row + s.tags + i, width, out);
            return;
        }
        char c = row[s.tags + i];
        if (i == s.cols - 2) s.beforeLast = c;
        if (c == '\0' || c == '\n') {
            out->length = c == '\n' ? i + 1 : i;
            out->tags = s.tags;
            out->ended = c == '\0';
            *newLine = c == '\n';
            return;
        }
        if (c == ' ' || c == '-') {
            s.lastBreak = i;
            s.tagsAtBreak = s.tags;
            s.breakIsHyphen = c == '-';
            if (c == ' ') s.spaces++;
        }
    }
}

void layoutRow(const char* text, int* pos, int* newLine, rowLayout* out)
{
    *out = rowLayout{};
    out->spaceFactor = 1.0f;
    out->produced = startRow(text, pos, newLine, out);
    out->start = *pos;
    if (out->produced) scanRow(text + out->start, rowWidth(), newLine, out);
    out->next = out->start + out->tags + out->length;
    *pos = out->next;
}

rowCursor rowsFrom(const char* text, int newLine) { return rowCursor{text, 0, newLine, 0}; }

void nextRow(rowCursor* c, rowLayout* row)
{
    do layoutRow(c->text, &c->pos, &c->newLine, row);
    while (!row->produced);
    c->ended = row->ended;
}

// Where pagination puts the page starts: nowhere, a caller's table that has room, or a table
// that grows, so that loading lays an article out once rather than count first and then fill.
struct pageTable {
    pageStart* pages;
    int room;
    bool grows;
    bool failed;
};

static void recordPage(pageTable* t, int index, pageStart page)
{
    if (t->failed || (!t->pages && !t->grows)) return;
    if (t->grows && index >= t->room) {
        int room = t->room ? t->room * 2 : 16;
        pageStart* bigger = (pageStart*)realloc(t->pages, (size_t)room * sizeof *bigger);
        if (!bigger) {
            t->failed = true;
            return;
        }
        t->pages = bigger;
        t->room = room;
    }
    t->pages[index] = page;
}

static int paginateInto(char* text, pageTable* table, rowVisitor visit, void* context)
{
    const long long rowsPerPage = (MAX_ROWS < 0 ? 0LL : (long long)MAX_ROWS) + 1;
    int count = 1;
    recordPage(table, 0, {text, 1});
    tagTextBegin(text, 1);
    rowCursor c = rowsFrom(text, 1);
    for (long long rows = 1; !c.ended; rows++) {
        if (rows > rowsPerPage) {
            recordPage(table, count, {text + c.pos, c.newLine});
            count++;
            rows -= rowsPerPage;
        }
        rowLayout row;
        nextRow(&c, &row);
        if (visit) visit(&row, count, (int)rows, context);
    }
    tagTextEnd();
    return count;
}

int paginate(char* text, pageStart* pages, rowVisitor visit, void* context)
{
    pageTable table = {pages, 0, false, false};
    return paginateInto(text, &table, visit, context);
}

pageStart* paginateIntoNewTable(char* text, int* count)
{
    pageTable table = {nullptr, 0, true, false};
    *count = paginateInto(text, &table, nullptr, nullptr);
    if (!table.failed) return table.pages;
    free(table.pages);
    return nullptr;
}

int getNumberOfPages(char* text, pageStart* pages) { return paginate(text, pages, nullptr, nullptr); }
