// Covers the Menus, Images and Songs directories: sorted menu images with the colour key,
// pictures in listing order, quoted tune entries with their 55-character limit, what is
// passed over (".info", subdirectories), missing directories, and full tables.
#include "content/directories.h"
#include "content/content_files.h"
#include "support/offscreen.h"
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>

using namespace contentfiles;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

class ContentDirs : public testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override { ASSERT_TRUE(offscreenOpen(64, 64)); }
    void TearDown() override
    {
        cleanupMenus();
        cleanupBackgrounds();
        offscreenClose();
    }
};

// A one-pixel picture whose red channel says which file it came from.
void tinyPicture(const std::string& path, unsigned char mark)
{
    char header[] = "P6 1 1 255\n";
    std::string bytes = header;
    bytes += (char)mark;
    bytes += '\0';
    bytes += '\0';
    writeFile(path, bytes);
}

unsigned char textureMark(const my_texture& t)
{
    unsigned char texel[4] = {};
    glBindTexture(GL_TEXTURE_2D, t.id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    return texel[0];
}

std::vector<std::string> listingOrder(const char* directory)
{
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(directory))
        if (e.is_regular_file() && !e.is_symlink()) names.push_back(e.path().filename().string());
    return names;
}

} // namespace

// ---- menu images ----

TEST_F(ContentDirs, MenusSortedByteWise)
{
    tinyPicture("Menus/b", 1);
    tinyPicture("Menus/A", 2);
    tinyPicture("Menus/Zeta", 3);
    ASSERT_EQ(readMenus(), 1);
    ASSERT_EQ(menus, 3);
    EXPECT_STREQ(menuArray[0].name, "A");
    EXPECT_STREQ(menuArray[1].name, "Zeta");
    EXPECT_STREQ(menuArray[2].name, "b");
    EXPECT_EQ(menuArray[3].name[0], '\0');
    // Each record still carries its own file's texture after the exchanges.
    EXPECT_EQ(textureMark(menuArray[0]), 2);
    EXPECT_EQ(textureMark(menuArray[1]), 3);
    EXPECT_EQ(textureMark(menuArray[2]), 1);
}

TEST_F(ContentDirs, MenusUseTheColourKey)
{
    writeFile("Menus/m", std::string("P6 2 1 255\n\x00\x00\x00\x00\x00\x01", 17));
    ASSERT_EQ(readMenus(), 1);
    ASSERT_EQ(menus, 1);
    unsigned char texels[8] = {};
    glBindTexture(GL_TEXTURE_2D, menuArray[0].id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    EXPECT_EQ(texels[3], 0);
    EXPECT_EQ(texels[7], 255);
}

TEST_F(ContentDirs, InfoFilesAndSubdirectoriesArePassedOver)
{
    tinyPicture("Menus/top.ppm", 1);
    tinyPicture("Menus/top.ppm.info", 2);
    tinyPicture("Menus/sub/inner.ppm", 3);
    ASSERT_EQ(readMenus(), 1);
    ASSERT_EQ(menus, 1);
    EXPECT_STREQ(menuArray[0].name, "top.ppm");
}

TEST_F(ContentDirs, MissingMenusDirectory)
{
    CaptureStderr();
    EXPECT_EQ(readMenus(), 0);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(menus, 0);
    EXPECT_EQ(menuArray, nullptr);
}

// Regression: a record whose image failed used to keep whatever the heap held, and
// renderers drew garbage texture names. Now it is entered by name with no tiles.
TEST_F(ContentDirs, UnreadableImageIsEnteredWithoutTiles)
{
    writeFile("Menus/broken", "P3\n1 1\n255\n0 0 0\n");
    tinyPicture("Menus/fine", 9);
    CaptureStdout();
    ASSERT_EQ(readMenus(), 1);
    EXPECT_EQ(GetCapturedStdout(), "Error scanning PPM header\n");
    ASSERT_EQ(menus, 2);
    EXPECT_STREQ(menuArray[0].name, "broken");
    EXPECT_EQ(menuArray[0].tiles, 0);
    EXPECT_EQ(menuArray[0].id, 0u);
    EXPECT_EQ(menuArray[1].tiles, 1);
}

// Regression: a fifth menu image was written past the four-record table.
TEST_F(ContentDirs, FifthMenuImageIsIgnored)
{
    const char* names[] = {"e", "c", "a", "d", "b", "f"};
    for (int i = 0; i < 6; i++) tinyPicture(std::string("Menus/") + names[i], (unsigned char)(10 + names[i][0] - 'a'));
    CaptureStderr();
    ASSERT_EQ(readMenus(), 1);
    EXPECT_EQ(GetCapturedStderr(), "Menus: more than 4 files, 2 ignored\n");
    ASSERT_EQ(menus, 4);
    // Whatever the listing order, the four names that sort first are kept.
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(menuArray[i].name, std::string(1, (char)('a' + i)));
        EXPECT_EQ(textureMark(menuArray[i]), 10 + i);
    }
}

// ---- background pictures ----

TEST_F(ContentDirs, PicturesKeepTheListingOrderAndAreOpaque)
{
    const char* names[] = {"zz.ppm", "aa.ppm", "mm.ppm", "Bb.ppm", "black.ppm"};
    for (int i = 0; i < 5; i++) tinyPicture(std::string("Images/") + names[i], (unsigned char)(i + 1));
    writeFile("Images/black.ppm", std::string("P6 1 1 255\n\0\0\0", 14));
    ASSERT_EQ(readBackgrounds(), 1);
    std::vector<std::string> order = listingOrder("Images");
    ASSERT_EQ(backgrounds, (int)order.size());
    for (int i = 0; i < backgrounds; i++) {
        EXPECT_EQ(backgroundArray[i].name, order[i]);
        EXPECT_EQ(backgroundArray[i].tiles, 1);
    }
    auto black = std::find(order.begin(), order.end(), "black.ppm") - order.begin();
    unsigned char texel[4] = {};
    glBindTexture(GL_TEXTURE_2D, backgroundArray[black].id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    EXPECT_EQ(texel[3], 255) << "black is opaque in a picture";
}

TEST_F(ContentDirs, MissingImagesDirectory)
{
    EXPECT_EQ(readBackgrounds(), 0);
    EXPECT_EQ(backgrounds, 0);
    EXPECT_EQ(backgroundArray, nullptr);
}

// Regression: pictures beyond 1024 were written past the table.
TEST_F(ContentDirs, PicturesBeyondTheTableAreIgnored)
{
    for (int i = 0; i < MAX_BACKGROUNDS + 3; i++) tinyPicture("Images/p" + std::to_string(i), 7);
    CaptureStderr();
    ASSERT_EQ(readBackgrounds(), 1);
    EXPECT_EQ(GetCapturedStderr(), "Images: more than 1024 files, 3 ignored\n");
    EXPECT_EQ(backgrounds, MAX_BACKGROUNDS);
    std::vector<std::string> order = listingOrder("Images");
    EXPECT_STREQ(backgroundArray[MAX_BACKGROUNDS - 1].name, order[MAX_BACKGROUNDS - 1].c_str());
}

// ---- tunes ----

TEST_F(ContentDirs, SongEntriesAreQuotedAndSorted)
{
    for (const char* n : {"t", "a", "a b", "a!", "B.mod", "song.info"}) writeFile(std::string("Songs/") + n, "x");
    std::filesystem::create_directory("Songs/folder");
    EXPECT_EQ(readSongNames(), 1);
    ASSERT_EQ(numberOfSongs, 5);
    // Blank and '!' sort below the closing quote, so "a b" and "a!" come before "a".
    EXPECT_STREQ(songNames[0], "\"Songs/B.mod\"");
    EXPECT_STREQ(songNames[1], "\"Songs/a b\"");
    EXPECT_STREQ(songNames[2], "\"Songs/a!\"");
    EXPECT_STREQ(songNames[3], "\"Songs/a\"");
    EXPECT_STREQ(songNames[4], "\"Songs/t\"");
    EXPECT_EQ(strlen(songNames[4]), 9u);
    EXPECT_EQ(songNames[5][0], '\0');
}

TEST_F(ContentDirs, SongNameLimitIs55Characters)
{
    std::string fits(55, 'f'), tooLong(56, 'g');
    writeFile("Songs/" + fits, "x");
    writeFile("Songs/" + tooLong, "x");
    CaptureStderr();
    EXPECT_EQ(readSongNames(), 1);
    std::string err = GetCapturedStderr();
    ASSERT_EQ(numberOfSongs, 1);
    EXPECT_EQ(strlen(songNames[0]), 63u);
    EXPECT_EQ(std::string(songNames[0]), "\"Songs/" + fits + "\"");
    EXPECT_EQ(err, "Tune name longer than 55 characters, skipped: " + tooLong + "\n");
}

TEST_F(ContentDirs, NoSongsDirectory)
{
    writeFile("Songs-not/x", "x");
    numberOfSongs = 5;
    EXPECT_EQ(readSongNames(), 1);
    EXPECT_EQ(numberOfSongs, 0);
    EXPECT_EQ(songNames[0][0], '\0');
}

// Regression: tunes beyond 1024 were written past the table.
TEST_F(ContentDirs, SongsBeyondTheTableKeepTheFirstNames)
{
    for (int i = 0; i < MAX_SONGS + 2; i++) {
        char name[32];
        snprintf(name, sizeof name, "Songs/%04d.mod", i);
        writeFile(name, "x");
    }
    CaptureStderr();
    EXPECT_EQ(readSongNames(), 1);
    EXPECT_EQ(GetCapturedStderr(), "Songs: more than 1024 files, 2 ignored\n");
    ASSERT_EQ(numberOfSongs, MAX_SONGS);
    EXPECT_STREQ(songNames[0], "\"Songs/0000.mod\"");
    EXPECT_STREQ(songNames[MAX_SONGS - 1], "\"Songs/1023.mod\"");
}
