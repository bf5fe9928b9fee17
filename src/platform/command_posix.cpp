// Starts background programs without a shell and reaps them: one watcher thread per child
// waits for its end, so no zombie stays. Only this file spawns or signals processes.
#include "platform/command.h"
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

enum { MAX_CHILDREN = 64 };

static std::mutex childLock;
static std::condition_variable childEnded;
static pid_t children[MAX_CHILDREN];
static int childCount;

static const char* skipWord(const char* s, const char* word)
{
    size_t n = strlen(word);
    if (strncmp(s, word, n) == 0 && s[n] == ' ') {
        s += n;
        while (*s == ' ') s++;
    }
    return s;
}

int parseCommandLine(const char* line, commandLine* out)
{
    memset(out, 0, sizeof *out);
    const char* s = line;
    while (*s == ' ') s++;
    s = skipWord(s, "run");
    s = skipWord(s, "<>NIL:");
    const char* end = strchr(s, ' ');
    size_t programLength = end ? (size_t)(end - s) : strlen(s);
    if (programLength == 0 || programLength >= sizeof out->program) return 0;
    memcpy(out->program, s, programLength);
    if (!end) return 1;
    const char* arg = end + 1;
    size_t argLength = strlen(arg);
    if (argLength >= 2 && arg[0] == '"' && arg[argLength - 1] == '"') {
        arg++;
        argLength -= 2;
    }
    if (argLength >= sizeof out->argument) return 0;
    memcpy(out->argument, arg, argLength);
    out->hasArgument = 1;
    return 1;
}

// Waits for the child's end without reaping it, takes it off the table, then reaps it: so a
// pid in the table is never one the system may have handed to another process.
static void watchChild(pid_t pid)
{
    siginfo_t info;
    while (waitid(P_PID, pid, &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {}
    std::lock_guard<std::mutex> hold(childLock);
    for (int i = 0; i < childCount; i++) {
        if (children[i] == pid) children[i] = children[--childCount];
    }
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
    childEnded.notify_all();
}

static int spawnDetached(const commandLine& cmd, pid_t* pid)
{
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char* argv[3] = {const_cast<char*>(cmd.program), cmd.hasArgument ? const_cast<char*>(cmd.argument) : nullptr,
                     nullptr};
    int err = posix_spawn(pid, cmd.program, &files, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&files);
    return err;
}

int runCommand(const char* line)
{
    std::lock_guard<std::mutex> hold(childLock);
    static commandLine cmd; // 2 KiB kept off the caller's stack; guarded by childLock
    if (!parseCommandLine(line, &cmd)) {
        fprintf(stderr, "pagovia: can't run an empty or overlong command line\n");
        return 0;
    }
    if (childCount == MAX_CHILDREN) {
        fprintf(stderr, "pagovia: can't start %s: too many programs still running\n", cmd.program);
        return 0;
    }
    pid_t pid;
    int err = spawnDetached(cmd, &pid);
    if (err != 0) {
        fprintf(stderr, "pagovia: can't start %s: %s\n", cmd.program, strerror(err));
        return 0;
    }
    children[childCount++] = pid;
    std::thread(watchChild, pid).detach();
    return 1;
}

int runningCommands()
{
    std::lock_guard<std::mutex> hold(childLock);
    return childCount;
}

static void signalAll(int sig)
{
    for (int i = 0; i < childCount; i++) kill(children[i], sig);
}

void stopCommands(int timeoutMs)
{
    std::unique_lock<std::mutex> hold(childLock);
    signalAll(SIGTERM);
    auto none = [] { return childCount == 0; };
    if (childEnded.wait_for(hold, std::chrono::milliseconds(timeoutMs), none)) return;
    signalAll(SIGKILL);
    childEnded.wait(hold, none);
}
