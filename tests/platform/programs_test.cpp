// Which player runs: a magazine's own player only when no one else can change it (owner,
// write bits of the file and of its folder, a regular file), else the installed one, the
// refusal told with its reason.
#include "music/sandbox.h"
#include "platform/programs.h"
#include "platform/report.h"
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct Programs : ::testing::Test {
    sandbox box;
    void SetUp() override { sandboxOpen(&box); }
    void TearDown() override { sandboxClose(&box); }
};

std::string refusal; // the reason in brackets of the last refusal
void keepReason(const reportFinding& f)
{
    std::string m = f.message;
    refusal = m.substr(m.find('('), m.find(')') - m.find('(') + 1);
}

TEST_F(Programs, OnlyAProgramNoOneElseCanChangeIsTrusted)
{
    // (folder mode, program mode or 0 for a directory, owner or -1 for this user, reason or "")
    struct { mode_t folder, program; int owner; const char* why; } cases[] = {
        {0755, 0755, -1, ""},
        {0755, 0700, 0, ""},
        {0755, 0775, -1, "writable by group or others"},
        {0755, 0757, -1, "writable by group or others"},
        {0775, 0755, -1, "in a folder writable by group or others"},
        {0757, 0755, -1, "in a folder writable by group or others"},
        {0755, 0755, 4242, "owned by another user"},
        {0755, 0, -1, "not a regular file"},
    };
    setReportSink(keepReason);
    for (auto& c : cases) {
        std::filesystem::remove_all("musicplayer");
        if (c.program) writeScript("musicplayer/tunedeck", "exit 0");
        else std::filesystem::create_directories("musicplayer/tunedeck");
        if (c.program) chmod("musicplayer/tunedeck", c.program);
        chmod("musicplayer", c.folder);
        if (c.owner >= 0 && chown("musicplayer/tunedeck", c.owner, c.owner) != 0) continue; // needs root
        refusal.clear();
        // A refused player is never chosen, not even when no player is installed.
        EXPECT_EQ(!c.why[0], std::string(playerProgram()) == "musicplayer/tunedeck") << c.program << " " << c.folder;
        EXPECT_EQ(c.why[0] ? std::string("(") + c.why + ")" : "", refusal);
    }
    setReportSink(nullptr);
    reportFlush();
    std::filesystem::remove_all("musicplayer");
    // No player anywhere: the failed start names the magazine's.
    EXPECT_STREQ("musicplayer/tunedeck", playerProgram());
}

} // namespace
