// Reading prefs.txt with one long value list (1 MB and 3 MB of "12345," tokens behind
// ARTICLE_ROWS: and behind MENU_COORDS:), which must cost time linear in the list's length.
// Run: build/prefs_bench (one iteration each; wall-clock milliseconds).
#include "platform/report.h"
#include "prefs/prefs.h"
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

static void ignoreFinding(const reportFinding&) {}

static void longList(benchmark::State& state, const char* head)
{
    char dir[] = "/tmp/pagovia-prefs-bench-XXXXXX";
    if (!mkdtemp(dir)) abort();
    std::string text = head;
    while (text.size() < (size_t)state.range(0)) text += "12345,";
    std::string path = std::string(dir) + "/prefs.txt";
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) abort();
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
    setReportSink(ignoreFinding);
    for (auto _ : state) {
        loadPrefs(path.c_str());
        freePrefs();
    }
    setReportSink(nullptr);
    unlink(path.c_str());
    rmdir(dir);
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}

static void LastValueCounts(benchmark::State& state) { longList(state, "ARTICLE_ROWS: "); }
static void IntegersInOrder(benchmark::State& state) { longList(state, "MENUS: 256\nMENU_COORDS: "); }
BENCHMARK(LastValueCounts)->Arg(1 << 20)->Arg(3 << 20)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(IntegersInOrder)->Arg(1 << 20)->Arg(3 << 20)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
