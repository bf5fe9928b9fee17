// The background command service: splitting the player's command line (hostile tune names
// come out byte for byte), the child's standard streams, reaping, and ending children.
#include "music/sandbox.h"
#include <atomic>
#include <sys/wait.h>

namespace {

TEST(CommandLine, ArgumentIsTheRestWithoutItsEnclosingQuotes)
{
    std::pair<std::string, std::string> cases[] = {
        {"\"\"x\"\"", "\"x\""}, {"\"\"", ""}, {"\"", "\""} /* a lone quote encloses nothing */, {"\"open", "\"open"}};
    std::vector<std::pair<std::string, std::string>> all(std::begin(cases), std::end(cases));
    for (std::string n : {"Songs/a b  c.mod", "Songs/\"quoted\".mod", "Songs/x; rm -rf ~ ;.mod",
                          "Songs/$(touch pwned)`id`|&<>*?.mod", "Songs/\"", "Songs/ trailing "})
        all.push_back({"\"" + n + "\"", n});
    for (auto& [rest, argument] : all) {
        commandLine c;
        ASSERT_EQ(1, parseCommandLine(("run <>NIL: musicplayer/tunedeck " + rest).c_str(), &c)) << rest;
        EXPECT_STREQ("musicplayer/tunedeck", c.program);
        EXPECT_EQ(1, c.hasArgument);
        EXPECT_EQ(argument, c.argument) << rest;
    }
    commandLine c; // without the run word and the redirection
    ASSERT_EQ(1, parseCommandLine("prog plain words", &c));
    EXPECT_STREQ("prog", c.program);
    EXPECT_STREQ("plain words", c.argument);
    for (int n : {1023, 1024}) { // each part keeps room for its terminator
        EXPECT_EQ(n < 1024, parseCommandLine(("p " + std::string(n, 'x')).c_str(), &c)) << n;
        EXPECT_EQ(n < 1024, parseCommandLine(std::string(n, 'x').c_str(), &c)) << n;
    }
}

struct Command : ::testing::Test {
    sandbox box;
    void SetUp() override { sandboxOpen(&box); }
    void TearDown() override { sandboxClose(&box); }
};

std::atomic<int> endsTold{0};
void countEnd(int) { endsTold++; }

// Input and output go to the null device, standard error stays ours (a player's complaint
// reaches the user); the child is told whose ports to use and its end is reported once.
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
    EXPECT_EQ(-1, waitpid(-1, nullptr, WNOHANG)); // every child reaped: not even a zombie left
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
    EXPECT_EQ(-1, waitpid(-1, nullptr, WNOHANG)); // every child reaped: not even a zombie left
}

} // namespace
