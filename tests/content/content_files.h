// Shared by the content tests: a scratch magazine directory that the test runs inside (the
// viewer reads its content relative to the current directory), files written byte for byte,
// and PPM pictures made by netpbm so that our reader is checked against another writer.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace contentfiles {

namespace fs = std::filesystem;

// Creates a fresh directory under /tmp, makes it the current directory, and on destruction
// goes back and removes it with everything in it.
struct ScratchDir {
    fs::path previous;
    fs::path path;
    ScratchDir()
    {
        char pattern[] = "/tmp/pagovia-content-XXXXXX";
        const char* made = mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        path = made ? made : "/tmp";
        previous = fs::current_path();
        fs::current_path(path);
    }
    ~ScratchDir()
    {
        fs::current_path(previous);
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

inline void writeFile(const std::string& name, const std::string& bytes)
{
    fs::path p(name);
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::ofstream out(name, std::ios::binary);
    out.write(bytes.data(), (std::streamsize)bytes.size());
}

inline std::string readFile(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Output of a shell command (netpbm tools), or "" when it fails.
inline std::string run(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    if (pclose(p) != 0) return "";
    return out;
}

struct rgb { unsigned char r, g, b; };

// Writes a w x h picture whose pixel (x, y) comes from colour(x, y): spelled out as a plain
// (P3) file and turned into a raw P6 one by netpbm's pnmtopnm.
inline bool writeNetpbmPicture(const std::string& name, int w, int h, const std::function<rgb(int, int)>& colour)
{
    fs::path p(name);
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::string plain = name + ".plain";
    {
        std::ofstream out(plain);
        out << "P3\n" << w << " " << h << "\n255\n";
        for (int y = 0; y < h; y++) {
            for (int x = 0; x < w; x++) {
                rgb c = colour(x, y);
                out << (int)c.r << ' ' << (int)c.g << ' ' << (int)c.b << '\n';
            }
        }
    }
    int rc = system(("pnmtopnm '" + plain + "' > '" + name + "'").c_str());
    fs::remove(plain);
    return rc == 0;
}

// One colour all over, by netpbm's ppmmake (a header on three lines).
inline bool writeFlatPicture(const std::string& name, int w, int h, rgb c)
{
    fs::path p(name);
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    char cmd[512];
    snprintf(cmd, sizeof cmd, "ppmmake rgb:%02x/%02x/%02x %d %d > '%s'", c.r, c.g, c.b, w, h, name.c_str());
    return system(cmd) == 0;
}

// A position code that differs for every pixel of pictures up to 2048x2048 and is never
// black, so that a texel read back from a tile tells where in the picture it came from.
inline rgb positionColour(int x, int y)
{
    return {(unsigned char)(x & 255), (unsigned char)(y & 255), (unsigned char)(1 + (x >> 8) + 8 * (y >> 8))};
}

} // namespace contentfiles
