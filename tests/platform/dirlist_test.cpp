// Covers the directory listing behind the content directories: which entries count as files
// (regular files only: no directories, links or pipes), the exact ".info" suffix rule, and
// directories that can't be listed.
#include "platform/dirlist.h"
#include "content/content_files.h"
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>

using namespace contentfiles;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

void collect(const char* name, void* user) { ((std::vector<std::string>*)user)->push_back(name); }

std::vector<std::string> sortedListing(const char* directory, int* result)
{
    std::vector<std::string> names;
    *result = listDirectory(directory, collect, &names);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(DirList, RegularFilesOnlyAndExactInfoSuffix)
{
    ScratchDir dir;
    for (const char* n : {"plain", "menu.info", ".info", "info", "a.INFO", "a.info.ppm", "x.infoo"})
        writeFile(std::string("d/") + n, "x");
    writeFile("d/empty", "");
    std::filesystem::create_directory("d/subdir");
    ASSERT_EQ(symlink("plain", "d/link-to-file"), 0);
    ASSERT_EQ(symlink("subdir", "d/link-to-dir"), 0);
    ASSERT_EQ(mkfifo("d/pipe", 0600), 0);
    int result;
    EXPECT_EQ(sortedListing("d", &result),
              (std::vector<std::string>{"a.INFO", "a.info.ppm", "empty", "info", "plain", "x.infoo"}));
    EXPECT_EQ(result, 1);
}

// A missing folder is normal and silent; a file where a folder belongs is named.
TEST(DirList, MissingOrNotADirectoryFails)
{
    ScratchDir dir;
    writeFile("file", "x");
    int result;
    CaptureStderr();
    for (const char* d : {"missing", "file"}) {
        EXPECT_TRUE(sortedListing(d, &result).empty()) << d;
        EXPECT_EQ(result, 0) << d;
    }
    EXPECT_EQ(GetCapturedStderr(), "file: Unable to list folder: Not a directory\n");
}

