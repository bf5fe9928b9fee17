// How fast the content pictures become textures: 40 PPM files of 1280x960 (the size of a
// full-screen background) decoded alone, and decoded plus uploaded as 20 tiles each through
// Mesa, against only reading the same files with `cat` to /dev/null in the same run.
// Rates are megabytes of PPM file per second.
#include "content/textures.h"
#include "support/offscreen.h"
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

enum { PICTURES = 40, WIDTH = 1280, HEIGHT = 960 };

static std::string directory;
static std::vector<std::string> files;
static long long totalBytes;

// Noise with some structure, so no stage can take a shortcut on uniform data.
static bool writePictures()
{
    char pattern[] = "/tmp/pagovia-bench-XXXXXX";
    if (!mkdtemp(pattern)) return false;
    directory = pattern;
    std::vector<unsigned char> raster((size_t)WIDTH * HEIGHT * 3);
    unsigned state = 2463534242u;
    for (int i = 0; i < PICTURES; i++) {
        for (size_t k = 0; k < raster.size(); k++) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            raster[k] = (unsigned char)((k / 3 % WIDTH) + (state & 63) + i);
        }
        std::string name = directory + "/picture" + std::to_string(i) + ".ppm";
        FILE* f = fopen(name.c_str(), "wb");
        if (!f) return false;
        fprintf(f, "P6\n%d %d\n255\n", WIDTH, HEIGHT);
        fwrite(raster.data(), 1, raster.size(), f);
        fclose(f);
        files.push_back(name);
        totalBytes += (long long)std::filesystem::file_size(name);
    }
    return true;
}

// Google Benchmark shows rates in binary prefixes; the summary at the end gives plain MB/s.
struct rate { const char* what; double megabytes, seconds; };
static std::vector<rate> rates;

static void report(benchmark::State& state, const char* what, std::chrono::steady_clock::time_point start)
{
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetBytesProcessed(totalBytes * state.iterations());
    double megabytes = (double)totalBytes * (double)state.iterations() / 1e6;
    for (rate& r : rates)
        if (strcmp(r.what, what) == 0) {
            r.megabytes += megabytes;
            r.seconds += seconds;
            return;
        }
    rates.push_back({what, megabytes, seconds});
}

static void ReadWithCat(benchmark::State& state)
{
    std::string command = "cat";
    for (const std::string& f : files) command += " '" + f + "'";
    command += " > /dev/null";
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        if (system(command.c_str()) != 0) state.SkipWithError("cat failed");
    report(state, "only read (cat to /dev/null)", start);
}

static void DecodeOnly(benchmark::State& state)
{
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (const std::string& f : files) {
            long w, h;
            unsigned char* pixels = LoadPPM(f.c_str(), &w, &h, 1);
            benchmark::DoNotOptimize(pixels);
            free(pixels);
        }
    }
    report(state, "PPM decoded", start);
}

static void DecodeAndUpload(benchmark::State& state)
{
    if (!offscreenOpen(64, 64)) {
        state.SkipWithError("no OSMesa context");
        return;
    }
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (const std::string& f : files) {
            my_texture t{};
            TexInit(&t, f.c_str(), 1);
            glFinish();
            for (int k = 0; k < t.tiles; k++) {
                GLuint name = t.id + (GLuint)k;
                glDeleteTextures(1, &name);
            }
        }
    }
    offscreenClose();
    report(state, "PPM decoded and textures made", start);
}

BENCHMARK(ReadWithCat)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DecodeOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DecodeAndUpload)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (!writePictures()) {
        fprintf(stderr, "Could not write the benchmark pictures\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printf("\n%d pictures of %dx%d, %.1f MB of PPM:\n", PICTURES, WIDTH, HEIGHT, totalBytes / 1e6);
    for (const rate& r : rates) printf("  %-32s %8.0f MB/s\n", r.what, r.megabytes / r.seconds);
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
    return 0;
}
