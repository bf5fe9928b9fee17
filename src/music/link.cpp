// Owns the playback state and the viewer's side of the protocol with the player: the sends,
// the handler task behind HANDLER_PORT and the next, previous and chosen tune operations.
// Only this file and the song start change the three playback atomics.
#include "music/link.h"
#include "app/clock.h"
#include "app/view.h"
#include "content/directories.h"
#include "platform/command.h"
#include "platform/ports.h"
#include <chrono>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>

std::atomic<int32_t> currentSong{0};
std::atomic<int16_t> changeSong{1};
std::atomic<int16_t> loadingSong{1};

// Every send waits this long for its answer, so a hung player costs the sender little (a
// healthy one answers within milliseconds; one that does not is ended by signals).
static const int REPLY_TIMEOUT_MS = 300;
// A player asked to stop gets this long to end before SIGTERM, then this long before SIGKILL.
static const int STOP_GRACE_MS = 1000;
static const int TERM_GRACE_MS = 500;
// Shutdown gives the players this long to end after SIGTERM, then kills them.
static const int PLAYER_EXIT_MS = 1000;

static std::thread handlerThread;
static std::mutex handlerPortLock; // guards handlerPort against a wake-up while it is deleted
static namedPort handlerPort;
static std::atomic<int> handlerStopping{0};
static std::mutex wakeLock; // wakes a handler that has no port to wait on
static std::condition_variable wakeSignal;
static int wakePending;
static int musicOff; // the handler could not be created: no players are started

// The one player the viewer started last, until its process has ended. Its end (the report
// 2 or, failing that, its exit) is counted exactly once; a new player starts only after the
// process is gone, so at most one plays and every report comes from it.
struct playerRecord {
    int pid;       // 0: none running
    int reported;  // said it plays
    int ended;     // its end was counted
    int stopAsked; // we want it gone
    int stopSent;  // the stop request went out
    int64_t termAt, killAt; // monotonic ms deadlines for SIGTERM and SIGKILL, 0: none
};
static std::mutex playerLock;
static playerRecord player;
static int failuresInARow; // players that ended without ever playing, none asked to stop
static int toldAllFailed;

static int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int wrapSongIndex(long long index)
{
    long long n = numberOfSongs > 0 ? numberOfSongs : 1;
    long long r = index % n;
    return (int)(r < 0 ? r + n : r);
}

const char* songFileName(const char* entry)
{
    const char* slash = strrchr(entry, '/');
    return slash ? slash + 1 : entry;
}

int SafePutToPort(musicMessage* msg, const char* portName, int* replyConnection)
{
    *replyConnection = portPut(portName, msg, sizeof *msg, REPLY_TIMEOUT_MS);
    return *replyConnection >= 0;
}

static int exchange(const char* portName, int command, const char* text)
{
    musicMessage msg = newMusicMessage(command);
    if (text) snprintf(msg.messageText, sizeof msg.messageText, "%s", text);
    auto start = std::chrono::steady_clock::now();
    int connection;
    if (!SafePutToPort(&msg, portName, &connection)) return MUSIC_NO_ANSWER;
    auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    int left = REPLY_TIMEOUT_MS - (int)spent.count();
    if (!portAwaitReply(connection, &msg, sizeof msg, left > 0 ? left : 0)) return MUSIC_NO_ANSWER;
    if (!isMusicMessage(&msg)) return MUSIC_NO_ANSWER;
    return msg.command;
}

int SendMessage(const char* portName, int command) { return exchange(portName, command, nullptr); }

int SendStringMessage(const char* portName, int command, const char* text)
{
    return exchange(portName, command, text);
}

// Counts the end of a tune (playerLock held): the next one is asked for, unless every tune
// in turn failed to play, when the music stops with one line.
static void countEnd(int failed)
{
    failuresInARow = failed ? failuresInARow + 1 : 0;
    if (failed && failuresInARow >= numberOfSongs) {
        if (!toldAllFailed)
            fprintf(stderr, "pagovia: none of the %d tunes could be played; the music stops\n", numberOfSongs);
        toldAllFailed = 1;
        return;
    }
    // Advance before raising the request: the main task may start the player the moment
    // it sees changeSong, and must see the new index then.
    currentSong.fetch_add(1);
    changeSong = 1;
}

int handleMusicRecord(musicMessage* msg, int apply)
{
    if (!isMusicMessage(msg)) return -1;
    if (!apply) return 0;
    std::lock_guard<std::mutex> hold(playerLock);
    switch (msg->command) {
    case MUSIC_PLAYING:
        loadingSong = 0;
        player.reported = 1;
        failuresInARow = 0;
        toldAllFailed = 0;
        break;
    case MUSIC_ENDED:
        // Only the running player's first end counts: its exit, which follows, does not.
        if (player.pid && !player.ended) {
            player.ended = 1;
            countEnd(0);
        }
        break;
    case MUSIC_FINISH: return 1;
    default: break;
    }
    return 0;
}

static void wakeHandler()
{
    {
        std::lock_guard<std::mutex> hold(wakeLock);
        wakePending = 1;
    }
    wakeSignal.notify_all();
    std::lock_guard<std::mutex> hold(handlerPortLock);
    portWake(&handlerPort);
}

// The child watcher's news: the player's process is gone. Without an end report this is
// its end (a crash, a tune it could not decode, a stop by signal); a player that never
// played and was not asked to stop counts as a failure.
static void playerExited(int pid)
{
    {
        std::lock_guard<std::mutex> hold(playerLock);
        if (pid != player.pid) return;
        playerRecord gone = player;
        player = playerRecord{};
        if (!gone.ended) countEnd(!gone.reported && !gone.stopAsked);
    }
    wakeHandler();
}

int startPlayer(const char* program, const char* argument)
{
    // Held across the start, so that the end of a player that dies at once is not missed.
    std::lock_guard<std::mutex> hold(playerLock);
    int pid = runProgram(program, argument, playerExited);
    if (pid) player = playerRecord{pid, 0, 0, 0, 0, 0, 0};
    return pid;
}

int playerRunning()
{
    std::lock_guard<std::mutex> hold(playerLock);
    return player.pid != 0;
}

// Asks the handler to end the player (playerLock held). One that has counted its end
// already only gets time to exit before the signals.
static int askStop()
{
    if (!player.pid || player.stopAsked) return 0;
    player.stopAsked = 1;
    if (player.ended) player.termAt = nowMs() + STOP_GRACE_MS;
    return 1;
}

void stopPlayer()
{
    int asked;
    {
        std::lock_guard<std::mutex> hold(playerLock);
        asked = askStop();
    }
    if (asked) wakeHandler(); // the frames that keep asking meanwhile cost nothing
}

// The handler's side of a stop: the stop request first, then SIGTERM and SIGKILL for a
// player that does not answer or does not end. Returns the ms until the next deadline, or
// -1 when there is none.
static int superviseStop()
{
    int pid;
    {
        std::lock_guard<std::mutex> hold(playerLock);
        pid = player.stopAsked && !player.stopSent && !player.ended ? player.pid : 0;
        if (pid) player.stopSent = 1;
    }
    int answered = pid && SendMessage(PLAYER_PORT, MUSIC_STOP) != MUSIC_NO_ANSWER;
    std::lock_guard<std::mutex> hold(playerLock);
    int64_t now = nowMs();
    if (pid && player.pid == pid) {
        if (answered) player.termAt = now + STOP_GRACE_MS;
        else player.killAt = now + TERM_GRACE_MS, signalCommand(pid, SIGTERM);
    }
    if (!player.pid) return -1;
    if (player.termAt && now >= player.termAt) {
        signalCommand(player.pid, SIGTERM);
        player.termAt = 0;
        player.killAt = now + TERM_GRACE_MS;
    }
    if (player.killAt && now >= player.killAt) {
        signalCommand(player.pid, SIGKILL);
        player.killAt = 0;
    }
    int64_t next = player.termAt ? player.termAt : player.killAt;
    if (player.termAt && player.killAt) next = std::min(player.termAt, player.killAt);
    return next ? (int)std::max<int64_t>(next - now, 1) : -1;
}

// Answers every request queued at the port; returns 1 once a finish request was among them.
static int serveQueued(namedPort* port, int apply)
{
    int finished = 0;
    musicMessage msg;
    int c;
    while (!handlerStopping && (c = portTake(port, &msg, sizeof msg)) >= 0) {
        int r = handleMusicRecord(&msg, apply && !finished);
        if (r < 0) {
            portRefuse(c);
            continue;
        }
        if (r == 1) finished = 1;
        portReply(c, &msg, sizeof msg);
    }
    return finished;
}

// Sleeps until a request arrives, a wake-up or the timeout; 1 if requests are pending.
static int waitForWork(int havePort, int timeoutMs)
{
    if (havePort) return portWait(&handlerPort, timeoutMs) > 0;
    std::unique_lock<std::mutex> hold(wakeLock);
    auto woken = [] { return wakePending != 0; };
    if (timeoutMs < 0) wakeSignal.wait(hold, woken);
    else wakeSignal.wait_for(hold, std::chrono::milliseconds(timeoutMs), woken);
    wakePending = 0;
    return 0;
}

void musichandler()
{
    namedPort port;
    int havePort = portCreate(&port, HANDLER_PORT);
    if (!havePort) fprintf(stderr, "Unable to create messageport!\n");
    {
        std::lock_guard<std::mutex> hold(handlerPortLock);
        handlerPort = port;
    }
    // Without its port the handler still ends players that were asked to stop.
    int finished = 0;
    while (!finished && !handlerStopping) {
        int timeout = superviseStop();
        if (waitForWork(havePort, timeout)) finished = serveQueued(&handlerPort, 1);
    }
    if (havePort) serveQueued(&handlerPort, 0);
    std::lock_guard<std::mutex> hold(handlerPortLock);
    portDelete(&handlerPort);
}

// Replaces currentSong by f(currentSong) in one atomic step; returns the value stored.
template <typename F> static int32_t updateSong(F f)
{
    int32_t old = currentSong.load();
    int32_t next;
    do {
        next = f(old);
    } while (!currentSong.compare_exchange_weak(old, next));
    return next;
}

void announceSong(const char* fileName)
{
    char line[sizeof infoText];
    snprintf(line, sizeof line, "     Playing %s", fileName);
    setInfoLine(line);
    if (mode == MODE_MAGAZINE) getTimeWithStatus(CLOCK_PAUSE);
}

// Whether a player runs whose end is still to come (playerLock held). Such a player is
// asked to stop and its end moves currentSong; otherwise the wanted tune is asked for at
// once. Nothing here waits for the player: the handler sends the stop.
static int playerToEnd() { return player.pid && !player.ended; }

// No player to end: currentSong becomes wanted(currentSong) and the next frame starts it
// (playerLock held).
template <typename F> static void requestTune(F wanted)
{
    loadingSong = 0;
    changeSong = 1;
    updateSong(wanted);
}

// A player's end is awaited: the handler is woken to send the stop (if one was asked for)
// and the info line names the tune at once; the end report then moves currentSong on.
static void awaitEnd(std::unique_lock<std::mutex>& hold, const char* fileName)
{
    loadingSong = 1;
    hold.unlock();
    wakeHandler();
    announceSong(fileName);
}

static const char* entryName(int index) { return songFileName(songNames[wrapSongIndex(index)]); }

void playNextMusic()
{
    if (numberOfSongs <= 0) return;
    std::unique_lock<std::mutex> hold(playerLock);
    int32_t current = currentSong.load();
    if (loadingSong.load() == 0 && !playerToEnd())
        return requestTune([](int32_t s) { return (int32_t)wrapSongIndex((long long)s + 1); });
    if (loadingSong.load() == 0) askStop();
    awaitEnd(hold, entryName(current + 1));
}

void playPrevMusic()
{
    if (numberOfSongs <= 0) return;
    std::unique_lock<std::mutex> hold(playerLock);
    int32_t current = currentSong.load();
    if (!playerToEnd()) return requestTune([](int32_t s) { return (int32_t)wrapSongIndex((long long)s - 1); });
    askStop();
    currentSong.fetch_sub(2); // the player's end adds 1 back
    awaitEnd(hold, entryName(current - 1));
}

void playSongByName(const char* fileName)
{
    if (numberOfSongs <= 0 || loadingSong.load() == 1) return;
    int i = findSong(fileName);
    if (i < 0) return;
    std::unique_lock<std::mutex> hold(playerLock);
    if (!playerToEnd()) return requestTune([i](int32_t) { return (int32_t)i; });
    currentSong = i - 1; // the player's end adds 1
    askStop();
    awaitEnd(hold, fileName);
}

int musicAvailable() { return !musicOff; }

int startMusicHandler()
{
    if (handlerThread.joinable()) return 1;
    portSetOwner(getpid());
    portRemoveStaleDirectories();
    handlerStopping = 0;
    {
        std::lock_guard<std::mutex> hold(playerLock);
        failuresInARow = toldAllFailed = 0;
    }
    try {
        handlerThread = std::thread(musichandler);
    } catch (const std::system_error&) {
        musicOff = 1; // the caller says "Can't create subtask"; the viewer goes on silent
        return 0;
    }
    musicOff = 0;
    return 1;
}

void stopMusicHandler()
{
    if (handlerThread.joinable()) {
        // Normally the finish request on HANDLER_PORT has ended the handler already; this
        // wake-up covers a request that never arrived, or a handler busy with a flood.
        handlerStopping = 1;
        wakeHandler();
        handlerThread.join();
    }
    {
        std::lock_guard<std::mutex> hold(playerLock);
        player = playerRecord{}; // ended by shutdown: its end asks for no next tune
    }
    stopCommands(PLAYER_EXIT_MS);
    portRemoveIfStale(PLAYER_PORT); // left by a player that had to be killed
    portRemoveOwnDirectory();
}
