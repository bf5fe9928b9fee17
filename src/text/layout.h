// Row layout (breaking, justification, hyphenation) and pagination. One routine lays out a
// row for both pagination and drawing, so the two always agree on where rows end.
#pragma once

struct pageStart {
    char* start;  // first character of the page, before the row-start rules run
    int newLine;  // 1 when the page's first row begins a paragraph
};

// One laid-out row. Offsets are bytes from the text pointer given to layoutRow.
//
// A renderer draws the row by walking columns j = 0 .. length with a running tag count t
// (starting at 0). At offset start + t + j it first acts on each tag that isTag recognises
// there with a null value buffer (as the layout does; read the value separately), adding
// the tag's length to t, but only while t < tags: tags beyond that count, such as those
// right behind a closing line feed, belong to the next row. Then it stops when j == length;
// otherwise it draws the character at start + t + j (a line feed draws nothing, a space is
// spaceFactor cells wide). Tags take no column. Glyphs are scale cells wide, the row begins
// one cell in when indent is 1, and a hyphen follows the row when cut is 1. After the walk
// t == tags, and the next row begins at next.
struct rowLayout {
    int produced;      // 0: the slot only consumed the line feed behind a full row; no row
                       // is drawn or counted, lay out the same slot again
    int start;         // offset of the row's first column, after the row-start rules
                       // consumed a paragraph marker or dropped a leading space
    int length;        // columns the row consumes; a line feed ending the row counts as one
    int tags;          // tag bytes of the row: those before each of its columns and, for a
                       // row that is not ended by a line feed, those right after its last
    int next;          // offset where the next row begins: start + tags + length
    float scale;       // 1.0, or 2.0 for a heading row
    int indent;        // 1 for the indented first row of a paragraph
    float spaceFactor; // width of every space on the row, in cells
    int cut;           // 1: the row ends inside a word; draw a hyphen after it
    int ended;         // 1: the text ends with this row (the terminator is at next)
};

// Lays out the row that begins at text + *pos with the paragraph flag *newLine (1 at a
// paragraph start), using MAX_CHARACTERS_ROW. Advances *pos to the next row and sets
// *newLine for it. Any width is safe: widths below 4 columns are laid out as 4.
void layoutRow(const char* text, int* pos, int* newLine, rowLayout* out);

// The walk over a text's produced rows that pagination and drawing share, from a row start
// (the text's, or a page's with its paragraph flag). pos and newLine say where the next slot
// begins (a page starts there); ended is set once the row that ends the text was handed out.
struct rowCursor {
    const char* text;
    int pos;
    int newLine;
    int ended;
};
rowCursor rowsFrom(const char* text, int newLine);
// Lays out the next produced row, passing over a slot that only consumed a line feed.
void nextRow(rowCursor* cursor, rowLayout* row);

// Called by paginate for every produced row; page and rowOnPage count from 1.
typedef void (*rowVisitor)(const rowLayout* row, int page, int rowOnPage, void* context);

// Splits the text into pages of MAX_ROWS + 1 rows; fills pages (when not null) as
// getNumberOfPages does, and hands every produced row to visit (when not null).
int paginate(char* text, pageStart* pages, rowVisitor visit, void* context);
// Lays the text out once into a new table (malloc'd, *count records); null when out of memory.
pageStart* paginateIntoNewTable(char* text, int* count);

// Width in columns of the word at text: up to a space, line feed or the end, a hyphen
// included; tags count nothing.
int getNextBreakPosition(const char* text);
// Number of pages of the text (at least 1); with pages, also records where each begins.
// pages must have room for as many records as a call without them returned.
int getNumberOfPages(char* text, pageStart* pages);
