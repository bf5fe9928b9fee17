// pagovia-proof: shows magazine makers where rows and pages break, and draws pages and a
// contact sheet as PNG files, without the viewer. Run in a magazine directory; reads
// prefs.txt and lays out and draws articles with the viewer's code.
#include "content/catalogue.h"
#include "pages.h"
#include "platform/files.h"
#include "platform/report.h"
#include "png.h"
#include "prefs/prefs.h"
#include "text/encoding.h"
#include "text/layout.h"
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char* const usage =
    "usage: pagovia-proof [--pages FILE | --rows FILE | FILE... | --render FILE [--page N] [--lo] -o OUT.png"
    " | --sheet [--columns C] [--scale S] [--lo] -o OUT.png]";

// The whole file plus a NUL, as the viewer holds an article; null (and a message) on failure.
static char* readText(const char* path)
{
    errno = 0;
    fileText file = readWholeFile(path, INT_MAX - 1L, false);
    if (file.result != FILE_READ) {
        const char* why = file.result == FILE_UNOPENED ? openFailureReason()
                          : file.result == FILE_READ_ERROR ? strerror(errno) : "too large";
        fprintf(stderr, "pagovia-proof: cannot read '%s': %s\n", path, why);
        free(file.text);
        return nullptr;
    }
    convertUtf8ToLatin1(file.text, path); // laid out as the viewer lays out what it read
    return file.text;
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

// What --render or --sheet asks for.
struct drawRequest {
    const char* article = nullptr; // --render FILE
    bool sheet = false;
    int page = 0;                  // from 1; 0 = not given
    int lowres = 0;
    const char* out = nullptr;
    int columns = 0;               // 0 = not given
    double scale = 0.0;            // 0 = not given
};

static bool refuse(const char* what, const char* arg)
{
    char shown[400];
    escapeForReport(arg, shown, sizeof shown); // one line, whatever the argument holds
    fprintf(stderr, "pagovia-proof: %s '%s' (%s)\n", what, shown, usage);
    return false;
}

// A whole number from 1 to limit.
static bool readCount(const char* text, int limit, int* value)
{
    char* end;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno || end == text || *end || v < 1 || v > limit) return false;
    *value = (int)v;
    return true;
}

// A share above 0 and at most 1, as a fraction ("1/4") or a decimal ("0.25").
static bool readScale(const char* text, double* value)
{
    char* end;
    double v = strtod(text, &end);
    if (end != text && *end == '/') {
        const char* divisor = end + 1;
        double d = strtod(divisor, &end);
        v = end != divisor && d > 0 ? v / d : -1.0;
    }
    if (end == text || *end || !(v > 0.0 && v <= 1.0)) return false;
    *value = v;
    return true;
}

// One option of a drawing request and its value; false after one line on standard error.
static bool readDrawOption(int argc, char** argv, int* i, drawRequest* r)
{
    const char* option = argv[*i];
    if (strcmp(option, "--lo") == 0) return r->lowres = 1, true;
    if (strcmp(option, "--sheet") == 0) return r->sheet = true, true;
    static const char* const valued[] = {"--render", "--page", "-o", "--columns", "--scale"};
    int k = 0;
    while (k < 5 && strcmp(option, valued[k]) != 0) k++;
    if (k == 5) return refuse("unknown option", option);
    if (*i + 1 >= argc) return refuse("no value after", option);
    const char* value = argv[++*i];
    if (k == 0) r->article = value;
    else if (k == 1 && !readCount(value, INT_MAX, &r->page)) return refuse("--page takes a page number from 1, not", value);
    else if (k == 2) r->out = value;
    else if (k == 3 && !readCount(value, 1000, &r->columns)) return refuse("--columns takes 1 to 1000, not", value);
    else if (k == 4 && !readScale(value, &r->scale)) return refuse("--scale takes a share up to 1 such as 1/4, not", value);
    return true;
}

static bool readDrawRequest(int argc, char** argv, drawRequest* r)
{
    for (int i = 1; i < argc; i++)
        if (!readDrawOption(argc, argv, &i, r)) return false;
    if (!r->sheet == !r->article) return refuse("give either --render FILE or --sheet, not", r->sheet ? "both" : "neither");
    if (r->sheet && r->page) return refuse("--page is for --render, not", "--sheet");
    if (r->article && (r->columns || r->scale > 0.0)) return refuse("--columns and --scale are for --sheet, not", "--render");
    if (!r->out) return refuse("no picture to write: give", "-o OUT.png");
    return true;
}

// The catalogue index of FILE, a name or a path into this magazine's Articles directory; -1
// for anything else (a namesake in another directory included).
static int findArticleFile(const char* file)
{
    const char* slash = strrchr(file, '/');
    int index = findArticle(slash ? slash + 1 : file);
    if (index < 0 || !slash) return index;
    char directory[PATH_MAX], given[PATH_MAX], own[PATH_MAX];
    snprintf(directory, sizeof directory, "%.*s", slash == file ? 1 : (int)(slash - file), file);
    if (!realpath(directory, given) || !realpath("Articles", own) || strcmp(given, own) != 0) return -1;
    return index;
}

static int renderOnePage(const drawRequest& r, proofImage* picture)
{
    char shown[400];
    int index = findArticleFile(r.article);
    if (index < 0) {
        escapeForReport(r.article, shown, sizeof shown);
        fprintf(stderr, "pagovia-proof: '%s' is not an article of this magazine\n", shown);
        return 2;
    }
    const articleEntry& a = articleArray[index];
    int page = r.page ? r.page : 1;
    if (page > a.numberOfPages) {
        escapeForReport(a.name, shown, sizeof shown);
        fprintf(stderr, "pagovia-proof: %s has %d page%s; there is no page %d\n", shown, a.numberOfPages,
                a.numberOfPages == 1 ? "" : "s", page);
        return 2;
    }
    drawPage(index, page - 1, picture);
    return 0;
}

static int draw(int argc, char** argv)
{
    drawRequest r;
    if (!readDrawRequest(argc, argv, &r)) return 2;
    if (!openMagazine(r.lowres)) return 2;
    proofImage picture;
    int status = 0;
    if (r.sheet) status = drawSheet(r.columns ? r.columns : 4, r.scale > 0.0 ? r.scale : 0.25, &picture) ? 0 : 2;
    else status = renderOnePage(r, &picture);
    if (status == 0 && !writePng(picture, r.out)) status = 2;
    if (status == 0) tellMagazineFindings();
    closeMagazine();
    return status;
}

static bool asksToDraw(int argc, char** argv)
{
    for (int i = 1; i < argc; i++)
        if (strcmp(argv[i], "--render") == 0 || strcmp(argv[i], "--sheet") == 0) return true;
    return false;
}

int main(int argc, char** argv)
{
    if (asksToDraw(argc, argv)) return draw(argc, argv);
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
