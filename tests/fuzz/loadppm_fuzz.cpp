// Fuzzes the PPM reader: any bytes as the image file, read in every conversion mode. Checks
// that a refused file reports no size, and an accepted one a sane size and pixels that obey
// the mode's alpha rule.
#include "content/textures.h"
#include "platform/report.h"
#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

static char path[64];

static void checkPixel(const unsigned char* q, int mode)
{
    if (mode == 0 && q[3] != ((q[0] | q[1] | q[2]) ? 255 : 0)) abort();
    if (mode == 1 && q[3] != 255) abort();
    if (mode == 2 && (q[0] != 255 || q[1] != 255 || q[2] != 255)) abort();
}

// A stride through the pixels and the very last one keep big pictures cheap.
static void checkPixels(const unsigned char* p, long w, long h, int mode)
{
    size_t n = (size_t)w * (size_t)h;
    size_t step = n > 4096 ? n / 4096 : 1;
    for (size_t i = 0; i < n; i += step) checkPixel(p + 4 * i, mode);
    checkPixel(p + 4 * (n - 1), mode);
}

static void removeFile() { unlink(path); }
static void ignoreFinding(const reportFinding&) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!path[0]) {
        snprintf(path, sizeof path, "/tmp/loadppm_fuzz.%d.ppm", (int)getpid());
        atexit(removeFile);
        setReportSink(ignoreFinding); // keep the fuzzer's log readable
    }
    FILE* f = fopen(path, "wb");
    if (!f) return 0;
    if (size) fwrite(data, 1, size, f);
    fclose(f);
    for (int mode = 0; mode < 3; mode++) {
        long w = -1, h = -1;
        unsigned char* pixels = LoadPPM(path, &w, &h, mode);
        if (!pixels) {
            if (w != 0 || h != 0) abort();
            continue;
        }
        if (w <= 0 || h <= 0 || w > PPM_MAX_SIDE || h > PPM_MAX_SIDE || w * h > PPM_MAX_PIXELS) abort();
        checkPixels(pixels, w, h, mode);
        free(pixels);
    }
    return 0;
}
