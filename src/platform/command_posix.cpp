// Starts background programs without a shell and reaps them: one watcher thread per child
// waits for its end, so no zombie stays. Only this file spawns or signals processes.
#include "platform/command.h"
#include "platform/ports.h"
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
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

enum { MAX_CHILDREN = 64 };

static std::mutex childLock;
static std::condition_variable childEnded;
static pid_t children[MAX_CHILDREN];
static int childCount;
static int endsUntold; // children reaped whose owner is still being told

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
// pid in the table is never one the system may have handed to another process. The owner
// hears of the end afterwards, with no lock held.
static void watchChild(pid_t pid, commandEnded onEnd)
{
    siginfo_t info;
    while (waitid(P_PID, pid, &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {}
    {
        std::lock_guard<std::mutex> hold(childLock);
        for (int i = 0; i < childCount; i++) {
            if (children[i] == pid) children[i] = children[--childCount];
        }
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
        endsUntold++;
    }
    if (onEnd) onEnd(pid);
    std::lock_guard<std::mutex> hold(childLock);
    endsUntold--;
    childEnded.notify_all();
}

// The child's environment: ours, with the port owner set to this process's ports, so a
// player finds the viewer that started it.
static std::vector<char*> childEnvironment(char* owner, size_t size)
{
    std::vector<char*> env;
    if (!portOwnerEnvironment(owner, size)) owner[0] = '\0';
    size_t nameLength = strchr(owner, '=') ? (size_t)(strchr(owner, '=') - owner) + 1 : 0;
    for (char** e = environ; *e; e++)
        if (!nameLength || strncmp(*e, owner, nameLength) != 0) env.push_back(*e);
    if (nameLength) env.push_back(owner);
    env.push_back(nullptr);
    return env;
}

// Standard input and output on the null device; standard error stays the viewer's, so a
// player's complaint (a tune it cannot decode) reaches the user.
static int spawnDetached(const char* program, const char* argument, pid_t* pid)
{
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char owner[64];
    std::vector<char*> env = childEnvironment(owner, sizeof owner);
    char* argv[3] = {const_cast<char*>(program), const_cast<char*>(argument), nullptr};
    int err = posix_spawn(pid, program, &files, &attr, argv, env.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&files);
    return err;
}

int runProgram(const char* program, const char* argument, commandEnded onEnd)
{
    std::lock_guard<std::mutex> hold(childLock);
    if (childCount == MAX_CHILDREN) {
        fprintf(stderr, "pagovia: can't start %s: too many programs still running\n", program);
        return 0;
    }
    pid_t pid;
    int err = spawnDetached(program, argument, &pid);
    if (err != 0) {
        fprintf(stderr, "pagovia: can't start %s: %s\n", program, strerror(err));
        return 0;
    }
    try {
        std::thread(watchChild, pid, onEnd).detach();
    } catch (const std::system_error&) {
        // Nobody could reap it or tell of its end: end it now rather than leave it behind.
        printf("Can't create subtask\n");
        kill(pid, SIGKILL);
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
        return 0;
    }
    children[childCount++] = pid;
    return (int)pid;
}

int runCommand(const char* line)
{
    static commandLine cmd; // 2 KiB kept off the caller's stack; only the main task runs lines
    if (!parseCommandLine(line, &cmd)) {
        fprintf(stderr, "pagovia: can't run an empty or overlong command line\n");
        return 0;
    }
    return runProgram(cmd.program, cmd.hasArgument ? cmd.argument : nullptr, nullptr) != 0;
}

int runningCommands()
{
    std::lock_guard<std::mutex> hold(childLock);
    return childCount + endsUntold;
}

int signalCommand(int pid, int sig)
{
    std::lock_guard<std::mutex> hold(childLock);
    for (int i = 0; i < childCount; i++)
        if (children[i] == pid) return kill(pid, sig) == 0;
    return 0;
}

static void signalAll(int sig)
{
    for (int i = 0; i < childCount; i++) kill(children[i], sig);
}

void stopCommands(int timeoutMs)
{
    std::unique_lock<std::mutex> hold(childLock);
    signalAll(SIGTERM);
    auto none = [] { return childCount + endsUntold == 0; };
    if (childEnded.wait_for(hold, std::chrono::milliseconds(timeoutMs), none)) return;
    signalAll(SIGKILL);
    childEnded.wait(hold, none);
}
