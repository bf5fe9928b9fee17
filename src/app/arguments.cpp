// Owns the command line and the help text: which folder the magazine is read from, and the
// answers to --help and --version.
#include "app/arguments.h"
#include "platform/report.h"
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#ifndef PAGOVIA_VERSION
#define PAGOVIA_VERSION "0.0.0"
#endif

static const char HELP[] =
    "usage: pagovia [DIR]\n"
    "       pagovia --help | --version\n"
    "Shows the disk magazine in the folder DIR (by default the current directory) full screen.\n"
    "\n"
    "keys:\n"
    "  Right, Left       next, previous article\n"
    "  Down, Up          next, previous page\n"
    "  letters, F1-F12   the article that the magazine's prefs.txt binds to the key\n"
    "  q                 slideshow of the magazine's pictures on or off\n"
    "  i                 info line (the tune that plays) on or off\n"
    "  s                 screenshot (its path is printed)\n"
    "  p                 back to the normal pointer\n"
    "  a                 draw the page again\n"
    "  Escape            quit\n"
    "The mouse follows article links and menu buttons.\n"
    "\n"
    "environment:\n"
    "  PAGOVIA_RESOLUTION  lo (640x480) or hi (1280x960): no resolution question\n"
    "  DISPLAY             the X display to show the magazine on\n"
    "  XDG_RUNTIME_DIR     where screenshots and the music player's ports go\n"
    "  SDL_AUDIODRIVER     the sound output of the player (dummy: none)\n"
    "\n"
    "exit status: 0 after quitting, 1 without an X display or window, 2 for a wrong\n"
    "command line. See pagovia(1).\n";

static int refuse(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
static int refuse(const char* fmt, ...)
{
    char message[2048];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(message, sizeof message, fmt, ap);
    va_end(ap);
    fprintf(stderr, "pagovia: %s\n", message);
    return 2;
}

// Every path rule of the viewer is relative to the magazine, so the folder becomes the
// current directory.
static int enterMagazine(const char* dir)
{
    char name[1024];
    escapeForReport(dir, name, sizeof name);
    struct stat st;
    if (stat(dir, &st) != 0) return refuse("%s: %s", name, strerror(errno));
    if (!S_ISDIR(st.st_mode)) return refuse("%s is not a folder", name);
    if (chdir(dir) != 0) return refuse("cannot enter %s: %s", name, strerror(errno));
    if (stat("prefs.txt", &st) != 0 || !S_ISREG(st.st_mode))
        return refuse("%s is no magazine: it has no prefs.txt", name);
    return -1;
}

int handleArguments(int argc, char** argv)
{
    const char* dir = nullptr;
    bool options = true; // "--" ends them, for a folder whose name begins with '-'
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        char name[1024];
        escapeForReport(arg, name, sizeof name);
        if (options && strcmp(arg, "--") == 0) {
            options = false;
        } else if (options && (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0)) {
            fputs(HELP, stdout);
            return 0;
        } else if (options && strcmp(arg, "--version") == 0) {
            printf("pagovia %s\n", PAGOVIA_VERSION);
            return 0;
        } else if (options && arg[0] == '-' && arg[1]) {
            return refuse("unknown option %s (pagovia --help lists the options)", name);
        } else if (dir) {
            char first[1024];
            escapeForReport(dir, first, sizeof first);
            return refuse("one magazine folder at most, but %s follows %s", name, first);
        } else {
            dir = arg;
        }
    }
    return dir ? enterMagazine(dir) : -1;
}
