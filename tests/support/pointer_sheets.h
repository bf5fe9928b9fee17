// Pointer sheets for the pointer tests, made by netpbm's ppmtoilbm as an encoder independent of
// the viewer: a pseudo-random pattern of colour numbers that differs from cell to cell, and a
// colour map in an order no decoder would sort into. Header-only, for the offscreen and X tests.
#pragma once
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

struct rgb {
    unsigned char r, g, b;
    bool operator==(const rgb&) const = default;
};

// Colour 0 is not black, so a transparent pixel cannot pass for a dark one.
inline rgb mapColour(int i) { return {(unsigned char)(i * 53 + 17), (unsigned char)(i * 97 + 101), (unsigned char)(i * 31 + 200)}; }

inline int patternAt(int x, int y, int colours)
{
    unsigned h = (unsigned)x * 73856093u ^ (unsigned)y * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return (int)((h ^ h >> 15) % (unsigned)colours);
}

inline void writePpm(const std::string& path, int w, int h, const std::vector<rgb>& pixels)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fprintf(f, "P6\n%d %d\n255\n", w, h);
    fwrite(pixels.data(), 3, pixels.size(), f);
    fclose(f);
}

// Writes the pattern sheet into Pointers/pointers.iff (the directory must exist) through
// ppmtoilbm -map: colour number i is entry i of the map. mask adds a mask plane to every row.
inline void encodeSheet(int w, int h, int colours, bool compress, bool mask = false)
{
    std::vector<rgb> map, pixels;
    for (int i = 0; i < colours; i++) map.push_back(mapColour(i));
    for (int i = 0; i < w * h; i++) pixels.push_back(map[patternAt(i % w, i / w, colours)]);
    writePpm("map.ppm", colours, 1, map);
    writePpm("sheet.ppm", w, h, pixels);
    std::string cmd = "pbmmake -gray " + std::to_string(w) + " " + std::to_string(h) + " > mask.pbm && " +
                      "ppmtoilbm -maxplanes 8 -map map.ppm " + (compress ? "" : "-nocompress ") +
                      (mask ? "-mmethod maskplane -maskfile mask.pbm " : "") + "sheet.ppm > Pointers/pointers.iff 2>/dev/null";
    ASSERT_EQ(system(cmd.c_str()), 0) << cmd;
}

// The premultiplied ARGB pixel a pattern pixel becomes on the window: colour 0 transparent,
// the others opaque in their map colour.
inline unsigned long expectedArgb(int x, int y, int colours)
{
    int number = patternAt(x, y, colours);
    rgb c = mapColour(number);
    return number == 0 ? 0 : 0xff000000ul | (unsigned long)c.r << 16 | (unsigned long)c.g << 8 | c.b;
}
