// The background command service: splitting the player line (hostile tune names come out
// byte for byte), the child's standard streams, reaping, and ending children at shutdown.
#include "music/sandbox.h"
#include "platform/command.h"
#include <atomic>
#include <dirent.h>
#include <gtest/gtest.h>

namespace {

// Hostile tune names come out byte for byte; only one enclosing pair of quotes is removed.
TEST(CommandLine, ArgumentIsTheRestWithoutItsEnclosingQuotes)
{
    auto expectArgument = [](const std::string& rest, const std::string& argument) {
        std::string line = "run <>NIL: musicplayer/tunedeck " + rest;
        commandLine c;
        ASSERT_EQ(1, parseCommandLine(line.c_str(), &c)) << line;
        EXPECT_STREQ("musicplayer/tunedeck", c.program);
        EXPECT_EQ(1, c.hasArgument) << line;
        EXPECT_EQ(argument, c.argument) << line;
    };
    for (std::string n : {"Songs/a b  c.mod", "Songs/\"quoted\".mod", "Songs/x; rm -rf ~ ;.mod",
                          "Songs/$(touch pwned)`id`|&<>*?.mod", "Songs/\"", "Songs/ trailing "})
        expectArgument("\"" + n + "\"", n);
    expectArgument("\"\"x\"\"", "\"x\"");
    expectArgument("\"\"", "");
    expectArgument("\"", "\""); // a lone quote encloses nothing
    expectArgument("\"open", "\"open");
    commandLine c; // without the run word and the redirection
    ASSERT_EQ(1, parseCommandLine("prog plain words", &c));
    EXPECT_STREQ("prog", c.program);
    EXPECT_STREQ("plain words", c.argument);
}

struct Command : ::testing::Test {
    sandbox box;
    void SetUp() override { sandboxOpen(&box); }
    void TearDown() override { sandboxClose(&box); }
};

// Zombie children of this process.
int zombies()
{
    int n = 0;
    DIR* d = opendir("/proc");
    while (dirent* e = readdir(d)) {
        std::string stat = readFile(std::string("/proc/") + e->d_name + "/stat");
        size_t end = stat.rfind(')');
        char state;
        int ppid;
        if (end != std::string::npos && sscanf(stat.c_str() + end + 1, " %c %d", &state, &ppid) == 2 &&
            ppid == getpid() && state == 'Z')
            n++;
    }
    closedir(d);
    return n;
}

// Input and output go to the null device, standard error stays ours (a player's complaint
// reaches the user); the child is told whose ports to use and its end is reported once.
std::atomic<int> endsTold{0};
void countEnd(int) { endsTold++; }

TEST_F(Command, ChildrenGetNullIoOurStderrThePortOwnerAndLeaveNoZombie)
{
    writeScript("show", "a=$(readlink /proc/$$/fd/0); b=$(readlink /proc/$$/fd/1); c=$(readlink /proc/$$/fd/2); "
                        "printf '%s\\n' $a $b $c $PAGOVIA_VIEWER > streams");
    for (int i = 0; i < 5; i++) ASSERT_NE(0, runProgram("./show", "x", countEnd));
    ASSERT_TRUE(peersEnded());
    char self[256] = {};
    ASSERT_GT(readlink("/proc/self/fd/2", self, sizeof self - 1), 0);
    EXPECT_EQ("/dev/null\n/dev/null\n" + std::string(self) + "\n" + std::to_string(getpid()) + "\n",
              readFile("streams"));
    EXPECT_EQ(5, endsTold);
    EXPECT_EQ(0, signalCommand(getppid(), 0)); // only our own running children
    EXPECT_TRUE(waitUntil([] { return zombies() == 0; }, 2000));
}

TEST_F(Command, StopEndsChildrenEvenThoseIgnoringTerm)
{
    writeScript("long", "exec sleep 100");
    writeScript("stubborn", "trap '' TERM; touch ready; exec sleep 100");
    ASSERT_EQ(1, runCommand("run <>NIL: ./long \"x\""));
    ASSERT_EQ(1, runCommand("run <>NIL: ./stubborn \"x\""));
    ASSERT_TRUE(waitUntil([] { return std::filesystem::exists("ready"); }));
    stopCommands(300);
    EXPECT_EQ(0, runningCommands());
    EXPECT_TRUE(waitUntil([] { return zombies() == 0; }, 2000));
}

} // namespace
