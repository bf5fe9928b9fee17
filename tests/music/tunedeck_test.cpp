// The viewer's music link with the real tunedeck player (SDL's dummy audio driver): a file that
// is no module starts no loop of players. Tunes that play and follow each other are shown end to
// end with the real viewer (tests/e2e/test_music.py).
#include "app/composition.h"
#include "app/screen.h"
#include "app/songstart.h"
#include "content/directories.h"
#include "music/link.h"
#include "music/sandbox.h"
#include <cstring>
#include <gtest/gtest.h>

namespace {

struct Player : ::testing::Test {
    sandbox box;
    void SetUp() override
    {
        sandboxOpen(&box);
        std::filesystem::create_directories("musicplayer");
        std::filesystem::copy_file(builtProgram("tunedeck"), "musicplayer/tunedeck");
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        memset(songNames, 0, sizeof songNames);
        numberOfSongs = 0;
        currentSong = 0;
        changeSong = 1;
        loadingSong = 1;
        mode = 2;
        snprintf(infoText, sizeof infoText, "unchanged");
        startMusicHandler();
        ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(box.runtime + "/pagovia/demoport"); }));
    }
    void TearDown() override
    {
        stopMusicHandler();
        sandboxClose(&box);
        numberOfSongs = 0;
    }
};

TEST_F(Player, FileThatIsNoModuleStartsNoLoopOfPlayers)
{
    std::filesystem::create_directories("Songs");
    std::ofstream("Songs/bad.mod") << std::string(300, 'x');
    snprintf(songNames[numberOfSongs++], sizeof songNames[0], "\"Songs/bad.mod\"");
    startPendingSong();
    ASSERT_TRUE(peersEnded());
    for (int i = 0; i < 50; i++) startPendingSong();
    EXPECT_EQ(0, runningCommands());
    EXPECT_EQ(0, changeSong);
    EXPECT_EQ(1, loadingSong); // it never said it plays
}

} // namespace
