// Start-up at scale and the first frame of a page with a new picture, offscreen (OSMesa).
// Generates magazines of 500 articles with 10, 40 and 160 pictures of 1280x960, and a tiny
// one (1 article, 1 picture, the same font and menus) whose start-up is the fixed cost of a
// process, a GL context and a first frame. In one run it times, best of several each: `cat`
// of every file, a raw decode of every picture, and the viewer's start-up from the spawn of
// a process to its first frame. The magazine's own share is that less the tiny one's. Then,
// at 40 pictures, the first frame of pages with a new picture (the next article, a link),
// with pictures uploaded on demand and with idle time preloading them, the longest idle
// call, and resident memory. Prints figures; asserts nothing.
//     startup_bench [directory]     (default: a new directory under /tmp, removed after)
// With PAGOVIA_BENCH_BEFORE naming a startup_bench built from older code, that code is timed
// in the same run, interleaved, on the same magazines.
#include "app/composition.h"
#include "app/lifecycle.h"
#include "app/pacing.h"
#include "app/screen.h"
#include "app/view.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "content/picturecache.h"
#include "content/textures.h"
#include "text/title.h"
#include "support/offscreen.h"
#include <GL/gl.h>
#include <algorithm>
#include <ctime>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
enum { ARTICLES = 500, PICTURE_W = 1280, PICTURE_H = 960, RUNS = 9, STEPS = 24 };
static const int PICTURE_COUNTS[] = {10, 40, 160};

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

static std::string articleName(int i)
{
    char name[32];
    snprintf(name, sizeof name, "%03d_Article", i);
    return name;
}

// Article i shows picture i mod pictures and links to an article far from it.
static void generate(const fs::path& dir, int articles, int pictures, const fs::path& pictureSource)
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
    for (int i = 0; i < pictures; i++) {
        fs::path to = dir / "Images" / ("pic" + std::to_string(i) + ".ppm");
        fs::path from = pictureSource / ("pic" + std::to_string(i) + ".ppm");
        if (!pictureSource.empty() && fs::exists(from)) fs::create_hard_link(from, to); // same bytes, one copy cached
        else writePicture(to, PICTURE_W, PICTURE_H, 10 + i);
    }
    std::string words = "the magazine of the demo scene shows copper bars and a scroller with music ";
    for (int i = 0; i < articles; i++) {
        std::string text = "[bkg=pic" + std::to_string(i % pictures) + ".ppm][h1]Article " + std::to_string(i) + "\n";
        text += "[mi=" + articleName((i * 7 + 250) % articles) + "]a related article[/mi]\n";
        for (int p = 0; p < 8; p++) {
            for (int w = 0; w < 6; w++) text += words;
            text += "\n";
        }
        std::ofstream(dir / "Articles" / articleName(i)) << text;
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

// One start-up in this process, as the viewer's: the context, loading, the first frame.
// Prints the monotonic time at which the first frame was done, and the three parts.
static int startupChild(const char* dir)
{
    double t0 = nowMs();
    if (!offscreenOpen(1280, 960) || chdir(dir) != 0) return 1;
    computeScreenMetrics(0);
    double t1 = nowMs();
    loadMagazine();
    double t2 = nowMs();
    display();
    double t3 = nowMs();
    printf("%.3f %.2f %.2f %.2f\n", t3, t1 - t0, t2 - t1, t3 - t2);
    return 0;
}

static double cpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// The rasteriser's threads included: the work of a frame, apart from waiting for a core.
static double processCpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Idle time while the page stays still, as the idle loop spends it: slices of at most 3 ms
// until no work is left. Keeps the longest slice, on the clock and in CPU time (on a busy
// machine the clock also counts the time other processes had the core).
static void idleUntilDone(double* longest, double* longestCpu, double* total)
{
    for (;;) {
        double s0 = nowMs(), c0 = cpuMs();
        bool more = idleWork((int64_t)(s0 * 1000) + 3000);
        double s = nowMs() - s0;
        *longest = std::max(*longest, s);
        *longestCpu = std::max(*longestCpu, cpuMs() - c0);
        *total += s;
        if (!more) return;
    }
}

// Pages opened one after the other, alternately the next article and the article its link
// names, each timed as its first frame and again as the second (the same page, no upload).
// With preload, idle time runs between them as while the reader reads.
static int pagesChild(const char* dir, bool preload)
{
    if (!offscreenOpen(1280, 960) || chdir(dir) != 0) return 1;
    computeScreenMetrics(0);
    loadMagazine();
    layOutAllArticles();
    display();
    display();
    long rssStart = statusKb("VmRSS:");
    std::vector<double> first, second, firstCpu, secondCpu;
    double longestSlice = 0, longestCpu = 0, idleTotal = 0;
    int newPictures = 0;
    for (int step = 0; step < STEPS; step++) {
        if (preload) idleUntilDone(&longestSlice, &longestCpu, &idleTotal);
        int next = step % 2 ? findArticle(articleName((currentArticle * 7 + 250) % articles).c_str())
                            : (currentArticle + 1) % articles;
        int k = findBackgroundIndex(articleArray[next].text);
        newPictures += k >= 0 && !pictureResident(&backgroundArray[k]); // to upload in the frame
        currentArticle = next;
        currentPage = 0;
        firstrun = 1;
        double f0 = nowMs(), c0 = processCpuMs();
        display();
        glFinish();
        double f1 = nowMs(), c1 = processCpuMs();
        display();
        glFinish();
        first.push_back(f1 - f0);
        second.push_back(nowMs() - f1);
        firstCpu.push_back(c1 - c0);
        secondCpu.push_back(processCpuMs() - c1);
    }
    double slowest = *std::max_element(first.begin(), first.end());
    double slowestCpu = *std::max_element(firstCpu.begin(), firstCpu.end());
    for (auto* v : {&first, &second, &firstCpu, &secondCpu}) std::sort(v->begin(), v->end());
    printf("%.1f %.1f %.1f %.1f %.1f %.1f %.2f %.2f %.1f %ld %ld %d %d\n", slowest, first[first.size() / 2],
           second[second.size() / 2], slowestCpu, firstCpu[firstCpu.size() / 2], secondCpu[secondCpu.size() / 2],
           longestSlice, longestCpu, idleTotal, rssStart / 1024, statusKb("VmHWM:") / 1024, residentPictures(), newPictures);
    return 0;
}

// CPU time (user and system) of the children waited for so far: on a busy machine it shows
// the work apart from the time other processes had the cores.
static double childrenCpuMs()
{
    rusage u;
    getrusage(RUSAGE_CHILDREN, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

static double timeCommand(const std::string& command, double* cpu = nullptr)
{
    double t0 = nowMs(), c0 = childrenCpuMs();
    if (system(command.c_str()) != 0) fprintf(stderr, "failed: %s\n", command.c_str());
    if (cpu) *cpu = childrenCpuMs() - c0;
    return nowMs() - t0;
}

static std::string self() { return "/proc/" + std::to_string(getpid()) + "/exe"; }

struct startup { double raw, context, load, frame, cpu; };

// From the spawn of the process to its first frame.
static startup runStartup(const fs::path& dir, const std::string& program)
{
    std::string command = program + " --startup " + dir.string() + " 2>/dev/null";
    startup r{};
    double spawned = nowMs(), done = 0, c0 = childrenCpuMs();
    FILE* p = popen(command.c_str(), "r");
    if (!p || fscanf(p, "%lf %lf %lf %lf", &done, &r.context, &r.load, &r.frame) != 4) fprintf(stderr, "child failed\n");
    if (p) pclose(p);
    r.cpu = childrenCpuMs() - c0; // the whole process, its exit included
    r.raw = done - spawned;
    return r;
}

static startup best(const std::vector<startup>& runs)
{
    return *std::min_element(runs.begin(), runs.end(), [](const startup& a, const startup& b) { return a.raw < b.raw; });
}

static double decodeAll(const fs::path& dir, int pictures)
{
    double d0 = nowMs();
    for (int i = 0; i < pictures; i++) {
        long w, h;
        std::string path = (dir / "Images" / ("pic" + std::to_string(i) + ".ppm")).string();
        free(LoadPPM(path.c_str(), &w, &h, 1));
    }
    return nowMs() - d0;
}

static void pagesTable(const fs::path& dir, const char* before)
{
    printf("\nfirst frame of a page with a new picture (40 pictures, %d pages: next article and links)\n", STEPS);
    printf("%-24s %8s %8s %8s %17s %10s %8s %8s %6s\n", "", "slowest", "median", "redrawn", "idle call (cpu)",
           "idle all", "resident", "peak", "upload");
    for (int round = 0; round < 2; round++)
        for (int variant = before ? 0 : 1; variant < 3; variant++) {
            bool preload = variant == 2;
            std::string command = (variant ? self() : std::string(before)) + " --pages " + dir.string() +
                                  (preload ? " preload" : "") + " 2>/dev/null";
            double slowest = 0, median = 0, second = 0, slowestCpu = 0, medianCpu = 0, secondCpu = 0;
            double slice = 0, sliceCpu = 0, idle = 0;
            long rss = 0, hwm = 0;
            int resident = 0, fresh = 0;
            FILE* p = popen(command.c_str(), "r");
            if (!p || fscanf(p, "%lf %lf %lf %lf %lf %lf %lf %lf %lf %ld %ld %d %d", &slowest, &median, &second,
                             &slowestCpu, &medianCpu, &secondCpu, &slice, &sliceCpu, &idle, &rss, &hwm, &resident,
                             &fresh) != 13)
                fprintf(stderr, "child failed\n");
            if (p) pclose(p);
            printf("%-24s %6.1f ms %5.1f ms %5.1f ms %5.1f / %4.1f ms %7.1f ms %5ld MB %5ld MB %6d\n",
                   variant == 0 ? "before" : preload ? "preloaded in idle time" : "uploaded on demand", slowest, median, second, slice, sliceCpu,
                   idle, rss, hwm, fresh);
            printf("%-24s %6.1f ms %5.1f ms %5.1f ms\n", "   CPU time", slowestCpu, medianCpu, secondCpu);
        }
}

int main(int argc, char** argv)
{
    if (argc >= 3 && strcmp(argv[1], "--startup") == 0) return startupChild(argv[2]);
    if (argc >= 3 && strcmp(argv[1], "--pages") == 0) return pagesChild(argv[2], argc > 3);
    const char* before = getenv("PAGOVIA_BENCH_BEFORE");
    if (before && !*before) before = nullptr;
    bool own = argc < 2;
    fs::path root = own ? fs::temp_directory_path() / ("pagovia-startup-" + std::to_string(getpid())) : fs::path(argv[1]);
    fs::path tiny = root / "tiny";
    std::vector<fs::path> dirs;
    if (!fs::exists(tiny / "prefs.txt")) generate(tiny, 1, 1, {});
    fs::path largest = root / ("pictures" + std::to_string(PICTURE_COUNTS[2]));
    if (!fs::exists(largest / "prefs.txt")) generate(largest, ARTICLES, PICTURE_COUNTS[2], {});
    for (int n : PICTURE_COUNTS) {
        fs::path dir = root / ("pictures" + std::to_string(n));
        if (!fs::exists(dir / "prefs.txt")) generate(dir, ARTICLES, n, largest / "Images");
        dirs.push_back(dir);
    }
    std::string load;
    std::ifstream("/proc/loadavg") >> load;
    printf("start-up, best of %d; %d articles; pictures of %dx%d; load average %s (%s)\n", RUNS, ARTICLES, PICTURE_W,
           PICTURE_H, load.c_str(), root.c_str());
    printf("%-8s %8s %8s %9s %8s %8s %9s %9s %7s  (context / loading / first frame)\n", "pictures", "cat", "decode",
           "start-up", "tiny", "share", "share/cat", "raw/cat", "");
    for (size_t m = 0; m < dirs.size(); m++) {
        std::string cat = "cat $(find " + dirs[m].string() + " -type f) > /dev/null";
        timeCommand(cat); // warm the page cache: every figure below reads from memory
        std::vector<double> cats, catCpus;
        std::vector<startup> runs, tinyRuns, beforeRuns, beforeTinyRuns;
        for (int i = 0; i < RUNS; i++) { // interleaved, so that the load weighs on all alike
            if (before) {
                beforeRuns.push_back(runStartup(dirs[m], before));
                beforeTinyRuns.push_back(runStartup(tiny, before));
            }
            double cpu = 0;
            cats.push_back(timeCommand(cat, &cpu));
            catCpus.push_back(cpu);
            runs.push_back(runStartup(dirs[m], self()));
            tinyRuns.push_back(runStartup(tiny, self()));
        }
        double decode = decodeAll(dirs[m], PICTURE_COUNTS[m]);
        double c = *std::min_element(cats.begin(), cats.end());
        startup s = best(runs), t = best(tinyRuns);
        double share = s.raw - t.raw;
        printf("%-8d %5.1f ms %5.1f ms %6.1f ms %5.1f ms %5.1f ms %8.2fx %8.2fx   (%.1f / %.1f / %.1f; tiny %.1f / %.1f / %.1f)\n",
               PICTURE_COUNTS[m], c, decode, s.raw, t.raw, share, share / c, s.raw / c, s.context, s.load, s.frame,
               t.context, t.load, t.frame);
        auto least = [](std::vector<startup> v) {
            return std::min_element(v.begin(), v.end(), [](const startup& a, const startup& b) { return a.cpu < b.cpu; })->cpu;
        };
        auto inProcess = [](std::vector<startup> v) {
            double m = 1e9;
            for (const startup& r : v) m = std::min(m, r.load + r.frame);
            return m;
        };
        double si = inProcess(runs), ti = inProcess(tinyRuns);
        printf("%-8s %8s %8s %6.1f ms %5.1f ms %5.1f ms %8.2fx %9s   (loading and first frame only, least of %d)\n",
               "  in-proc", "", "", si, ti, si - ti, (si - ti) / c, "", RUNS);
        double cc = *std::min_element(catCpus.begin(), catCpus.end()), sc = least(runs), tc = least(tinyRuns);
        printf("%-8s %5.1f ms %8s %6.1f ms %5.1f ms %5.1f ms %8.2fx %8.2fx   (CPU time of the processes, least of %d)\n",
               "  cpu", cc, "", sc, tc, sc - tc, (sc - tc) / cc, sc / cc, RUNS);
        if (before) {
            startup bs = best(beforeRuns), bt = best(beforeTinyRuns);
            double bsi = inProcess(beforeRuns), bti = inProcess(beforeTinyRuns);
            double bsc = least(beforeRuns), btc = least(beforeTinyRuns);
            printf("%-8s %8s %8s %6.1f ms %5.1f ms %5.1f ms %8.2fx %8.2fx   (%.1f / %.1f / %.1f)\n", "  before", "", "",
                   bs.raw, bt.raw, bs.raw - bt.raw, (bs.raw - bt.raw) / c, bs.raw / c, bs.context, bs.load, bs.frame);
            printf("%-8s %8s %8s %6.1f ms %5.1f ms %5.1f ms %8.2fx %9s\n", "  in-proc", "", "", bsi, bti, bsi - bti,
                   (bsi - bti) / c, "");
            printf("%-8s %5.1f ms %8s %6.1f ms %5.1f ms %5.1f ms %8.2fx %8.2fx\n", "  cpu", cc, "", bsc, btc, bsc - btc,
                   (bsc - btc) / cc, bsc / cc);
        }
    }
    pagesTable(dirs[1], before);
    if (own) fs::remove_all(root);
    return 0;
}
