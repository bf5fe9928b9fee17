// Locates the music player and decides whether a magazine's own copy may run: a downloaded
// magazine can ship any program, so only one that no one else could have changed is used.
#include "platform/programs.h"
#include "platform/report.h"
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

// Where the installed player lies relative to the installed viewer's folder, and where it
// was meant to go, for a system without /proc; both fixed by the build.
#ifndef PAGOVIA_PLAYER_FROM_VIEWER
#define PAGOVIA_PLAYER_FROM_VIEWER "../libexec/pagovia/tunedeck"
#endif
#ifndef PAGOVIA_PLAYER_INSTALLED
#define PAGOVIA_PLAYER_INSTALLED "/usr/local/libexec/pagovia/tunedeck"
#endif

static const char MAGAZINE_PLAYER[] = "musicplayer/tunedeck";

// Owned by this user or root, and no write bit for group or others; null when so.
static const char* ownershipFault(const struct stat& st, bool folder)
{
    if (st.st_uid != geteuid() && st.st_uid != 0)
        return folder ? "in a folder owned by another user" : "owned by another user";
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return folder ? "in a folder writable by group or others" : "writable by group or others";
    return nullptr;
}

// 1 if the program at path may be run on the user's behalf: a regular file owned by this
// user or root, neither it nor its folder writable by group or others. Else 0, with the
// reason (a few words) in why.
static int programTrusted(const char* path, char* why, size_t size)
{
    struct stat st;
    const char* fault = nullptr;
    if (stat(path, &st) != 0) fault = "missing";
    else if (!S_ISREG(st.st_mode)) fault = "not a regular file";
    else fault = ownershipFault(st, false);
    // A folder others may write to lets them swap the program after this check.
    char folder[PATH_MAX];
    snprintf(folder, sizeof folder, "%s", path);
    char* slash = strrchr(folder, '/');
    if (slash) slash[slash == folder ? 1 : 0] = '\0';
    else snprintf(folder, sizeof folder, ".");
    if (!fault && stat(folder, &st) == 0) fault = ownershipFault(st, true);
    snprintf(why, size, "%s", fault ? fault : "");
    return fault == nullptr;
}

// The running program's folder joined with the build's relative path (made canonical when
// it exists), else the path the build meant to install to.
static void installedPlayer(char* out, size_t size)
{
    char self[PATH_MAX], joined[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    char* slash = nullptr;
    if (n > 0) {
        self[n] = '\0';
        slash = strrchr(self, '/');
    }
    if (slash) {
        *slash = '\0';
        int written = snprintf(joined, sizeof joined, "%s/%s", self, PAGOVIA_PLAYER_FROM_VIEWER);
        char canonical[PATH_MAX];
        const char* best = realpath(joined, canonical) ? canonical : joined;
        if (written > 0 && (size_t)written < sizeof joined && strlen(best) < size) {
            snprintf(out, size, "%s", best);
            return;
        }
    }
    snprintf(out, size, "%s", PAGOVIA_PLAYER_INSTALLED);
}

const char* playerProgram()
{
    static char chosen[PATH_MAX];
    struct stat st;
    bool own = lstat(MAGAZINE_PLAYER, &st) == 0;
    char why[64];
    if (own && programTrusted(MAGAZINE_PLAYER, why, sizeof why)) return MAGAZINE_PLAYER;
    installedPlayer(chosen, sizeof chosen);
    // A refused player is never the answer, even when no other one is there.
    if (own) {
        report(MAGAZINE_PLAYER, 0, REPORT_WARNING, "player-untrusted", "not run as the player (%s); using %s",
               why, chosen);
        return chosen;
    }
    return access(chosen, X_OK) == 0 ? chosen : MAGAZINE_PLAYER;
}
