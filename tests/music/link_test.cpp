// The player link against real processes over real ports, the player being the scripted
// peer program (music_peer): the record on the wire, a hung player, the handler's reports
// and its finish, play-next, play-previous, choosing a tune, no tunes, and shutdown.
#include "app/composition.h"
#include "app/screen.h"
#include "app/songstart.h"
#include "content/directories.h"
#include "music/link.h"
#include "music/sandbox.h"
#include "support/magazine_state.h"
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

namespace {

struct Link : ::testing::Test {
    sandbox box;
    std::string log;
    void SetUp() override
    {
        sandboxOpen(&box);
        log = box.root + "/peer.log";
        useSongList(5);
        currentSong = 0;
        changeSong = 0;
        loadingSong = 0;
        snprintf(infoText, sizeof infoText, "unchanged");
        mode = 2;
    }
    void TearDown() override
    {
        stopMusicHandler();
        sandboxClose(&box);
        numberOfSongs = 0;
    }
    bool portUp(const char* name) { return std::filesystem::exists(box.runtime + "/pagovia/" + name); }
    void startHandler()
    {
        startMusicHandler();
        ASSERT_TRUE(waitUntil([&] { return portUp("demoport"); }));
    }
    // A peer that owns "musicplayerport" and has said it plays, then runs `rest`.
    void startPlayer(const std::string& rest)
    {
        loadingSong = 1;
        ASSERT_TRUE(startPeer("own report:0 " + rest, log));
        ASSERT_TRUE(waitUntil([] { return loadingSong == 0; }));
    }
    std::string peerLog()
    {
        EXPECT_TRUE(peersEnded());
        return readFile(log);
    }
};

bool has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// ---- the record and the send ----

TEST_F(Link, RecordTravelsInTheAgreedLayout)
{
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "recordport"));
    unsigned char seen[MUSIC_MESSAGE_SIZE];
    std::thread receiver([&] {
        ASSERT_EQ(1, portWait(&p, 5000));
        int c = portTake(&p, seen, sizeof seen);
        musicMessage answer;
        memcpy(&answer, seen, sizeof answer);
        answer.command = 77;
        portReply(c, &answer, sizeof answer);
    });
    EXPECT_EQ(77, SendStringMessage("recordport", 0x01020304, "hello"));
    receiver.join();
    portDelete(&p);
    unsigned char header[20] = {};
    header[8] = 5;                              // ln_Type
    memcpy(header + 18, "\x18\x04", 2);         // mn_Length 1048, little-endian
    EXPECT_EQ(0, memcmp(header, seen, 20));     // pointer fields travel as zeros
    EXPECT_EQ(0, memcmp("\x04\x03\x02\x01hello", seen + 20, 9));
    for (int i = 29; i < MUSIC_MESSAGE_SIZE; i++) ASSERT_EQ(0, seen[i]) << i;
}

TEST_F(Link, HungPlayerCountsAsAbsent)
{
    ASSERT_TRUE(startPeer("own hold:4000", log));
    ASSERT_TRUE(waitUntil([&] { return portUp("musicplayerport"); }));
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(-1, SendMessage("musicplayerport", 2));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(3500));
}

// ---- the handler ----

TEST_F(Link, HandlerAppliesReportsAndAnswersEveryCode)
{
    loadingSong = 1;
    startHandler();
    ASSERT_TRUE(startPeer("report:0 report:7 report:2", log));
    std::string got = peerLog();
    EXPECT_TRUE(has(got, "report 0 -> 0") && has(got, "report 7 -> 7") && has(got, "report 2 -> 2")) << got;
    EXPECT_EQ(0, loadingSong);
    EXPECT_EQ(1, currentSong); // only the 2 moved it
    EXPECT_EQ(1, changeSong);
}

musicMessage record(int command) { return newMusicMessage(command); }

int answerOf(int connection)
{
    musicMessage m;
    return portAwaitReply(connection, &m, sizeof m, 3000) ? m.command : -99;
}

// Two requests queued while the handler waits for a sender that connected but has not sent
// yet: they are answered in arrival order once it has.
void queueTwo(const std::string& portFile, int first, int second, int* a, int* b)
{
    int stalled = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    snprintf(addr.sun_path, sizeof addr.sun_path, "%s", portFile.c_str());
    ASSERT_EQ(0, connect(stalled, (sockaddr*)&addr, sizeof addr));
    musicMessage x = record(first), y = record(second), z = record(7);
    *a = portPut("demoport", &x, sizeof x, 2000);
    *b = portPut("demoport", &y, sizeof y, 2000);
    send(stalled, &z, sizeof z, 0);
    EXPECT_EQ(7, answerOf(stalled));
}

// A report queued before the finish is applied; one queued behind it is answered only.
TEST_F(Link, QueuedMessagesAreAnsweredInOrder)
{
    const int cases[2][3] = {{2, -1, 1}, {-1, 2, 0}}; // first, second, song afterwards
    for (auto& c : cases) {
        currentSong = changeSong = 0;
        startHandler();
        int a = -1, b = -1; // a failed connect leaves them unset, and answerOf closes them
        ASSERT_NO_FATAL_FAILURE(queueTwo(box.runtime + "/pagovia/demoport", c[0], c[1], &a, &b));
        EXPECT_EQ(c[0], answerOf(a));
        EXPECT_EQ(c[1], answerOf(b));
        EXPECT_EQ(c[2], currentSong) << c[0];
        EXPECT_EQ(c[2], changeSong) << c[0];
        EXPECT_TRUE(waitUntil([&] { return !portUp("demoport"); }));
        stopMusicHandler();
    }
}

// ---- play-next and play-previous ----

TEST_F(Link, WithoutPlayerNextAndPreviousWrapAndRequestTheStart)
{
    currentSong = 4;
    playNextMusic();
    EXPECT_EQ(0, currentSong);
    EXPECT_EQ(1, changeSong);
    EXPECT_STREQ("unchanged", infoText);
    changeSong = 0;
    loadingSong = 1; // a player that never started: previous still asks and finds none
    playPrevMusic();
    EXPECT_EQ(4, currentSong);
    EXPECT_EQ(1, changeSong);
    EXPECT_EQ(0, loadingSong);
}

TEST_F(Link, NextWithPlayerStopsItAndNamesTheFollowingTune)
{
    startHandler();
    currentSong = 1;
    startPlayer("serve:1 report:2");
    playNextMusic();
    EXPECT_EQ(1, loadingSong);
    EXPECT_STREQ("     Playing \"Songs/t2.mod\"", infoText);
    EXPECT_TRUE(has(peerLog(), "got 2"));
    EXPECT_EQ(2, currentSong); // moved by the player's end report
    EXPECT_EQ(1, changeSong);
}

TEST_F(Link, NextWhileLoadingSendsNothing)
{
    startHandler();
    startPlayer("serve:1");
    loadingSong = 1; // a tune was requested and has not reported yet
    playNextMusic();
    EXPECT_STREQ("     Playing \"Songs/t1.mod\"", infoText);
    EXPECT_EQ(0, currentSong);
    EXPECT_EQ(9, SendMessage("musicplayerport", 9)); // the first request the player sees
    EXPECT_FALSE(has(peerLog(), "got 2"));
}

// Play-previous takes 2 off and the player's end report adds 1, in whichever order they
// land; together the tune before, which the next frame brings into range and starts.
void expectPreviousLandsOnTheLastTune()
{
    playPrevMusic();
    EXPECT_STREQ("     Playing \"Songs/t4.mod\"", infoText);
    ASSERT_TRUE(peersEnded());
    EXPECT_EQ(-1, currentSong);
    EXPECT_EQ(1, changeSong);
    writeScript("musicplayer/tunedeck", "printf '%s' \"$1\" > started");
    startPendingSong();
    EXPECT_EQ(4, currentSong);
    ASSERT_TRUE(peersEnded());
    EXPECT_EQ("Songs/t4.mod", readFile("started"));
}

TEST_F(Link, PreviousMinusTwoBeforeTheReportsPlusOne)
{
    startHandler();
    startPlayer("serve:1 sleep:300 report:2");
    expectPreviousLandsOnTheLastTune();
}

TEST_F(Link, PreviousMinusTwoAfterTheReportsPlusOne)
{
    startHandler();
    startPlayer("late:300"); // reports the end before it answers the stop
    expectPreviousLandsOnTheLastTune();
}

// ---- choosing a tune ----

TEST_F(Link, TuneWithoutPlayerIsRequestedDirectlyUnlessUnknownOrLoading)
{
    playSongByName("nothere.mod");
    playSongByName(std::string(200, 'x').c_str());
    loadingSong = 1;
    playSongByName("t3.mod");
    EXPECT_EQ(0, currentSong);
    EXPECT_EQ(0, changeSong);
    EXPECT_STREQ("unchanged", infoText);
    loadingSong = 0;
    playSongByName("t3.mod");
    EXPECT_EQ(3, currentSong);
    EXPECT_EQ(1, changeSong);
}

TEST_F(Link, TuneWithPlayerArrivesThroughTheEndReport)
{
    startHandler();
    startPlayer("serve:1 report:2");
    playSongByName("t3.mod");
    EXPECT_STREQ("     Playing t3.mod", infoText);
    EXPECT_EQ(1, loadingSong);
    ASSERT_TRUE(peersEnded());
    EXPECT_EQ(3, currentSong);
}

// Regression: with no tunes every operation reduced the index modulo zero.
TEST_F(Link, WithoutTunesTheOperationsChangeNothing)
{
    numberOfSongs = 0;
    currentSong = 3;
    playNextMusic();
    playPrevMusic();
    playSongByName("t0.mod");
    EXPECT_EQ(3, currentSong);
    EXPECT_EQ(0, changeSong);
    EXPECT_STREQ("unchanged", infoText);
}

// ---- shutdown ----

TEST_F(Link, ShutdownStopsThePlayerAndLeavesNoSocket)
{
    startHandler();
    startPlayer("serve:1 report:2");
    SendMessage("musicplayerport", 2);
    SendMessage("demoport", -1);
    stopMusicHandler();
    EXPECT_EQ(0, runningCommands());
    EXPECT_EQ(0, portFilesLeft(box));
}

TEST_F(Link, ShutdownEndsAPlayerThatIgnoresTheStopAndItsSocket)
{
    startHandler();
    startPlayer("sleep:20000");
    stopMusicHandler(); // and no finish message either
    EXPECT_EQ(0, runningCommands());
    EXPECT_EQ(0, portFilesLeft(box));
}

TEST_F(Link, StopReturnsWhenTheHandlerHadNoPort)
{
    namedPort taken;
    ASSERT_EQ(1, portCreate(&taken, "demoport"));
    testing::internal::CaptureStderr();
    startMusicHandler();
    stopMusicHandler();
    EXPECT_EQ("Unable to create messageport!\n", testing::internal::GetCapturedStderr());
    EXPECT_TRUE(portUp("demoport")); // not ours to remove
    portDelete(&taken);
}

} // namespace
