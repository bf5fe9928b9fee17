// The proof tool's picture: what the viewer's drawing code rendered into the platform's
// offscreen window (platform/offscreen.h), as RGB rows from the top.
#pragma once
#include "platform/offscreen.h"
#include <cstdint>
#include <vector>

// An RGB picture, rows from the top, three bytes a pixel.
struct proofImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

// What has been drawn so far into the open offscreen picture.
void headlessRead(proofImage* out);
