// The Menus, Images and Songs directories: sorted menu images with the colour key, pictures
// in listing order uploaded on demand, quoted tune entries with their 55-character limit,
// what is passed over (".info", subdirectories), missing directories, and full tables.
#include "content/content_files.h"
#include "platform/report.h"
#include "support/offscreen.h"
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <chrono>
#include "content/picturecache.h"
#include <cstring>

using namespace contentfiles;
using ContentDirs = Content;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// A one-pixel picture whose red channel says which file it came from.
void tinyPicture(const std::string& path, unsigned char mark)
{
    writeFile(path, std::string("P6 1 1 255\n") + (char)mark + '\0' + '\0');
}

// Byte `i` of a texture no larger than 2x1, read back from Mesa.
unsigned char texel(const my_texture& t, int i)
{
    unsigned char texels[8] = {};
    glBindTexture(GL_TEXTURE_2D, t.id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    return texels[i];
}

} // namespace

// Menu images take the colour key: "b" is one red-1 pixel and one black, see-through pixel.
// Regression: a record whose image failed kept whatever the heap held (garbage texture
// names); it is entered by name with no tiles.
TEST_F(ContentDirs, MenusSortedByteWiseWithTheColourKey)
{
    writeFile("Menus/b", std::string("P6 2 1 255\n\x01\x00\x00\x00\x00\x00", 17));
    tinyPicture("Menus/A", 2);
    tinyPicture("Menus/A.info", 4);
    tinyPicture("Menus/sub/inner.ppm", 5);
    writeFile("Menus/Broken", "P3\n1 1\n255\n0 0 0\n");
    EXPECT_EQ(stderrOf([] { ASSERT_EQ(readMenus(), 1); }), "Menus/Broken: Error scanning PPM header\n");
    ASSERT_EQ(menus, 3);
    const char* names[] = {"A", "Broken", "b"};
    for (int i = 0; i < 3; i++) EXPECT_STREQ(menuArray[i].name, names[i]);
    EXPECT_TRUE(menuArray[1].tiles == 0 && menuArray[1].id == 0u);
    EXPECT_EQ(texel(menuArray[0], 0), 2); // each record keeps its own file's texture
    EXPECT_EQ(texel(menuArray[2], 0), 1);
    EXPECT_EQ(texel(menuArray[2], 3), 255);
    EXPECT_EQ(texel(menuArray[2], 7), 0);
}

// Regression: a fifth menu image was written past the four-record table; whatever the
// listing order, the four names that sort first are kept, each with its own texture.
TEST_F(ContentDirs, FifthMenuImageIsIgnored)
{
    for (char c : std::string("ecadbf")) tinyPicture(std::string("Menus/") + c, (unsigned char)(10 + c - 'a'));
    EXPECT_EQ(stderrOf([] { ASSERT_EQ(readMenus(), 1); }), "Menus: more than 4 files, 2 ignored\n");
    ASSERT_EQ(menus, 4);
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(menuArray[i].name, std::string(1, (char)('a' + i)));
        EXPECT_EQ(texel(menuArray[i], 0), 10 + i);
    }
}

TEST_F(ContentDirs, MissingDirectories)
{
    numberOfSongs = 5;
    EXPECT_EQ(stderrOf([] {
                  EXPECT_EQ(readMenus(), 0);
                  EXPECT_EQ(readBackgrounds(), 0);
                  EXPECT_EQ(readSongNames(), 1);
              }),
              "Menus: no menu pictures: the top and bottom menus stay empty\n");
    EXPECT_EQ(menus + backgrounds + numberOfSongs, 0);
    EXPECT_TRUE(menuArray == nullptr && backgroundArray == nullptr);
}

// Regression: pictures and tunes beyond 1024 were written past their tables. The pictures
// kept are the first 1024 in listing order, black is opaque in them, and only the most
// recently used stay uploaded.
TEST_F(ContentDirs, PicturesInListingOrderAndSongsBeyondTheTableAreIgnored)
{
    for (int i = 0; i < MAX_BACKGROUNDS + 3; i++) tinyPicture("Images/p" + std::to_string(i), 0);
    for (int i = MAX_SONGS + 1; i >= 0; i--) writeFile("Songs/" + std::to_string(1000 + i) + ".mod", "x");
    EXPECT_EQ(stderrOf([] {
                  ASSERT_EQ(readBackgrounds(), 1);
                  EXPECT_EQ(readSongNames(), 1);
              }),
              "Images: more than 1024 files, 3 ignored\nSongs: more than 1024 files, 2 ignored\n");
    ASSERT_EQ(backgrounds, MAX_BACKGROUNDS);
    std::vector<std::string> order;
    for (auto& e : fs::directory_iterator("Images")) order.push_back(e.path().filename().string());
    for (int i = 0; i < MAX_BACKGROUNDS; i++) {
        ASSERT_EQ(backgroundArray[i].name, order[i]);
        ASSERT_EQ(backgroundArray[i].id, 0u) << "start-up reads headers only";
        ASSERT_TRUE(makePictureResident(&backgroundArray[i]));
        ASSERT_EQ(texel(backgroundArray[i], 3), 255) << "black is opaque in a picture";
    }
    EXPECT_EQ(backgroundArray[(int)MAX_BACKGROUNDS - (int)RESIDENT_PICTURES - 1].id, 0u) << "least recently used left";
    EXPECT_NE(backgroundArray[(int)MAX_BACKGROUNDS - (int)RESIDENT_PICTURES].id, 0u);
    ASSERT_EQ(numberOfSongs, MAX_SONGS);
    EXPECT_STREQ(songNames[0], "Songs/1000.mod");
    EXPECT_STREQ(songNames[MAX_SONGS - 1], "Songs/2023.mod");
}

// Pictures are uploaded in the middle of a frame. Regression: the upload's own GL state
// (blending on, additive) leaked into the article text drawn after the background.
TEST_F(ContentDirs, PictureUploadedOnDemandLeavesTheFramesStateAndNotesAFileGoneSinceStartUp)
{
    tinyPicture("Images/a.ppm", 1);
    tinyPicture("Images/b.ppm", 2);
    ASSERT_EQ(readBackgrounds(), 1);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    ASSERT_TRUE(makePictureResident(&backgroundArray[0]));
    GLint destination = 0;
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_FALSE(glIsEnabled(GL_BLEND) || glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(destination, GL_ONE_MINUS_SRC_ALPHA);
    fs::remove("Images/b.ppm");
    EXPECT_FALSE(makePictureResident(&backgroundArray[1]));
    EXPECT_EQ(backgroundArray[1].tiles, 0) << "no new attempt on every frame";
}

// Idle time uploads a picture a few rows or one tile at a time; the result is the texture
// TexInit makes (edge tiles padded black), and a file short of part of its last row is told
// with the loader's own line.
TEST_F(ContentDirs, PictureUploadedInStepsIsTheOneTexInitMakes)
{
    struct { int w, h, missing; } cases[] = {{300, 260, 0}, {256, 256, 0}, {3, 2, 0}, {300, 260, 100}};
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << ", " << c.missing << " bytes missing");
        std::string raster((size_t)c.w * c.h * 3 - c.missing, '\0');
        for (size_t i = 0; i < raster.size(); i++) raster[i] = (char)(i * 7 + i / 999);
        writeFile("Images/p.ppm", "P6\n" + std::to_string(c.w) + " " + std::to_string(c.h) + "\n255\n" + raster);
        ASSERT_EQ(readBackgrounds(), 1);
        my_texture reference{};
        CaptureStderr();
        ASSERT_NE(TexInit(&reference, "Images/p.ppm", 1), 0u);
        reportFlush();
        std::string loaderSays = GetCapturedStderr();
        const my_texture& t = backgroundArray[0];
        CaptureStderr();
        EXPECT_FALSE(preloadPicture(&t, 0)) << "a deadline already passed does nothing";
        int calls = 1;
        for (; calls < 10000 && !preloadPicture(&t, (int64_t)std::chrono::duration_cast<std::chrono::microseconds>(
                                                   std::chrono::steady_clock::now().time_since_epoch()).count() + 10);
             calls++) {}
        reportFlush();
        EXPECT_EQ(GetCapturedStderr(), loaderSays);
        ASSERT_TRUE(pictureResident(&t));
        if (t.tiles > 1) {
            EXPECT_GT(calls, 2) << "uploaded in steps";
        }
        for (int k = 0; k < t.tiles; k++) {
            std::vector<unsigned char> got(256 * 256 * 3), want(256 * 256 * 3);
            glBindTexture(GL_TEXTURE_2D, t.id + k);
            glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, got.data());
            glBindTexture(GL_TEXTURE_2D, reference.id + k);
            glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, want.data());
            EXPECT_TRUE(got == want) << "tile " << k;
        }
        cleanupBackgrounds();
    }
}

// ---- tunes ----

TEST_F(ContentDirs, SongEntriesSortAsTheirQuotedForms)
{
    for (const char* n : {"t", "a", "a b", "a!", "B.mod", "song.info"}) writeFile(std::string("Songs/") + n, "x");
    std::filesystem::create_directory("Songs/folder");
    EXPECT_EQ(readSongNames(), 1);
    ASSERT_EQ(numberOfSongs, 5);
    // Blank and '!' sort below the closing quote, so "a b" and "a!" come before "a".
    const char* want[] = {"Songs/B.mod", "Songs/a b", "Songs/a!", "Songs/a", "Songs/t"};
    for (int i = 0; i < 5; i++) EXPECT_STREQ(songNames[i], want[i]);
    EXPECT_EQ(songNames[5][0], '\0');
}

TEST_F(ContentDirs, SongNameLimitIs55Characters)
{
    std::string fits(55, 'f'), tooLong(56, 'g');
    writeFile("Songs/" + fits, "x");
    writeFile("Songs/" + tooLong, "x");
    CaptureStderr();
    EXPECT_EQ(readSongNames(), 1);
    EXPECT_EQ(GetCapturedStderr(), "Songs: Tune name longer than 55 characters, skipped: " + tooLong + "\n");
    ASSERT_EQ(numberOfSongs, 1);
    EXPECT_EQ(std::string(songNames[0]), "Songs/" + fits);
}
