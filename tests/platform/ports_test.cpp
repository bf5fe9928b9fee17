// Named ports over Unix domain sockets: the private port directory and its checks, stale
// and foreign socket files, record size refusal, timeouts and SIGPIPE safety.
#include "music/sandbox.h"
#include "platform/ports.h"
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace {

enum { SIZE = 64 };

struct Ports : ::testing::Test {
    sandbox box;
    void SetUp() override { sandboxOpen(&box); }
    void TearDown() override { sandboxClose(&box); }
    std::string dir() const { return box.runtime + "/pagovia"; }
};

std::string pathOf(const char* name)
{
    char p[108];
    return portPath(name, p, sizeof p) ? p : "";
}

// A raw client, to send what the port code itself never sends.
int rawConnect(const std::string& path)
{
    int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un a = {};
    a.sun_family = AF_UNIX;
    snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
    if (connect(fd, (sockaddr*)&a, sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// A socket file whose owner is gone: bound, then closed without unlinking.
void makeStale(const std::string& path)
{
    int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un a = {};
    a.sun_family = AF_UNIX;
    snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
    ASSERT_EQ(0, bind(fd, (sockaddr*)&a, sizeof a));
    close(fd);
}

// ---- the port directory ----

TEST_F(Ports, DirectoryIsCreatedPrivate)
{
    EXPECT_EQ(dir() + "/demoport", pathOf("demoport"));
    struct stat st;
    ASSERT_EQ(0, lstat(dir().c_str(), &st));
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(0700u, st.st_mode & 0777);
    EXPECT_EQ(geteuid(), st.st_uid);
}

TEST_F(Ports, WithoutRuntimeDirUsesTmpPerUser)
{
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ("/tmp/pagovia-" + std::to_string(geteuid()) + "/demoport", pathOf("demoport"));
}

TEST_F(Ports, DirectoryOthersCanEnterIsRefused)
{
    std::filesystem::create_directory(dir());
    chmod(dir().c_str(), 0755);
    namedPort p;
    EXPECT_EQ("", pathOf("demoport"));
    EXPECT_EQ(0, portCreate(&p, "demoport"));
    int v = 1;
    EXPECT_EQ(-1, portPut("demoport", &v, sizeof v, 100));
}

TEST_F(Ports, SymlinkInPlaceOfDirectoryIsRefused)
{
    std::string target = box.root + "/elsewhere";
    std::filesystem::create_directory(target);
    chmod(target.c_str(), 0700);
    std::filesystem::create_directory_symlink(target, dir());
    namedPort p;
    EXPECT_EQ(0, portCreate(&p, "demoport"));
    EXPECT_TRUE(std::filesystem::is_empty(target));
}

TEST_F(Ports, DirectoryOfAnotherUserIsRefused)
{
    if (geteuid() != 0) GTEST_SKIP() << "needs root to hand the directory to another user";
    std::filesystem::create_directory(dir());
    chmod(dir().c_str(), 0700);
    ASSERT_EQ(0, chown(dir().c_str(), 12345, 12345));
    EXPECT_EQ("", pathOf("demoport"));
}

TEST_F(Ports, NamesThatLeaveTheDirectoryOrDontFitAreRefused)
{
    namedPort p;
    EXPECT_EQ(0, portCreate(&p, "../demoport"));
    EXPECT_EQ(0, portCreate(&p, ""));
    EXPECT_EQ(0, portCreate(&p, std::string(120, 'x').c_str()));
}

// ---- publishing, stale and foreign files ----

TEST_F(Ports, LivePortIsNotTakenOver)
{
    namedPort a, b;
    ASSERT_EQ(1, portCreate(&a, "demoport"));
    EXPECT_EQ(0, portCreate(&b, "demoport"));
    portDelete(&a);
    EXPECT_FALSE(std::filesystem::exists(pathOf("demoport")));
    EXPECT_EQ(1, portCreate(&b, "demoport"));
    portDelete(&b);
}

TEST_F(Ports, StaleSocketIsFoundAbsentAndRemoved)
{
    makeStale(pathOf("musicplayerport"));
    int v = 2;
    EXPECT_EQ(-1, portPut("musicplayerport", &v, sizeof v, 500));
    EXPECT_FALSE(std::filesystem::exists(pathOf("musicplayerport")));
}

TEST_F(Ports, StaleSocketIsReplacedOnCreate)
{
    makeStale(pathOf("demoport"));
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "demoport"));
    int v = 7;
    int c = portPut("demoport", &v, sizeof v, 500);
    EXPECT_GE(c, 0);
    portDelete(&p);
    close(c);
}

TEST_F(Ports, NonSocketFileIsNeverRemoved)
{
    std::string path = pathOf("demoport");
    std::ofstream(path) << "mine";
    int v = 2;
    EXPECT_EQ(-1, portPut("demoport", &v, sizeof v, 200));
    EXPECT_EQ(0, portRemoveIfStale("demoport"));
    EXPECT_EQ("mine", readFile(path));
}

TEST_F(Ports, DeleteLeavesAPortPublishedMeanwhileAlone)
{
    namedPort old, fresh;
    ASSERT_EQ(1, portCreate(&old, "demoport"));
    unlink(pathOf("demoport").c_str());
    ASSERT_EQ(1, portCreate(&fresh, "demoport"));
    portDelete(&old);
    EXPECT_TRUE(std::filesystem::exists(pathOf("demoport")));
    portDelete(&fresh);
}

// ---- exchanges ----

TEST_F(Ports, RequestAndReplyTravelWhole)
{
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "demoport"));
    std::thread server([&] {
        unsigned char rec[SIZE];
        ASSERT_EQ(1, portWait(&p, 5000));
        int c = portTake(&p, rec, SIZE);
        ASSERT_GE(c, 0);
        for (auto& b : rec) b = (unsigned char)(b + 1);
        portReply(c, rec, SIZE);
    });
    unsigned char rec[SIZE];
    for (int i = 0; i < SIZE; i++) rec[i] = (unsigned char)i;
    int c = portPut("demoport", rec, SIZE, 2000);
    ASSERT_GE(c, 0);
    ASSERT_EQ(1, portAwaitReply(c, rec, SIZE, 5000));
    for (int i = 0; i < SIZE; i++) EXPECT_EQ(i + 1, rec[i]);
    server.join();
    portDelete(&p);
}

TEST_F(Ports, RecordsOfAnotherSizeAreRefusedUnanswered)
{
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "demoport"));
    int small = rawConnect(pathOf("demoport"));
    int large = rawConnect(pathOf("demoport"));
    char bytes[SIZE * 2] = {};
    send(small, bytes, SIZE - 1, 0);
    send(large, bytes, sizeof bytes, 0);
    unsigned char good[SIZE] = {42};
    int c = portPut("demoport", good, SIZE, 2000);
    unsigned char got[SIZE];
    int taken = portTake(&p, got, SIZE);
    ASSERT_GE(taken, 0); // the two bad ones were skipped
    EXPECT_EQ(42, got[0]);
    EXPECT_EQ(-1, portTake(&p, got, SIZE));
    char reply[8];
    EXPECT_EQ(0, recv(small, reply, sizeof reply, 0)); // closed, no reply
    EXPECT_EQ(0, recv(large, reply, sizeof reply, 0));
    close(small);
    close(large);
    portRefuse(taken);
    EXPECT_EQ(0, portAwaitReply(c, good, SIZE, 1000));
    portDelete(&p);
}

TEST_F(Ports, EmptyConnectionDoesNotStallTheOwner)
{
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "demoport"));
    close(rawConnect(pathOf("demoport")));
    unsigned char rec[SIZE];
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(-1, portTake(&p, rec, SIZE));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    portDelete(&p);
}

TEST_F(Ports, ReplyThatNeverComesTimesOut)
{
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "demoport"));
    unsigned char rec[SIZE] = {};
    int c = portPut("demoport", rec, SIZE, 2000);
    ASSERT_GE(c, 0);
    EXPECT_EQ(0, portAwaitReply(c, rec, SIZE, 200));
    portDelete(&p);
}

TEST_F(Ports, ReplyToAGoneSenderRaisesNoSigpipe)
{
    auto old = signal(SIGPIPE, SIG_DFL); // a SIGPIPE would end the test program
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "demoport"));
    unsigned char rec[SIZE] = {};
    int c = portPut("demoport", rec, SIZE, 2000);
    ASSERT_GE(c, 0);
    int taken = portTake(&p, rec, SIZE);
    ASSERT_GE(taken, 0);
    close(c);
    EXPECT_EQ(0, portReply(taken, rec, SIZE));
    // and a sender whose port owner hangs up mid-way
    c = portPut("demoport", rec, SIZE, 2000);
    portDelete(&p);
    EXPECT_EQ(0, portAwaitReply(c, rec, SIZE, 1000));
    signal(SIGPIPE, old);
}

TEST_F(Ports, WakeInterruptsAWait)
{
    namedPort p;
    ASSERT_EQ(1, portCreate(&p, "demoport"));
    EXPECT_EQ(0, portWait(&p, 10));
    std::thread waker([&] { portWake(&p); });
    EXPECT_EQ(-1, portWait(&p, -1));
    waker.join();
    portDelete(&p);
}

} // namespace
