// Decodes IFF ILBM palette pictures (BMHD, CMAP, CAMG, BODY; uncompressed or ByteRun1; 1 to 8
// planes, with or without a mask plane) into colour numbers as stored, never remapped.
// Every read is checked against the end of its chunk, so no file can lead it astray.
#include "platform/picture.h"
#include "platform/files.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static unsigned readBig(const unsigned char* p, int bytes)
{
    unsigned v = 0;
    for (int i = 0; i < bytes; i++) v = (v << 8) | p[i];
    return v;
}

struct bitmapHeader {
    int width, height, planes, masking, compression;
};

// The BODY as a stream of bytes, unpacked as it is consumed; a ByteRun1 run may cross rows.
struct bodyReader {
    const unsigned char* p;
    const unsigned char* end;
    bool packed;
    int left;    // bytes still owed by the current run
    bool repeat; // the run repeats `value` rather than copying literal bytes
    unsigned char value;
};

static bool nextByte(bodyReader* r, unsigned char* out)
{
    if (!r->packed) {
        if (r->p == r->end) return false;
        *out = *r->p++;
        return true;
    }
    while (r->left == 0) {
        if (r->p == r->end) return false;
        int n = (signed char)*r->p++;
        if (n == -128) continue; // no operation
        if (n >= 0) {
            r->left = n + 1;
            r->repeat = false;
        } else {
            if (r->p == r->end) return false;
            r->left = 1 - n;
            r->repeat = true;
            r->value = *r->p++;
        }
    }
    r->left--;
    if (r->repeat) {
        *out = r->value;
        return true;
    }
    if (r->p == r->end) return false;
    *out = *r->p++;
    return true;
}

static int refuse(indexedPicture* out, int result, const char* problem)
{
    free(out->pixels);
    out->pixels = nullptr;
    out->problem = problem;
    return result;
}

static const char* checkHeader(const bitmapHeader& h)
{
    if (h.width < 1 || h.height < 1 || h.width > PICTURE_MAX_SIDE || h.height > PICTURE_MAX_SIDE)
        return "picture size out of range";
    if (h.compression > 1) return "unknown compression";
    if (h.planes < 1 || h.planes > 8) return "unsupported number of bit planes";
    return nullptr;
}

// Interleaved rows: for each picture row, one row of bytes per plane, then the mask's row.
static int decodeBody(const bitmapHeader& h, const unsigned char* data, size_t size, indexedPicture* out)
{
    const size_t rowBytes = (size_t)((h.width + 15) / 16) * 2;
    const int rows = h.planes + (h.masking == 1 ? 1 : 0);
    out->pixels = (unsigned char*)calloc((size_t)h.width * (size_t)h.height, 1);
    unsigned char* line = (unsigned char*)malloc(rowBytes);
    if (!out->pixels || !line) {
        free(line);
        return refuse(out, PICTURE_NONE, "out of memory");
    }
    bodyReader r = {data, data + size, h.compression == 1, 0, false, 0};
    for (int y = 0; y < h.height; y++) {
        unsigned char* dst = out->pixels + (size_t)y * (size_t)h.width;
        for (int plane = 0; plane < rows; plane++) {
            for (size_t i = 0; i < rowBytes; i++) {
                if (!nextByte(&r, &line[i])) {
                    free(line);
                    return refuse(out, PICTURE_NONE, "BODY shorter than its header says");
                }
            }
            if (plane == h.planes) continue; // the mask plane holds no colour
            for (int x = 0; x < h.width; x++)
                if (line[x >> 3] & (0x80 >> (x & 7))) dst[x] |= (unsigned char)(1 << plane);
        }
    }
    free(line);
    out->width = h.width;
    out->height = h.height;
    out->depth = h.planes;
    return PICTURE_OK;
}

static void readColourMap(const unsigned char* data, size_t size, indexedPicture* out)
{
    out->colours = (int)(size / 3 < 256 ? size / 3 : 256);
    memcpy(out->palette, data, (size_t)out->colours * 3);
}

// Extra half-brite: colour numbers 32 to 63 are 0 to 31 at half brightness.
static void addHalfBrite(indexedPicture* out)
{
    for (int i = 0; i < 32; i++)
        for (int k = 0; k < 3; k++) out->palette[32 + i][k] = out->palette[i][k] >> 1;
    if (out->colours < 64) out->colours = 64;
}

int decodeIlbm(const unsigned char* data, size_t size, indexedPicture* out)
{
    memset(out, 0, sizeof *out);
    if (size < 12 || memcmp(data, "FORM", 4) != 0 || memcmp(data + 8, "ILBM", 4) != 0)
        return refuse(out, PICTURE_NONE, "not an IFF ILBM picture");
    size_t end = 8 + (size_t)readBig(data + 4, 4);
    if (end > size) end = size; // a FORM claiming more than the file holds ends with the file
    bitmapHeader h = {0, 0, 0, 0, 0};
    bool haveHeader = false;
    unsigned viewModes = 0;
    for (size_t at = 12; at + 8 <= end;) {
        const unsigned char* id = data + at;
        size_t length = readBig(data + at + 4, 4);
        at += 8;
        if (length > end - at) return refuse(out, PICTURE_NONE, "a chunk runs past the end of the file");
        const unsigned char* body = data + at;
        if (memcmp(id, "BMHD", 4) == 0 && length >= 20) {
            h = {(int)readBig(body, 2), (int)readBig(body + 2, 2), body[8], body[9], body[10]};
            haveHeader = true;
        } else if (memcmp(id, "CMAP", 4) == 0) {
            readColourMap(body, length, out);
        } else if (memcmp(id, "CAMG", 4) == 0 && length >= 4) {
            viewModes = readBig(body, 4);
        } else if (memcmp(id, "BODY", 4) == 0) {
            if (!haveHeader) return refuse(out, PICTURE_NONE, "BODY before BMHD");
            if (h.planes == 24 || h.planes == 32 || (viewModes & 0x800))
                return refuse(out, PICTURE_NOT_INDEXED, "has no colour numbers (true colour)");
            if (const char* problem = checkHeader(h)) return refuse(out, PICTURE_NONE, problem);
            if ((viewModes & 0x80) && h.planes == 6) addHalfBrite(out);
            return decodeBody(h, body, length, out);
        }
        at += length + (length & 1);
    }
    return refuse(out, PICTURE_NONE, haveHeader ? "no BODY chunk" : "no BMHD chunk");
}

int readIndexedPicture(const char* path, indexedPicture* out)
{
    memset(out, 0, sizeof *out);
    fileText file = readWholeFile(path, PICTURE_MAX_FILE, false);
    if (file.result == FILE_UNOPENED) {
        out->problem = errno == ENOENT ? nullptr : openFailureReason();
        return PICTURE_NONE;
    }
    if (file.result == FILE_TOO_LARGE || file.result == FILE_NO_MEMORY) {
        out->problem = file.result == FILE_TOO_LARGE ? "file larger than 16 MiB" : "out of memory";
        return PICTURE_NONE;
    }
    unsigned char* data = (unsigned char*)file.text;
    size_t got = file.length;
    int result = decodeIlbm(data, got, out);
    free(data);
    return result;
}

void freeIndexedPicture(indexedPicture* picture)
{
    free(picture->pixels);
    picture->pixels = nullptr;
}
