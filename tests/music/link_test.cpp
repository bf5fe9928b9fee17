// The player link against real processes over real ports: the record on the wire, the send
// timeout, the handler's reports and its finish, play-next, play-previous, choosing a tune
// by name, and shutdown with and without the handler's port. The player is played by the
// scripted peer program (music_peer).
#include "app/composition.h"
#include "app/screen.h"
#include "app/songstart.h"
#include "content/directories.h"
#include "music/link.h"
#include "music/sandbox.h"
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
        setSongs(5);
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
    static void setSongs(int n)
    {
        memset(songNames, 0, sizeof songNames);
        for (int i = 0; i < n; i++) snprintf(songNames[i], sizeof songNames[i], "\"Songs/t%d.mod\"", i);
        numberOfSongs = n;
    }
    // The handler, once its port is up.
    void startHandler()
    {
        startMusicHandler();
        ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(box.runtime + "/pagovia/demoport"); }));
    }
    // A peer that owns "musicplayerport" and has said it plays.
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

// ---- the record on the wire ----

TEST_F(Link, RecordTravelsInTheAgreedLayout)
{
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "recordport"));
    unsigned char seen[MUSIC_MESSAGE_SIZE];
    std::thread receiver([&] {
        ASSERT_EQ(1, portWait(&p, 5000));
        int c = portTake(&p, seen, sizeof seen);
        ASSERT_GE(c, 0);
        musicMessage answer;
        memcpy(&answer, seen, sizeof answer);
        answer.command = 77;
        portReply(c, &answer, sizeof answer);
    });
    EXPECT_EQ(77, SendStringMessage("recordport", 0x01020304, "hello"));
    receiver.join();
    portDelete(&p);

    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15, 16, 17}) EXPECT_EQ(0, seen[i]) << i;
    EXPECT_EQ(5, seen[8]);
    uint16_t length;
    int32_t command;
    memcpy(&length, seen + 18, 2);
    memcpy(&command, seen + 20, 4);
    EXPECT_EQ(1048, length);
    EXPECT_EQ(0x01020304, command);
    EXPECT_STREQ("hello", (const char*)seen + 24);
    for (int i = 24 + 5; i < MUSIC_MESSAGE_SIZE; i++) ASSERT_EQ(0, seen[i]) << i;
}

TEST_F(Link, OverlongTextIsCutToTheField)
{
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "recordport"));
    musicMessage seen;
    std::thread receiver([&] {
        ASSERT_EQ(1, portWait(&p, 5000));
        int c = portTake(&p, &seen, sizeof seen);
        portReply(c, &seen, sizeof seen);
    });
    std::string text(3000, 'a');
    EXPECT_EQ(3, SendStringMessage("recordport", 3, text.c_str()));
    receiver.join();
    portDelete(&p);
    EXPECT_EQ(1023u, strnlen(seen.messageText, sizeof seen.messageText));
}

TEST_F(Link, SendWithoutReceiverIsMinusOne)
{
    EXPECT_EQ(-1, SendMessage("musicplayerport", 2));
}

TEST_F(Link, HungPlayerCountsAsAbsent)
{
    ASSERT_TRUE(startPeer("own hold:4000", log));
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(box.runtime + "/pagovia/musicplayerport"); }));
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(-1, SendMessage("musicplayerport", 2));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(3500));
}

TEST_F(Link, ReplyWithADamagedHeaderCountsAsAbsent)
{
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "recordport"));
    std::thread receiver([&] {
        musicMessage m;
        ASSERT_EQ(1, portWait(&p, 5000));
        int c = portTake(&p, &m, sizeof m);
        m.mn_Length = 20;
        portReply(c, &m, sizeof m);
    });
    EXPECT_EQ(-1, SendMessage("recordport", 2));
    receiver.join();
    portDelete(&p);
}

// ---- the handler ----

TEST_F(Link, HandlerAppliesReportsAndAnswersEveryCode)
{
    loadingSong = 1;
    startHandler();
    ASSERT_TRUE(startPeer("report:0 report:7 report:1 report:2", log));
    std::string got = peerLog();
    EXPECT_NE(std::string::npos, got.find("report 0 -> 0"));
    EXPECT_NE(std::string::npos, got.find("report 7 -> 7"));
    EXPECT_NE(std::string::npos, got.find("report 1 -> 1"));
    EXPECT_NE(std::string::npos, got.find("report 2 -> 2"));
    EXPECT_EQ(0, loadingSong);
    EXPECT_EQ(1, currentSong); // only the 2 moved it
    EXPECT_EQ(1, changeSong);
}

TEST_F(Link, MalformedRecordsAreRefusedAndChangeNothing)
{
    musicMessage m = {};
    m.ln_Type = MUSIC_NT_MESSAGE;
    m.mn_Length = 1000;
    m.command = 2;
    EXPECT_EQ(-1, handleMusicRecord(&m, 1));
    m.mn_Length = MUSIC_MESSAGE_SIZE;
    m.ln_Type = 0;
    EXPECT_EQ(-1, handleMusicRecord(&m, 1));
    EXPECT_EQ(0, currentSong);
    EXPECT_EQ(0, changeSong);
}

// Three requests queued while the handler is busy with the first (a sender that connected
// but has not yet sent), so the rest wait in arrival order.
struct queued {
    int stalled;
    int second, third;
};

int rawConnect(const std::string& path)
{
    int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un a = {};
    a.sun_family = AF_UNIX;
    snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
    EXPECT_EQ(0, connect(fd, (sockaddr*)&a, sizeof a));
    return fd;
}

musicMessage record(int command)
{
    musicMessage m = {};
    m.ln_Type = MUSIC_NT_MESSAGE;
    m.mn_Length = MUSIC_MESSAGE_SIZE;
    m.command = command;
    return m;
}

queued queueBehindStall(const sandbox& box, int second, int third)
{
    queued q;
    q.stalled = rawConnect(box.runtime + "/pagovia/demoport");
    musicMessage a = record(second), b = record(third);
    q.second = portPut("demoport", &a, sizeof a, 2000);
    q.third = portPut("demoport", &b, sizeof b, 2000);
    musicMessage s = record(7);
    send(q.stalled, &s, sizeof s, 0);
    return q;
}

int answerOf(int connection)
{
    musicMessage m;
    return portAwaitReply(connection, &m, sizeof m, 3000) ? m.command : -99;
}

TEST_F(Link, QueuedReportAndFinishAreAnsweredInOrder)
{
    startHandler();
    queued q = queueBehindStall(box, 2, -1);
    EXPECT_EQ(2, answerOf(q.second));
    EXPECT_EQ(-1, answerOf(q.third));
    close(q.stalled);
    EXPECT_EQ(1, currentSong);
    EXPECT_EQ(1, changeSong);
    EXPECT_TRUE(waitUntil([&] { return portFilesLeft(box) == 0; }));
}

TEST_F(Link, ReportQueuedAfterTheFinishIsAnsweredButNotApplied)
{
    startHandler();
    queued q = queueBehindStall(box, -1, 2);
    EXPECT_EQ(-1, answerOf(q.second));
    EXPECT_EQ(2, answerOf(q.third));
    close(q.stalled);
    EXPECT_EQ(0, currentSong);
    EXPECT_EQ(0, changeSong);
}

// ---- play-next ----

TEST_F(Link, NextWithoutPlayerWrapsAndRequestsTheStart)
{
    currentSong = 4;
    playNextMusic();
    EXPECT_EQ(0, currentSong);
    EXPECT_EQ(1, changeSong);
    EXPECT_EQ(0, loadingSong);
    EXPECT_STREQ("unchanged", infoText);
}

TEST_F(Link, NextWithPlayerStopsItAndNamesTheFollowingTune)
{
    startHandler();
    currentSong = 1;
    startPlayer("serve:1 report:2");
    playNextMusic();
    EXPECT_EQ(1, loadingSong);
    EXPECT_STREQ("     Playing \"Songs/t2.mod\"", infoText);
    std::string got = peerLog();
    EXPECT_NE(std::string::npos, got.find("got 2"));
    EXPECT_EQ(2, currentSong); // moved by the player's end report
    EXPECT_EQ(1, changeSong);
}

TEST_F(Link, NextWhileLoadingSendsNothing)
{
    startHandler();
    startPlayer("serve:1");
    loadingSong = 1; // as if a tune was requested and has not reported yet
    playNextMusic();
    EXPECT_STREQ("     Playing \"Songs/t1.mod\"", infoText);
    EXPECT_EQ(0, currentSong);
    EXPECT_EQ(0, changeSong);
    EXPECT_EQ(9, SendMessage("musicplayerport", 9)); // the first request the player sees
    EXPECT_NE(std::string::npos, peerLog().find("got 9"));
    EXPECT_EQ(std::string::npos, readFile(log).find("got 2"));
}

// ---- play-previous ----

TEST_F(Link, PreviousWithoutPlayerWrapsBackwards)
{
    loadingSong = 1; // a player that never started: previous still asks, finds none
    playPrevMusic();
    EXPECT_EQ(4, currentSong);
    EXPECT_EQ(1, changeSong);
    EXPECT_EQ(0, loadingSong);
}

// Play-previous takes 2 off and the player's end report adds 1, in whichever order they
// land; the sum must be the tune before, and the next frame brings it into range.
void expectPreviousLandsOnTheLastTune()
{
    playPrevMusic();
    EXPECT_STREQ("     Playing \"Songs/t4.mod\"", infoText);
    EXPECT_EQ(1, loadingSong);
    ASSERT_TRUE(peersEnded());
    EXPECT_EQ(-1, currentSong);
    EXPECT_EQ(1, changeSong);
    writeScript("musicplayer/tunedeck", "printf '%s' \"$1\" > started");
    startPendingSong();
    EXPECT_EQ(4, currentSong);
    ASSERT_TRUE(peersEnded());
    EXPECT_EQ("Songs/t4.mod", readFile("started"));
    EXPECT_STREQ("     Playing \"Songs/t4.mod\"", infoText); // not announced again
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
    startPlayer("late:300");
    expectPreviousLandsOnTheLastTune();
}

// ---- choosing a tune by name ----

TEST_F(Link, UnknownTuneChangesNothing)
{
    playSongByName("nothere.mod");
    playSongByName(std::string(200, 'x').c_str());
    EXPECT_EQ(0, currentSong);
    EXPECT_EQ(0, changeSong);
    EXPECT_STREQ("unchanged", infoText);
}

TEST_F(Link, TuneItemsAreIgnoredWhileLoading)
{
    loadingSong = 1;
    playSongByName("t3.mod");
    EXPECT_EQ(0, currentSong);
    EXPECT_EQ(0, changeSong);
}

TEST_F(Link, TuneWithoutPlayerIsRequestedDirectly)
{
    playSongByName("t3.mod");
    EXPECT_EQ(3, currentSong);
    EXPECT_EQ(1, changeSong);
    EXPECT_EQ(0, loadingSong);
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
    EXPECT_EQ(1, changeSong);
}

// ---- no tunes at all ----

TEST_F(Link, WithoutTunesTheOperationsChangeNothing)
{
    setSongs(0);
    currentSong = 3;
    playNextMusic();
    playPrevMusic();
    playSongByName("t0.mod");
    EXPECT_EQ(3, currentSong);
    EXPECT_EQ(0, changeSong);
    EXPECT_EQ(0, loadingSong);
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

TEST_F(Link, ShutdownEndsAPlayerThatIgnoresTheStop)
{
    startHandler();
    startPlayer("sleep:20000");
    SendMessage("demoport", -1);
    auto t0 = std::chrono::steady_clock::now();
    stopMusicHandler();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    EXPECT_EQ(0, runningCommands());
    EXPECT_EQ(0, portFilesLeft(box)); // its socket was stale and is gone
}

TEST_F(Link, StopReturnsWithoutTheFinishMessage)
{
    startHandler();
    stopMusicHandler();
    EXPECT_EQ(0, portFilesLeft(box));
}

TEST_F(Link, StopReturnsWhenTheHandlerHadNoPort)
{
    namedPort taken;
    ASSERT_EQ(1, portCreate(&taken, "demoport"));
    testing::internal::CaptureStderr();
    startMusicHandler();
    EXPECT_EQ(-1, SendMessage("nosuchport", -1));
    stopMusicHandler();
    EXPECT_EQ("Unable to create messageport!\n", testing::internal::GetCapturedStderr());
    EXPECT_TRUE(std::filesystem::exists(box.runtime + "/pagovia/demoport")); // not ours to remove
    portDelete(&taken);
}

} // namespace
