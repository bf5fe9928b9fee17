// pagovia-check: checks a magazine before it ships and names every mistake at its file and
// line, GCC style or as JSON. The viewer's own code reads everything; nothing is drawn.
#include "checks.h"
#include "findings.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static const char* const USAGE = "usage: pagovia-check [DIR] [--strict] [--json]";

struct options {
    const char* dir = ".";
    bool strict = false, json = false, help = false;
};

static bool parseArguments(int argc, char** argv, options* o)
{
    bool dirGiven = false;
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (strcmp(a, "--strict") == 0) o->strict = true;
        else if (strcmp(a, "--json") == 0) o->json = true;
        else if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) o->help = true;
        else if (a[0] == '-' && a[1] != '\0') {
            fprintf(stderr, "pagovia-check: unknown option '%s'\n%s\n", a, USAGE);
            return false;
        } else if (dirGiven) {
            fprintf(stderr, "pagovia-check: one magazine at a time ('%s' and '%s')\n%s\n", o->dir, a, USAGE);
            return false;
        } else {
            o->dir = a;
            dirGiven = true;
        }
    }
    return true;
}

// The viewer's loaders print their own lines; the checker's output goes only to the
// descriptors kept here, so --json stays clean whatever a loader prints.
static int keepAndSilence(int fd)
{
    int kept = dup(fd);
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, fd);
        close(null);
    }
    return kept;
}

static void runChecks()
{
    installViewerSink();
    prefsPlaces places;
    readPrefs(&places);
    bool catalogue = checkCatalogue();
    checkSongs();
    pictureFacts pictures;
    checkPictures(&pictures);
    checkArticles(pictures);
    if (catalogue) checkPrefsValues(places, pictures);
}

int main(int argc, char** argv)
{
    options o;
    if (!parseArguments(argc, argv, &o)) return 2;
    if (o.help) {
        printf("%s\n", USAGE);
        return 0;
    }
    if (chdir(o.dir) != 0) {
        fprintf(stderr, "pagovia-check: cannot enter '%s': %s\n", o.dir, strerror(errno));
        return 2;
    }
    struct stat st;
    if (stat("prefs.txt", &st) != 0 || !S_ISREG(st.st_mode)) {
        fprintf(stderr, "pagovia-check: '%s' is no magazine: it has no prefs.txt\n", o.dir);
        return 2;
    }
    fflush(stdout);
    int out = keepAndSilence(STDOUT_FILENO);
    int err = keepAndSilence(STDERR_FILENO);
    runChecks();
    fflush(stdout);
    fflush(stderr);
    dup2(err, STDERR_FILENO);
    return printFindings(finishedFindings(), o.json, o.strict, out);
}
