// Row layout and pagination: paragraph markers and headings, squeezing, justifying, the
// hyphen break and the cut, rows ended by line feeds and by the end of the text, which row
// the tags belong to, page starts and how drawing resumes from them, and layouts that must
// terminate whatever the row width.
#include "prefs/prefs.h"
#include "text/layout.h"
#include "text/markup.h"
#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

struct laidRow {
    int page, row;
    rowLayout r;
    char kind() const { return r.scale == 2.0f ? 'h' : r.indent ? 'i' : 'p'; }
};

static void collect(const rowLayout* row, int page, int rowOnPage, void* context)
{
    static_cast<std::vector<laidRow>*>(context)->push_back({page, rowOnPage, *row});
}

class Layout : public ::testing::Test {
protected:
    std::vector<char> buffer;
    std::string err;

    void SetUp() override { MAX_CHARACTERS_ROW = 70, MAX_ROWS = 45; }
    void TearDown() override { MAX_CHARACTERS_ROW = 70, MAX_ROWS = 45; }

    char* hold(const std::string& text)
    {
        buffer.assign(text.begin(), text.end());
        buffer.push_back('\0');
        return buffer.data();
    }
    std::vector<laidRow> rowsOf(const std::string& text)
    {
        std::vector<laidRow> rows;
        testing::internal::CaptureStderr();
        paginate(hold(text), nullptr, collect, &rows);
        err = testing::internal::GetCapturedStderr();
        return rows;
    }
    std::vector<pageStart> pagesOf(const std::string& text)
    {
        char* t = hold(text);
        testing::internal::CaptureStderr();
        int count = getNumberOfPages(t, nullptr);
        std::vector<pageStart> pages((size_t)count, pageStart{nullptr, -1});
        EXPECT_EQ(getNumberOfPages(t, pages.data()), count);
        err = testing::internal::GetCapturedStderr();
        return pages;
    }
    long offset(const pageStart& p) const { return p.start - buffer.data(); }
};

#define EXPECT_ROW(row, start_, length_, next_, kind_, factor_, cut_)     \
    do {                                                                  \
        EXPECT_EQ((row).r.start, start_);                                 \
        EXPECT_EQ((row).r.length, length_);                               \
        EXPECT_EQ((row).r.next, next_);                                   \
        EXPECT_EQ((row).kind(), kind_);                                   \
        EXPECT_NEAR((row).r.spaceFactor, factor_, 1e-4);                  \
        EXPECT_EQ((row).r.cut, cut_);                                     \
    } while (0)

// --- word width ---
TEST(WordWidth, StopsAtBlanksKeepsHyphensSkipsTags)
{
    EXPECT_EQ(getNextBreakPosition("word rest"), 4);
    EXPECT_EQ(getNextBreakPosition("word\nrest"), 4);
    EXPECT_EQ(getNextBreakPosition("hy-phen"), 3);
    EXPECT_EQ(getNextBreakPosition("ab[col=#fff]cd[/col] ef"), 4);
    EXPECT_EQ(getNextBreakPosition("a[b]c"), 5); // no tag: ordinary characters
    EXPECT_EQ(getNextBreakPosition(" lead"), 0);
    EXPECT_EQ(getNextBreakPosition(""), 0);
    EXPECT_EQ(getNextBreakPosition("end[/mi]"), 3);
}

// --- paragraph starts ---
TEST_F(Layout, AParagraphStartIsIndentedAndHoldsOneColumnLess)
{
    auto rows = rowsOf(std::string(80, 'x'));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_ROW(rows[0], 0, 68, 68, 'i', 1.0, 1); // 69 usable columns: 68 and a hyphen
    EXPECT_ROW(rows[1], 68, 12, 80, 'p', 1.0, 0);
}

TEST_F(Layout, HeadingRowsHoldHalfAsManyColumns)
{
    auto rows = rowsOf("[h1]" + std::string(40, 'H'));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_ROW(rows[0], 4, 34, 38, 'h', 1.0, 1);
    // The wrapped rest of a heading is a plain row.
    EXPECT_ROW(rows[1], 38, 6, 44, 'p', 1.0, 0);
}

TEST_F(Layout, NoIndentMarker)
{
    auto rows = rowsOf("[ni]" + std::string(75, 'n'));
    EXPECT_ROW(rows[0], 4, 69, 73, 'p', 1.0, 1);
}

TEST_F(Layout, OnlyTheFirstMarkerCounts)
{
    auto rows = rowsOf("[ni][h1]Title");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_ROW(rows[0], 4, 9, 13, 'p', 1.0, 0); // "[h1]" is drawn as text
    EXPECT_EQ(rowsOf("[ni]a [h1] b [ni]")[0].r.length, 13); // inside a row: text too
}

TEST_F(Layout, BackgroundTagThenHeading)
{
    auto rows = rowsOf("[bkg=pic.ppm][h1]Title\nbody");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_ROW(rows[0], 17, 6, 23, 'h', 1.0, 0);
    EXPECT_ROW(rows[1], 23, 4, 27, 'i', 1.0, 0);
}

TEST_F(Layout, BackgroundTagThenTextIsAnUnindentedPlainRow)
{
    auto rows = rowsOf("[bkg=pic.ppm]Text");
    EXPECT_ROW(rows[0], 0, 4, 17, 'p', 1.0, 0);
    EXPECT_EQ(rows[0].r.tags, 13);
}

TEST_F(Layout, BackgroundTagWithoutBracketIsText)
{
    auto rows = rowsOf("[bkg=pic.ppm");
    EXPECT_ROW(rows[0], 0, 12, 12, 'p', 1.0, 0);
    EXPECT_NE(err, "");
}

TEST_F(Layout, ATagBeforeAMarkerHidesTheMarker)
{
    // Drawing uses this same routine, so "[h1]" here is text for both pagination and drawing.
    auto rows = rowsOf("[col=#ff0000][h1]Title");
    EXPECT_ROW(rows[0], 0, 9, 22, 'i', 1.0, 0);
}

// --- breaking full rows (20 columns, unindented) ---
class Breaking : public Layout {
protected:
    void SetUp() override { MAX_CHARACTERS_ROW = 20; }
};

TEST_F(Breaking, ManySpacesSqueezeTheOverflowingWordIn)
{
    auto rows = rowsOf("[ni]a a a a a a a a a a xyz rest");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_ROW(rows[0], 4, 23, 27, 'p', 0.7, 0);
    EXPECT_ROW(rows[1], 28, 4, 32, 'p', 1.0, 0); // the blank after xyz is dropped
}

TEST_F(Breaking, FewSpacesBreakAtTheLastOneAndWidenTheRest)
{
    auto rows = rowsOf("[ni]aaa bbb ccc ddd eee fgh");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_ROW(rows[0], 4, 19, 23, 'p', 1.25, 0);
    EXPECT_ROW(rows[1], 24, 3, 27, 'p', 1.0, 0);
}

TEST_F(Breaking, AFactorOfExactlyOneAndAHalfStands)
{
    auto rows = rowsOf("[ni]aaa bbb ccc ddd ee fghij");
    EXPECT_ROW(rows[0], 4, 18, 22, 'p', 1.5, 0);
}

TEST_F(Breaking, TooWideSpacesCutTheWord)
{
    auto rows = rowsOf("[ni]aaa bbb ccc ddd e fghijk");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_ROW(rows[0], 4, 19, 23, 'p', 1.0, 1);
    EXPECT_ROW(rows[1], 23, 5, 28, 'p', 1.0, 0);
}

TEST_F(Breaking, NoCutWhenTheLastKeptColumnIsABlank)
{
    auto rows = rowsOf("[ni]aaaa bbbb cccc ddd fghij");
    EXPECT_ROW(rows[0], 4, 18, 22, 'p', 5.0 / 3.0, 0);
}

TEST_F(Breaking, TheCutTestCountsVisibleColumnsNotBytes)
{
    // Same row as above with tags in front: column 18 is still the blank.
    auto rows = rowsOf("[ni][col=#102030]aaaa[/col] bbbb cccc ddd fghij");
    EXPECT_EQ(rows[0].r.length, 18);
    EXPECT_EQ(rows[0].r.cut, 0);
    EXPECT_EQ(rows[0].r.tags, 19);
}

TEST_F(Breaking, HyphenBreakKeepsTheHyphen)
{
    MAX_CHARACTERS_ROW = 10;
    auto rows = rowsOf("[ni]a b c d e-fghij");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_ROW(rows[0], 4, 10, 14, 'p', 4.0 / 3.0, 0);
    EXPECT_ROW(rows[1], 14, 5, 19, 'p', 1.0, 0);
}

TEST_F(Breaking, OneSpaceToWidenIsReported)
{
    MAX_CHARACTERS_ROW = 10;
    auto rows = rowsOf("[ni]abcd efghijkl");
    EXPECT_EQ(err, "This should not happend ever!!!!\n");
    EXPECT_ROW(rows[0], 4, 4, 8, 'p', 1.0, 0);
    EXPECT_ROW(rows[1], 9, 8, 17, 'p', 1.0, 0);
}

TEST_F(Breaking, AWordLongerThanARowIsSplitWithHyphens)
{
    MAX_CHARACTERS_ROW = 10;
    auto rows = rowsOf("[ni]abcdefghijklmnopqrstuvwxyz");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_ROW(rows[0], 4, 9, 13, 'p', 1.0, 1);
    EXPECT_ROW(rows[1], 13, 9, 22, 'p', 1.0, 1);
    EXPECT_ROW(rows[2], 22, 8, 30, 'p', 1.0, 0);
}

// --- rows ended by line feeds and by the end of the text ---
TEST_F(Layout, AnEmptyTextIsOnePageWithOneEmptyRow)
{
    auto rows = rowsOf("");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_ROW(rows[0], 0, 0, 0, 'i', 1.0, 0);
    EXPECT_EQ(rows[0].r.ended, 1);
    EXPECT_EQ(pagesOf("").size(), 1u);
}

TEST_F(Layout, AnExactlyFullRowThenALineFeedGivesNoEmptyRow)
{
    MAX_CHARACTERS_ROW = 10;
    auto rows = rowsOf("[ni]0123456789\nabc");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_ROW(rows[0], 4, 10, 14, 'p', 1.0, 0);
    EXPECT_ROW(rows[1], 15, 3, 18, 'i', 1.0, 0); // a new paragraph
}

TEST_F(Layout, AnExactlyFullLastRowGetsOneMoreEmptyRow)
{
    MAX_CHARACTERS_ROW = 10;
    auto rows = rowsOf("[ni]0123456789");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_ROW(rows[1], 14, 0, 14, 'p', 1.0, 0);
    EXPECT_EQ(rows[1].r.ended, 1);
}

TEST_F(Layout, AnEmptyLineIsOneEmptyRow)
{
    auto rows = rowsOf("[ni]a b\n\ncd");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_ROW(rows[0], 4, 4, 8, 'p', 1.0, 0); // rows ended by a line feed are never justified
    EXPECT_ROW(rows[1], 8, 1, 9, 'i', 1.0, 0);
    EXPECT_ROW(rows[2], 9, 2, 11, 'i', 1.0, 0);
}

// --- which row a tag belongs to ---
TEST_F(Layout, TagsTakeNoColumns)
{
    // The closing tag right before the end of the text belongs to the last row too.
    auto rows = rowsOf("[ni][col=#ff0000]abc[/col] [mi=x]def[/mi]");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_ROW(rows[0], 4, 7, 41, 'p', 1.0, 0);
    EXPECT_EQ(rows[0].r.tags, 13 + 6 + 6 + 5);
}

TEST_F(Layout, TagsRightAfterAFullRowBelongToIt)
{
    MAX_CHARACTERS_ROW = 10;
    auto rows = rowsOf("[ni]abcd fghij[/col] klm");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_ROW(rows[0], 4, 10, 20, 'p', 1.0, 0);
    EXPECT_EQ(rows[0].r.tags, 6);
    EXPECT_ROW(rows[1], 21, 3, 24, 'p', 1.0, 0);
}

TEST_F(Layout, TagsRightAfterALineFeedBelongToTheNextRow)
{
    auto rows = rowsOf("[ni]abc\n[col=#ff0000]def");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_ROW(rows[0], 4, 4, 8, 'p', 1.0, 0);
    EXPECT_EQ(rows[0].r.tags, 0);
    EXPECT_ROW(rows[1], 8, 3, 24, 'i', 1.0, 0);
    EXPECT_EQ(rows[1].r.tags, 13);
}

TEST_F(Breaking, TagsInsideWordsChangeNeitherLengthsNorBreaks)
{
    // Regression: the rows of a text must not depend on where zero-width tags stand inside
    // words, including inside the last word of a row and the word squeezed onto it.
    const std::string text =
        "[ni]a a a a a a a a a a xyz rest and some more-words with hyphen-ation here, "
        "aaa bbb ccc ddd e fghijk lmn opq rst uvw xyz abcdefghijklmnopqrstuvwxyz end";
    auto plain = rowsOf(text);
    for (size_t at = 5; at < text.size(); at++) {
        if (!isalpha((unsigned char)text[at - 1]) || !isalpha((unsigned char)text[at])) continue;
        std::string tagged = text.substr(0, at) + "[col=#123456]" + text.substr(at);
        auto rows = rowsOf(tagged);
        ASSERT_EQ(rows.size(), plain.size()) << "tag at " << at;
        for (size_t i = 0; i < rows.size(); i++) {
            EXPECT_EQ(rows[i].r.length, plain[i].r.length) << "tag at " << at << " row " << i;
            EXPECT_EQ(rows[i].r.cut, plain[i].r.cut) << "tag at " << at << " row " << i;
            EXPECT_FLOAT_EQ(rows[i].r.spaceFactor, plain[i].r.spaceFactor) << "tag at " << at;
            int shift = plain[i].r.next >= (int)at ? 13 : 0; // a tag right behind a row is its own
            EXPECT_EQ(rows[i].r.next, plain[i].r.next + shift) << "tag at " << at << " row " << i;
        }
    }
}

TEST_F(Layout, AnUnclosedItemIsLaidOutAsText)
{
    auto rows = rowsOf("[ni][mi=x]abc");
    EXPECT_EQ(rows[0].r.length, 9);
    EXPECT_EQ(err, "Start menu item found, but no end tag '[/mi]'!\n");
}

TEST_F(Layout, ALongTagValueIsStillZeroWidth)
{
    auto rows = rowsOf("[ni][col=" + std::string(300, 'c') + "]ab");
    EXPECT_EQ(rows[0].r.length, 2);
    EXPECT_EQ(err, "");
}

// --- pages ---
TEST_F(Layout, ExactlyOnePageOfRowsAndALineFeedMakeTwoPages)
{
    MAX_ROWS = 2;
    auto pages = pagesOf("[ni]a\nb\nc\n");
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(offset(pages[0]), 0);
    EXPECT_EQ(pages[0].newLine, 1);
    EXPECT_EQ(offset(pages[1]), 10);
    EXPECT_EQ(pages[1].newLine, 1);
    auto rows = rowsOf("[ni]a\nb\nc\n");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3].page, 2);
    EXPECT_EQ(rows[3].r.length, 0);
}

TEST_F(Layout, APageMayBeginAtTheLineFeedOfAFullRow)
{
    MAX_CHARACTERS_ROW = 4;
    MAX_ROWS = 0;
    auto pages = pagesOf("[ni]abcd\nef");
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(offset(pages[1]), 8);
    EXPECT_EQ(pages[1].newLine, 0); // drawing from here consumes the line feed first
    auto rows = rowsOf("[ni]abcd\nef");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].page, 2);
    EXPECT_EQ(rows[1].row, 1);
    EXPECT_ROW(rows[1], 9, 2, 11, 'i', 1.0, 0);
}

TEST_F(Layout, AFullLastRowAtAPageEndGivesAnEmptyPage)
{
    MAX_CHARACTERS_ROW = 4;
    MAX_ROWS = 0;
    auto pages = pagesOf("[ni]abcd");
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(offset(pages[1]), 8);
    MAX_ROWS = INT_MAX; // no overflow in the rows-per-page count
    EXPECT_EQ(pagesOf(std::string(500, '\n')).size(), 1u);
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
    // What the renderer does: start at a recorded page with its paragraph flag and lay out
    // MAX_ROWS + 1 rows; they must be exactly the rows pagination counted for that page,
    // and a page never holds more.
    MAX_ROWS = 7;
    MAX_CHARACTERS_ROW = 33;
    std::string text = article();
    auto pages = pagesOf(text);
    auto rows = rowsOf(text);
    size_t next = 0;
    for (size_t k = 0; k < pages.size(); k++) {
        const char* page = pages[k].start;
        int base = (int)(page - buffer.data());
        int pos = 0, newLine = pages[k].newLine;
        for (int slot = 1; slot <= MAX_ROWS + 1 && next < rows.size(); slot++) {
            rowLayout r;
            testing::internal::CaptureStderr();
            layoutRow(page, &pos, &newLine, &r);
            testing::internal::GetCapturedStderr();
            if (!r.produced) {
                slot--;
                continue;
            }
            ASSERT_EQ(rows[next].page, (int)k + 1);
            ASSERT_EQ(rows[next].row, slot);
            EXPECT_EQ(r.start + base, rows[next].r.start) << "page " << k + 1 << " slot " << slot;
            EXPECT_EQ(r.next + base, rows[next].r.next) << "page " << k + 1 << " slot " << slot;
            EXPECT_EQ(r.length, rows[next].r.length);
            next++;
            if (r.ended) break;
        }
    }
    EXPECT_EQ(next, rows.size());
}

// --- the walk a renderer does over a row ---
TEST_F(Layout, TheDocumentedColumnWalkMeetsExactlyTheRowsTags)
{
    MAX_CHARACTERS_ROW = 27;
    std::string text = article();
    auto rows = rowsOf(text);
    const char* t = buffer.data();
    int previousNext = 0;
    for (const laidRow& row : rows) {
        const rowLayout& r = row.r;
        EXPECT_GE(r.start, previousNext);
        int tags = 0, visible = 0;
        for (int j = 0;; j++) {
            int length = 0;
            while (tags < r.tags && isTag(t + r.start + tags + j, &length, nullptr, 0)) tags += length;
            if (j == r.length) break;
            ASSERT_NE(t[r.start + tags + j], '\0');
            visible++;
        }
        EXPECT_EQ(tags, r.tags);
        EXPECT_EQ(r.start + tags + visible, r.next);
        previousNext = r.next;
    }
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
        if (width < 4) {
            EXPECT_EQ(rows.size(), four.size()) << "narrow widths are laid out as 4";
        }
        ASSERT_FALSE(rows.empty());
        int previous = 0;
        for (const laidRow& row : rows) {
            ASSERT_GE(row.r.start, previous) << "width " << width;
            ASSERT_GE(row.r.length, 0) << "width " << width;
            ASSERT_LE(row.r.next, (int)text.size()) << "width " << width;
            previous = row.r.next;
        }
        EXPECT_EQ(rows.back().r.next, (int)text.size());
    }
}

