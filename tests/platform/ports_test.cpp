// Named ports over Unix domain sockets: the private port directories (the user's and one
// per viewer) and their checks, stale directories of dead viewers, stale socket files,
// records of another size, silent senders, a reply that never comes, and SIGPIPE safety.
#include "music/sandbox.h"
#include "platform/ports.h"
#include <csignal>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>

namespace {

enum { SIZE = 64 };

struct Ports : ::testing::Test {
    sandbox box;
    void SetUp() override { sandboxOpen(&box); }
    void TearDown() override { sandboxClose(&box); }
    std::string dir() const { return box.runtime + "/pagovia"; }
    std::string path(const char* name) const { return portDir(box) + "/" + name; }
};

// A raw socket at `path`: connected (connect 1) or bound and closed, as a dead owner leaves it.
int rawSocket(const std::string& path, int connectIt)
{
    int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un a = {};
    a.sun_family = AF_UNIX;
    snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
    int r = connectIt ? connect(fd, (sockaddr*)&a, sizeof a) : bind(fd, (sockaddr*)&a, sizeof a);
    if (r != 0 || !connectIt) close(fd);
    return r == 0 ? fd : -1;
}

// ---- the port directory ----

// The directory is made private; one that others may enter, a link or another's is refused.
TEST_F(Ports, DirectoryIsPrivateAndUnsafeOnesAreRefused)
{
    char p[108];
    ASSERT_EQ(1, portPath("demoport", p, sizeof p));
    EXPECT_EQ(path("demoport"), p);
    struct stat st;
    ASSERT_EQ(0, lstat(dir().c_str(), &st));
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(0700u, st.st_mode & 0777);

    std::string elsewhere = box.root + "/elsewhere";
    std::filesystem::create_directory(elsewhere);
    chmod(elsewhere.c_str(), 0700);
    std::pair<const char*, std::function<void()>> cases[] = {
        {"others may enter", [&] { std::filesystem::create_directory(dir()), chmod(dir().c_str(), 0755); }},
        {"a link", [&] { std::filesystem::create_directory_symlink(elsewhere, dir()); }},
        {"another owner", [&] { std::filesystem::create_directory(dir()), (void)!chown(dir().c_str(), 12345, 0); }},
        {"the viewer's own a link", [&] {
             std::filesystem::create_directory(dir()), chmod(dir().c_str(), 0700);
             std::filesystem::create_directory_symlink(elsewhere, portDir(box));
         }},
    };
    for (auto& c : cases) {
        if (std::string(c.first) == "another owner" && geteuid() != 0) continue; // only root can hand it over
        std::filesystem::remove_all(dir());
        c.second();
        namedPort p;
        EXPECT_EQ(0, portCreate(&p, "demoport")) << c.first;
        int v = 1;
        EXPECT_EQ(-1, portPut("demoport", &v, sizeof v, 100)) << c.first;
    }
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
}

// The directory a viewer's player is told about, and the clean-up of dead viewers' ones:
// only this user's real directories named by a process that is gone.
TEST_F(Ports, EachViewerHasItsDirectoryAndDeadOnesAreRemoved)
{
    char env[64];
    ASSERT_EQ(1, portOwnerEnvironment(env, sizeof env));
    EXPECT_EQ("PAGOVIA_VIEWER=" + std::to_string(getpid()), env);
    pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0); // a pid that no process has now
    std::string dead = dir() + "/" + std::to_string(child), live = dir() + "/" + std::to_string(getppid());
    std::string elsewhere = box.root + "/elsewhere", linked = dir() + "/" + std::to_string(child + 1);
    char p[108];
    ASSERT_EQ(1, portPath("demoport", p, sizeof p));
    for (const std::string& d : {dead, live, elsewhere}) {
        std::filesystem::create_directory(d);
        rawSocket(d + "/demoport", 0);
    }
    std::filesystem::create_directory_symlink(elsewhere, linked);
    if (kill(child + 1, 0) == 0 || errno != ESRCH) GTEST_SKIP() << "pid after the child is taken";
    portRemoveStaleDirectories();
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_TRUE(std::filesystem::exists(live + "/demoport"));
    EXPECT_TRUE(std::filesystem::is_symlink(linked));
    EXPECT_TRUE(std::filesystem::exists(elsewhere + "/demoport"));
    EXPECT_TRUE(std::filesystem::exists(portDir(box)));
    portRemoveOwnDirectory();
    EXPECT_FALSE(std::filesystem::exists(portDir(box)));
}

// ---- live and stale ports ----

TEST_F(Ports, LivePortIsKeptStaleSocketIsFoundAbsentAndCleanedUp)
{
    namedPort a, b;
    ASSERT_EQ(1, portCreate(&a, "demoport"));
    EXPECT_EQ(0, portCreate(&b, "demoport"));
    portDelete(&a);
    EXPECT_FALSE(std::filesystem::exists(path("demoport")));

    rawSocket(path("musicplayerport"), 0);
    int v = 2;
    EXPECT_EQ(-1, portPut("musicplayerport", &v, sizeof v, 500));
    EXPECT_FALSE(std::filesystem::exists(path("musicplayerport")));
    rawSocket(path("demoport"), 0);
    EXPECT_EQ(1, portCreate(&a, "demoport")); // a dead owner's name can be taken
    portDelete(&a);
}

// ---- exchanges ----

TEST_F(Ports, RecordsOfAnotherSizeAreRefusedUnanswered)
{
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "demoport"));
    int small = rawSocket(path("demoport"), 1), large = rawSocket(path("demoport"), 1);
    char bytes[SIZE * 2] = {};
    send(small, bytes, SIZE - 1, 0);
    send(large, bytes, sizeof bytes, 0);
    unsigned char good[SIZE] = {42};
    int c = portPut("demoport", good, SIZE, 2000);
    unsigned char got[SIZE];
    int taken = portTake(&p, got, SIZE);
    ASSERT_GE(taken, 0); // the two bad ones were skipped
    EXPECT_EQ(42, got[0]);
    char reply[8];
    EXPECT_EQ(0, recv(small, reply, sizeof reply, 0)); // hung up on, no reply
    EXPECT_EQ(0, recv(large, reply, sizeof reply, 0));
    close(small);
    close(large);
    portReply(taken, got, SIZE);
    EXPECT_EQ(1, portAwaitReply(c, good, SIZE, 1000));
    portDelete(&p);
}

// A reply that never comes times out; peers that hang up on either side raise no SIGPIPE.
TEST_F(Ports, SilentOrVanishedPeers)
{
    auto old = signal(SIGPIPE, SIG_DFL); // a SIGPIPE would end the test program
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "demoport"));
    unsigned char rec[SIZE] = {};
    int c = portPut("demoport", rec, SIZE, 2000);
    ASSERT_GE(c, 0);
    EXPECT_EQ(0, portAwaitReply(c, rec, SIZE, 200)); // and hangs up
    int taken = portTake(&p, rec, SIZE);
    ASSERT_GE(taken, 0);
    EXPECT_EQ(0, portReply(taken, rec, SIZE)); // the sender is gone
    c = portPut("demoport", rec, SIZE, 2000);
    portDelete(&p);                            // the owner is gone
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
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(400));
    for (int fd : fds) close(fd);
    portDelete(&p);
}

} // namespace
