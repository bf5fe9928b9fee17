// Regular-file checks on the open descriptor, so the file measured is the file read, and the
// one whole-file read of the content loaders. O_NONBLOCK keeps a FIFO without a writer (or a
// device) from blocking the open itself.
#include "platform/files.h"
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static thread_local char failure[96];

static const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "no regular file";
}

static FILE* refuse(int fd, mode_t mode)
{
    if (fd >= 0) close(fd);
    snprintf(failure, sizeof failure, "not a regular file (%s)", kindOf(mode));
    errno = S_ISDIR(mode) ? EISDIR : EINVAL;
    return nullptr;
}

static FILE* fail(int fd)
{
    int saved = errno;
    if (fd >= 0) close(fd);
    snprintf(failure, sizeof failure, "%s", strerror(saved));
    errno = saved;
    return nullptr;
}

FILE* openRegularFile(const char* path, long* size)
{
    *size = -1;
    struct stat st;
    // Looked at before opening, so that a device is never even opened; checked again on the
    // descriptor, so that a file swapped in meanwhile is caught too.
    if (stat(path, &st) != 0) return fail(-1);
    if (!S_ISREG(st.st_mode)) return refuse(-1, st.st_mode);
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return fail(-1);
    if (fstat(fd, &st) != 0) return fail(fd);
    if (!S_ISREG(st.st_mode) || st.st_size < 0) return refuse(fd, st.st_mode);
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    FILE* f = fdopen(fd, "rb");
    if (!f) return fail(fd);
    *size = (long)st.st_size;
    return f;
}

const char* openFailureReason() { return failure; }

fileText readWholeFile(const char* path, long limit, bool cut)
{
    fileText out{nullptr, 0, -1, FILE_UNOPENED};
    FILE* f = openRegularFile(path, &out.size);
    if (!f) return out;
    size_t wanted = (size_t)out.size;
    if (out.size > limit) {
        if (!cut) {
            fclose(f);
            out.result = FILE_TOO_LARGE;
            return out;
        }
        wanted = (size_t)limit;
    }
    out.text = (char*)malloc(wanted + 1);
    if (!out.text) {
        fclose(f);
        out.result = FILE_NO_MEMORY;
        return out;
    }
    out.length = fread(out.text, 1, wanted, f);
    out.text[out.length] = '\0';
    bool failed = ferror(f);
    int readError = errno;
    fclose(f);
    out.result = failed ? FILE_READ_ERROR : FILE_READ;
    if (failed) errno = readError;
    return out;
}
