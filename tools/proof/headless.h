// The proof tool's stand-in for the viewer's window: an offscreen OSMesa picture of one
// resolution that the viewer's own drawing code renders into, with no X server and no pointer.
#pragma once
#include <cstdint>
#include <vector>

// An RGB picture, rows from the top, three bytes a pixel.
struct proofImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

// Makes the offscreen picture current; false when OSMesa can't give a context.
bool headlessOpen(int width, int height);
void headlessClose();
// What has been drawn so far.
void headlessRead(proofImage* out);
