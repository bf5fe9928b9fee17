// The song start at the top of every frame: the tune is announced by its bare file name, the
// index brought back into range, the player given the path as its one argument (hostile
// names too); players that end without playing move on, until every tune has failed.
#include "app/lifecycle.h"
#include "app/view.h"
#include "music/sandbox.h"

namespace {

struct SongStart : MusicTest {
    void SetUp() override
    {
        MusicTest::SetUp();
        startMusicHandler();
        // The stand-in player records its arguments and ends without playing.
        writeScript("musicplayer/tunedeck", "printf '%s' \"$#\" > argc; printf '%s' \"$1\" > started");
    }
};

TEST_F(SongStart, AnnouncesStartsAndMovesOnFromAPlayerThatDidNotPlay)
{
    const char* hostile = "a \"b\";touch pwned;$(id)`x`|&.mod";
    snprintf(songNames[2], sizeof songNames[2], "Songs/mods/x.mod");
    snprintf(songNames[3], sizeof songNames[3], "Songs/%s", hostile);
    struct {
        int song, loading, started; // currentSong and loadingSong before; the tune started
        std::string name;
    } cases[] = {
        {-5, 1, 0, "t0.mod"}, // the first frame announces too; -5 is 0, not 5
        {2, 0, 2, "x.mod"},
        {-1, 0, 4, "t4.mod"},
        {-12, 0, 3, hostile},
    };
    for (auto& c : cases) {
        currentSong = c.song;
        loadingSong = c.loading;
        changeSong = 1;
        startPendingSong();
        EXPECT_EQ("     Playing " + c.name, infoText) << c.song;
        ASSERT_TRUE(peersEnded());
        EXPECT_EQ(songNames[c.started], readFile("started"));
        EXPECT_EQ("1", readFile("argc"));
        EXPECT_EQ(std::to_string(c.started + 1) + " 1 1", state()) << "a player that ends unplayed moves on";
    }
    EXPECT_FALSE(std::filesystem::exists("pwned"));
}

// Regression: the next tune was started only by a drawn frame, so a viewer whose window was
// covered (no display calls) went silent after its first tune. The idle call starts it too.
TEST_F(SongStart, IdleStartsAPendingTuneWithoutAFrame)
{
    currentSong = 1;
    changeSong = 1;
    idle();
    ASSERT_TRUE(peersEnded());
    EXPECT_EQ(songNames[1], readFile("started"));
}

// Every tune in turn failing stops the music with one line instead of a loop of players; a
// missing player is not retried every frame.
TEST_F(SongStart, FailingPlayersStopTheMusicWithOneLine)
{
    testing::internal::CaptureStderr();
    changeSong = 1;
    int starts = 0;
    for (int frame = 0; frame < 2000 && starts < 20; frame++) {
        if (changeSong == 1 && !playerRunning()) starts++;
        startPendingSong();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(peersEnded());
    startPendingSong();
    EXPECT_EQ(5, starts);
    EXPECT_EQ("pagovia: none of the 5 tunes could be played; the music stops\n",
              testing::internal::GetCapturedStderr());

    std::filesystem::remove("musicplayer/tunedeck");
    changeSong = 1;
    testing::internal::CaptureStderr();
    startPendingSong();
    EXPECT_EQ(0, changeSong);
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("musicplayer/tunedeck"));
}

} // namespace
