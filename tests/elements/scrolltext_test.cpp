// Tickers: motion (offset, shift, fade) at times 0, 7, 31 and 32 in both resolutions,
// then real pixels: the black window painted over what was there, glyph positions and
// the fading end glyphs, the text repeating without a gap, the info line in ticker 0,
// tickers with no text or tiny windows, and control bytes shown as a blank cell.
#include "app/screen.h"
#include "elements/render_fixtures.h"
#include "elements/scrolltext.h"
#include "prefs/prefs.h"
#include <gtest/gtest.h>

// --- motion ---
TEST(ScrollMotion, StepsThroughOneCharacterIn32Ticks)
{
    // Shifts are whole screen pixels: 640x480 moves in steps of two units.
    struct { int t, lowres, offset, shift; float fade; } cases[] = {
        {0, 0, 0, 0, 0.0f},   {7, 0, 0, 3, 0.21875f},   {7, 1, 0, 2, 0.21875f},
        {31, 0, 0, 15, 0.96875f}, {31, 1, 0, 14, 0.96875f}, {32, 0, 1, 0, 0.0f}, {32, 1, 1, 0, 0.0f},
    };
    for (auto c : cases) {
        scrollMotion m = scrollMotionAt(c.t, 100.0f, c.lowres);
        SCOPED_TRACE(testing::Message() << "t " << c.t << (c.lowres ? " low" : " high"));
        EXPECT_EQ(m.offset, c.offset);
        EXPECT_EQ(m.shift, c.shift);
        EXPECT_EQ(m.fade, c.fade);
    }
    EXPECT_EQ(scrollMotionAt(32, 100.0f, 0).ticks, 32);
}

TEST(ScrollMotion, NegativeReadingScrollsBackwardsWithoutLeavingTheText)
{
    // Readings wrap negative after 2^31 hundredths; the character index must stay in the text.
    scrollMotion m = scrollMotionAt(-5, 100.0f, 0);
    EXPECT_EQ(m.offset, -1);
    m_color4f white{1, 1, 1, 1};
    EXPECT_EQ(scrollGlyphAt("ABC", 3, 0, 5, m, white, 0).ch, 'C');
    EXPECT_EQ(scrollGlyphAt("ABC", 3, 0, 5, m, white, 1).ch, 'A');
}

// --- pixels ---
class Ticker : public ::testing::Test {
protected:
    int coords[4] = {100, 300, 100, 400};
    int lengths[2] = {9, 9};
    char textA[16] = "ABCDE";
    char textB[16] = "XYZ";
    char* texts_[2] = {textA, textB};
    const m_color4f white{1, 1, 1, 1};
    void open(int lowres)
    {
        ASSERT_TRUE(openScreen(lowres));
        makeFontAtlas(&texture[0]);
        numberOfScrollTexts = 2;
        scrollCoords = coords;
        scrollLength = lengths;
        scrollTexts = texts_;
        scrollText = nullptr;
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); // as the article bar leaves it
        // White everywhere, so the window's own black paint shows.
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
    }
    void SetUp() override { open(0); }
    void TearDown() override
    {
        numberOfScrollTexts = 0;
        scrollCoords = scrollLength = nullptr;
        scrollTexts = nullptr;
        scrollText = nullptr;
        computeScreenMetrics(1);
    }
    // Red channel in glyph j's opaque quarter and in its character-coded part.
    int quarter(int j, int shift, int y0 = 300) { return designPixel(glyphX(j, shift) + 2, y0 + 2).r; }
    int code(int j, int shift, int y0 = 300) { return designPixel(glyphX(j, shift) + 12, y0 + 12).r; }
    float glyphX(int j, int shift) { return (float)(coords[0] + 16 * (j + 1) - shift); }
};

TEST_F(Ticker, AtTimeZeroFirstGlyphIsBrightAndLastIsBlack)
{
    EXPECT_EQ(scrolltext1(0, white, 0, 0), 0);
    EXPECT_EQ(designPixel(100, 305).r, 0);        // the window's left margin
    EXPECT_EQ(designPixel(99, 305).r, 255);       // outside the window
    EXPECT_EQ(designPixel(243, 315).r, 0);
    EXPECT_EQ(designPixel(244, 305).r, 255);
    EXPECT_EQ(designPixel(150, 316).r, 255);
    EXPECT_TRUE(closeTo(quarter(0, 0), 255));
    EXPECT_TRUE(closeTo(code(0, 0), fontCharAlpha('A')));
    EXPECT_TRUE(closeTo(code(1, 0), fontCharAlpha('B')));
    EXPECT_TRUE(closeTo(code(5, 0), fontCharAlpha('A'))); // the text repeats without a gap
    EXPECT_TRUE(closeTo(code(6, 0), fontCharAlpha('B')));
    EXPECT_EQ(quarter(7, 0), 0);
    EXPECT_EQ(countQuads([&] { scrolltext1(0, white, 0, 0); }), 1 + 8); // window, n - 1 glyphs
}

TEST_F(Ticker, AtTimesSevenThirtyOneAndThirtyTwoTheGlyphsShiftAndTheEndsFade)
{
    scrolltext1(0, white, 0, 7);
    EXPECT_EQ(designPixel(112, 302).r, 0);
    EXPECT_TRUE(closeTo(designPixel(113, 302).r, 199)); // 255 * (1 - 0.21875)
    EXPECT_TRUE(closeTo(quarter(7, 3), 56));             // 255 * 0.21875
    EXPECT_TRUE(closeTo(code(3, 3), fontCharAlpha('D')));
    scrolltext1(0, white, 0, 31);
    EXPECT_TRUE(closeTo(designPixel(101, 302).r, 8));
    EXPECT_TRUE(closeTo(code(1, 15), fontCharAlpha('B')));
    EXPECT_EQ(scrolltext1(0, white, 0, 32), 1); // moved one character
    EXPECT_TRUE(closeTo(quarter(0, 0), 255));
    EXPECT_TRUE(closeTo(code(0, 0), fontCharAlpha('B')));
    EXPECT_EQ(scrolltimer, 32);
}

TEST_F(Ticker, LowResolutionMovesInWholePixels)
{
    open(1);
    scrolltext1(0, white, 0, 7); // shift 2 units: glyph 0 starts at 114, pixel 57
    EXPECT_EQ(offscreenPixel(56, 151).r, 0);
    EXPECT_TRUE(closeTo(offscreenPixel(57, 151).r, 199));
    EXPECT_TRUE(closeTo(offscreenPixel(57 + 6, 156).r, (int)(fontCharAlpha('A') * 0.78125f + 0.5f)));
    scrolltext1(0, white, 0, 31); // shift 14: pixel 51
    EXPECT_EQ(offscreenPixel(50, 151).r, 0);
    EXPECT_TRUE(closeTo(offscreenPixel(51, 151).r, 8)); // 255 * (1 - 0.96875)
}

TEST_F(Ticker, MiddleGlyphsTakeTheColourArgument)
{
    scrolltext1(0, m_color4f{1.0f, 1.0f, 0.5f, 0.0f}, 0, 0); // alpha unused
    rgba p = designPixel(glyphX(2, 0) + 2, 302);
    EXPECT_TRUE(closeTo(p.r, 255));
    EXPECT_TRUE(closeTo(p.g, 128));
    EXPECT_EQ(p.b, 0);
}

// --- which text ---
TEST_F(Ticker, InfoLineReplacesOnlyTickerZero)
{
    char info[] = "QRS";
    scrollText = info;
    scrolltext1(0, white, 0, 0);
    scrolltext1(0, white, 1, 0);
    EXPECT_TRUE(closeTo(code(0, 0), fontCharAlpha('Q')));
    EXPECT_TRUE(closeTo(code(0, 0, 400), fontCharAlpha('X')));
}

TEST_F(Ticker, MissingOrEmptyTextsAndTinyWindows)
{
    texts_[1] = nullptr; // no text: not even the window
    EXPECT_EQ(scrolltext1(0, white, 1, 0), 0);
    EXPECT_EQ(designPixel(100, 405).r, 255);
    lengths[0] = 2; // one glyph, and it is glyph 0
    scrolltext1(0, white, 0, 0);
    EXPECT_TRUE(closeTo(quarter(0, 0), 255));
    EXPECT_EQ(designPixel(132, 305).r, 255);
    textA[0] = '\0'; // an empty text: the window, no glyphs
    scrolltext1(0, white, 0, 40);
    EXPECT_EQ(designPixel(120, 305).r, 0);
    texts_[1] = textB;
    lengths[1] = 1; // a 16x16 black window only
    scrolltext1(0, white, 1, 0);
    EXPECT_EQ(designPixel(115, 415).r, 0);
    EXPECT_EQ(designPixel(116, 405).r, 255);
    lengths[1] = 0;
    coords[2] = 600;
    scrolltext1(0, white, 1, 0);
    EXPECT_EQ(designPixel(600, 405).r, 255);
}

// A tab or carriage return has no cell: the blank cell, not what lies left of the atlas.
TEST_F(Ticker, ControlBytesShowAsBlankCells)
{
    snprintf(textA, sizeof textA, "A\tB\rC");
    scrolltext1(0, white, 0, 0);
    EXPECT_TRUE(closeTo(code(0, 0), fontCharAlpha('A')));
    EXPECT_EQ(quarter(1, 0), 0);
    EXPECT_EQ(code(1, 0), 0);
    EXPECT_TRUE(closeTo(code(2, 0), fontCharAlpha('B')));
    EXPECT_EQ(quarter(3, 0), 0);
}
