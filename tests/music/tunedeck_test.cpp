// The viewer's music link with the real tunedeck player (SDL's dummy audio driver) on short
// modules the test writes: a tune starts, the next starts when it ends, and a file that is
// no module starts no loop of players.
#include "app/composition.h"
#include "app/screen.h"
#include "app/songstart.h"
#include "content/directories.h"
#include "music/link.h"
#include "music/sandbox.h"
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A ProTracker module of one pattern holding a tone, ending after `rows` rows of 0.12 s.
std::vector<unsigned char> shortModule(int rows)
{
    std::vector<unsigned char> m(20 + 31 * 30 + 2 + 128 + 4 + 1024 + 256, 0);
    unsigned char* sample = &m[20];
    memcpy(sample, "tone", 4);
    sample[22] = 0, sample[23] = 128; // length in words, big-endian
    sample[25] = 64;                  // volume
    sample[28] = 0, sample[29] = 128; // loop length
    size_t at = 20 + 31 * 30;
    m[at] = 1;   // one position
    m[at + 1] = 127;
    memcpy(&m[at + 130], "M.K.", 4);
    unsigned char* pattern = &m[at + 134];
    const int period = 214;
    unsigned char first[4] = {(unsigned char)(period >> 8), (unsigned char)(period & 0xFF), 0x1F, 6};
    memcpy(pattern, first, 4);                      // sample 1, speed 6
    pattern[(rows - 1) * 16 + 4 + 2] = 0x0D;        // pattern break: the tune ends here
    for (int i = 0; i < 256; i++) m[at + 134 + 1024 + i] = (unsigned char)(i * 8);
    return m;
}

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
    void addSong(const char* name, const std::vector<unsigned char>& bytes)
    {
        std::filesystem::create_directories("Songs");
        std::ofstream(std::string("Songs/") + name, std::ios::binary).write((const char*)bytes.data(), bytes.size());
        snprintf(songNames[numberOfSongs++], sizeof songNames[0], "\"Songs/%s\"", name);
    }
    // Runs frames (the song start of each) until done() or the timeout.
    template <typename F> bool frames(F done, int timeoutMs)
    {
        return waitUntil([&] {
            startPendingSong();
            return done();
        }, timeoutMs);
    }
};

TEST_F(Player, TunesFollowEachOther)
{
    addSong("a.mod", shortModule(8));  // about a second
    addSong("b.mod", shortModule(64)); // several seconds
    ASSERT_TRUE(frames([] { return loadingSong == 0; }, 10000)) << "tune 0 never reported that it plays";
    EXPECT_STREQ("unchanged", infoText); // the first tune is not announced
    ASSERT_TRUE(frames([] { return currentSong == 1 && loadingSong == 0; }, 10000)) << "tune 1 never followed";
    EXPECT_STREQ("     Playing b.mod", infoText);
    EXPECT_EQ(1, runningCommands());
}

TEST_F(Player, FileThatIsNoModuleStartsNoLoopOfPlayers)
{
    addSong("bad.mod", std::vector<unsigned char>(300, 'x'));
    startPendingSong();
    ASSERT_TRUE(peersEnded());
    for (int i = 0; i < 50; i++) startPendingSong();
    EXPECT_EQ(0, runningCommands());
    EXPECT_EQ(0, changeSong);
    EXPECT_EQ(1, loadingSong); // it never said it plays
}

} // namespace
