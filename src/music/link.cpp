// Owns the playback state and the protocol with the player: the record on the wire, the
// handler task behind "demoport" and the next, previous and chosen tune operations.
// Only this file and the song start change the three playback atomics.
#include "music/link.h"
#include "app/clock.h"
#include "app/composition.h"
#include "app/screen.h"
#include "content/directories.h"
#include "platform/command.h"
#include "platform/ports.h"
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

std::atomic<int32_t> currentSong{0};
std::atomic<int16_t> changeSong{1};
std::atomic<int16_t> loadingSong{1};

// Every send waits this long for its answer, so a hung player can't freeze the viewer.
static const int REPLY_TIMEOUT_MS = 2000;
// Shutdown gives the players this long to end after they were asked to.
static const int PLAYER_EXIT_MS = 3000;
static const char PLAYER_PORT[] = "musicplayerport";
static const char HANDLER_PORT[] = "demoport";

static std::thread handlerThread;
static std::mutex handlerPortLock; // guards handlerPort against a wake-up while it is deleted
static namedPort handlerPort;
static std::atomic<int> handlerStopping{0};

int wrapSongIndex(long long index)
{
    long long n = numberOfSongs > 0 ? numberOfSongs : 1;
    long long r = index % n;
    return (int)(r < 0 ? r + n : r);
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
    if (!SafePutToPort(&msg, portName, &connection)) return -1;
    auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    int left = REPLY_TIMEOUT_MS - (int)spent.count();
    if (!portAwaitReply(connection, &msg, sizeof msg, left > 0 ? left : 0)) return -1;
    if (!isMusicMessage(&msg)) return -1;
    return msg.command;
}

int SendMessage(const char* portName, int command) { return exchange(portName, command, nullptr); }

int SendStringMessage(const char* portName, int command, const char* text)
{
    return exchange(portName, command, text);
}

int handleMusicRecord(musicMessage* msg, int apply)
{
    if (!isMusicMessage(msg)) return -1;
    if (!apply) return 0;
    switch (msg->command) {
    case 0: loadingSong = 0; break;
    case 2:
        // Advance before raising the request: the main task may start the player the moment
        // it sees changeSong, and must see the new index then.
        currentSong.fetch_add(1);
        changeSong = 1;
        break;
    case -1: return 1;
    default: break;
    }
    return 0;
}

// Answers every request queued at the port; returns 1 once a finish request was among them.
static int serveQueued(namedPort* port, int apply)
{
    int finished = 0;
    musicMessage msg;
    int c;
    while ((c = portTake(port, &msg, sizeof msg)) >= 0) {
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

void musichandler()
{
    namedPort port;
    if (!portCreate(&port, HANDLER_PORT)) {
        fprintf(stderr, "Unable to create messageport!\n");
        return;
    }
    {
        std::lock_guard<std::mutex> hold(handlerPortLock);
        handlerPort = port;
    }
    int finished = 0;
    while (!finished && !handlerStopping) {
        if (portWait(&handlerPort, -1) < 0) break; // woken by stopMusicHandler
        finished = serveQueued(&handlerPort, 1);
    }
    serveQueued(&handlerPort, 0);
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

static void announce(const char* name)
{
    snprintf(infoText, sizeof infoText, "     Playing %s", name);
    if (mode == 2) getTimeWithStatus(CLOCK_PAUSE);
}

void playNextMusic()
{
    if (numberOfSongs <= 0) return;
    // Read before the stop request: the player's end report may add 1 before we look again.
    int32_t current = currentSong.load();
    if (loadingSong.load() == 0 && SendMessage(PLAYER_PORT, 2) == -1) {
        loadingSong = 0;
        changeSong = 1;
        updateSong([](int32_t s) { return (int32_t)wrapSongIndex((long long)s + 1); });
        return;
    }
    loadingSong = 1;
    announce(songNames[wrapSongIndex((long long)current + 1)]);
}

void playPrevMusic()
{
    if (numberOfSongs <= 0) return;
    int32_t current = currentSong.load();
    if (SendMessage(PLAYER_PORT, 2) == -1) {
        loadingSong = 0;
        changeSong = 1;
        updateSong([](int32_t s) { return (int32_t)wrapSongIndex((long long)s - 1); });
        return;
    }
    loadingSong = 1;
    announce(songNames[wrapSongIndex((long long)current - 1)]);
    currentSong.fetch_sub(2); // the player's end report adds 1 back, before or after this
}

void playSongByName(const char* fileName)
{
    if (numberOfSongs <= 0 || loadingSong.load() == 1) return;
    char key[74] = {};
    int n = snprintf(key, sizeof key, "\"Songs/%s\"", fileName);
    if (n < 0 || (size_t)n >= sizeof key) return;
    int count = numberOfSongs < MAX_SONGS ? numberOfSongs : MAX_SONGS;
    int i = 0;
    while (i < count && strcmp(songNames[i], key) != 0) i++;
    if (i == count) return;
    currentSong = i - 1;
    if (SendMessage(PLAYER_PORT, 2) == -1) {
        loadingSong = 0;
        changeSong = 1;
        currentSong.fetch_add(1);
        return;
    }
    loadingSong = 1;
    announce(fileName);
}

int startMusicHandler()
{
    if (handlerThread.joinable()) return 1;
    handlerStopping = 0;
    handlerThread = std::thread(musichandler);
    return 1;
}

void stopMusicHandler()
{
    if (handlerThread.joinable()) {
        // Normally the finish request on "demoport" has ended the handler already; this
        // wake-up covers a request that never arrived.
        handlerStopping = 1;
        {
            std::lock_guard<std::mutex> hold(handlerPortLock);
            portWake(&handlerPort);
        }
        handlerThread.join();
    }
    stopCommands(PLAYER_EXIT_MS);
    portRemoveIfStale(PLAYER_PORT); // left by a player that had to be killed
}
