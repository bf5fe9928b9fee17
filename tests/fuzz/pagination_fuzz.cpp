// Fuzzes tags, row layout and pagination over arbitrary bytes with arbitrary row widths
// and row counts (the first eight bytes), checking that every row lies inside the text,
// rows follow each other without gaps or overlaps, and the page table matches the rows.
#include "prefs/prefs.h"
#include "text/layout.h"
#include "text/markup.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Malformed tags are reported on every visit; keep the fuzzer's own output readable.
    stderr = fopen("/dev/null", "w");
    return 0;
}

struct check {
    int length;
    int previousNext;
    int rows;
    int lastPage;
    long long rowsPerPage;
};

static void checkRow(const rowLayout* r, int page, int rowOnPage, void* context)
{
    check* c = static_cast<check*>(context);
    if (r->start < c->previousNext || r->length < 0 || r->tags < 0) abort();
    if (r->next != r->start + r->tags + r->length || r->next > c->length) abort();
    if (r->ended && r->next != c->length) abort();
    if (rowOnPage < 1 || rowOnPage > c->rowsPerPage || page < c->lastPage) abort();
    c->previousNext = r->next;
    c->lastPage = page;
    c->rows++;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 8) return 0;
    int32_t width, rows;
    memcpy(&width, data, 4);
    memcpy(&rows, data + 4, 4);
    MAX_CHARACTERS_ROW = width;
    MAX_ROWS = rows;
    std::vector<char> text(data + 8, data + size);
    text.push_back('\0');
    int length = (int)strlen(text.data()); // a NUL inside the bytes ends the article

    int count = getNumberOfPages(text.data(), nullptr);
    if (count < 1) abort();
    std::vector<pageStart> pages((size_t)count);
    if (getNumberOfPages(text.data(), pages.data()) != count) abort();
    if (pages[0].start != text.data() || pages[0].newLine != 1) abort();
    for (int k = 1; k < count; k++) {
        if (pages[k].start < pages[k - 1].start || pages[k].start > text.data() + length) abort();
        if (pages[k].newLine != 0 && pages[k].newLine != 1) abort();
    }

    check c = {length, 0, 0, 1, (rows < 0 ? 0LL : (long long)rows) + 1};
    if (paginate(text.data(), nullptr, checkRow, &c) != count || c.lastPage != count || c.rows < 1) abort();

    // The drawing pass reads tag values into a 256-byte buffer.
    for (int i = 0; i < length; i++) {
        if (text[(size_t)i] != '[') continue;
        char value[256];
        int tagLength = 0;
        if (isTag(text.data() + i, &tagLength, value, sizeof value) && (tagLength < 5 || i + tagLength > length))
            abort();
    }
    return 0;
}
