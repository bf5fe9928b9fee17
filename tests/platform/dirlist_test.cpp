// The directory listing behind the content directories: which entries count as files (regular
// files only: no directories, links or pipes), the exact ".info" suffix rule, and directories
// that can't be listed (a missing one silently, a file where a folder belongs named).
#include "platform/dirlist.h"
#include "content/content_files.h"
#include <sys/stat.h>
#include <algorithm>

using namespace contentfiles;

static void collect(const char* name, void* user) { ((std::vector<std::string>*)user)->push_back(name); }

TEST(DirList, RegularFilesOnlyAndExactInfoSuffix)
{
    ScratchDir dir;
    for (const char* n : {"plain", "menu.info", ".info", "info", "a.INFO", "a.info.ppm", "x.infoo", "empty"})
        writeFile(std::string("d/") + n, n[0] == 'e' ? "" : "x");
    fs::create_directory("d/subdir");
    ASSERT_EQ(symlink("plain", "d/link-to-file") + symlink("subdir", "d/link-to-dir") + mkfifo("d/pipe", 0600), 0);
    writeFile("file", "x");
    struct { const char* dir; int result; std::vector<std::string> names; } cases[] = {
        {"d", 1, {"a.INFO", "a.info.ppm", "empty", "info", "plain", "x.infoo"}},
        {"missing", 0, {}},
        {"file", 0, {}},
    };
    std::string err = stderrOf([&] {
        for (auto& c : cases) {
            std::vector<std::string> names;
            EXPECT_EQ(listDirectory(c.dir, collect, &names), c.result) << c.dir;
            std::sort(names.begin(), names.end());
            EXPECT_EQ(names, c.names) << c.dir;
        }
    });
    EXPECT_EQ(err, "file: Unable to list folder: Not a directory\n");
}
