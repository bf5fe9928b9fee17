// The command line: --help, -h and --version answer and end, "--" ends the options, anything
// else beginning with '-' and a second folder are refused, a folder that is no magazine too.
#include "app/arguments.h"
#include <gtest/gtest.h>
#include <vector>

TEST(Arguments, AnswersRefusalsAndTheOptionsEnd)
{
    struct { std::vector<const char*> args; int status; } cases[] = {
        {{}, -1}, {{"--help"}, 0}, {{"-h"}, 0}, {{"--version"}, 0}, {{"-x"}, 2}, {{"--", "--version"}, 2},
        {{"/nonexistent", "b"}, 2}, {{"/nonexistent"}, 2}, {{"/dev/null"}, 2},
    };
    for (auto& c : cases) {
        std::vector<char*> argv{(char*)"pagovia"};
        for (const char* a : c.args) argv.push_back((char*)a);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_EQ(handleArguments((int)argv.size(), argv.data()), c.status) << (c.args.empty() ? "" : c.args[0]);
        EXPECT_EQ(testing::internal::GetCapturedStderr().empty(), c.status != 2);
        testing::internal::GetCapturedStdout();
    }
}
