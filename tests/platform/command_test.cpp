// The background command service: how the player line is split (hostile tune names reach
// the program byte for byte as one argument), the child's standard streams, reaping, and
// ending children that outlive the viewer.
#include "music/sandbox.h"
#include "platform/command.h"
#include <cstring>
#include <dirent.h>
#include <gtest/gtest.h>

namespace {

commandLine parse(const char* line, int expect = 1)
{
    commandLine c;
    EXPECT_EQ(expect, parseCommandLine(line, &c)) << line;
    return c;
}

// ---- splitting the line ----

TEST(CommandLine, PlayerLineGivesProgramAndUnquotedPath)
{
    commandLine c = parse("run <>NIL: musicplayer/tunedeck \"Songs/x.mod\"");
    EXPECT_STREQ("musicplayer/tunedeck", c.program);
    EXPECT_EQ(1, c.hasArgument);
    EXPECT_STREQ("Songs/x.mod", c.argument);
}

TEST(CommandLine, HostileNamesPassByteForByte)
{
    const char* names[] = {
        "Songs/a b  c.mod", "Songs/\"quoted\".mod", "Songs/x; rm -rf ~ ;.mod", "Songs/$(touch pwned)`id`.mod",
        "Songs/back\\slash'single'.mod", "Songs/\"", "Songs/ leading and trailing ", "Songs/|&<>*?[].mod",
    };
    for (const char* n : names) {
        std::string line = std::string("run <>NIL: musicplayer/tunedeck \"") + n + "\"";
        commandLine c = parse(line.c_str());
        EXPECT_STREQ(n, c.argument) << line;
        EXPECT_STREQ("musicplayer/tunedeck", c.program);
    }
}

TEST(CommandLine, OnlyOneEnclosingPairOfQuotesIsRemoved)
{
    EXPECT_STREQ("\"x\"", parse("run p \"\"x\"\"").argument);
    EXPECT_STREQ("", parse("run p \"\"").argument);
    EXPECT_STREQ("\"", parse("run p \"").argument); // a lone quote encloses nothing
    EXPECT_STREQ("plain words", parse("run p plain words").argument);
    EXPECT_STREQ("\"open", parse("run p \"open").argument);
}

TEST(CommandLine, RunWordAndRedirectionAreOptional)
{
    EXPECT_STREQ("prog", parse("prog \"a\"").program);
    EXPECT_STREQ("prog", parse("run prog \"a\"").program);
    commandLine bare = parse("run <>NIL: prog");
    EXPECT_STREQ("prog", bare.program);
    EXPECT_EQ(0, bare.hasArgument);
}

TEST(CommandLine, EmptyAndOverlongLinesAreRefused)
{
    parse("", 0);
    parse("run <>NIL: ", 0);
    std::string longArg = "run p \"" + std::string(2000, 'a') + "\"";
    parse(longArg.c_str(), 0);
    std::string longProg = "run " + std::string(2000, 'p');
    parse(longProg.c_str(), 0);
}

// ---- running ----

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
        size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        char state;
        int ppid;
        if (sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == getpid() && state == 'Z') n++;
    }
    closedir(d);
    return n;
}

TEST_F(Command, ChildGetsExactlyOneArgumentAndNothingElseRuns)
{
    writeScript("musicplayer/tunedeck", "printf '%s' \"$#\" > argc; printf '%s' \"$1\" > arg");
    const char* name = "Songs/a \"b\"; touch pwned; $(touch pwned2) `touch pwned3`.mod";
    std::string line = std::string("run <>NIL: musicplayer/tunedeck \"") + name + "\"";
    ASSERT_EQ(1, runCommand(line.c_str()));
    ASSERT_TRUE(peersEnded());
    EXPECT_EQ("1", readFile("argc"));
    EXPECT_EQ(name, readFile("arg"));
    EXPECT_FALSE(std::filesystem::exists("pwned"));
    EXPECT_FALSE(std::filesystem::exists("pwned2"));
    EXPECT_FALSE(std::filesystem::exists("pwned3"));
}

TEST_F(Command, StandardStreamsAreTheNullDevice)
{
    writeScript("show", "a=$(readlink /proc/$$/fd/0); b=$(readlink /proc/$$/fd/1); c=$(readlink /proc/$$/fd/2); printf '%s\\n' $a $b $c > streams");
    ASSERT_EQ(1, runCommand("run <>NIL: ./show \"x\""));
    ASSERT_TRUE(peersEnded());
    EXPECT_EQ("/dev/null\n/dev/null\n/dev/null\n", readFile("streams"));
}

TEST_F(Command, MissingProgramFailsWithOneLine)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, runCommand("run <>NIL: musicplayer/tunedeck \"Songs/x.mod\""));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find("musicplayer/tunedeck"));
    EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n'));
    EXPECT_EQ(0, runningCommands());
}

TEST_F(Command, EndedChildrenLeaveNoZombie)
{
    writeScript("quick", "exit 0");
    for (int i = 0; i < 5; i++) ASSERT_EQ(1, runCommand("run <>NIL: ./quick \"x\""));
    ASSERT_TRUE(peersEnded());
    EXPECT_TRUE(waitUntil([] { return zombies() == 0; }, 2000));
}

TEST_F(Command, StopEndsChildrenEvenThoseIgnoringTerm)
{
    writeScript("long", "exec sleep 100");
    writeScript("stubborn", "trap '' TERM; touch ready; exec sleep 100");
    ASSERT_EQ(1, runCommand("run <>NIL: ./long \"x\""));
    ASSERT_EQ(1, runCommand("run <>NIL: ./stubborn \"x\""));
    ASSERT_TRUE(waitUntil([] { return std::filesystem::exists("ready"); }));
    EXPECT_EQ(2, runningCommands());
    stopCommands(300);
    EXPECT_EQ(0, runningCommands());
    EXPECT_TRUE(waitUntil([] { return zombies() == 0; }, 2000));
}

} // namespace
