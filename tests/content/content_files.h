// Shared by the content tests: the one fixture (a scratch magazine directory the test runs
// inside, an offscreen picture, every table released afterwards), files written byte for
// byte, and PPM pictures made by netpbm so that our reader is checked against another writer.
#pragma once
#include "content/catalogue.h"
#include "content/directories.h"
#include "platform/report.h"
#include "support/offscreen.h"
#include <gtest/gtest.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace contentfiles {

namespace fs = std::filesystem;

// A fresh directory under /tmp, current while it lives, removed with everything in it.
struct ScratchDir {
    fs::path previous = fs::current_path(), path;
    ScratchDir()
    {
        char pattern[] = "/tmp/pagovia-content-XXXXXX";
        const char* made = mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        path = made ? made : "/tmp";
        fs::current_path(path);
    }
    ~ScratchDir()
    {
        fs::current_path(previous);
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

class Content : public testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override { ASSERT_TRUE(offscreenOpen(64, 64)); }
    void TearDown() override
    {
        cleanupArticles();
        cleanupMenus();
        cleanupBackgrounds();
        offscreenClose();
    }
};

inline void writeFile(const std::string& name, const std::string& bytes)
{
    fs::path p(name);
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::ofstream(name, std::ios::binary).write(bytes.data(), (std::streamsize)bytes.size());
}

inline std::string readFile(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// What `run` printed on standard error (findings are told once until a flush).
inline std::string stderrOf(const std::function<void()>& run)
{
    reportFlush();
    testing::internal::CaptureStderr();
    run();
    reportFlush();
    return testing::internal::GetCapturedStderr();
}

struct rgb { unsigned char r, g, b; };

// A w x h picture whose pixel (x, y) is colour(x, y): written as a plain (P3) file and turned
// into a raw P6 one by netpbm's pnmtopnm.
inline bool writeNetpbmPicture(const std::string& name, int w, int h, const std::function<rgb(int, int)>& colour)
{
    std::string plain = name + ".plain";
    {
        std::ofstream out(plain);
        out << "P3\n" << w << " " << h << "\n255\n";
        for (int i = 0; i < w * h; i++) {
            rgb c = colour(i % w, i / w);
            out << (int)c.r << ' ' << (int)c.g << ' ' << (int)c.b << '\n';
        }
    }
    int rc = system(("pnmtopnm '" + plain + "' > '" + name + "'").c_str());
    fs::remove(plain);
    return rc == 0;
}

// Differs for every pixel of pictures up to 2048x2048 and is never black, so that a texel
// read back from a tile tells where in the picture it came from.
inline rgb positionColour(int x, int y)
{
    return {(unsigned char)(x & 255), (unsigned char)(y & 255), (unsigned char)(1 + (x >> 8) + 8 * (y >> 8))};
}

} // namespace contentfiles
