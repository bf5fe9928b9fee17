// Fuzzes the pointer sheet decoder: any bytes as an ILBM. A refused file leaves no pixels and
// says why; a decoded one has a sane size and depth and no colour number beyond its planes.
#include "platform/picture.h"
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    indexedPicture picture;
    int result = decodeIlbm(data, size, &picture);
    if (result != PICTURE_OK) {
        if (picture.pixels || !picture.problem) abort();
        return 0;
    }
    if (picture.width < 1 || picture.height < 1 || picture.width > PICTURE_MAX_SIDE ||
        picture.height > PICTURE_MAX_SIDE || picture.depth < 1 || picture.depth > 8 || picture.problem)
        abort();
    size_t n = (size_t)picture.width * (size_t)picture.height;
    for (size_t i = 0; i < n; i++)
        if (picture.pixels[i] >> picture.depth) abort();
    freeIndexedPicture(&picture);
    return 0;
}
