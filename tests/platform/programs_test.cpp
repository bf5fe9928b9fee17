// Which player runs: the trust rule for a program a magazine ships (owner, write bits of the
// file and of its folder) and the choice between the magazine's player and the installed one.
#include "music/sandbox.h"
#include "platform/programs.h"
#include "platform/report.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct Programs : ::testing::Test {
    sandbox box;
    void SetUp() override { sandboxOpen(&box); }
    void TearDown() override { sandboxClose(&box); }
};

TEST_F(Programs, OnlyAProgramNoOneElseCanChangeIsTrusted)
{
    // (folder mode, program mode, owner or -1 for this user, trusted, reason)
    struct { mode_t folder, program; int owner; int trusted; const char* why; } cases[] = {
        {0755, 0755, -1, 1, ""},
        {0755, 0700, 0, 1, ""},
        {0755, 0775, -1, 0, "writable by group or others"},
        {0755, 0757, -1, 0, "writable by group or others"},
        {0775, 0755, -1, 0, "in a folder writable by group or others"},
        {0757, 0755, -1, 0, "in a folder writable by group or others"},
        {0755, 0755, 4242, 0, "owned by another user"},
    };
    testing::internal::CaptureStderr();
    for (auto& c : cases) {
        std::filesystem::remove_all("musicplayer");
        writeScript("musicplayer/tunedeck", "exit 0");
        chmod("musicplayer/tunedeck", c.program);
        chmod("musicplayer", c.folder);
        if (c.owner >= 0 && chown("musicplayer/tunedeck", c.owner, c.owner) != 0) continue; // needs root
        char why[64];
        EXPECT_EQ(c.trusted, programTrusted("musicplayer/tunedeck", why, sizeof why)) << c.program << " " << c.folder;
        EXPECT_STREQ(c.why, why);
        // A refused player is never chosen, not even when no player is installed.
        EXPECT_EQ(c.trusted == 1, std::string(playerProgram()) == "musicplayer/tunedeck");
    }
    // Told once however many tunes it was refused for.
    std::string told = testing::internal::GetCapturedStderr();
    EXPECT_EQ(1, std::count(told.begin(), told.end(), '\n')) << told;
    EXPECT_NE(std::string::npos, told.find("musicplayer/tunedeck: not run as the player (")) << told;
    testing::internal::CaptureStderr();
    reportFlush();
    testing::internal::GetCapturedStderr();
    char why[64];
    std::filesystem::create_directories("folder/musicplayer/tunedeck");
    EXPECT_EQ(0, programTrusted("folder/musicplayer/tunedeck", why, sizeof why));
    EXPECT_STREQ("not a regular file", why);
    std::filesystem::remove_all("musicplayer");
    // No player anywhere: the failed start names the magazine's.
    EXPECT_STREQ("musicplayer/tunedeck", playerProgram());
}

} // namespace
