// pagovia-proof: shows magazine makers where rows and pages break, without the viewer.
// Run in a magazine directory; reads prefs.txt and lays articles out with the viewer's code.
#include "content/catalogue.h"
#include "prefs/prefs.h"
#include "text/encoding.h"
#include "text/layout.h"
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char* const usage = "usage: pagovia-proof [--pages FILE | --rows FILE | FILE...]";

// The whole file plus a NUL, as the viewer holds an article; null (and a message) on failure.
static char* readText(const char* path)
{
    FILE* file = fopen(path, "rb");
    if (!file) {
        fprintf(stderr, "pagovia-proof: cannot read '%s': %s\n", path, strerror(errno));
        return nullptr;
    }
    size_t size = 0, capacity = 65536;
    char* text = (char*)malloc(capacity);
    while (text) {
        size += fread(text + size, 1, capacity - size - 1, file);
        if (size < capacity - 1) break;
        char* grown = capacity < (size_t)INT_MAX / 2 ? (char*)realloc(text, capacity * 2) : nullptr;
        if (!grown) free(text);
        text = grown;
        capacity *= 2;
    }
    int failed = ferror(file) ? errno : 0;
    fclose(file);
    if (!text || failed) {
        fprintf(stderr, "pagovia-proof: cannot read '%s': %s\n", path, text ? strerror(failed) : "too large");
        free(text);
        return nullptr;
    }
    text[size] = '\0';
    convertUtf8ToLatin1(text, path); // laid out as the viewer lays out what it read
    return text;
}

static int printPages(char* text)
{
    int count = getNumberOfPages(text, nullptr);
    pageStart* pages = (pageStart*)calloc((size_t)count, sizeof(pageStart));
    if (!pages) {
        fprintf(stderr, "pagovia-proof: no memory for %d pages\n", count);
        return 2;
    }
    getNumberOfPages(text, pages);
    for (int k = 0; k < count; k++) printf("%d %ld %d\n", k + 1, (long)(pages[k].start - text), pages[k].newLine);
    free(pages);
    return 0;
}

static void printRow(const rowLayout* row, int page, int rowOnPage, void*)
{
    char kind = row->scale == 2.0f ? 'h' : row->indent ? 'i' : 'p';
    printf("%d %d %d %d %d %c %.4f %d\n", page, rowOnPage, row->start, row->length, row->next, kind,
           (double)row->spaceFactor, row->cut);
}

static int proofFile(const char* path, int rows)
{
    char* text = readText(path);
    if (!text) return 2;
    int status = 0;
    if (rows)
        paginate(text, nullptr, printRow, nullptr);
    else
        status = printPages(text);
    free(text);
    return status;
}

static int listFiles(int count, char** paths)
{
    int status = 0;
    for (int i = 0; i < count; i++) {
        char* text = readText(paths[i]);
        if (!text) {
            status = 2;
            continue;
        }
        printf("%s %d\n", paths[i], getNumberOfPages(text, nullptr));
        free(text);
    }
    return status;
}

static int listCatalogue()
{
    if (!readArticles()) {
        fprintf(stderr, "pagovia-proof: no articles could be read from 'Articles' (%s)\n", usage);
        return 2;
    }
    for (int i = 0; i < articles; i++) printf("%s %d\n", articleArray[i].name, articleArray[i].numberOfPages);
    cleanupArticles();
    return 0;
}

int main(int argc, char** argv)
{
    loadPrefs("prefs.txt");
    int status;
    if (argc > 1 && (strcmp(argv[1], "--pages") == 0 || strcmp(argv[1], "--rows") == 0)) {
        if (argc != 3) {
            fprintf(stderr, "pagovia-proof: %s takes exactly one FILE (%s)\n", argv[1], usage);
            status = 2;
        } else {
            status = proofFile(argv[2], strcmp(argv[1], "--rows") == 0);
        }
    } else if (argc > 1 && argv[1][0] == '-') {
        fprintf(stderr, "pagovia-proof: unknown option '%s' (%s)\n", argv[1], usage);
        status = 2;
    } else {
        status = argc > 1 ? listFiles(argc - 1, argv + 1) : listCatalogue();
    }
    freePrefs();
    return status;
}
