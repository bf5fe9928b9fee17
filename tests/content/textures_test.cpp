// The PPM reader (header forms it accepts and refuses, the three alpha rules, short files)
// and the texture builder (single textures and 256x256 tiles read back from a real Mesa
// context: counts, consecutive names, cleared edges, filters that show and don't seam).
// Pictures come from netpbm where the header form doesn't matter, written by hand where it does.
#include "content/textures.h"
#include "content/content_files.h"
#include <GL/gl.h>
#include <algorithm>
#include <cstring>

using namespace contentfiles;
using Textures = Content;

namespace {

// The RGBA pixels LoadPPM gives for bytes in the given mode, or "" when refused; *err gets
// what it printed.
std::string loaded(const std::string& bytes, int mode, std::string* err = nullptr, long* w = nullptr)
{
    writeFile("p.ppm", bytes);
    long width = -1, height = -1;
    unsigned char* pixels = nullptr;
    std::string said = stderrOf([&] { pixels = LoadPPM("p.ppm", &width, &height, mode); });
    if (err) *err = said;
    if (w) *w = width;
    std::string out = pixels ? std::string((char*)pixels, (size_t)width * height * 4) : "";
    free(pixels);
    return out;
}

} // namespace

// The second line feed after a one-line header is the first raster byte (10). Regression:
// the unread part of a short raster was whatever the heap held; it is black now.
TEST_F(Textures, AcceptedFormsAndAlphaRules)
{
    ASSERT_TRUE(writeNetpbmPicture("three.ppm", 4, 3, positionColour));
    std::string three = readFile("three.ppm"), head = "P6\n4 3\n255\n";
    ASSERT_EQ(three.rfind(head, 0), 0u);
    std::string err;
    EXPECT_EQ(loaded(three, 0), loaded("P6 4 3 255\n" + three.substr(head.size()), 0, &err));
    rgb c = positionColour(3, 2);
    const std::string last = {(char)c.r, (char)c.g, (char)c.b, '\xff'};
    EXPECT_EQ(loaded(three, 1).substr(4 * 11), last);
    const std::string px("P6 3 1 255\n\x00\x00\x00\x00\x00\x01\x0a\x14\x1f", 20);
    struct { std::string bytes; int mode; std::string rgba, err; } cases[] = {
        {std::string("P6 1 1 255\n\n\x01\x02", 14), 1, "\x0a\x01\x02\xff", ""},
        {px, 0, std::string("\0\0\0\0\0\0\x01\xff\x0a\x14\x1f\xff", 12), ""}, // exact black is see-through
        {px, 1, std::string("\0\0\0\xff\0\0\x01\xff\x0a\x14\x1f\xff", 12), ""},
        {px, 2, std::string("\xff\xff\xff\0\xff\xff\xff\0\xff\xff\xff\x14", 12), ""}, // white, mean as alpha
        {px, 7, std::string("\xff\xff\xff\0\xff\xff\xff\0\xff\xff\xff\x14", 12), ""},
        {std::string("P6 2 1 255\n\x05\x06\x07", 14), 1, std::string("\x05\x06\x07\xff\0\0\0\xff", 8),
         "p.ppm: Error while reading file (3 6)\n"},
    };
    for (auto& k : cases) {
        EXPECT_EQ(loaded(k.bytes, k.mode, &err), k.rgba) << k.mode;
        EXPECT_EQ(err, k.err);
    }
}

// Sizes and maxima that used to reach the buffer arithmetic unchecked are refused too.
TEST_F(Textures, RefusedFormsAreOneLineEach)
{
    ASSERT_EQ(system("ppmmake -plain rgb:01/02/03 2 2 > plain.ppm"), 0);
    const char* cases[] = {
        "P6\n# made by hand\n1 1\n255\n\x01\x02\x03", "P5\n1 1\n255\n\x01", "P6", "P6 2", "", "P6 0 5 255\n",
        "P6 5 0 255\n", "P6 -2 5 255\n", "P6 4097 1 255\n", "P6 99999999999999999999999 1 255\n",
        "P6 1 1 65535\n\x01\x02\x03\x04\x05\x06", "P6 1 1 15\n\x01\x02\x03", "P6 1 1 2550\x01\x02\x03",
    };
    std::vector<std::string> all(std::begin(cases), std::end(cases));
    all.push_back(readFile("plain.ppm")); // P3 from netpbm
    for (auto& bytes : all) {
        std::string err;
        long w = -1;
        EXPECT_EQ(loaded(bytes, 1, &err, &w), "") << bytes;
        EXPECT_EQ(w, 0) << bytes;
        EXPECT_EQ(err.rfind("p.ppm: Error scanning PPM header", 0), 0u) << bytes << ": " << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << bytes;
    }
    long w = -1, h = -1;
    EXPECT_EQ(stderrOf([&] { EXPECT_EQ(LoadPPM("nothing-here.ppm", &w, &h, 0), nullptr); }), "")
        << "a missing picture is silent";
}

namespace {

// Every texel of every tile (name id + u + v * tilesX): inside the picture the position code
// of its pixel, outside black (opaque pictures are held as RGB). A single texture has the
// picture's own size.
void expectTilesHold(const my_texture& t, int w, int h)
{
    for (int k = 0; k < t.tiles; k++) {
        int u = k % t.tilesX, v = k / t.tilesX, tw, th;
        glBindTexture(GL_TEXTURE_2D, t.id + (GLuint)k);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
        ASSERT_TRUE(tw == (t.tiles == 1 ? w : 256) && th == (t.tiles == 1 ? h : 256)) << "tile " << k;
        std::vector<unsigned char> texels((size_t)tw * th * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        for (int i = 0; i < tw * th; i++) {
            int x = u * 256 + i % tw, y = v * 256 + i / tw;
            rgb c = x < w && y < h ? positionColour(x, y) : rgb{0, 0, 0};
            unsigned char want[4] = {c.r, c.g, c.b, 255};
            ASSERT_EQ(memcmp(&texels[(size_t)i * 4], want, 4), 0) << "tile " << k << " texel " << i;
        }
    }
}

my_texture tile(int w, int h, int mode = 1)
{
    my_texture t{};
    std::string name = "pic" + std::to_string(w) + "x" + std::to_string(h) + ".ppm";
    EXPECT_TRUE(writeNetpbmPicture(name, w, h, positionColour));
    EXPECT_EQ(TexInit(&t, name.c_str(), mode), t.id);
    EXPECT_NE(t.id, 0u);
    return t;
}

// A textured quad over (0,0)-(x1,y1) in window pixels of the 640x480 picture.
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

TEST_F(Textures, TileCountsNamesAndClearedAreas)
{
    struct { int w, h, tilesX, tilesY; } cases[] = {
        {100, 30, 1, 1}, {256, 256, 1, 1}, {257, 256, 2, 1}, {300, 100, 2, 1}, {512, 512, 2, 2}, {1280, 960, 5, 4}};
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        my_texture t = tile(c.w, c.h);
        EXPECT_TRUE(t.width == c.w && t.height == c.h && t.tilesX == c.tilesX && t.tilesY == c.tilesY);
        EXPECT_EQ(t.tiles, c.tilesX * c.tilesY);
        expectTilesHold(t, c.w, c.h);
    }
}

// Failures leave the record as it was; a success leaves texturing and additive blending on.
TEST_F(Textures, RecordAndStateLeftBehind)
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
    stderrOf([&] { EXPECT_EQ(TexInit(&t, "missing.ppm", 0) + TexInit(&t, "bad.ppm", 0), 0u); });
    EXPECT_TRUE(t.id == 77u && t.tiles == 3);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    tile(300, 100);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_BLEND));
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_TRUE(src == GL_SRC_ALPHA && dst == GL_ONE && env == GL_MODULATE);
}

// Mesa's default filter wants mipmaps: without a filter of our own the font would not show.
// A repeating texture would blend in a tile's opposite edge: a dark seam between bright tiles.
TEST_F(Textures, FontShowsCrispAndStretchedTilesShowNoSeam)
{
    ASSERT_TRUE(offscreenOpen(640, 480));
    writeFile("font.ppm", std::string("P6 2 1 255\n\xff\xff\xff\x00\x00\x00", 17));
    my_texture font{};
    ASSERT_NE(TexInit(&font, "font.ppm", 2), 0u);
    quad(font.id, 200, 100);
    EXPECT_EQ(offscreenPixel(10, 50).r, 255);
    EXPECT_EQ(offscreenPixel(90, 50).r, 255) << "a smoothed font would blend into its neighbour";
    EXPECT_EQ(offscreenPixel(110, 50).r, 0) << "alpha 0 on black adds nothing";
    ASSERT_TRUE(writeNetpbmPicture("ramp.ppm", 512, 512, [](int x, int y) {
        return rgb{(unsigned char)(x & 255), (unsigned char)(y & 255), 9};
    }));
    my_texture pic{};
    ASSERT_NE(TexInit(&pic, "ramp.ppm", 1), 0u);
    glDisable(GL_BLEND);
    quad(pic.id, 320, 480);
    EXPECT_GE(offscreenPixel(319, 240).r, 250) << "right edge of the top-left tile";
    EXPECT_LE(offscreenPixel(0, 240).r, 5) << "left edge";
    EXPECT_GE(offscreenPixel(160, 479).g, 250) << "bottom edge";
    EXPECT_LE(offscreenPixel(160, 0).g, 5) << "top edge";
}
