// Owns the PNG files of the proof tool: 8-bit RGB through libpng's simplified writer, under a
// temporary name until complete, so that a failed run leaves no file behind.
#include "png.h"
#include "platform/report.h"
#include <png.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

// Writes the PNG stream and closes the file; on failure `why` holds the reason.
static bool writeAndClose(const proofImage& image, FILE* file, char* why, size_t size)
{
    png_image png;
    memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = (png_uint_32)image.width;
    png.height = (png_uint_32)image.height;
    png.format = PNG_FORMAT_RGB;
    bool ok = png_image_write_to_stdio(&png, file, 0, image.rgb.data(), image.width * 3, nullptr) != 0;
    if (!ok) snprintf(why, size, "%s", png.message[0] ? png.message : "libpng refused the picture");
    png_image_free(&png);
    errno = 0;
    if (fclose(file) != 0 && ok) {
        snprintf(why, size, "%s", strerror(errno));
        ok = false;
    }
    return ok;
}

bool writePng(const proofImage& image, const char* given)
{
    char temporary[4200], why[256] = "", path[400];
    escapeForReport(given, path, sizeof path); // the name as the messages show it
    if (snprintf(temporary, sizeof temporary, "%s.XXXXXX", given) >= (int)sizeof temporary) {
        fprintf(stderr, "pagovia-proof: the output name '%.100s...' is too long\n", path);
        return false;
    }
    int fd = mkstemp(temporary);
    if (fd < 0) {
        fprintf(stderr, "pagovia-proof: cannot write '%s': %s\n", path, strerror(errno));
        return false;
    }
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask); // as any new file, not mkstemp's private 0600
    FILE* file = fdopen(fd, "wb");
    bool ok = false;
    if (!file) {
        snprintf(why, sizeof why, "%s", strerror(errno));
        close(fd);
    } else {
        ok = writeAndClose(image, file, why, sizeof why);
    }
    if (ok && rename(temporary, given) != 0) {
        snprintf(why, sizeof why, "%s", strerror(errno));
        ok = false;
    }
    if (!ok) {
        unlink(temporary);
        fprintf(stderr, "pagovia-proof: cannot write '%s': %s\n", path, why);
    }
    return ok;
}
