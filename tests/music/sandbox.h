// Test helpers shared by the music and platform tests: a private port directory per test,
// a scratch working directory, the scripted peer program and polling with a deadline.
#pragma once
#include "music/link.h"
#include "platform/command.h"
#include "platform/ports.h"
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
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
    std::filesystem::create_directory(s->runtime);
    std::filesystem::permissions(s->runtime, std::filesystem::perms::owner_all);
    std::filesystem::create_directory(s->work);
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
static inline std::string portDir(const sandbox& s)
{
    return s.runtime + "/pagovia/" + std::to_string(getpid());
}

// The files and directories left under the user's port directory.
static inline int portFilesLeft(const sandbox& s)
{
    std::error_code ec;
    int n = 0;
    for (auto& e : std::filesystem::recursive_directory_iterator(s.runtime + "/pagovia", ec)) (void)e, n++;
    return n;
}

template <typename F> static inline bool waitUntil(F done, int timeoutMs = 5000)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// A program built next to the test binary.
static inline std::string builtProgram(const char* name)
{
    char self[PATH_MAX] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) < 0) return name;
    return (std::filesystem::path(self).parent_path() / name).string();
}

// Starts the scripted peer (see music_peer.cpp) in the background as the viewer's player;
// it logs to `log`. Returns its pid, 0 if it did not start.
static inline int startPeer(const std::string& script, const std::string& log)
{
    return startPlayer(builtProgram("music_peer").c_str(), ("log:" + log + " " + script).c_str());
}

static inline bool peersEnded() { return waitUntil([] { return runningCommands() == 0; }, 10000); }

static inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

static inline void writeScript(const std::string& path, const std::string& body)
{
    auto dir = std::filesystem::path(path).parent_path();
    if (!dir.empty()) std::filesystem::create_directories(dir);
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}
