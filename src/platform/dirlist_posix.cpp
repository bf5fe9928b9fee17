// Lists content directories through POSIX opendir/readdir. Owns the file filter: regular
// files only (no directories, links or devices) and no ".info" companion files.
#include "platform/dirlist.h"
#include "platform/report.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

static bool endsInInfo(const char* name)
{
    size_t n = strlen(name);
    return n >= 5 && memcmp(name + n - 5, ".info", 5) == 0;
}

static bool isRegularFile(DIR* dir, const dirent* entry)
{
    if (entry->d_type == DT_REG) return true;
    if (entry->d_type != DT_UNKNOWN) return false;
    // Some file systems don't report the type in the entry; ask the inode (not following
    // links, which the listing passes over like directories).
    struct stat st;
    if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    return S_ISREG(st.st_mode);
}

int listDirectory(const char* directory, dirListVisitor visit, void* user)
{
    DIR* dir = opendir(directory);
    if (!dir) {
        // A missing folder is normal; one that is there but can't be read is told.
        int saved = errno;
        if (saved != ENOENT)
            report(directory, 0, REPORT_ERROR, "folder-unreadable", "Unable to list folder: %s", strerror(saved));
        errno = saved;
        return 0;
    }
    int result = 1;
    for (;;) {
        errno = 0;
        dirent* entry = readdir(dir);
        if (!entry) {
            if (errno != 0) {
                int saved = errno;
                report(directory, 0, REPORT_ERROR, "folder-listing", "ExAll failed! %d", saved);
                result = 0;
                errno = saved;
            }
            break;
        }
        if (!isRegularFile(dir, entry) || endsInInfo(entry->d_name)) continue;
        visit(entry->d_name, user);
    }
    int saved = errno;
    closedir(dir);
    errno = saved;
    return result;
}
