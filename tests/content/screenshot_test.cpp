// Covers the screenshot writer and the "RAM:" volume it writes to: the file is the picture
// as shown (the 4:3 viewport of any window, scaled to 1280x960, top row first), netpbm and
// our own reader both accept it, and a failed write leaves nothing behind.
#include "app/viewport.h"
#include "content/content_files.h"
#include "content/textures.h"
#include "platform/ramdisk.h"
#include <GL/gl.h>
#include <cstring>
#include <iterator>

using namespace contentfiles;

namespace {

// Points "RAM:" at a directory for one test.
struct RamAt {
    explicit RamAt(const std::string& dir) { setenv("XDG_RUNTIME_DIR", dir.c_str(), 1); }
    ~RamAt() { unsetenv("XDG_RUNTIME_DIR"); }
};

// Draws the design space as the display callback does: a window of any size, the 1280x960
// picture in its 4:3 viewport. The picture: red top-left quarter, blue elsewhere, and one
// green design row at the very top.
void drawDesign(int windowW, int windowH)
{
    ASSERT_TRUE(offscreenOpen(windowW, windowH));
    setWindowSize(windowW, windowH);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    viewportRect vp = currentViewport();
    glViewport(vp.x, windowH - vp.y - vp.height, vp.width, vp.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1280, 960, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glColor3f(0, 0, 1);
    glRectf(0, 0, 1280, 960);
    glColor3f(1, 0, 0);
    glRectf(0, 0, 640, 480);
    glColor3f(0, 1, 0);
    glRectf(0, 0, 1280, 2);
    glFinish();
}

// Loads the shot back through our own reader and probes the design: green top row first,
// red top-left quarter, blue elsewhere with no black bar at either end.
void expectShotShowsDesign(const std::string& file)
{
    long w = 0, h = 0;
    unsigned char* pixels = nullptr;
    EXPECT_EQ(stderrOf([&] { pixels = LoadPPM(file.c_str(), &w, &h, 1); }), "");
    ASSERT_TRUE(pixels && w == 1280 && h == 960);
    struct { int x, y; unsigned char rgb[3]; } probes[] = {
        {0, 0, {0, 255, 0}}, {1279, 0, {0, 255, 0}}, {10, 100, {255, 0, 0}}, {630, 470, {255, 0, 0}},
        {650, 100, {0, 0, 255}}, {10, 490, {0, 0, 255}}, {0, 959, {0, 0, 255}}, {1279, 959, {0, 0, 255}},
    };
    for (auto& p : probes) EXPECT_EQ(memcmp(pixels + ((size_t)p.y * 1280 + p.x) * 4, p.rgb, 3), 0) << p.x << "," << p.y;
    free(pixels);
}

struct Screenshot : Content {
    RamAt ram{dir.path.string()};
    std::string file = (dir.path / "screenshot.ppm").string();
    std::string save(std::string* err = nullptr)
    {
        testing::internal::CaptureStdout();
        std::string e = stderrOf(savePBM);
        if (err) *err = e;
        return testing::internal::GetCapturedStdout();
    }
};

} // namespace

// Any window gives the 1280x960 picture without bars; an earlier shot is replaced.
TEST_F(Screenshot, HeaderAndRowsFromAnyWindow)
{
    for (auto size : {std::make_pair(1280, 960), std::make_pair(1920, 1080), std::make_pair(640, 480)}) {
        SCOPED_TRACE(testing::Message() << size.first << "x" << size.second);
        writeFile(file, "old contents");
        drawDesign(size.first, size.second);
        EXPECT_EQ(save(), "Screenshot written to " + file + "\n");
        std::string bytes = readFile(file);
        EXPECT_EQ(bytes.size(), strlen("P6 1280 960 255\n") + 3686400u);
        EXPECT_EQ(bytes.rfind("P6 1280 960 255\n", 0), 0u);
        EXPECT_EQ(system(("pamfile '" + file + "' | grep -q 'PPM raw, 1280 by 960  maxval 255'").c_str()), 0);
        expectShotShowsDesign(file);
    }
}

// A screenshot that can't be put in place: one line, and no half file or temporary left.
TEST_F(Screenshot, FailedWriteLeavesNothingBehind)
{
    std::filesystem::create_directory(file); // the name is taken by a directory
    drawDesign(1280, 960);
    std::string err;
    EXPECT_EQ(save(&err), "");
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(file), std::string::npos) << err;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1) << "only the directory";
}

// ---- the RAM: volume ----

// The runtime directory itself is shown by the screenshot tests above.
TEST(RamDisk, FallsBackWhenTheRuntimeDirectoryIsUnusableAndPassesOtherPaths)
{
    const char* expected = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    for (const char* runtime : {"/nonexistent/run", "", (const char*)nullptr}) {
        RamAt ram(runtime ? runtime : "x");
        if (!runtime) unsetenv("XDG_RUNTIME_DIR");
        char shot[1024];
        ASSERT_TRUE(ramPath("RAM:shot", shot, sizeof shot));
        EXPECT_EQ(std::string(shot), std::string(expected) + "/shot") << (runtime ? runtime : "unset");
    }
    char path[1024];
    ASSERT_TRUE(ramPath("Images/bkg4.pbm", path, sizeof path));
    EXPECT_STREQ(path, "Images/bkg4.pbm");
}
