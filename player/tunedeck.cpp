// tunedeck: plays one tracker module (anything libopenmpt reads) through SDL2 audio. While it
// plays it owns PLAYER_PORT in its viewer's port directory and answers there at once; it
// tells the viewer's HANDLER_PORT when the tune plays and when it has ended, then exits.
#include "music/protocol.h"
#include "platform/ports.h"
#include <SDL.h>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <libopenmpt/libopenmpt.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>
#include <vector>

static const long MAX_TUNE_BYTES = 64L << 20; // far beyond any module; guards memory
static const int REPORT_TIMEOUT_MS = 2000;
static const int PORT_HANDOVER_MS = 2000;     // a previous player may still be letting go
static const int WATCH_INTERVAL_MS = 100;

static int sampleRate = 48000;
static std::atomic<int> tuneEnded{0};
static volatile sig_atomic_t stopSignal = 0;
static pid_t viewer;

static void onStopSignal(int) { stopSignal = 1; }

// SIGTERM also arrives when the viewer dies (parent-death signal), and the watch loop
// notices a changed parent as well, so the player never plays on alone.
static void watchViewer()
{
    viewer = getppid();
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = onStopSignal; // no SA_RESTART: waits end early
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
}

static int stopRequested() { return stopSignal || getppid() != viewer; }

static int readTune(const char* path, std::vector<char>* data)
{
    FILE* f = fopen(path, "rb");
    if (!f) {
        fprintf(stderr, "tunedeck: cannot open %s: %s\n", path, strerror(errno));
        return 0;
    }
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0 && (long)data->size() <= MAX_TUNE_BYTES)
        data->insert(data->end(), chunk, chunk + n);
    int failed = ferror(f);
    fclose(f);
    if (failed || (long)data->size() > MAX_TUNE_BYTES) {
        fprintf(stderr, "tunedeck: cannot read %s: %s\n", path, failed ? "read error" : "file too large");
        return 0;
    }
    return 1;
}

static openmpt_module* loadTune(const char* path)
{
    std::vector<char> data;
    if (!readTune(path, &data)) return nullptr;
    int error = 0;
    const char* message = nullptr;
    openmpt_module* mod = openmpt_module_create_from_memory2(data.data(), data.size(), openmpt_log_func_silent,
                                                             nullptr, openmpt_error_func_ignore, nullptr, &error,
                                                             &message, nullptr);
    if (!mod) fprintf(stderr, "tunedeck: cannot decode %s: %s\n", path, message ? message : "unknown format");
    openmpt_free_string(message);
    return mod;
}

static void renderAudio(void* user, Uint8* stream, int len)
{
    openmpt_module* mod = (openmpt_module*)user;
    int16_t* out = (int16_t*)stream;
    size_t frames = (size_t)len / 4, done = 0;
    while (done < frames && !tuneEnded) {
        size_t got = openmpt_module_read_interleaved_stereo(mod, sampleRate, frames - done, out + 2 * done);
        if (got == 0) tuneEnded = 1;
        done += got;
    }
    memset(out + 2 * done, 0, (frames - done) * 4);
}

static SDL_AudioDeviceID openDevice(openmpt_module* mod)
{
    // The dummy driver paces itself by whole milliseconds per buffer: 1024 frames at 32 kHz
    // are exactly 32 ms, so a tune still takes its real time there.
    const char* driver = SDL_GetCurrentAudioDriver();
    sampleRate = (driver && strcmp(driver, "dummy") == 0) ? 32000 : 48000;
    SDL_AudioSpec want;
    memset(&want, 0, sizeof want);
    want.freq = sampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = renderAudio;
    want.userdata = mod;
    return SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
}

// A real output if there is one, else SDL's dummy driver.
static SDL_AudioDeviceID openAudio(openmpt_module* mod)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        SDL_AudioDeviceID dev = openDevice(mod);
        if (dev) return dev;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    return openDevice(mod);
}

static int report(int code)
{
    musicMessage msg = newMusicMessage(code);
    int c = portPut(HANDLER_PORT, &msg, sizeof msg, REPORT_TIMEOUT_MS);
    return c >= 0 && portAwaitReply(c, &msg, sizeof msg, REPORT_TIMEOUT_MS);
}

// Answers every queued request at once; returns 1 if one of them said stop.
static int serve(namedPort* port)
{
    int stop = 0;
    musicMessage msg;
    int c;
    while ((c = portTake(port, &msg, sizeof msg)) >= 0) {
        if (!isMusicMessage(&msg)) {
            portRefuse(c);
            continue;
        }
        if (msg.command == MUSIC_STOP) stop = 1;
        if (msg.command == MUSIC_NO_ANSWER) msg.command = 0; // would read as "no player"
        portReply(c, &msg, sizeof msg);
    }
    return stop;
}

static int64_t nowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

// Counts real time: one try may take longer than the pause between tries.
static int ownPort(namedPort* port)
{
    int64_t deadline = nowMs() + PORT_HANDOVER_MS;
    while (!stopRequested()) {
        if (portCreate(port, PLAYER_PORT)) return 1;
        if (nowMs() >= deadline) {
            fprintf(stderr, "tunedeck: cannot own %s (another player holds it)\n", PLAYER_PORT);
            return 0;
        }
        usleep(50 * 1000);
    }
    return 0;
}

static int play(openmpt_module* mod)
{
    SDL_AudioDeviceID dev = openAudio(mod);
    if (!dev) {
        fprintf(stderr, "tunedeck: no audio output: %s\n", SDL_GetError());
        return 1;
    }
    namedPort port;
    if (!ownPort(&port)) {
        SDL_CloseAudioDevice(dev);
        return stopRequested() ? 0 : 1;
    }
    SDL_PauseAudioDevice(dev, 0);
    report(MUSIC_PLAYING);
    while (!tuneEnded && !stopRequested()) {
        if (portWait(&port, WATCH_INTERVAL_MS) > 0 && serve(&port)) break;
    }
    SDL_CloseAudioDevice(dev);
    report(MUSIC_ENDED);
    serve(&port); // whoever asked while we reported still gets an answer
    portDelete(&port);
    return 0;
}

int main(int argc, char** argv)
{
    watchViewer();
    // The viewer names its port directory in our environment; started by hand, the parent's.
    if (!getenv("PAGOVIA_VIEWER")) portSetOwner((long)getppid());
    if (argc != 2) {
        fprintf(stderr, "usage: tunedeck <tune file>\n");
        return 2;
    }
    openmpt_module* mod = loadTune(argv[1]);
    if (!mod) return 1;
    int status = play(mod);
    SDL_Quit();
    openmpt_module_destroy(mod);
    return status;
}
