// Hostile and broken magazine files, each loaded through the viewer's own loader: the crashing
// pointer sheets and the header-only picture of tests/data/hostile, FIFOs where files belong,
// short rasters, missing and unreadable folders, an oversized article. Each is refused (or
// loaded as far as it can be) with exactly one line naming the file, and nothing blocks.
#include "content/content_files.h"
#include "content/textures.h"
#include "input/pointer_testing.h"
#include "platform/report.h"
#include "support/offscreen.h"
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <algorithm>

using namespace contentfiles;
using Hostile = Content;

namespace {

std::string hostileFile(const std::string& name)
{
    const char* source = getenv("PAGOVIA_SOURCE");
    fs::path root = source ? fs::path(source) : fs::read_symlink("/proc/self/exe").parent_path().parent_path();
    std::string bytes = readFile((root / "tests/data/hostile" / name).string());
    EXPECT_FALSE(bytes.empty()) << name << " not found under " << root;
    return bytes;
}

bool pictureRefused(const char* path, int mode = 1)
{
    long w = -1, h = -1;
    unsigned char* pixels = LoadPPM(path, &w, &h, mode);
    free(pixels);
    return !pixels && w == 0 && h == 0;
}

bool sheetRefused()
{
    bool refused = loadPointers() == 0 && !pointerSheet();
    for (int n = 0; n < POINTER_SHAPES; n++) refused = refused && !pointerShape(n);
    freePointers();
    return refused;
}

void fifo(const char* path)
{
    fs::create_directories(fs::path(path).parent_path());
    ASSERT_EQ(mkfifo(path, 0644), 0) << path;
}

struct hostileCase {
    const char* what;
    std::function<void()> make;
    std::function<bool()> refused; // true when the loader refused (or mended) as it should
    const char* line;              // the one line it prints starts with this
};

} // namespace

TEST_F(Hostile, EachFileIsRefusedWithOneLineNamingIt)
{
    auto crashSheet = [](const char* name) {
        return [name] { writeFile("Pointers/pointers.iff", hostileFile(name)); };
    };
    const std::string row = std::string(12, '\x40');
    hostileCase cases[] = {
        // Regression: SDL_image read out of bounds on these sheets and crashed the viewer.
        {"crash.1.iff", crashSheet("crash.1.iff"), sheetRefused, "Pointers/pointers.iff: "},
        {"crash.2.iff", crashSheet("crash.2.iff"), sheetRefused, "Pointers/pointers.iff: "},
        {"crash.3.iff", crashSheet("crash.3.iff"), sheetRefused, "Pointers/pointers.iff: "},
        {"crash.4.iff", crashSheet("crash.4.iff"), sheetRefused, "Pointers/pointers.iff: "},
        // Regression: 18 bytes claimed 63 Mpixel and cost 450 MB of memory and tiles.
        {"header-only-63mpixel.ppm", [] { writeFile("Images/big.ppm", hostileFile("header-only-63mpixel.ppm")); },
         [] { return pictureRefused("Images/big.ppm"); },
         "Images/big.ppm: Error scanning PPM header (3864x16368: larger than 4096 on a side or 16 Mpixel)"},
        {"raster short by more than its last row", [&] { writeFile("Images/cut.ppm", "P6 4 2 255\n" + row.substr(1)); },
         [] { return pictureRefused("Images/cut.ppm"); }, "Images/cut.ppm: Error while reading file (11 24)"},
        {"last row missing: padded black", [&] { writeFile("Images/last.ppm", "P6 4 2 255\n" + row); },
         [] { return !pictureRefused("Images/last.ppm"); }, "Images/last.ppm: Error while reading file (12 24)"},
        // Regression: a FIFO in place of a picture or of the sheet blocked start-up forever.
        {"FIFO font atlas", [] { fifo("Fonts/font4.pbm"); }, [] { return pictureRefused("Fonts/font4.pbm", 2); },
         "Fonts/font4.pbm: Unable to open picture: not a regular file (a FIFO)"},
        {"FIFO sheet", [] { fifo("Pointers/pointers.iff"); }, sheetRefused,
         "Pointers/pointers.iff: not a regular file (a FIFO); no pointer shapes"},
        {"missing font atlas", [] {}, [] { return pictureRefused("Fonts/font4.pbm", 2); },
         "Fonts/font4.pbm: font atlas missing: letters show as solid blocks"},
        {"no Articles folder", [] {},
         [] { return readArticles() == 0 && articles == 0 && !articleArray && findArticle("01_A") == -1; },
         "Articles: folder missing"},
        {"empty Articles folder", [] { fs::create_directory("Articles"); }, [] { return readArticles() == 1; },
         "Articles: folder holds no articles"},
        {"article over 64 MiB is left out alone",
         [] {
             writeFile("Articles/01_Fine", "fine");
             writeFile("Articles/02_Huge", "");
             fs::resize_file("Articles/02_Huge", MAX_ARTICLE_BYTES + 1); // sparse: costs no disk
         },
         [] { return readArticles() == 1 && articles == 1 && findArticle("01_Fine") == 0; },
         "Articles/02_Huge: Article 'Articles/02_Huge' is larger than 64 MiB, skipped"},
        {"no menu pictures", [] {}, [] { return readMenus() == 0; }, "Menus: no menu pictures"},
    };
    for (auto& c : cases) {
        fs::remove_all("Images"), fs::remove_all("Fonts"), fs::remove_all("Pointers"), fs::remove_all("Articles");
        c.make();
        bool refused = false;
        std::string err = stderrOf([&] { refused = c.refused(); });
        EXPECT_TRUE(refused) << c.what;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << c.what << ": " << err;
        EXPECT_EQ(err.rfind(c.line, 0), 0u) << c.what << ": " << err;
    }
}

// Folders and files the viewer may not read: one line each with the system's reason. Run in
// a child that gives up root's right to read anything, so the modes count.
TEST_F(Hostile, UnreadableFoldersAndFontAreNamedWithTheReason)
{
    writeFile("Articles/01_A", "a");
    writeFile("Images/a.ppm", "P6 1 1 255\n\x01\x02\x03");
    writeFile("Fonts/font4.pbm", "P6 1 1 255\n\x01\x02\x03");
    for (const char* path : {"Articles", "Images", "Fonts/font4.pbm"}) chmod(path, 0);
    chmod(dir.path.c_str(), 0755);
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && setuid(65534) != 0) _exit(3);
            bool refused = readArticles() == 0 && readBackgrounds() == 0 && pictureRefused("Fonts/font4.pbm", 2);
            _exit(refused ? 0 : 1);
        },
        testing::ExitedWithCode(0),
        "^Articles: Unable to list folder: Permission denied\n"
        "Images: Unable to list folder: Permission denied\n"
        "Fonts/font4.pbm: Unable to open picture: Permission denied\n$");
}
