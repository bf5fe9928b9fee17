// The music and platform tests' sandbox: a private port directory and working directory per
// test, polling with a deadline, stand-in programs as shell scripts; and the music fixture,
// whose player is the real tunedeck playing generated modules.
#pragma once
#include "app/composition.h"
#include "app/screen.h"
#include "app/view.h"
#include "music/link.h"
#include "music/songstart.h"
#include "platform/command.h"
#include "platform/ports.h"
#include "support/magazine_state.h"
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <thread>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// Each test gets its own $XDG_RUNTIME_DIR (so tests and other programs never share ports)
// and its own current directory, both removed afterwards.
struct sandbox {
    std::string root, runtime, work, oldCwd;
};

static inline void sandboxOpen(sandbox* s)
{
    char tmpl[] = "/tmp/pagovia-test-XXXXXX";
    s->root = mkdtemp(tmpl);
    s->runtime = s->root + "/run";
    s->work = s->root + "/work";
    std::filesystem::create_directories(s->work);
    std::filesystem::create_directory(s->runtime);
    std::filesystem::permissions(s->runtime, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", s->runtime.c_str(), 1);
    s->oldCwd = std::filesystem::current_path();
    std::filesystem::current_path(s->work);
}

static inline void sandboxClose(sandbox* s)
{
    stopCommands(2000);
    std::filesystem::current_path(s->oldCwd);
    std::error_code ignored;
    std::filesystem::remove_all(s->root, ignored);
    unsetenv("XDG_RUNTIME_DIR");
}

// This process's port directory, where its ports (and those of the players it starts) live.
static inline std::string portDir(const sandbox& s) { return s.runtime + "/pagovia/" + std::to_string(getpid()); }

template <typename F> static inline bool waitUntil(F done, int timeoutMs = 5000)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

static inline bool peersEnded() { return waitUntil([] { return runningCommands() == 0; }, 10000); }

static inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

static inline void writeScript(const std::string& path, const std::string& body)
{
    auto dir = std::filesystem::path(path).parent_path();
    if (!dir.empty()) std::filesystem::create_directories(dir);
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

static inline long long msSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
}

// A raw socket at `path`: connected (connect 1), or bound and closed as a dead owner leaves it.
static inline int rawSocket(const std::string& path, int connectIt)
{
    int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un a = {};
    a.sun_family = AF_UNIX;
    snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
    int r = connectIt ? connect(fd, (sockaddr*)&a, sizeof a) : bind(fd, (sockaddr*)&a, sizeof a);
    if (r != 0 || !connectIt) close(fd);
    return r == 0 ? fd : -1;
}

// A silent module of one pattern: 64 rows (7.7 s) or, with a pattern break, 1 row (0.1 s).
static inline void writeTune(const std::string& path, bool shortOne)
{
    std::string tune(20 + 31 * 30, '\0');
    tune += std::string("\x01\x7f", 2) + std::string(128, '\0') + "M.K." + std::string(1024, '\0');
    if (shortOne) tune[1084 + 2] = 0x0D;
    std::ofstream(path, std::ios::binary) << tune;
}

// Five long tunes Songs/t0.mod .. t4.mod, played by "musicplayer/tunedeck": a script that
// writes its argument to "started" and becomes the real tunedeck built beside this binary.
struct MusicTest : ::testing::Test {
    sandbox box;
    std::string tunedeck;
    void SetUp() override
    {
        sandboxOpen(&box);
        char self[PATH_MAX] = {};
        if (readlink("/proc/self/exe", self, sizeof self - 1) > 0)
            tunedeck = (std::filesystem::path(self).parent_path() / "tunedeck").string();
        useSongList(5);
        std::filesystem::create_directory("Songs");
        for (int i = 0; i < 5; i++) writeTune("Songs/t" + std::to_string(i) + ".mod", false);
        writeTune("short.mod", true);
        writeScript("musicplayer/tunedeck", "printf '%s' \"$1\" > started; exec " + tunedeck + " \"$1\"");
        currentSong = changeSong = loadingSong = 0;
        snprintf(infoText, sizeof infoText, "unchanged");
        mode = 2;
    }
    void TearDown() override { stopMusicHandler(), sandboxClose(&box), numberOfSongs = 0; }
    // The playback state as "currentSong changeSong loadingSong".
    std::string state()
    {
        return std::to_string(currentSong) + " " + std::to_string(changeSong) + " " + std::to_string(loadingSong);
    }
    bool portUp(const char* name) { return std::filesystem::exists(portDir(box) + "/" + name); }
    void startHandler()
    {
        startMusicHandler();
        ASSERT_TRUE(waitUntil([&] { return portUp(HANDLER_PORT); }));
    }
    // The real player on `tune`, once it has said it plays: its pid.
    int playing(const char* tune = "Songs/t0.mod")
    {
        loadingSong = 1;
        int pid = startPlayer(tunedeck.c_str(), tune);
        EXPECT_TRUE(pid && waitUntil([] { return loadingSong == 0; })) << tune;
        return pid;
    }
    // A stand-in player that runs `body` as a shell script: its pid.
    int standIn(const std::string& body)
    {
        writeScript("stand-in", body);
        return startPlayer("./stand-in", nullptr);
    }
};
