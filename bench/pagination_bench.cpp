// Pagination throughput on a 1 MB article with paragraphs, headings, links and colours,
// next to `wc -w` on the same file in the same run; and the cost of 100 KB of menu-item
// tags that are never closed, where every tag searches the rest of the text in vain, and
// of a megabyte of them.
// Run: build/pagination_bench (figures in bytes_per_second; wall-clock time throughout,
// since wc runs in a child process).
#include "prefs/prefs.h"
#include "text/layout.h"
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

static std::string realisticArticle(size_t size)
{
    static const char* const words[] = {"the", "magazine", "reader", "pages", "through", "articles", "with",
                                        "cursor", "keys", "and", "well-known", "shortcuts", "a", "demo",
                                        "scene", "party", "report", "of", "music", "disk"};
    std::string text = "[bkg=back.ppm][h1]Party report\n";
    unsigned seed = 12345;
    auto next = [&seed](unsigned n) { return (seed = seed * 1103515245u + 12345u) / 65536u % n; };
    while (text.size() < size) {
        if (next(6) == 0) text += "[h1]A heading for the next part\n";
        if (next(8) == 0) text += "[ni]";
        int length = 40 + (int)next(160);
        for (int w = 0; w < length; w++) {
            unsigned kind = next(40);
            if (kind == 0) text += "[mi=Credits]see the credits[/mi]";
            else if (kind == 1) text += "[col=#ff8000]coloured words[/col]";
            else if (kind == 2) text += "[col=0.5 1.0 0.5 1.0]green[/col]";
            else if (kind == 3) text += "[music=tune.mod]a tune[/music]";
            else text += words[next(20)];
            text += w + 1 < length ? " " : ".\n";
        }
        if (next(3) == 0) text += "\n";
    }
    return text;
}

struct articleFile {
    std::string text;
    std::string path;
};

static const articleFile& megabyte()
{
    static articleFile file = [] {
        articleFile f{realisticArticle(1 << 20), "/tmp/pagovia-bench-article.txt"};
        FILE* out = fopen(f.path.c_str(), "wb");
        if (!out) abort();
        fwrite(f.text.data(), 1, f.text.size(), out);
        fclose(out);
        return f;
    }();
    return file;
}

static void paginateLoop(benchmark::State& state, std::string text, bool record)
{
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    for (auto _ : state) {
        int pages = getNumberOfPages(buffer.data(), nullptr);
        if (record) {
            std::vector<pageStart> table((size_t)pages);
            getNumberOfPages(buffer.data(), table.data());
        }
        benchmark::DoNotOptimize(pages);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}

static void Paginate1MB(benchmark::State& state) { paginateLoop(state, megabyte().text, false); }
// What loading an article does: count the pages, then record them.
static void CountAndRecordPages1MB(benchmark::State& state) { paginateLoop(state, megabyte().text, true); }

static void WcWords1MB(benchmark::State& state)
{
    std::string command = "wc -w < " + megabyte().path;
    for (auto _ : state) {
        FILE* pipe = popen(command.c_str(), "r");
        long words = 0;
        if (!pipe || fscanf(pipe, "%ld", &words) != 1) state.SkipWithError("wc -w failed");
        if (pipe) pclose(pipe);
        benchmark::DoNotOptimize(words);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)megabyte().text.size());
}

// Every malformed tag is reported on each visit; those lines are not what is measured.
static void silencedPaginate(benchmark::State& state, const std::string& text)
{
    fflush(stderr);
    int saved = dup(2);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    paginateLoop(state, text, false);
    dup2(saved, 2);
    close(null);
    close(saved);
}

static std::string repeatTo(const std::string& piece, size_t size)
{
    std::string text;
    while (text.size() < size) text += piece;
    return text;
}

// Each tag has its ']' but no "[/mi]" anywhere after it.
static void UnclosedMenuItems100KB(benchmark::State& state)
{
    silencedPaginate(state, repeatTo("[mi=_NEXT]next page ", 100 * 1024));
}

// Not even a ']' follows: the bracket search runs to the end for every tag.
static void BracketlessMenuItems100KB(benchmark::State& state)
{
    silencedPaginate(state, repeatTo("[mi=", 100 * 1024));
}

BENCHMARK(Paginate1MB)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(CountAndRecordPages1MB)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(WcWords1MB)->UseRealTime()->Unit(benchmark::kMillisecond);
// The same at 1 MB, next to Paginate1MB: a text engine linear over any text keeps these
// within a few times the plain megabyte; a search per tag grows them with the square.
static void UnclosedMenuItems1MB(benchmark::State& state)
{
    silencedPaginate(state, repeatTo("[mi=_NEXT]next page ", 1024 * 1024));
}
static void BracketlessMenuItems1MB(benchmark::State& state) { silencedPaginate(state, repeatTo("[mi=", 1024 * 1024)); }

BENCHMARK(UnclosedMenuItems1MB)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BracketlessMenuItems1MB)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(UnclosedMenuItems100KB)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BracketlessMenuItems100KB)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
