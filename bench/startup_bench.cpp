// Start-up at scale: generates a magazine of 500 articles and 40 pictures of 1280x960 and
// times, in one run, `cat` of all its files, a raw decode of every picture, and the viewer's
// loading up to its first frame (offscreen, OSMesa) with pictures uploaded on demand and,
// for comparison, with every picture uploaded at start-up. Also: resident memory after
// start-up and after every picture has been shown, and the slowest frame opening a page
// whose picture is new. Prints figures; asserts nothing.
//     startup_bench [directory]     (default: a new directory under /tmp, removed after)
#include "app/composition.h"
#include "app/lifecycle.h"
#include "app/screen.h"
#include "app/view.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "content/textures.h"
#include "support/offscreen.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
enum { ARTICLES = 500, PICTURES = 40, PICTURE_W = 1280, PICTURE_H = 960 };

static double nowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

static void writePicture(const fs::path& path, int w, int h, unsigned seed)
{
    std::vector<unsigned char> raster((size_t)w * h * 3);
    for (size_t i = 0; i < raster.size(); i++) {
        seed = seed * 1103515245u + 12345u;
        raster[i] = (unsigned char)((i / 3 % (size_t)w) ^ (seed >> 24)); // gradient with noise
    }
    std::ofstream f(path, std::ios::binary);
    f << "P6\n" << w << " " << h << "\n255\n";
    f.write((const char*)raster.data(), (std::streamsize)raster.size());
}

static void generate(const fs::path& dir)
{
    for (const char* sub : {"Articles", "Images", "Menus", "Fonts", "Songs"}) fs::create_directories(dir / sub);
    std::string prefs = fs::path(__FILE__).parent_path().parent_path() / "demo" / "prefs.txt";
    std::ifstream in(prefs);
    std::string line, kept;
    while (std::getline(in, line))
        if (line.rfind("STARTUP_IMAGE:", 0) != 0 && line.rfind("SCROLL", 0) != 0) kept += line + "\n";
    std::ofstream(dir / "prefs.txt") << kept;
    writePicture(dir / "Fonts" / "font4.pbm", 512, 512, 1);
    writePicture(dir / "Images" / "bkg4.pbm", 256, 256, 2);
    writePicture(dir / "Menus" / "1top.ppm", 1280, 96, 3);
    writePicture(dir / "Menus" / "2bottom.ppm", 1280, 96, 4);
    for (int i = 0; i < PICTURES; i++) writePicture(dir / "Images" / ("pic" + std::to_string(i) + ".ppm"), PICTURE_W, PICTURE_H, 10 + i);
    std::string words = "the magazine of the demo scene shows copper bars and a scroller with music ";
    for (int i = 0; i < ARTICLES; i++) {
        char name[32];
        snprintf(name, sizeof name, "%03d_Article", i);
        std::string text = "[bkg=pic" + std::to_string(i % PICTURES) + ".ppm][h1]Article " + std::to_string(i) + "\n";
        for (int p = 0; p < 8; p++) {
            for (int w = 0; w < 6; w++) text += words;
            text += "\n";
        }
        std::ofstream(dir / "Articles" / name) << text;
    }
}

static long statusKb(const char* key)
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(key, 0) == 0) return atol(line.c_str() + strlen(key));
    return -1;
}

// One start-up in this process: loading and the first frame, then every article page whose
// picture is new, each timed as its first frame.
static int child(const char* dir, bool eager)
{
    if (!offscreenOpen(1280, 960) || chdir(dir) != 0) return 1;
    computeScreenMetrics(0);
    double t0 = nowMs();
    loadMagazine();
    std::vector<my_texture> all(PICTURES);
    if (eager)
        for (int i = 0; i < backgrounds && i < PICTURES; i++) {
            std::string path = std::string("Images/") + backgroundArray[i].name;
            TexInit(&all[i], path.c_str(), 1);
        }
    display();
    double startup = nowMs() - t0;
    long rssStart = statusKb("VmRSS:");
    std::vector<double> first, second;
    for (int i = 1; i < PICTURES && i < articles; i++) {
        currentArticle = i;
        currentPage = 0;
        firstrun = 1;
        double f0 = nowMs();
        display();
        double f1 = nowMs();
        display(); // the same page into the other buffer: the frame without the upload
        first.push_back(f1 - f0);
        second.push_back(nowMs() - f1);
    }
    double slowest = *std::max_element(first.begin(), first.end());
    std::sort(first.begin(), first.end());
    std::sort(second.begin(), second.end());
    printf("%.1f %ld %.1f %.1f %.1f %ld %ld\n", startup, rssStart / 1024, slowest, first[first.size() / 2],
           second[second.size() / 2], statusKb("VmRSS:") / 1024, statusKb("VmHWM:") / 1024);
    return 0;
}

static double timeCommand(const std::string& command)
{
    double t0 = nowMs();
    if (system(command.c_str()) != 0) fprintf(stderr, "failed: %s\n", command.c_str());
    return nowMs() - t0;
}

struct run { double startup, slowest, first, second; long rssStart, rssEnd, hwm; };

static run runChild(const fs::path& dir, bool eager)
{
    std::string command = "/proc/" + std::to_string(getpid()) + "/exe --child " + dir.string() + (eager ? " eager" : "") + " 2>/dev/null";
    run r{};
    FILE* p = popen(command.c_str(), "r");
    if (!p || fscanf(p, "%lf %ld %lf %lf %lf %ld %ld", &r.startup, &r.rssStart, &r.slowest, &r.first, &r.second, &r.rssEnd,
                     &r.hwm) != 7)
        fprintf(stderr, "child failed\n");
    if (p) pclose(p);
    return r;
}

int main(int argc, char** argv)
{
    if (argc >= 3 && strcmp(argv[1], "--child") == 0) return child(argv[2], argc > 3);
    bool own = argc < 2;
    fs::path dir = own ? fs::temp_directory_path() / ("pagovia-startup-" + std::to_string(getpid())) : fs::path(argv[1]);
    if (own || !fs::exists(dir / "prefs.txt")) generate(dir);
    std::string cat = "cat $(find " + dir.string() + " -type f) > /dev/null";
    timeCommand(cat); // warm the page cache: every figure below reads from memory
    std::vector<double> cats, lazy;
    std::vector<run> runs;
    for (int i = 0; i < 3; i++) cats.push_back(timeCommand(cat));
    double d0 = nowMs();
    for (int i = 0; i < PICTURES; i++) {
        long w, h;
        std::string path = (dir / "Images" / ("pic" + std::to_string(i) + ".ppm")).string();
        free(LoadPPM(path.c_str(), &w, &h, 1));
    }
    double decode = nowMs() - d0;
    for (int i = 0; i < 3; i++) runs.push_back(runChild(dir, false));
    run eager = runChild(dir, true);
    std::sort(cats.begin(), cats.end());
    std::sort(runs.begin(), runs.end(), [](const run& a, const run& b) { return a.startup < b.startup; });
    const run& m = runs[1];
    printf("magazine: %d articles, %d pictures of %dx%d (%s)\n", ARTICLES, PICTURES, PICTURE_W, PICTURE_H, dir.c_str());
    printf("%-44s %9.1f ms\n", "cat of every file (median of 3)", cats[1]);
    printf("%-44s %9.1f ms\n", "raw decode of every picture (LoadPPM)", decode);
    printf("%-44s %9.1f ms  %5.2fx cat\n", "start-up to first frame (median of 3)", m.startup, m.startup / cats[1]);
    printf("%-44s %9.1f ms  %5.2fx cat\n", "start-up, every picture uploaded at once", eager.startup, eager.startup / cats[1]);
    printf("%-44s %9ld MB  (all at once: %ld MB)\n", "resident memory after start-up", m.rssStart, eager.rssStart);
    printf("%-44s %9ld MB  (peak %ld MB; all at once: %ld MB)\n", "resident after showing every picture", m.rssEnd, m.hwm, eager.rssEnd);
    printf("%-44s %9.1f ms  (median %.1f ms; same page again %.1f ms)\n", "slowest first frame of a page, new picture",
           m.slowest, m.first, m.second);
    if (own) fs::remove_all(dir);
    return 0;
}
