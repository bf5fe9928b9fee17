// Row layout and pagination: paragraph markers and headings, squeezing, justifying, the
// hyphen break and the cut, rows ended by line feeds and by the end of the text, which row
// the tags belong to, page starts and how drawing resumes from them, and layouts that must
// terminate whatever the row width.
#include "prefs/prefs.h"
#include "text/layout.h"
#include "platform/report.h"
#include "text/markup.h"
#include <climits>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

static char kindOf(const rowLayout& r) { return r.scale == 2.0f ? 'h' : r.indent ? 'i' : 'p'; }
static std::string rep(const std::string& s, int n) { return n > 0 ? s + rep(s, n - 1) : ""; }

struct laidRow {
    int page, row;
    rowLayout r;
};

class Layout : public ::testing::Test {
protected:
    std::vector<char> buffer;
    std::string err;
    void SetUp() override { TearDown(); }
    void TearDown() override { MAX_CHARACTERS_ROW = 70, MAX_ROWS = 45; }
    char* hold(const std::string& text)
    {
        buffer.assign(text.c_str(), text.c_str() + text.size() + 1);
        return buffer.data();
    }
    std::vector<laidRow> rowsOf(const std::string& text)
    {
        std::vector<laidRow> rows;
        reportFlush(); // each case's messages are first ones
        testing::internal::CaptureStderr();
        paginate(hold(text), nullptr, [](const rowLayout* row, int page, int rowOnPage, void* to) {
            static_cast<std::vector<laidRow>*>(to)->push_back({page, rowOnPage, *row});
        }, &rows);
        err = testing::internal::GetCapturedStderr();
        return rows;
    }
    std::vector<pageStart> pagesOf(const std::string& text)
    {
        char* t = hold(text);
        testing::internal::CaptureStderr();
        std::vector<pageStart> pages((size_t)getNumberOfPages(t, nullptr), pageStart{nullptr, -1});
        EXPECT_EQ(getNumberOfPages(t, pages.data()), (int)pages.size());
        err = testing::internal::GetCapturedStderr();
        return pages;
    }
    long offset(const pageStart& p) const { return p.start - buffer.data(); }
};

// --- word width ---
TEST(WordWidth, StopsAtBlanksKeepsHyphensSkipsTags)
{
    std::pair<const char*, int> cases[] = {{"word rest", 4}, {"word\nrest", 4}, {"hy-phen", 3}, {" lead", 0}, {"", 0},
                                           {"ab[col=#fff]cd[/col] ef", 4}, {"a[b]c", 5}, {"end[/mi]", 3}};
    for (auto [text, width] : cases) EXPECT_EQ(getNextBreakPosition(text), width) << text;
}

// --- rows of short texts: markers, breaking, line feeds, tags ---
struct expectedRow { int start, length, next; char kind; double factor; int cut, tags = -1; }; // tags -1: unchecked
struct rowCase {
    int width;
    std::string text;
    size_t count;                 // 0: only the listed rows are checked
    std::vector<expectedRow> rows;
    const char* err = nullptr;    // nullptr: not checked
};

TEST_F(Layout, RowsOfShortTexts)
{
    const rowCase cases[] = {
        // A paragraph start is indented and holds one column less; 68 and a hyphen.
        {70, std::string(80, 'x'), 2, {{0, 68, 68, 'i', 1, 1}, {68, 12, 80, 'p', 1, 0}}},
        // Headings hold half as many columns; their wrapped rest is a plain row.
        {70, "[h1]" + std::string(40, 'H'), 2, {{4, 34, 38, 'h', 1, 1}, {38, 6, 44, 'p', 1, 0}}},
        {70, "[ni]" + std::string(75, 'n'), 0, {{4, 69, 73, 'p', 1, 1}}},
        // Only the first marker counts; inside a row markers are text.
        {70, "[ni][h1]Title", 1, {{4, 9, 13, 'p', 1, 0}}},
        {70, "[ni]a [h1] b [ni]", 1, {{4, 13, 17, 'p', 1, 0}}},
        // A background tag at a paragraph start, then a heading or text.
        {70, "[bkg=pic.ppm][h1]Title\nbody", 2, {{17, 6, 23, 'h', 1, 0}, {23, 4, 27, 'i', 1, 0}}},
        {70, "[bkg=pic.ppm]Text", 1, {{0, 4, 17, 'p', 1, 0, 13}}},
        {70, "[bkg=pic.ppm", 1, {{0, 12, 12, 'p', 1, 0}}},
        // Any other tag in front hides the marker, for pagination and drawing alike.
        {70, "[col=#ff0000][h1]Title", 1, {{0, 9, 22, 'i', 1, 0}}},
        // Many spaces squeeze the overflowing word in; the blank after it is dropped.
        {20, "[ni]a a a a a a a a a a xyz rest", 2, {{4, 23, 27, 'p', 0.7, 0}, {28, 4, 32, 'p', 1, 0}}},
        // Few spaces: break at the last one and widen the rest, up to 1.5 ...
        {20, "[ni]aaa bbb ccc ddd eee fgh", 2, {{4, 19, 23, 'p', 1.25, 0}, {24, 3, 27, 'p', 1, 0}}},
        {20, "[ni]aaa bbb ccc ddd ee fghij", 0, {{4, 18, 22, 'p', 1.5, 0}}},
        // ... beyond that the word is cut, unless the last kept column is a blank.
        {20, "[ni]aaa bbb ccc ddd e fghijk", 2, {{4, 19, 23, 'p', 1, 1}, {23, 5, 28, 'p', 1, 0}}},
        {20, "[ni]aaaa bbbb cccc ddd fghij", 0, {{4, 18, 22, 'p', 5.0 / 3.0, 0}}},
        // The cut test counts visible columns, not bytes.
        {20, "[ni][col=#102030]aaaa[/col] bbbb cccc ddd fghij", 0, {{4, 18, 41, 'p', 5.0 / 3.0, 0, 19}}},
        // Regression: a hyphen break kept the hyphen but measured its gap as a space break's,
        // over one space fewer, so the row ran past the margin (1.4444 for a row of 67).
        {10, "[ni]a b c d e-fghij", 2, {{4, 10, 14, 'p', 1, 0}, {14, 5, 19, 'p', 1, 0}}},
        {70, "[ni]" + rep("abcde ", 10) + "xxxxxx-" + std::string(12, 'y') + " end", 0,
         {{4, 67, 71, 'p', 1.3, 0}}},
        // A space break ends before the space, also after an earlier hyphen.
        {20, "[ni]aa-bb ccc ddd eeeee fghij", 2, {{4, 19, 23, 'p', 4.0 / 3.0, 0}, {24, 5, 29, 'p', 1, 0}}},
        // One space: nothing to widen; cut like an unbreakable row, or short before a blank.
        {10, "[ni]abcd efghijkl", 2, {{4, 9, 13, 'p', 1, 1}, {13, 4, 17, 'p', 1, 0}}, ""},
        {10, "[ni]abcdefgh ijklm", 2, {{4, 8, 12, 'p', 1, 0}, {13, 5, 18, 'p', 1, 0}}, ""},
        {10, "[ni]abcdefg-hijkl", 2, {{4, 9, 13, 'p', 1, 1}, {13, 4, 17, 'p', 1, 0}}},
        // A word longer than a row is split with hyphens.
        {10, "[ni]abcdefghijklmnopqrstuvwxyz", 3,
         {{4, 9, 13, 'p', 1, 1}, {13, 9, 22, 'p', 1, 1}, {22, 8, 30, 'p', 1, 0}}},
        // Exactly full rows: with a line feed no empty row; at the end one more empty row.
        {10, "[ni]0123456789\nabc", 2, {{4, 10, 14, 'p', 1, 0}, {15, 3, 18, 'i', 1, 0}}},
        {10, "[ni]0123456789", 2, {{4, 10, 14, 'p', 1, 0}, {14, 0, 14, 'p', 1, 0}}},
        {70, "", 1, {{0, 0, 0, 'i', 1, 0}}},
        // Rows ended by a line feed are never justified; an empty line is one row.
        {70, "[ni]a b\n\ncd", 3, {{4, 4, 8, 'p', 1, 0}, {8, 1, 9, 'i', 1, 0}, {9, 2, 11, 'i', 1, 0}}},
        // Tags take no columns; those right behind a full row or before the end belong to it,
        // those right behind a line feed to the next row.
        {70, "[ni][col=#ff0000]abc[/col] [mi=x]def[/mi]", 1, {{4, 7, 41, 'p', 1, 0, 30}}},
        {10, "[ni]abcd fghij[/col] klm", 2, {{4, 10, 20, 'p', 1, 0, 6}, {21, 3, 24, 'p', 1, 0}}},
        {70, "[ni]abc\n[col=#ff0000]def", 2, {{4, 4, 8, 'p', 1, 0, 0}, {8, 3, 24, 'i', 1, 0, 13}}},
        {70, "[ni][mi=x]abc", 1, {{4, 9, 13, 'p', 1, 0}}, "Start menu item found, but no end tag '[/mi]'!\n"},
        // However often rows look at them, malformed tags are told once a kind, with a count.
        {10, "[ni][mi=a [mi=b [mi=c[col=", 3, {}, "Start menu item found, but no end ']'! (3 times)\n"
                                                 "Start text color found, but no end ']'!\n"},
        {70, "[ni][col=" + std::string(300, 'c') + "]ab", 1, {{4, 2, 312, 'p', 1, 0, 306}}, ""},
    };
    for (const rowCase& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        MAX_CHARACTERS_ROW = c.width;
        auto rows = rowsOf(c.text);
        EXPECT_EQ(c.count ? rows.size() : 0u, c.count);
        EXPECT_EQ(c.err ? err : "", c.err ? c.err : "");
        for (size_t i = 0; i < c.rows.size() && i < rows.size(); i++) {
            const expectedRow& e = c.rows[i];
            const rowLayout& r = rows[i].r;
            EXPECT_EQ(std::make_tuple(r.start, r.length, r.next, kindOf(r), r.cut, e.tags >= 0 ? r.tags : -1),
                      std::make_tuple(e.start, e.length, e.next, e.kind, e.cut, e.tags)) << "row " << i;
            EXPECT_NEAR(r.spaceFactor, e.factor, 1e-4) << "row " << i;
        }
        EXPECT_TRUE(c.count != c.rows.size() || rows.empty() || rows.back().r.ended); // the last row ends the text
    }
}

TEST_F(Layout, TagsInsideWordsChangeNeitherLengthsNorBreaks)
{
    // Regression: the rows of a text must not depend on where zero-width tags stand inside
    // words, including inside the last word of a row and the word squeezed onto it.
    MAX_CHARACTERS_ROW = 20;
    const std::string text =
        "[ni]a a a a a a a a a a xyz rest and some more-words with hyphen-ation here, "
        "aaa bbb ccc ddd e fghijk lmn opq rst uvw xyz abcdefghijklmnopqrstuvwxyz end";
    auto plain = rowsOf(text);
    for (size_t at = 5; at < text.size(); at++) {
        if (!isalpha((unsigned char)text[at - 1]) || !isalpha((unsigned char)text[at])) continue;
        auto rows = rowsOf(text.substr(0, at) + "[col=#123456]" + text.substr(at));
        ASSERT_EQ(rows.size(), plain.size()) << "tag at " << at;
        for (size_t i = 0; i < rows.size(); i++) {
            const rowLayout &r = rows[i].r, &p = plain[i].r;
            int shift = p.next >= (int)at ? 13 : 0; // a tag right behind a row is its own
            EXPECT_EQ(std::make_tuple(r.length, r.cut, r.spaceFactor, r.next), std::make_tuple(p.length, p.cut, p.spaceFactor, p.next + shift))
                << "tag at " << at << " row " << i;
        }
    }
}

// --- pages ---
TEST_F(Layout, PageStarts)
{
    // {rows per page - 1, width, text, page starts (offset, paragraph flag)}
    struct { int maxRows, width; std::string text; std::vector<std::pair<long, int>> pages; } cases[] = {
        {45, 70, "", {{0, 1}}},
        {2, 70, "[ni]a\nb\nc\n", {{0, 1}, {10, 1}}}, // three rows and a line feed's empty one
        {0, 4, "[ni]abcd\nef", {{0, 1}, {8, 0}}},    // at the line feed of a full row
        {0, 4, "[ni]abcd", {{0, 1}, {8, 0}}},         // a full last row gives an empty page
        {INT_MAX, 70, std::string(500, '\n'), {{0, 1}}}, // no overflow in the rows per page
    };
    for (const auto& c : cases) {
        MAX_ROWS = c.maxRows, MAX_CHARACTERS_ROW = c.width;
        std::vector<std::pair<long, int>> got;
        for (const pageStart& p : pagesOf(c.text)) got.push_back({offset(p), p.newLine});
        EXPECT_EQ(got, c.pages) << c.text.substr(0, 20);
    }
    MAX_ROWS = 0, MAX_CHARACTERS_ROW = 4; // drawing from there consumes the line feed first
    auto rows = rowsOf("[ni]abcd\nef");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(std::make_tuple(rows[1].page, rows[1].row, rows[1].r.start), std::make_tuple(2, 1, 9));
}

// A long article with every feature, used to check pages against rows.
static std::string article()
{
    std::string text = "[bkg=back.ppm][h1]The Title Of The Article\n";
    for (int p = 0; p < 40; p++) {
        if (p % 7 == 0) text += "[h1]Heading number " + std::to_string(p) + "\n";
        if (p % 5 == 0) text += "[ni]";
        for (int w = 0; w < 20 + p * 3; w++) {
            text += (w % 9 == 0) ? "[col=#ff8000]colour[/col]" : (w % 13 == 0) ? "[mi=Next]link[/mi]" : "word";
            text += (w % 11 == 10) ? "-" : (w % 17 == 16) ? "  " : " ";
            if (w % 23 == 22) text += "unbreakablewordthatgoesonandonforeverandeverpastarow ";
        }
        text += "\n";
        if (p % 4 == 0) text += "\n";
    }
    return text;
}

TEST_F(Layout, DrawingFromAPageStartGivesThePaginatedRows)
{
    // What the renderer does: walk MAX_ROWS + 1 rows from a recorded page and its paragraph
    // flag; they must be the rows pagination counted there, and the documented column walk
    // must meet exactly each row's tags.
    MAX_ROWS = 7, MAX_CHARACTERS_ROW = 33;
    std::string text = article();
    auto pages = pagesOf(text);
    auto rows = rowsOf(text);
    size_t next = 0;
    testing::internal::CaptureStderr();
    for (size_t k = 0; k < pages.size(); k++) {
        const char* page = pages[k].start;
        int base = (int)(page - buffer.data());
        rowCursor c = rowsFrom(page, pages[k].newLine);
        for (int slot = 1; slot <= MAX_ROWS + 1 && !c.ended; slot++, next++) {
            rowLayout r;
            nextRow(&c, &r);
            ASSERT_LT(next, rows.size());
            ASSERT_EQ(std::make_tuple(rows[next].page, rows[next].row, rows[next].r.start, rows[next].r.next),
                      std::make_tuple((int)k + 1, slot, r.start + base, r.next + base));
            int tags = 0, j = 0, length = 0;
            for (;; j++) {
                while (tags < r.tags && isTag(page + r.start + tags + j, &length, nullptr, 0)) tags += length;
                if (j == r.length) break;
                ASSERT_NE(page[r.start + tags + j], '\0');
            }
            EXPECT_EQ(tags, r.tags);
            EXPECT_EQ(r.start + tags + j, r.next);
        }
    }
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(next, rows.size());
}

// --- widths no preference may set ---
TEST_F(Layout, AnyRowWidthTerminatesInsideTheText)
{
    std::string text = article() + "  - -- [ [[ [mi= ]  \n\n-";
    MAX_CHARACTERS_ROW = 4;
    auto four = rowsOf(text);
    for (int width : {INT_MIN, -100, 0, 1, 2, 3, 4, 5, INT_MAX}) {
        MAX_CHARACTERS_ROW = width;
        auto rows = rowsOf(text);
        EXPECT_EQ(rows.size(), width < 4 ? four.size() : rows.size()) << "narrow widths are laid out as 4";
        int previous = 0;
        for (const laidRow& row : rows) {
            ASSERT_TRUE(row.r.start >= previous && row.r.length >= 0 && row.r.next <= (int)text.size()) << width;
            previous = row.r.next;
        }
        EXPECT_EQ(previous, (int)text.size()) << width;
    }
}
