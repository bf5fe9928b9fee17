// The song start at the top of every frame: every tune that starts is announced by its bare
// file name, the index is brought back into range, the player gets the tune path as its one
// argument (also for hostile file names), a player that ends without playing moves on to
// the next tune, a missing player and an empty song list.
#include "app/composition.h"
#include "app/screen.h"
#include "music/songstart.h"
#include "content/directories.h"
#include "music/link.h"
#include "music/sandbox.h"
#include "support/magazine_state.h"
#include <cstring>
#include <gtest/gtest.h>

namespace {

struct SongStart : ::testing::Test {
    sandbox box;
    void SetUp() override
    {
        sandboxOpen(&box);
        useSongList(5);
        currentSong = 0;
        changeSong = 1;
        loadingSong = 0;
        snprintf(infoText, sizeof infoText, "unchanged");
        mode = 2;
        startMusicHandler();
        // The stand-in player records its arguments and ends without playing.
        writeScript("musicplayer/tunedeck", "printf '%s' \"$#\" > argc; printf '%s' \"$1\" > started");
    }
    void TearDown() override
    {
        stopMusicHandler();
        sandboxClose(&box);
        numberOfSongs = 0;
    }
};

TEST_F(SongStart, AnnouncesStartsAndMovesOnFromAPlayerThatDidNotPlay)
{
    const char* hostile = "a \"b\";touch pwned;$(id)`x`|&.mod";
    snprintf(songNames[2], sizeof songNames[2], "Songs/mods/x.mod");
    snprintf(songNames[3], sizeof songNames[3], "Songs/%s", hostile);
    struct {
        int song, loading; // before
        int started;       // the index the player gets
        std::string name, path;
    } cases[] = {
        {-5, 1, 0, "t0.mod", "Songs/t0.mod"}, // the first frame announces too; -5 is 0, not 5
        {2, 0, 2, "x.mod", "Songs/mods/x.mod"},
        {-1, 0, 4, "t4.mod", "Songs/t4.mod"},
        {-12, 0, 3, hostile, std::string("Songs/") + hostile},
    };
    for (auto& c : cases) {
        currentSong = c.song;
        loadingSong = c.loading;
        changeSong = 1;
        startPendingSong();
        EXPECT_EQ("     Playing " + c.name, infoText) << c.song;
        EXPECT_EQ(1, loadingSong);
        ASSERT_TRUE(peersEnded());
        EXPECT_EQ(c.path, readFile("started"));
        EXPECT_EQ("1", readFile("argc"));
        EXPECT_EQ(c.started + 1, currentSong) << "a player that ends unplayed moves on";
        EXPECT_EQ(1, changeSong);
    }
    EXPECT_FALSE(std::filesystem::exists("pwned"));
}

// Every tune in turn failing stops the music with one line instead of a loop of players.
TEST_F(SongStart, AllTunesFailingStopsTheMusicWithOneLine)
{
    testing::internal::CaptureStderr();
    int starts = 0;
    for (int frame = 0; frame < 2000 && starts < 20; frame++) {
        if (changeSong == 1 && !playerRunning()) starts++;
        startPendingSong();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(peersEnded());
    startPendingSong();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(5, starts);
    EXPECT_EQ("pagovia: none of the 5 tunes could be played; the music stops\n", err);
    EXPECT_EQ(0, runningCommands());
}

TEST_F(SongStart, MissingPlayerStillClearsTheRequest)
{
    std::filesystem::remove("musicplayer/tunedeck");
    testing::internal::CaptureStderr();
    startPendingSong();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(0, changeSong); // no retry every frame
    EXPECT_EQ(1, loadingSong);
    EXPECT_NE(std::string::npos, err.find("musicplayer/tunedeck"));
}

// Regression: with an empty song list the index was reduced modulo zero.
TEST_F(SongStart, EmptySongListStartsNothingAndChangesNothing)
{
    numberOfSongs = 0;
    currentSong = -3;
    startPendingSong();
    EXPECT_EQ(0, runningCommands());
    EXPECT_EQ(-3, currentSong);
    EXPECT_EQ(1, changeSong);
    EXPECT_EQ(0, loadingSong);
    EXPECT_STREQ("unchanged", infoText);
}

} // namespace
