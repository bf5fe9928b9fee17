// Article rendering on real Mesa with a synthetic font: glyph placement for plain,
// indented, heading and justified rows, the cut row's hyphen, colour spans and their
// interplay with items, item rectangles in window pixels at both resolutions, the hover
// colour, the title row and the dimmed background, the row limit of a page, and the
// mended faults: the 256-record table bound, the 39-character link, stray closing tags.
#include "app/screen.h"
#include "app/viewport.h"
#include "content/catalogue.h"
#include "elements/render_fixtures.h"
#include "input/mouse.h"
#include "prefs/prefs.h"
#include "text/encoding.h"
#include "text/layout.h"
#include "text/render.h"
#include <array>
#include <gtest/gtest.h>
#include <string>

class Render : public ::testing::Test {
protected:
    std::string text;
    void open(int lowres)
    {
        ASSERT_TRUE(openScreen(lowres));
        makeFontAtlas(&texture[0]);
        glEnable(GL_TEXTURE_2D); // the frame composer switches texturing on
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    void SetUp() override
    {
        open(0);
        MAX_CHARACTERS_ROW = 20;
        numberOfConstantMenuSelections = numberOfMenuSelections = 2;
        mouseOverMenuItem = -1;
    }
    void TearDown() override
    {
        MAX_CHARACTERS_ROW = 70, MAX_ROWS = 45;
        numberOfConstantMenuSelections = 13, numberOfMenuSelections = 0, mouseOverMenuItem = -1;
        articleShowTitle = 1, articleTitleColor = {1, 1, 1, 1};
        computeScreenMetrics(1);
    }
    void draw(const char* body, int newLine = 1)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        text = body;
        drawText(text.data(), 0, newLine, nullptr);
    }
    // The glyph whose cell's top-left corner is at design (x, y): its character part and
    // its opaque quarter, as pixels.
    static rgba code(float x, float y) { return designPixel(x + 12, y + 12); }
    static rgba quarter(float x, float y) { return designPixel(x + 2, y + 2); }
    static bool shows(float x, float y, char ch) { return closeTo(code(x, y).r, fontCharAlpha(ch)); }
    static void expectRgb(rgba p, int r, int g, int b)
    {
        EXPECT_TRUE(closeTo(p.r, r) && closeTo(p.g, g) && closeTo(p.b, b))
            << (int)p.r << "," << (int)p.g << "," << (int)p.b << " != " << r << "," << g << "," << b;
    }
    static void point(int x, int y) // the window as large as the picture: pixels are units
    {
        setWindowSize(SCREEN_WIDTH, SCREEN_HEIGHT);
        processMousePassiveMotion(x, y);
    }
    static void expectRect(const menuSelection& s, float x0, float y0, float x1, float y1)
    {
        EXPECT_FLOAT_EQ(s.x0, x0);
        EXPECT_FLOAT_EQ(s.y0, y0);
        EXPECT_FLOAT_EQ(s.x1, x1);
        EXPECT_FLOAT_EQ(s.y1, y1);
    }
};

// --- rows ---
TEST_F(Render, IndentedPlainAndHeadingRows)
{
    draw("Hi\n[ni]Yo\n[h1]Ab");
    EXPECT_EQ(quarter(80, 160).r, 0);
    EXPECT_TRUE(shows(96, 160, 'H'));
    EXPECT_TRUE(shows(112, 160, 'i'));
    EXPECT_TRUE(shows(80, 176, 'Y'));
    EXPECT_TRUE(closeTo(quarter(80, 176).r, 255)); // upright: the opaque quarter is top left
    // Heading glyphs are twice as wide: the quarter spans 16 units.
    EXPECT_TRUE(closeTo(designPixel(80 + 14, 194).r, 255));
    EXPECT_TRUE(closeTo(designPixel(80 + 20, 204).r, fontCharAlpha('A')));
    EXPECT_TRUE(closeTo(designPixel(112 + 20, 204).r, fontCharAlpha('b')));
}

TEST_F(Render, JustifiedSqueezedAndCutRows)
{
    // Twenty columns: nine letters and eight spaces of 1.375 cells fill the row exactly.
    draw("[ni]a b c d e f g h i jjjjjjjj");
    for (int k = 0; k < 9; k++) EXPECT_TRUE(shows(80 + 38 * k, 160, (char)('a' + k))) << k;
    EXPECT_EQ(code(80 + 38 * 8 + 16, 160).r, 0);
    EXPECT_TRUE(shows(80, 176, 'j')); // the break's space is dropped
    // Nine spaces pull a four-letter word in: each space 1 - 4/9 of a cell.
    draw("[ni]a b c d e f g h i jjjjkk");
    float space = 16.0f * (1.0f - 4.0f / 9.0f);
    EXPECT_TRUE(shows(80 + (16 + space) * 4, 160, 'e'));
    EXPECT_TRUE(shows(80 + (16 + space) * 9, 160, 'j'));
    draw("[ni]abcdefghijklmnopqrstuvwxyz");
    EXPECT_TRUE(shows(80 + 16 * 18, 160, 's'));
    EXPECT_TRUE(shows(80 + 16 * 19, 160, '-'));
    EXPECT_TRUE(shows(80, 176, 't'));
}

// Regression: a row broken after a hyphen reached x = 1222 against a margin of 1200.
TEST_F(Render, AHyphenRowEndsAtTheMargin)
{
    MAX_CHARACTERS_ROW = 70;
    std::string row = "[ni]";
    for (int i = 0; i < 10; i++) row += "abcde ";
    draw((row + "xxxxxx-" + std::string(12, 'y') + " end").c_str());
    EXPECT_TRUE(shows(1200 - 16, 160, '-'));
    for (int x = 1200; x < 1280; x += 4) EXPECT_EQ(designPixel(x, 162).r, 0) << x;
}

// UTF-8 is read as Latin-1: the small font has the accented cells, the large one shows
// the base letter instead of a cell of the other font.
TEST_F(Render, AUtf8ArticleShowsItsAccents)
{
    std::string utf8 = "[ni]caf\xC3\xA9 \xE2\x80\x9Cok\xE2\x80\x9D \xE2\x80\x94 \xE6\x97\xA5.";
    EXPECT_EQ(convertUtf8ToLatin1(utf8.data(), "Articles/x"), 1);
    EXPECT_STREQ(utf8.c_str(), "[ni]caf\xE9 \"ok\" - ?.");
    draw(utf8.c_str());
    EXPECT_TRUE(shows(80 + 3 * 16, 160, 'e'));
    EXPECT_TRUE(shows(80 + 5 * 16, 160, '"'));
    open(1);
    draw(utf8.c_str());
    EXPECT_TRUE(closeTo(code(80 + 3 * 16, 160).r, fontCharAlpha(0xE9)));
    std::string latin1 = "caf\xE9 \xE2\x80"; // not UTF-8: byte for byte
    EXPECT_EQ(convertUtf8ToLatin1(latin1.data(), "x"), 0);
    EXPECT_EQ(latin1, "caf\xE9 \xE2\x80");
}

// A tag opening a paragraph belongs to that paragraph's row, as in pagination: the
// "[h1]" behind it is no marker there, so the row is a plain indented one showing it.
TEST_F(Render, TagAfterALineFeedOpensTheNextRowAsPaginationCountsIt)
{
    draw("[ni]ab\n[col=1 0 0 1][h1]cd");
    expectRgb(quarter(96, 176), 255, 0, 0);
    EXPECT_TRUE(closeTo(code(96 + 4 * 16, 176).r, fontCharAlpha('c')));
}

TEST_F(Render, PageStopsAfterMaxRowsPlusOneAndControlBytesAreBlank)
{
    MAX_ROWS = 2;
    draw("[ni]a\tb\rc\n[ni]b\n[ni]c\n[ni]d");
    EXPECT_TRUE(shows(80, 192, 'c'));
    EXPECT_EQ(quarter(80, 208).r, 0);
    EXPECT_EQ(quarter(96, 160).r, 0); // the tab and the carriage return: blank cells
    EXPECT_EQ(code(96, 160).r, 0);
    EXPECT_TRUE(shows(112, 160, 'b'));
    EXPECT_EQ(quarter(128, 160).r, 0);
}

// Regression: the first full frame after start-up finds the depth test on; the widened
// spaces' taller blank quads used to hide the top of the glyphs beneath them on the next
// row, in one of the two buffers only.
TEST_F(Render, WidenedSpacesDoNotHideTheNextRow)
{
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    draw("[ni]a b c d e f g h i jjjjjjjj");
    EXPECT_TRUE(closeTo(designPixel(98, 177).r, 255)); // under the first space (y 160..182)
}

// --- colours and items ---
TEST_F(Render, ColourSpanModulatesUntilItsEnd)
{
    draw("[ni]ab[col=1.0 0.5 0.0 1.0]cd[/col]ef");
    rgba plain = code(80, 160), coloured = code(112, 160), after = code(144, 160);
    EXPECT_TRUE(closeTo(plain.g, fontCharAlpha('a')));
    EXPECT_TRUE(closeTo(coloured.r, fontCharAlpha('c')));
    EXPECT_TRUE(closeTo(coloured.g, (fontCharAlpha('c') + 1) / 2));
    EXPECT_EQ(coloured.b, 0);
    EXPECT_TRUE(closeTo(after.b, fontCharAlpha('e')));
    draw("[ni][col=#ff8000]a[col=#zz]b"); // hex divides by 256; unreadable digits keep the colour
    expectRgb(quarter(80, 160), 254, 128, 0); // 255 * 255/256
    expectRgb(quarter(96, 160), 254, 128, 0);
}

TEST_F(Render, ColourOrItemEndInsideTheOtherTurnsTheRestWhite)
{
    draw("[ni][mi=_NEXT]ab[/col]cd[/mi]");
    expectRgb(quarter(80, 160), 204, 204, 255); // the item colour (0.8, 0.8, 1.0)
    expectRgb(quarter(112, 160), 255, 255, 255);
    draw("[ni][col=1 0 0 1]a[mi=_NEXT]b[/mi]c[/col]"); // and an item's end inside a span
    EXPECT_EQ(quarter(80, 160).g, 0);
    EXPECT_TRUE(closeTo(quarter(112, 160).g, 255));
}

// --- item records ---
TEST_F(Render, ItemRectanglesAreInWindowPixelsAtBothResolutions)
{
    for (int lowres = 0; lowres <= 1; lowres++) {
        open(lowres);
        float r = SCREEN_RATIO_X;
        draw("[ni]go [mi=_NEXT]next page[/mi] or [music=tune.mod]play[/music]");
        ASSERT_EQ(numberOfMenuSelections, 4);
        const menuSelection& link = menuSelections[2];
        EXPECT_EQ(link.kind, 0);
        EXPECT_STREQ(link.link, "_NEXT");
        expectRect(link, 128 * r, 160 * r, (80 + 192 + 16) * r, 176 * r); // one cell past "[/mi]"
        const menuSelection& tune = menuSelections[3];
        EXPECT_EQ(tune.kind, 1);
        EXPECT_STREQ(tune.link, "tune.mod");
        EXPECT_FLOAT_EQ(tune.x0, (80 + 16 * 16) * r);
    }
    draw("[ni]plain"); // each call replaces the previous call's items
    EXPECT_EQ(numberOfMenuSelections, 2);
}

// Mended: items beyond the 256-record table are drawn but not registered.
TEST_F(Render, ItemsStopRegisteringAtTheTableEnd)
{
    std::string page;
    for (int row = 0; row < 30; row++) {
        page += "[ni]";
        for (int i = 0; i < 10; i++) page += "[mi=_NEXT]x[/mi] ";
        page += "\n";
    }
    page += "[ni][mi=_PREV]z[/mi]";
    draw(page.c_str());
    EXPECT_EQ(numberOfMenuSelections, MAX_MENU_SELECTIONS);
    EXPECT_STREQ(menuSelections[MAX_MENU_SELECTIONS - 1].link, "_NEXT");
    EXPECT_GT(menuSelections[MAX_MENU_SELECTIONS - 1].x1, 0.0f);
    // The 301st item is still drawn, in the item colour.
    expectRgb(quarter(80, 160 + 16 * 30), 204, 204, 255);
}

// Mended: a link holds 39 characters; longer values are cut, never written past it.
TEST_F(Render, LongLinkValuesAreCutTo39Characters)
{
    std::string value(300, 'L');
    value[38] = 'E';
    draw(("[ni][mi=" + value + "]ab[/mi]cd").c_str());
    ASSERT_EQ(numberOfMenuSelections, 3);
    EXPECT_EQ(std::string(menuSelections[2].link), value.substr(0, 39));
    // The value is longer than the tag buffer, yet the tag is still a tag: the row shows
    // its own text, not the tag's characters.
    EXPECT_TRUE(closeTo(code(80, 160).b, fontCharAlpha('a')));
    EXPECT_TRUE(shows(112, 160, 'c'));
}

// Mended: a closing tag whose item opened on an earlier page changes no record.
TEST_F(Render, StrayClosingTagChangesNoRecord)
{
    menuSelections[1] = {10, 20, 30, 40, 0, "_QUIT"};
    draw("ab[/mi]cd[/music] [mi=x]e[/mi][/mi] f");
    EXPECT_FLOAT_EQ(menuSelections[1].x1, 30);
    EXPECT_FLOAT_EQ(menuSelections[1].y1, 40);
    // The second closing tag leaves the item it follows as its own tag closed it: one
    // cell past "abcd e" on an indented row.
    EXPECT_FLOAT_EQ(menuSelections[2].x1, 80 + 16 + 6 * 16 + 16);
}

TEST_F(Render, ItemsWithoutGlyphsOrPastTheirPageEnd)
{
    MAX_ROWS = 0;
    draw("[ni]see [mi=_NEXT]more\n[ni]text[/mi]");
    ASSERT_EQ(numberOfMenuSelections, 3);
    expectRect(menuSelections[2], 80 + 4 * 16, 160, 80 + 8 * 16 + 16, 176);
    // An item with no visible glyph gets an empty rectangle, not the record's old one.
    menuSelections[2] = {1, 1, 500, 500, 0, "old"};
    draw("[ni]a[mi=_NEXT][/mi]b");
    EXPECT_EQ(menuSelections[2].x0, 0.0f);
    EXPECT_EQ(menuSelections[2].x1, 0.0f);
}

// Regression: a wrapped item had one rectangle from its first glyph to its closing tag's
// row, inverted (dead) when it ended further left than it began, else covering other text.
TEST_F(Render, WrappedItemsHaveARecordPerRowThatLightTogether)
{
    struct { const char* text; std::vector<std::array<float, 4>> rects; } cases[] = {
        // The first row breaks after "cccccc" with its two spaces 1.5 cells wide.
        {"[ni]aaaaa bbbbbb [mi=_NEXT]cccccc dddd[/mi] e", {{304, 160, 416, 176}, {80, 176, 160, 192}}},
        {"[ni]aaaa bbbb cccc [music=t.mod]ffff gggg[/music] hh", {{336, 160, 416, 176},
                                                                 {80, 176, 80 + 4 * 16 + 16, 192}}},
        // Closed right behind a line feed: the next row holds none of its glyphs.
        {"[ni]see [mi=y]link\n[/mi]zz", {{80 + 4 * 16, 160, 80 + 8 * 16 + 16, 176}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        draw(c.text);
        ASSERT_EQ(numberOfMenuSelections, 2 + (int)c.rects.size());
        for (size_t i = 0; i < c.rects.size(); i++) {
            const menuSelection& s = menuSelections[2 + i];
            expectRect(s, c.rects[i][0], c.rects[i][1], c.rects[i][2], c.rects[i][3]);
            EXPECT_STREQ(s.link, menuSelections[2].link);
            EXPECT_EQ(s.kind, menuSelections[2].kind);
        }
    }
    // The pointer on the second row lights both rows, and another item stays blue.
    draw("[ni]aaaaa bbbbbb [mi=_NEXT]cccccc dddd[/mi] [mi=x]e[/mi]");
    point(100, 184);
    EXPECT_EQ(mouseOverMenuItem, 2);
    draw("[ni]aaaaa bbbbbb [mi=_NEXT]cccccc dddd[/mi] [mi=x]e[/mi]");
    expectRgb(quarter(304, 160), 255, 0, 0);
    expectRgb(quarter(80, 176), 255, 0, 0);
    expectRgb(quarter(80 + 5 * 16, 176), 204, 204, 255);
    point(1000, 900);
}

// An article whose page 2 opens inside a link and a colour span (one row a page).
class RenderPages : public Render {
protected:
    std::string body;
    pageStart pages[8];
    articleEntry entry{};
    void paginateArticle(const char* t)
    {
        MAX_ROWS = 0;
        body = t;
        entry.text = body.data();
        entry.pages = pages;
        entry.numberOfPages = getNumberOfPages(entry.text, pages);
        articleArray = &entry;
        articles = 1;
        currentArticle = 0;
    }
    void drawPage(int k)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawText(pages[k].start, 0, pages[k].newLine, nullptr);
    }
    void TearDown() override
    {
        point(2000, 2000);
        articleArray = nullptr, articles = 0;
        Render::TearDown();
    }
};

// Regression: the rest of a link or colour span on the next page was plain white text.
TEST_F(RenderPages, ItemsAndColoursGoOnOverThePageEnd)
{
    paginateArticle("[ni]aa [mi=_NEXT]bb\n[ni]cc[/mi] [col=1 0 0 1]dd\n[ni]ee[/col]");
    ASSERT_EQ(entry.numberOfPages, 3);
    drawPage(1);
    ASSERT_EQ(numberOfMenuSelections, 3);
    EXPECT_STREQ(menuSelections[2].link, "_NEXT");
    expectRect(menuSelections[2], 80, 160, 80 + 2 * 16 + 16, 176);
    expectRgb(quarter(80, 160), 204, 204, 255);
    expectRgb(quarter(80 + 3 * 16, 160), 255, 0, 0);
    drawPage(2);
    expectRgb(quarter(80, 160), 255, 0, 0);
}

// Regression: after a page change the record with the hovered index stayed red, though it
// is another item under no pointer.
TEST_F(RenderPages, TheHoverIsFoundAgainOnEveryNewPage)
{
    paginateArticle("[ni][mi=a]aaaa[/mi] bbbb\n[ni]cccc [mi=b]dddd[/mi]\n[ni][mi=c]eeee[/mi]");
    drawPage(0);
    point(100, 168); // on "aaaa"
    EXPECT_EQ(mouseOverMenuItem, 2);
    drawPage(1); // the first item of page 2 lies right of the pointer
    expectRgb(quarter(80 + 5 * 16, 160), 204, 204, 255);
    EXPECT_EQ(mouseOverMenuItem, -1);
    firstrun = 0;
    drawPage(2); // here it lies under the pointer: lit on the next drawing
    EXPECT_EQ(mouseOverMenuItem, 2);
    EXPECT_EQ(firstrun, 1);
    drawPage(2);
    expectRgb(quarter(80, 160), 255, 0, 0);
}

// --- title and background ---
TEST_F(Render, TitleRowSitsAboveTheBodyInTheTitleColour)
{
    articleTitleColor = {1.0f, 0.0f, 1.0f, 0.0f}; // alpha, red, green, blue: opaque green
    drawText("[h1]News", 1, 1, nullptr);
    expectRgb(designPixel(80 + 2, 128 + 2), 0, 255, 0);
    EXPECT_TRUE(closeTo(designPixel(80 + 20, 140).g, fontCharAlpha('N')));
}

TEST_F(Render, FullSizeBackgroundIsDimmedTileByTile)
{
    my_texture picture{}; // each 256x256 tile in its own red level, so a tile out of place shows
    makeImage(&picture, "bkg.ppm", 1280, 960, [](int x, int y) {
        return rgba{(uint8_t)(50 + 10 * (x / 256 + 5 * (y / 256))), 200, 100, 255};
    });
    drawText("[h1]Title", 1, 1, &picture);
    EXPECT_TRUE(closeTo(designPixel(10, 10).g, 60)); // 200 * 0.3
    EXPECT_TRUE(closeTo(designPixel(10, 10).r, 15));
    EXPECT_TRUE(closeTo(designPixel(1279, 959).r, 72)); // tile 19: (50 + 190) * 0.3
    EXPECT_TRUE(closeTo(designPixel(300, 10).r, 18));   // tile 1
    EXPECT_TRUE(closeTo(designPixel(10, 300).r, 30));   // tile 5
    EXPECT_TRUE(closeTo(designPixel(80 + 2, 128 + 2).r, 255)); // the title over it
    articleShowTitle = 0; // a hidden title still has its background
    drawText("[h1]Title", 1, 1, &picture);
    EXPECT_TRUE(closeTo(designPixel(80 + 2, 128 + 2).g, 60));
}
