// The player link against the real tunedeck (and shell stand-ins) over real ports: the
// record on the wire, the handler's reports, queue and finish, silent senders, the ways a
// player ends, next, previous and chosen tunes with and without a player, no tunes, shutdown.
#include "app/view.h"
#include "music/sandbox.h"
#include <csignal>
#include <cstring>
#include <functional>

namespace {

struct Link : MusicTest {
    // Lets the song start run until the player was given tune; returns the most players
    // that ran at once on the way, as two polls in a row saw them (an ended player's count
    // lasts a moment beyond its exit).
    int startsUntilPlayed(const char* tune)
    {
        int most = 0, last = 0;
        EXPECT_TRUE(waitUntil([&] {
            startPendingSong();
            int now = runningCommands();
            most = std::max(most, std::min(now, last));
            last = now;
            return readFile("started") == tune;
        }));
        return most;
    }
};

int answerOf(int connection)
{
    musicMessage m;
    return portAwaitReply(connection, &m, sizeof m, 3000) ? m.command : -99;
}

int reportCode(int command) // as a player reports, waiting long enough for a busy handler
{
    musicMessage m = newMusicMessage(command);
    return answerOf(portPut(HANDLER_PORT, &m, sizeof m, 2000));
}

// ---- the record and the handler ----

TEST_F(Link, RecordTravelsInTheAgreedLayout)
{
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "recordport"));
    unsigned char seen[MUSIC_MESSAGE_SIZE];
    std::thread receiver([&] {
        ASSERT_EQ(1, portWait(&p, 5000));
        int c = portTake(&p, seen, sizeof seen);
        musicMessage answer = newMusicMessage(77);
        portReply(c, &answer, sizeof answer);
    });
    EXPECT_EQ(77, SendStringMessage("recordport", 0x01020304, "hello"));
    receiver.join();
    portDelete(&p);
    // The pointer fields travel as zeros; ln_Type 5, mn_Length 1048, then command and text.
    const unsigned char head[29] = {0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x18, 0x04,
                                    4, 3, 2, 1, 'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(0, memcmp(head, seen, sizeof head));
    for (int i = 29; i < MUSIC_MESSAGE_SIZE; i++) ASSERT_EQ(0, seen[i]) << i;
}

// Two requests queued while the handler waits for a sender that connected but has not sent
// yet are answered in arrival order: a report before the finish is applied, one behind it
// only answered.
TEST_F(Link, QueuedMessagesAreAnsweredInOrder)
{
    for (int first : {2, -1}) {
        int second = first == 2 ? -1 : 2, song = first == 2;
        currentSong = changeSong = 0;
        startHandler();
        ASSERT_NE(0, standIn("exec sleep 20")); // the player whose reports these are
        int stalled = rawSocket(portDir(box) + "/" + HANDLER_PORT, 1);
        ASSERT_GE(stalled, 0);
        musicMessage x = newMusicMessage(first), y = newMusicMessage(second), z = newMusicMessage(7);
        int a = portPut(HANDLER_PORT, &x, sizeof x, 2000), b = portPut(HANDLER_PORT, &y, sizeof y, 2000);
        send(stalled, &z, sizeof z, 0);
        EXPECT_EQ(7, answerOf(stalled));
        EXPECT_EQ(first, answerOf(a));
        EXPECT_EQ(second, answerOf(b));
        EXPECT_EQ(std::to_string(song) + " " + std::to_string(song) + " 0", state());
        EXPECT_TRUE(waitUntil([&] { return !portUp(HANDLER_PORT); }));
        stopMusicHandler();
        EXPECT_EQ(song, currentSong) << "the killed player's exit counted again";
    }
}

// Regression: one sender that connected and sent nothing held the handler 2 s, and a flood
// of them kept shutdown from finishing.
TEST_F(Link, SilentSendersCostLittleAndShutdownFinishes)
{
    startHandler();
    std::vector<int> silent;
    for (int i = 0; i < 80; i++) { // each held the handler 20 ms at most
        silent.push_back(rawSocket(portDir(box) + "/" + HANDLER_PORT, 1));
        if (i == 39) {
            EXPECT_EQ(7, reportCode(7));
        }
    }
    auto t0 = std::chrono::steady_clock::now();
    stopMusicHandler();
    EXPECT_LT(msSince(t0), 1000);
    for (int fd : silent) close(fd);
}

// ---- the ways a player ends ----

// Each player's end counts once, whether it reports it, crashes or fails: the next tune is
// asked for. A player that ends without ever playing, unasked, moves on too. Every report
// is answered unchanged; only 0 and the running player's first 2 change anything.
TEST_F(Link, EveryEndOfAPlayerCountsOnce)
{
    startHandler();
    struct {
        std::function<void()> end;
        int loading; // afterwards: 0 once it said it plays
    } ways[] = {
        {[&] { playing("short.mod"); }, 0},
        {[&] { playing(), (void)SendMessage(PLAYER_PORT, MUSIC_STOP); }, 0}, // answers, reports, exits
        {[&] { numberOfSongs = 1, kill(playing(), SIGKILL); }, 0}, // not a failure: it played
        {[&] { loadingSong = 1, standIn("exit 0"); }, 1},
        {[&] {
             loadingSong = 1;
             int pid = standIn("exec sleep 20");
             for (int code : {7, 0, 2, 2}) {
                 EXPECT_EQ(code, reportCode(code));
                 EXPECT_EQ(code == 7, loadingSong);
             }
             EXPECT_EQ(1, currentSong);
             kill(pid, SIGKILL);
         }, 0},
    };
    for (auto& w : ways) {
        currentSong = changeSong = 0;
        numberOfSongs = 5;
        w.end();
        ASSERT_TRUE(peersEnded());
        EXPECT_EQ("1 1 " + std::to_string(w.loading), state());
        EXPECT_FALSE(playerRunning());
    }
}

// A hung player (SIGSTOP) costs the click nothing; the handler kills it, its end counts
// and only then does the next one start.
TEST_F(Link, HungPlayerIsKilledBeforeTheNextStarts)
{
    startHandler();
    currentSong = 1;
    kill(playing(), SIGSTOP);
    auto t0 = std::chrono::steady_clock::now();
    playNextMusic();
    EXPECT_LT(msSince(t0), 20);
    EXPECT_STREQ("     Playing t2.mod", infoText);
    changeSong = 1; // a frame asking meanwhile only waits
    startPendingSong();
    EXPECT_EQ(1, runningCommands());
    ASSERT_TRUE(peersEnded());
    EXPECT_LT(msSince(t0), 2500);
    EXPECT_EQ("2 1 1", state());
}

// ---- next, previous and chosen tunes ----

TEST_F(Link, WithoutPlayerTheWantedTuneIsRequestedDirectly)
{
    currentSong = 4;
    playNextMusic();
    EXPECT_EQ("0 1 0", state());
    changeSong = 0;
    loadingSong = 1; // a player that never started: previous still asks and finds none
    playPrevMusic();
    EXPECT_EQ("4 1 0", state());
    changeSong = 0;
    playSongByName("nothere.mod");
    playSongByName(std::string(200, 'x').c_str());
    loadingSong = 1;
    playSongByName("t3.mod"); // ignored while a tune loads
    EXPECT_EQ("4 0 1", state());
    loadingSong = 0;
    playSongByName("t3.mod");
    EXPECT_EQ("3 1 0", state());
    // Regression: with no tunes every operation, and the song start, reduced the index modulo zero.
    numberOfSongs = 0;
    currentSong = -3;
    for (auto op : {playNextMusic, playPrevMusic, startPendingSong, +[] { playSongByName("t0.mod"); }}) op();
    EXPECT_EQ("-3 1 0", state());
    EXPECT_EQ(0, runningCommands());
    EXPECT_STREQ("unchanged", infoText);
}

// The player is stopped, the info line names the wanted tune at once, and the next player
// starts it only once the old one's process is gone.
TEST_F(Link, WithPlayerTheWantedTuneArrivesThroughItsEnd)
{
    startHandler();
    struct {
        void (*op)();
        std::string name; // of tune 1's successor
    } cases[] = {{playNextMusic, "t2.mod"}, {playPrevMusic, "t0.mod"}, {[] { playSongByName("t3.mod"); }, "t3.mod"}};
    for (auto& c : cases) {
        currentSong = changeSong = loadingSong = 1;
        startPendingSong();
        ASSERT_TRUE(waitUntil([] { return loadingSong == 0; })) << c.name;
        c.op();
        EXPECT_EQ(1, loadingSong);
        EXPECT_EQ("     Playing " + c.name, infoText);
        EXPECT_EQ(1, startsUntilPlayed(("Songs/" + c.name).c_str()));
        EXPECT_EQ(c.name[1] - '0', currentSong);
        stopPlayer();
        ASSERT_TRUE(peersEnded());
    }
}

TEST_F(Link, NextWhileLoadingSendsNothing)
{
    startHandler();
    playing();
    loadingSong = 1; // a tune was requested and has not reported yet
    playNextMusic();
    EXPECT_STREQ("     Playing t1.mod", infoText);
    EXPECT_EQ(0, currentSong);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(9, SendMessage(PLAYER_PORT, 9)); // still playing
}

// Regression: clicks while a player was still loading (no port yet) started a player per
// click. Now the loading one is ended and only the tune last asked for starts.
TEST_F(Link, ClicksWhileLoadingLeaveOnePlayerOfTheLastTune)
{
    startHandler();
    writeScript("musicplayer/tunedeck", "printf '%s' \"$1\" > started; exec sleep 30");
    changeSong = loadingSong = 1;
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

// ---- shutdown ----

// The viewer's shutdown steps: well under a second for a healthy player, under 3.5 s for
// one that ignores the stop or is stopped itself; no player and no socket are left.
TEST_F(Link, ShutdownEndsEveryPlayerInTime)
{
    for (int way = 0; way < 3; way++) {
        startHandler();
        if (way == 0) playing();
        if (way == 1) loadingSong = 1, standIn("exec sleep 20"); // no port: no stop heard
        if (way == 2) kill(playing(), SIGSTOP);
        auto t0 = std::chrono::steady_clock::now();
        SendMessage(PLAYER_PORT, MUSIC_STOP);
        SendMessage(HANDLER_PORT, MUSIC_FINISH);
        stopMusicHandler();
        EXPECT_LT(msSince(t0), way ? 3500 : 1000) << way;
        EXPECT_EQ(0, runningCommands());
        EXPECT_FALSE(std::filesystem::exists(portDir(box))) << way;
    }
}

TEST_F(Link, StopReturnsWhenTheHandlerHadNoPort)
{
    namedPort taken;
    ASSERT_EQ(1, portCreate(&taken, HANDLER_PORT));
    testing::internal::CaptureStderr();
    startMusicHandler();
    stopMusicHandler();
    EXPECT_EQ("Unable to create messageport!\n", testing::internal::GetCapturedStderr());
    EXPECT_TRUE(portUp(HANDLER_PORT)); // not ours to remove
    portDelete(&taken);
}

} // namespace
