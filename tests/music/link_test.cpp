// The player link against real processes over real ports, the player being the scripted
// peer program (music_peer): the record on the wire, the handler's reports and its finish,
// silent senders, the ways a player ends (crash, hang, failure), play-next, play-previous,
// choosing a tune, no tunes, and shutdown with healthy and hung players.
#include "app/composition.h"
#include "app/screen.h"
#include "music/songstart.h"
#include "content/directories.h"
#include "music/link.h"
#include "music/sandbox.h"
#include "support/magazine_state.h"
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

namespace {

struct Link : ::testing::Test {
    sandbox box;
    std::string log;
    int startedPid = 0;
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
    bool portUp(const char* name) { return std::filesystem::exists(portDir(box) + "/" + name); }
    void startHandler()
    {
        startMusicHandler();
        ASSERT_TRUE(waitUntil([&] { return portUp("demoport"); }));
    }
    // A peer that owns "musicplayerport" and has said it plays, then runs `rest`.
    void playingPeer(const std::string& rest)
    {
        loadingSong = 1;
        startedPid = startPeer("own report:0 " + rest, log);
        ASSERT_NE(0, startedPid);
        ASSERT_TRUE(waitUntil([] { return loadingSong == 0; }));
    }
    // Lets the song start run until the fake player has been given tune; returns the most
    // players that ran at once on the way.
    int startsUntilPlayed(const char* tune)
    {
        int most = 0;
        EXPECT_TRUE(waitUntil([&] {
            startPendingSong();
            most = std::max(most, runningCommands());
            return readFile("started") == tune;
        }));
        return most;
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

long long msSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
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
        ASSERT_TRUE(startPeer("sleep:20000", log)); // the player whose reports these are
        int a = -1, b = -1; // a failed connect leaves them unset, and answerOf closes them
        ASSERT_NO_FATAL_FAILURE(queueTwo(portDir(box) + "/demoport", c[0], c[1], &a, &b));
        EXPECT_EQ(c[0], answerOf(a));
        EXPECT_EQ(c[1], answerOf(b));
        EXPECT_EQ(c[2], currentSong) << c[0];
        EXPECT_EQ(c[2], changeSong) << c[0];
        EXPECT_TRUE(waitUntil([&] { return !portUp("demoport"); }));
        stopMusicHandler();
        EXPECT_EQ(c[2], currentSong) << "the killed player's exit counted again";
    }
}

// Regression: one sender that connected and sent nothing held the handler 2 s, and a flood
// of them kept shutdown from finishing.
TEST_F(Link, SilentSendersCostLittleAndShutdownFinishes)
{
    startHandler();
    auto flood = [&] {
        std::vector<int> fds;
        for (int i = 0; i < 40; i++) {
            int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
            sockaddr_un addr = {};
            addr.sun_family = AF_UNIX;
            snprintf(addr.sun_path, sizeof addr.sun_path, "%s/demoport", portDir(box).c_str());
            connect(fd, (sockaddr*)&addr, sizeof addr);
            fds.push_back(fd);
        }
        return fds;
    };
    std::vector<int> silent = flood();
    ASSERT_TRUE(startPeer("report:7", log)); // waits 2 s for its answer
    EXPECT_TRUE(has(peerLog(), "report 7 -> 7"));
    std::vector<int> more = flood();
    auto t0 = std::chrono::steady_clock::now();
    stopMusicHandler();
    EXPECT_LT(msSince(t0), 1000);
    for (int fd : silent) close(fd);
    for (int fd : more) close(fd);
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

// The next player starts only once the old one's process is gone, though its end report
// came before.
TEST_F(Link, NextWithPlayerStopsItAndNamesTheFollowingTune)
{
    startHandler();
    writeScript("musicplayer/tunedeck", "printf '%s' \"$1\" > started; exec sleep 5");
    currentSong = 1;
    playingPeer("serve:1 report:2 sleep:300");
    playNextMusic();
    EXPECT_EQ(1, loadingSong);
    EXPECT_STREQ("     Playing t2.mod", infoText);
    EXPECT_EQ(1, startsUntilPlayed("Songs/t2.mod"));
    EXPECT_TRUE(has(readFile(log), "got 2"));
    EXPECT_EQ(2, currentSong); // moved by the player's end report
}

TEST_F(Link, NextWhileLoadingSendsNothing)
{
    startHandler();
    playingPeer("serve:1");
    loadingSong = 1; // a tune was requested and has not reported yet
    playNextMusic();
    EXPECT_STREQ("     Playing t1.mod", infoText);
    EXPECT_EQ(0, currentSong);
    EXPECT_EQ(9, SendMessage("musicplayerport", 9)); // the first request the player sees
    EXPECT_FALSE(has(peerLog(), "got 2"));
}

// ---- the ways a player ends ----

// Each player's end counts once, whether it reports it, crashes or fails: the next tune is
// asked for. A player that fails (ends without ever playing, unasked) moves on too.
TEST_F(Link, EveryEndOfAPlayerCountsOnce)
{
    struct {
        const char* script;
        int killIt;
        int loading; // loadingSong afterwards: 0 once it said it plays
    } cases[] = {
        {"own report:0 serve:1 report:2 sleep:100", 0, 0}, // ends on its own, exits after
        {"own report:0 sleep:100", 0, 0},                  // exits without the end report
        {"own report:0 sleep:20000", 1, 0},                // kill -9
        {"sleep:50", 0, 1},                                // never played: a failure
    };
    startHandler();
    for (auto& c : cases) {
        currentSong = changeSong = 0;
        loadingSong = 1;
        int pid = startPeer(c.script, log);
        ASSERT_NE(0, pid) << c.script;
        if (c.loading == 0) {
            ASSERT_TRUE(waitUntil([] { return loadingSong == 0; })) << c.script;
        }
        if (strstr(c.script, "serve")) SendMessage("musicplayerport", 2);
        if (c.killIt) kill(pid, SIGKILL);
        ASSERT_TRUE(peersEnded()) << c.script;
        EXPECT_EQ(1, currentSong) << c.script;
        EXPECT_EQ(1, changeSong) << c.script;
        EXPECT_EQ(c.loading, loadingSong) << c.script;
        EXPECT_FALSE(playerRunning());
    }
}

// A hung player (SIGSTOP) costs the click nothing; the handler kills it, its end counts
// and only then does the next one start.
TEST_F(Link, HungPlayerIsKilledBeforeTheNextStarts)
{
    startHandler();
    currentSong = 1;
    int pid = startPeer("own report:0 sleep:20000", log);
    ASSERT_TRUE(waitUntil([] { return loadingSong == 0; }));
    kill(pid, SIGSTOP);
    auto t0 = std::chrono::steady_clock::now();
    playNextMusic();
    EXPECT_LT(msSince(t0), 20);
    EXPECT_STREQ("     Playing t2.mod", infoText);
    changeSong = 1; // a frame asking meanwhile only waits
    startPendingSong();
    EXPECT_EQ(1, runningCommands());
    ASSERT_TRUE(peersEnded());
    EXPECT_LT(msSince(t0), 2500);
    EXPECT_EQ(2, currentSong);
    EXPECT_EQ(1, changeSong);
}

// Regression: clicks while a player was still loading (no port yet) started a player per
// click. Now the loading one is ended and only the tune last asked for starts.
TEST_F(Link, ClicksWhileLoadingLeaveOnePlayerOfTheLastTune)
{
    startHandler();
    writeScript("musicplayer/tunedeck", "printf '%s' \"$1\" > started; exec sleep 30");
    changeSong = 1;
    loadingSong = 1;
    startPendingSong(); // tune 0, which never gets a port
    for (int click = 0; click < 2; click++) {
        playPrevMusic();
        startPendingSong();
        EXPECT_EQ(1, runningCommands()) << click;
    }
    EXPECT_STREQ("     Playing t2.mod", infoText); // 0 - 2 x 2 + 1 wraps to 2
    EXPECT_EQ(1, startsUntilPlayed("Songs/t2.mod"));
    EXPECT_EQ(2, currentSong);
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
    playingPeer("serve:1 report:2");
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

// The viewer's shutdown steps: well under a second for a healthy player, under 3.5 s for
// one that ignores the stop or is stopped itself; no player and no socket are left.
TEST_F(Link, ShutdownEndsEveryPlayerInTime)
{
    struct {
        const char* script;
        int sigstop;
        int limitMs;
    } cases[] = {{"serve:1 report:2", 0, 1000}, {"sleep:20000", 0, 3500}, {"sleep:20000", 1, 3500}};
    for (auto& c : cases) {
        startHandler();
        playingPeer(c.script);
        if (c.sigstop) kill(startedPid, SIGSTOP);
        auto t0 = std::chrono::steady_clock::now();
        SendMessage("musicplayerport", 2);
        SendMessage("demoport", -1);
        stopMusicHandler();
        EXPECT_LT(msSince(t0), c.limitMs) << c.script << c.sigstop;
        EXPECT_EQ(0, runningCommands());
        EXPECT_EQ(0, portFilesLeft(box));
    }
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
