// Maps the "RAM:" volume onto a directory of this machine, chosen once per call from the
// environment so that a changed XDG_RUNTIME_DIR is honoured.
#include "platform/ramdisk.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

static bool usableDirectory(const char* path)
{
    struct stat st;
    if (!path || !path[0]) return false;
    if (stat(path, &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return access(path, W_OK | X_OK) == 0;
}

// $XDG_RUNTIME_DIR when it names a writable directory, else /dev/shm when writable, else /tmp.
static const char* ramDirectory()
{
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    if (usableDirectory(runtime)) return runtime;
    if (usableDirectory("/dev/shm")) return "/dev/shm";
    return "/tmp";
}

bool ramDirectoryIsShared() { return !usableDirectory(getenv("XDG_RUNTIME_DIR")); }

bool ramPath(const char* path, char* out, size_t size)
{
    int n;
    if (strncmp(path, "RAM:", 4) == 0) {
        const char* dir = ramDirectory();
        size_t len = strlen(dir);
        // "/run/user/0/" and "/run/user/0" both name the directory: avoid a double slash.
        const char* sep = (len > 0 && dir[len - 1] == '/') ? "" : "/";
        n = snprintf(out, size, "%s%s%s", dir, sep, path + 4);
    } else {
        n = snprintf(out, size, "%s", path);
    }
    if (n < 0 || (size_t)n >= size) {
        if (size > 0) out[0] = '\0';
        return false;
    }
    return true;
}
