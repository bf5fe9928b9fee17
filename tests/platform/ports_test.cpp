// Named ports over Unix domain sockets: the private port directories (the user's and one
// per viewer) and their checks, stale directories and sockets, records of another size,
// silent senders, a reply that never comes, and SIGPIPE safety.
#include "music/sandbox.h"
#include <csignal>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

enum { SIZE = 64 };
namespace fs = std::filesystem;

struct Ports : ::testing::Test {
    sandbox box;
    void SetUp() override { sandboxOpen(&box); }
    void TearDown() override { sandboxClose(&box); }
    std::string dir() const { return box.runtime + "/pagovia"; }
    std::string path(const char* name) const { return portDir(box) + "/" + name; }
};

// ---- the port directories ----

// The directory is made private; one that others may enter, a link or another's is refused.
TEST_F(Ports, DirectoryIsPrivateAndUnsafeOnesAreRefused)
{
    char p[108];
    ASSERT_EQ(1, portPath("demoport", p, sizeof p));
    EXPECT_EQ(path("demoport"), p);
    struct stat st;
    ASSERT_EQ(0, lstat(dir().c_str(), &st));
    EXPECT_EQ(S_IFDIR | 0700u, st.st_mode & (S_IFMT | 0777));
    std::string elsewhere = box.root + "/elsewhere";
    fs::create_directory(elsewhere);
    chmod(elsewhere.c_str(), 0700);
    std::pair<const char*, std::function<void()>> cases[] = {
        {"others may enter", [&] { fs::create_directory(dir()), chmod(dir().c_str(), 0755); }},
        {"a link", [&] { fs::create_directory_symlink(elsewhere, dir()); }},
        {"another owner", [&] { fs::create_directory(dir()), (void)!chown(dir().c_str(), 12345, 0); }},
        {"the viewer's own a link", [&] {
             fs::create_directory(dir()), chmod(dir().c_str(), 0700);
             fs::create_directory_symlink(elsewhere, portDir(box));
         }},
    };
    for (auto& c : cases) {
        if (std::string(c.first) == "another owner" && geteuid() != 0) continue; // only root can hand it over
        fs::remove_all(dir());
        c.second();
        struct stat before, after;
        lstat(dir().c_str(), &before);
        namedPort np;
        EXPECT_EQ(0, portCreate(&np, "demoport")) << c.first;
        lstat(dir().c_str(), &after);
        EXPECT_EQ(before.st_mode, after.st_mode) << c.first << ": only a directory we made is made private";
        int v = 1;
        EXPECT_EQ(-1, portPut("demoport", &v, sizeof v, 100)) << c.first;
    }
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

// The directory a viewer's player is told about, and the clean-up of dead viewers' ones:
// only this user's real directories named by a process that is gone.
TEST_F(Ports, EachViewerHasItsDirectoryAndDeadOnesAreRemoved)
{
    char env[64];
    ASSERT_EQ(1, portOwnerEnvironment(env, sizeof env));
    EXPECT_EQ("PAGOVIA_VIEWER=" + std::to_string(getpid()), env);
    pid_t gone[2]; // pids that no process has now
    for (pid_t& g : gone)
        if ((g = fork()) == 0) _exit(0);
    for (pid_t g : gone) waitpid(g, nullptr, 0);
    std::string dead = dir() + "/" + std::to_string(gone[0]), live = dir() + "/" + std::to_string(getppid());
    std::string elsewhere = box.root + "/elsewhere", linked = dir() + "/" + std::to_string(gone[1]);
    char p[108];
    ASSERT_EQ(1, portPath("demoport", p, sizeof p));
    for (const std::string& d : {dead, live, elsewhere}) fs::create_directory(d), rawSocket(d + "/demoport", 0);
    fs::create_directory_symlink(elsewhere, linked);
    portRemoveStaleDirectories();
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(live + "/demoport") && fs::is_symlink(linked) && fs::exists(elsewhere + "/demoport"));
    EXPECT_TRUE(fs::exists(portDir(box)));
    portRemoveOwnDirectory();
    EXPECT_FALSE(fs::exists(portDir(box)));
}

// ---- ports and exchanges ----

// A live port's name is not taken; a dead owner's socket is found absent, removed, reusable.
TEST_F(Ports, LivePortIsKeptStaleSocketIsCleanedUp)
{
    namedPort a, b;
    ASSERT_EQ(1, portCreate(&a, "demoport"));
    EXPECT_EQ(0, portCreate(&b, "demoport"));
    portDelete(&a);
    EXPECT_FALSE(fs::exists(path("demoport")));
    rawSocket(path("musicplayerport"), 0);
    int v = 2;
    EXPECT_EQ(-1, portPut("musicplayerport", &v, sizeof v, 500));
    EXPECT_FALSE(fs::exists(path("musicplayerport")));
    rawSocket(path("demoport"), 0);
    EXPECT_EQ(1, portCreate(&a, "demoport"));
    portDelete(&a);
}

// Records of another size are hung up on unanswered and skipped; a reply that never comes
// times out; peers that hang up on either side raise no SIGPIPE.
TEST_F(Ports, BadRecordsAndVanishedPeers)
{
    auto old = signal(SIGPIPE, SIG_DFL); // a SIGPIPE would end the test program
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "demoport"));
    int small = rawSocket(path("demoport"), 1), large = rawSocket(path("demoport"), 1);
    char bytes[SIZE * 2] = {}, reply[8];
    send(small, bytes, SIZE - 1, 0);
    send(large, bytes, sizeof bytes, 0);
    unsigned char rec[SIZE] = {42}, got[SIZE];
    int c = portPut("demoport", rec, SIZE, 2000);
    int taken = portTake(&p, got, SIZE);
    ASSERT_GE(taken, 0);
    EXPECT_EQ(42, got[0]);
    EXPECT_EQ(0, recv(small, reply, sizeof reply, 0));
    EXPECT_EQ(0, recv(large, reply, sizeof reply, 0));
    close(small), close(large);
    EXPECT_EQ(0, portAwaitReply(c, rec, SIZE, 200)); // and hangs up
    EXPECT_EQ(0, portReply(taken, got, SIZE));         // the sender is gone
    c = portPut("demoport", rec, SIZE, 2000);
    ASSERT_GE(taken = portTake(&p, got, SIZE), 0);
    EXPECT_EQ(1, portReply(taken, got, SIZE));
    EXPECT_EQ(1, portAwaitReply(c, rec, SIZE, 1000));
    c = portPut("demoport", rec, SIZE, 2000);
    portDelete(&p); // the owner is gone
    EXPECT_EQ(0, portAwaitReply(c, rec, SIZE, 1000));
    signal(SIGPIPE, old);
}

// Regression: a sender that connected and sent nothing held portTake 2 s.
TEST_F(Ports, SilentSendersAreDroppedWithinBudget)
{
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "demoport"));
    int fds[14]; // fewer than the backlog: the 17th connect would wait for an accept
    for (int& fd : fds) fd = rawSocket(path("demoport"), 1);
    unsigned char rec[SIZE];
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(-1, portTake(&p, rec, SIZE));
    EXPECT_LT(msSince(t0), 400);
    for (int fd : fds) close(fd);
    portDelete(&p);
}

} // namespace
