// The viewer's music link with the real tunedeck player (SDL's dummy audio driver): files that
// are no module are each tried once, the player's complaint names the tune on our standard
// error, and the music then stops with one line. Tunes that play and follow each other are
// shown end to end with the real viewer (tests/e2e/test_music.py).
#include "app/composition.h"
#include "app/screen.h"
#include "app/songstart.h"
#include "content/directories.h"
#include "music/link.h"
#include "music/sandbox.h"
#include <cstring>
#include <gtest/gtest.h>

namespace {

TEST(Player, FilesThatAreNoModuleAreTriedOnceEachThenTheMusicStops)
{
    sandbox box;
    sandboxOpen(&box);
    std::filesystem::create_directories("musicplayer");
    std::filesystem::copy_file(builtProgram("tunedeck"), "musicplayer/tunedeck");
    std::filesystem::create_directories("Songs");
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    memset(songNames, 0, sizeof songNames);
    numberOfSongs = 0;
    for (const char* name : {"bad.mod", "worse.xm"}) {
        std::ofstream(std::string("Songs/") + name) << std::string(300, 'x');
        snprintf(songNames[numberOfSongs++], sizeof songNames[0], "\"Songs/%s\"", name);
    }
    currentSong = 0;
    changeSong = loadingSong = 1;
    mode = 2;
    startMusicHandler();
    testing::internal::CaptureStderr();
    for (int frame = 0; frame < 3000 && !(changeSong == 0 && runningCommands() == 0); frame++) {
        startPendingSong();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find("tunedeck: cannot decode Songs/bad.mod")) << err;
    EXPECT_NE(std::string::npos, err.find("tunedeck: cannot decode Songs/worse.xm")) << err;
    EXPECT_NE(std::string::npos, err.find("none of the 2 tunes could be played")) << err;
    EXPECT_EQ(3, (int)std::count(err.begin(), err.end(), '\n')) << err;
    EXPECT_EQ(1, loadingSong); // it never said it plays
    stopMusicHandler();
    sandboxClose(&box);
    numberOfSongs = 0;
}

} // namespace
