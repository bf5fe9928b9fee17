// Covers the PPM reader (header forms it accepts and refuses, the three alpha rules, short
// files) and the texture builder (single textures and 256x256 tiles read back from a real
// Mesa context: counts, consecutive names, cleared edges, filters that show and don't seam).
// Pictures come from netpbm where the header form doesn't matter, written by hand where it does.
#include "content/textures.h"
#include "content/content_files.h"
#include "platform/report.h"
#include "support/offscreen.h"
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace contentfiles;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

struct Loaded {
    unsigned char* pixels = nullptr;
    long w = -1, h = -1;
    std::string out;
    ~Loaded() { free(pixels); }
    const unsigned char* at(int x, int y) const { return pixels + ((size_t)y * w + x) * 4; }
};

void load(Loaded& l, const char* name, int mode)
{
    reportFlush(); // a file's message is told once until the next flush
    CaptureStderr();
    l.pixels = LoadPPM(name, &l.w, &l.h, mode);
    l.out = GetCapturedStderr();
}

void expectPixel(const unsigned char* p, int r, int g, int b, int a)
{
    EXPECT_EQ(p[0], r);
    EXPECT_EQ(p[1], g);
    EXPECT_EQ(p[2], b);
    EXPECT_EQ(p[3], a);
}

} // namespace

// ---- header forms ----

TEST(PPMHeader, AcceptedForms)
{
    ScratchDir dir;
    ASSERT_TRUE(writeNetpbmPicture("three.ppm", 4, 3, positionColour));
    std::string three = readFile("three.ppm");
    ASSERT_EQ(three.rfind("P6\n4 3\n255\n", 0), 0u);
    writeFile("one.ppm", "P6 4 3 255\n" + three.substr(strlen("P6\n4 3\n255\n")));
    Loaded a, b;
    load(a, "three.ppm", 0);
    load(b, "one.ppm", 0);
    ASSERT_TRUE(a.pixels && b.pixels);
    EXPECT_EQ(std::make_pair(b.w, b.h), std::make_pair(4L, 3L));
    EXPECT_EQ(memcmp(a.pixels, b.pixels, 4 * 3 * 4), 0) << "one-line header loads like three lines";
    rgb c = positionColour(3, 2);
    expectPixel(b.at(3, 2), c.r, c.g, c.b, 255);

    // The second line feed is the first raster byte (10), not part of the header.
    writeFile("p.ppm", std::string("P6 1 1 255\n\n\x01\x02", 14));
    Loaded l;
    load(l, "p.ppm", 1);
    ASSERT_NE(l.pixels, nullptr);
    expectPixel(l.at(0, 0), 10, 1, 2, 255);
}

// Sizes and maxima that used to reach the buffer arithmetic unchecked are refused too.
TEST(PPMHeader, RefusedForms)
{
    ScratchDir dir;
    ASSERT_TRUE(system("ppmmake -plain rgb:01/02/03 2 2 > plain.ppm") == 0);
    struct {
        std::string bytes;
        const char* why;
    } cases[] = {
        {readFile("plain.ppm"), "P3 from netpbm"},
        {"P6\n# made by hand\n1 1\n255\n\x01\x02\x03", "comment line"},
        {"P5\n1 1\n255\n\x01", "grey map"},
        {"P6", "header cut after the magic"},
        {"P6 2", "no height"},
        {"", "empty file"},
        {"P6 0 5 255\n", "zero width"},
        {"P6 5 0 255\n", "zero height"},
        {"P6 -2 5 255\n", "negative width"},
        {"P6 4097 1 255\n", "one past the side limit"},
        {"P6 99999999999999999999999 1 255\n", "width overflowing a long"},
        {"P6 1 1 65535\n\x01\x02\x03\x04\x05\x06", "16-bit maximum"},
        {"P6 1 1 15\n\x01\x02\x03", "maximum 15"},
        {"P6 1 1 2550\x01\x02\x03", "no white space after 255"},
    };
    for (auto& c : cases) {
        writeFile("bad.ppm", c.bytes);
        Loaded l;
        load(l, "bad.ppm", 1);
        EXPECT_EQ(l.pixels, nullptr) << c.why;
        EXPECT_EQ(std::make_pair(l.w, l.h), std::make_pair(0L, 0L)) << c.why;
        EXPECT_EQ(l.out.rfind("bad.ppm: Error scanning PPM header", 0), 0u) << c.why << ": " << l.out;
        EXPECT_EQ(std::count(l.out.begin(), l.out.end(), '\n'), 1) << c.why;
    }
    Loaded missing;
    load(missing, "nothing-here.ppm", 0);
    EXPECT_EQ(missing.pixels, nullptr);
    EXPECT_EQ(missing.out, "") << "a missing picture is silent";
}

// Regression: the unread part of a short raster used to be whatever the heap held.
TEST(PPMHeader, ShortRasterLoadsWithMissingPixelsBlack)
{
    ScratchDir dir;
    writeFile("short.ppm", std::string("P6 2 1 255\n\x05\x06\x07", 14));
    Loaded l;
    load(l, "short.ppm", 1);
    ASSERT_NE(l.pixels, nullptr);
    EXPECT_EQ(l.out, "short.ppm: Error while reading file (3 6)\n");
    expectPixel(l.at(0, 0), 5, 6, 7, 255);
    expectPixel(l.at(1, 0), 0, 0, 0, 255);
}

// ---- conversion modes ----

TEST(PPMModes, AlphaRules)
{
    ScratchDir dir;
    writeFile("px.ppm", std::string("P6 3 1 255\n\x00\x00\x00\x00\x00\x01\x0a\x14\x1f", 20));
    Loaded m0, m1, m2, other;
    load(m0, "px.ppm", 0);
    load(m1, "px.ppm", 1);
    load(m2, "px.ppm", 2);
    load(other, "px.ppm", 7);
    ASSERT_TRUE(m0.pixels && m1.pixels && m2.pixels && other.pixels);
    // Mode 0: exact black is see-through, (0,0,1) is not.
    expectPixel(m0.at(0, 0), 0, 0, 0, 0);
    expectPixel(m0.at(1, 0), 0, 0, 1, 255);
    // Mode 1: opaque throughout.
    expectPixel(m1.at(0, 0), 0, 0, 0, 255);
    expectPixel(m1.at(2, 0), 10, 20, 31, 255);
    // Mode 2: white with the truncated mean as alpha; any other mode acts like it.
    expectPixel(m2.at(2, 0), 255, 255, 255, 20);
    EXPECT_EQ(m2.at(0, 0)[3], 0);
    EXPECT_EQ(memcmp(m2.pixels, other.pixels, 12), 0);
}

// ---- textures and tiles, read back from Mesa ----

namespace {

class Tiles : public testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override { ASSERT_TRUE(offscreenOpen(640, 480)); }
    void TearDown() override { offscreenClose(); }
};

// Every texel of every tile (name id + u + v * tilesX): inside the picture the position code
// of its pixel, outside transparent black. A single texture has the picture's own size.
void expectTilesHold(const my_texture& t, int w, int h)
{
    for (int v = 0; v < t.tilesY; v++) {
        for (int u = 0; u < t.tilesX; u++) {
            int tw, th;
            glBindTexture(GL_TEXTURE_2D, t.id + (GLuint)(u + v * t.tilesX));
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
            ASSERT_EQ(tw, t.tiles == 1 ? w : 256) << "tile " << u << "," << v;
            ASSERT_EQ(th, t.tiles == 1 ? h : 256) << "tile " << u << "," << v;
            std::vector<unsigned char> texels((size_t)tw * th * 4);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
            for (int i = 0; i < tw * th; i++) {
                int x = u * 256 + i % tw, y = v * 256 + i / tw;
                rgb c = x < w && y < h ? positionColour(x, y) : rgb{0, 0, 0};
                // Opaque pictures are held as RGB: the uncovered part is black and reads back
                // opaque, which nothing sees (pictures draw without blending).
                unsigned char want[4] = {c.r, c.g, c.b, 255};
                if (memcmp(&texels[(size_t)i * 4], want, 4) != 0) {
                    ADD_FAILURE() << "tile " << u << "," << v << " texel " << i % tw << "," << i / tw;
                    return;
                }
            }
        }
    }
}

my_texture tile(int w, int h)
{
    my_texture t{};
    char name[64];
    snprintf(name, sizeof name, "pic%dx%d.ppm", w, h);
    EXPECT_TRUE(writeNetpbmPicture(name, w, h, positionColour));
    unsigned int id = TexInit(&t, name, 1);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(id, t.id);
    return t;
}

// A textured quad over (0,0)-(x1,y1) in window pixels.
void quad(GLuint name, float x1, float y1)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 480, 0, -1, 1);
    glBindTexture(GL_TEXTURE_2D, name);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(0, 0);
    glTexCoord2f(1, 0), glVertex2f(x1, 0);
    glTexCoord2f(1, 1), glVertex2f(x1, y1);
    glTexCoord2f(0, 1), glVertex2f(0, y1);
    glEnd();
}

} // namespace

TEST_F(Tiles, CountsNamesAndClearedAreas)
{
    struct {
        int w, h, tilesX, tilesY;
    } cases[] = {{100, 30, 1, 1}, {256, 256, 1, 1}, {257, 256, 2, 1}, {300, 100, 2, 1}, {512, 512, 2, 2}, {1280, 960, 5, 4}};
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        my_texture t = tile(c.w, c.h);
        EXPECT_TRUE(t.width == c.w && t.height == c.h);
        EXPECT_EQ(t.tilesX, c.tilesX);
        EXPECT_EQ(t.tilesY, c.tilesY);
        EXPECT_EQ(t.tiles, c.tilesX * c.tilesY);
        expectTilesHold(t, c.w, c.h);
    }
}

// Failures leave the record as it was; a success leaves texturing and additive blending on.
TEST_F(Tiles, RecordAndStateLeftBehind)
{
    my_texture t{};
    t.id = 77;
    t.tiles = 3;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    EXPECT_EQ(TexInit(&t, nullptr, 0), 0u);
    GLint unpack, src, dst, env;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    EXPECT_EQ(unpack, 1) << "alignment is set even for a null name";
    writeFile("bad.ppm", "P3\n1 1\n255\n1 2 3\n");
    CaptureStderr();
    EXPECT_EQ(TexInit(&t, "missing.ppm", 0), 0u);
    EXPECT_EQ(TexInit(&t, "bad.ppm", 0), 0u);
    GetCapturedStderr();
    EXPECT_TRUE(t.id == 77u && t.tiles == 3);

    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    tile(300, 100);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE);
    EXPECT_EQ(env, GL_MODULATE);
}

// ---- what shows on screen ----

// Mesa's default filter wants mipmaps; without a filter of our own the texture is ignored.
TEST_F(Tiles, FontTextureShowsAndStaysCrisp)
{
    writeFile("font.ppm", std::string("P6 2 1 255\n\xff\xff\xff\x00\x00\x00", 17));
    my_texture font{};
    ASSERT_NE(TexInit(&font, "font.ppm", 2), 0u);
    quad(font.id, 200, 100);
    EXPECT_EQ(offscreenPixel(10, 50).r, 255);
    EXPECT_EQ(offscreenPixel(90, 50).r, 255) << "a smoothed font would blend into its neighbour";
    EXPECT_EQ(offscreenPixel(110, 50).r, 0) << "alpha 0 on black adds nothing";
}

// A repeating texture would blend in a tile's opposite edge: a dark seam between bright tiles.
TEST_F(Tiles, StretchedTilesShowNoSeam)
{
    ASSERT_TRUE(writeNetpbmPicture("ramp.ppm", 512, 512, [](int x, int y) {
        return rgb{(unsigned char)(x & 255), (unsigned char)(y & 255), 9};
    }));
    my_texture pic{};
    ASSERT_NE(TexInit(&pic, "ramp.ppm", 1), 0u);
    ASSERT_EQ(pic.tiles, 4);
    glDisable(GL_BLEND);
    quad(pic.id, 320, 480);
    EXPECT_GE(offscreenPixel(319, 240).r, 250) << "right edge of the top-left tile";
    EXPECT_LE(offscreenPixel(0, 240).r, 5) << "left edge";
    EXPECT_GE(offscreenPixel(160, 479).g, 250) << "bottom edge";
    EXPECT_LE(offscreenPixel(160, 0).g, 5) << "top edge";
}
