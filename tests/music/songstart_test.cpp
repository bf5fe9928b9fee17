// The song start at the top of every frame: the announcement by bare file name, the index
// brought back into range, the player started with the tune path as its one argument (also
// for hostile file names), and an empty song list.
#include "app/composition.h"
#include "app/screen.h"
#include "app/songstart.h"
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
        // The stand-in player records its arguments.
        writeScript("musicplayer/tunedeck", "printf '%s' \"$#\" > argc; printf '%s' \"$1\" > started");
    }
    void TearDown() override
    {
        sandboxClose(&box);
        numberOfSongs = 0;
    }
    std::string started() { return peersEnded() ? readFile("started") : "(still running)"; }
};

TEST_F(SongStart, AnnouncesByFileNameAndStartsTheTune)
{
    snprintf(songNames[2], sizeof songNames[2], "\"Songs/mods/x.mod\"");
    currentSong = 2;
    startPendingSong();
    EXPECT_STREQ("     Playing x.mod", infoText);
    EXPECT_EQ(1, loadingSong);
    EXPECT_EQ(0, changeSong);
    EXPECT_EQ("Songs/mods/x.mod", started());
    EXPECT_EQ("1", readFile("argc"));
}

TEST_F(SongStart, FirstFrameStartsTuneZeroWithoutAnnouncing)
{
    loadingSong = 1;
    startPendingSong();
    EXPECT_STREQ("unchanged", infoText);
    EXPECT_EQ("Songs/t0.mod", started());
}

TEST_F(SongStart, NegativeIndexIsBroughtIntoRange)
{
    currentSong = -1;
    startPendingSong();
    EXPECT_EQ(4, currentSong);
    EXPECT_STREQ("     Playing t4.mod", infoText);
    EXPECT_EQ("Songs/t4.mod", started());

    changeSong = 1;
    currentSong = -12;
    startPendingSong();
    EXPECT_EQ(3, currentSong);
    ASSERT_TRUE(peersEnded());
}

TEST_F(SongStart, HostileFileNameReachesThePlayerUnchanged)
{
    const char* name = "a \"b\";touch pwned;$(id)`x`|&.mod";
    snprintf(songNames[0], sizeof songNames[0], "\"Songs/%s\"", name);
    startPendingSong();
    EXPECT_EQ(std::string("Songs/") + name, started());
    EXPECT_EQ("1", readFile("argc"));
    EXPECT_FALSE(std::filesystem::exists("pwned"));
    EXPECT_EQ(std::string("     Playing ") + name, infoText);
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
