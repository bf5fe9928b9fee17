// Tickers: motion (offset, shift, fade) at times 0, 7, 31 and 32 in both resolutions, then
// real pixels: the black window painted over what was there, glyph positions and the
// fading end glyphs, the text repeating without a gap, the info line in ticker 0, tickers
// with no text or tiny windows, and control bytes shown as a blank cell.
#include "app/screen.h"
#include "app/view.h"
#include "app/lifecycle.h"
#include "elements/render_fixtures.h"
#include "elements/scrolltext.h"

TEST(ScrollMotion, StepsThroughOneCharacterIn32TicksAlsoBackwards)
{
    // Shifts are whole screen pixels: 640x480 moves in steps of two units.
    struct { int t, lowres, offset, shift; float fade; } cases[] = {
        {0, 0, 0, 0, 0.0f},   {7, 0, 0, 3, 0.21875f},   {7, 1, 0, 2, 0.21875f},
        {31, 0, 0, 15, 0.96875f}, {31, 1, 0, 14, 0.96875f}, {32, 0, 1, 0, 0.0f}, {32, 1, 1, 0, 0.0f},
        {-5, 0, -1, -3, 0}, // readings wrap negative after 2^31 hundredths
    };
    for (auto c : cases) {
        scrollMotion m = scrollMotionAt(c.t, 100.0f, c.lowres);
        EXPECT_EQ(std::make_tuple(m.offset, m.shift), std::make_tuple(c.offset, c.shift)) << c.t << " " << c.lowres;
        EXPECT_EQ(c.t < 0 || m.fade == c.fade, true) << c.t;
    }
    EXPECT_EQ(scrollMotionAt(32, 100.0f, 0).ticks, 32);
    scrollMotion back = scrollMotionAt(-5, 100.0f, 0); // the character index stays in the text
    EXPECT_EQ(scrollGlyphAt("ABC", 3, 0, 5, back, {1, 1, 1, 1}, 0).ch, 'C');
    EXPECT_EQ(scrollGlyphAt("ABC", 3, 0, 5, back, {1, 1, 1, 1}, 1).ch, 'A');
}

class Ticker : public Offscreen {
protected:
    int coords[6] = {100, 300, 100, 400, 100, 500};
    int lengths[3] = {9, 9, 9};
    char textA[16] = "ABCDE";
    char textB[16] = "XYZ";
    char* texts_[3] = {textA, textB, textA};
    const m_color4f white{1, 1, 1, 1};
    void SetUp() override
    {
        Offscreen::SetUp();
        numberOfScrollTexts = 2, scrollCoords = coords, scrollLength = lengths, scrollTexts = texts_;
        scrollText = nullptr;
        clearTo(1, 1, 1); // white everywhere, so the window's own black paint shows
    }
    // Red in glyph j's opaque quarter and in its character-coded part.
    int quarter(int j, int shift, int y0 = 300) { return designPixel(glyphX(j, shift) + 2, y0 + 2).r; }
    int code(int j, int shift, int y0 = 300) { return designPixel(glyphX(j, shift) + 12, y0 + 12).r; }
    float glyphX(int j, int shift) { return (float)(coords[0] + 16 * (j + 1) - shift); }
};

TEST_F(Ticker, GlyphsShiftAndTheEndsFadeOverTime)
{
    EXPECT_EQ(scrolltext1(0, white, 0, 0), 0);
    struct { float x, y; int r; } window[] = {{100, 305, 0}, {99, 305, 255}, {243, 315, 0}, {244, 305, 255}, {150, 316, 255}};
    for (auto p : window) EXPECT_EQ(designPixel(p.x, p.y).r, p.r) << p.x << "," << p.y;
    EXPECT_TRUE(closeTo(quarter(0, 0), 255));
    for (auto [j, ch] : {std::pair{0, 'A'}, {1, 'B'}, {5, 'A'}, {6, 'B'}}) // repeating without a gap
        EXPECT_TRUE(closeTo(code(j, 0), fontCharAlpha(ch))) << j;
    EXPECT_EQ(quarter(7, 0), 0);
    EXPECT_EQ(countQuads([&] { scrolltext1(0, white, 0, 0); }), 1 + 8); // window, n - 1 glyphs
    scrolltext1(0, white, 0, 7);
    EXPECT_EQ(designPixel(112, 302).r, 0);
    EXPECT_TRUE(closeTo(designPixel(113, 302).r, 199)); // 255 * (1 - 0.21875)
    EXPECT_TRUE(closeTo(quarter(7, 3), 56));             // 255 * 0.21875
    EXPECT_TRUE(closeTo(code(3, 3), fontCharAlpha('D')));
    scrolltext1(0, white, 0, 31);
    EXPECT_TRUE(closeTo(designPixel(101, 302).r, 8));
    EXPECT_TRUE(closeTo(code(1, 15), fontCharAlpha('B')));
    EXPECT_EQ(scrolltext1(0, white, 0, 32), 1); // moved one character
    EXPECT_TRUE(closeTo(code(0, 0), fontCharAlpha('B')));
    EXPECT_EQ(scrolltimer, 32);
    scrolltext1(0, m_color4f{1.0f, 1.0f, 0.5f, 0.0f}, 0, 0); // middle glyphs take the colour, alpha unused
    expectRgb(designPixel(glyphX(2, 0) + 2, 302), 255, 128, 0, "middle glyph");
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

TEST_F(Ticker, WhichTextMissingTextsTinyWindowsAndControlBytes)
{
    char info[] = "QRS";
    scrollText = info; // the info line replaces only ticker 0's text
    scrolltext1(0, white, 0, 0);
    scrolltext1(0, white, 1, 0);
    EXPECT_TRUE(closeTo(code(0, 0), fontCharAlpha('Q')));
    EXPECT_TRUE(closeTo(code(0, 0, 400), fontCharAlpha('X')));
    scrollText = nullptr;
    clearTo(1, 1, 1);
    texts_[1] = nullptr; // no text, or a ticker past the count: not even the window
    EXPECT_EQ(scrolltext1(0, white, 1, 0) + scrolltext1(0, white, 2, 0), 0);
    EXPECT_EQ(designPixel(100, 405).r + designPixel(100, 505).r, 510);
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
    lengths[1] = 0, coords[2] = 600;
    scrolltext1(0, white, 1, 0);
    EXPECT_EQ(designPixel(600, 405).r, 255);
    lengths[0] = 9; // a tab or carriage return has no cell: the blank one, not the atlas's left
    snprintf(textA, sizeof textA, "A\tB\rC");
    scrolltext1(0, white, 0, 0);
    EXPECT_TRUE(closeTo(code(0, 0), fontCharAlpha('A')));
    EXPECT_EQ(quarter(1, 0) + code(1, 0), 0);
    EXPECT_TRUE(closeTo(code(2, 0), fontCharAlpha('B')));
    EXPECT_EQ(quarter(3, 0), 0);
}
