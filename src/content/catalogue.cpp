// Owns the article table and the current reading position. Articles are read whole and
// paginated once here; nothing else allocates or frees article texts and page tables. The
// viewer reads every text at start-up but lays out only what it shows, the rest in idle time.
#include "content/catalogue.h"
#include "platform/files.h"
#include "platform/monotonic.h"
#include "platform/dirlist.h"
#include "platform/report.h"
#include "text/encoding.h"
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

articleEntry* articleArray = nullptr;
int articles = 0;
int currentArticle = 0;
int currentPage = 0;
static int laidOut; // entries below this have their page tables; the rest wait in the viewer

static void releaseEntry(articleEntry* e)
{
    free(e->pages);
    free(e->text);
    e->pages = nullptr;
    e->text = nullptr;
    e->numberOfPages = 0;
    e->name[0] = '\0';
}

static void releaseAll()
{
    if (!articleArray) return;
    for (int i = 0; i < MAX_ARTICLES; i++) releaseEntry(&articleArray[i]);
    free(articleArray);
    articleArray = nullptr;
    articles = 0;
    laidOut = 0;
}

// The whole file plus a NUL. *skip tells an article too large to keep (it alone is left out)
// from one that can't be had (which empties the catalogue).
static char* readArticleText(const char* path, bool* skip)
{
    fileText file = readWholeFile(path, MAX_ARTICLE_BYTES, false);
    *skip = file.result == FILE_TOO_LARGE;
    switch (file.result) {
    case FILE_READ: return file.text;
    case FILE_UNOPENED:
        report(path, 0, REPORT_ERROR, "article-open", "Unable to open article '%s': %s", path, openFailureReason());
        break;
    case FILE_TOO_LARGE:
        report(path, 0, REPORT_ERROR, "article-size", "Article '%s' is larger than %ld MiB, skipped", path,
               MAX_ARTICLE_BYTES >> 20);
        break;
    case FILE_NO_MEMORY:
        report(path, 0, REPORT_ERROR, "article-memory", "Unable to allocate memory for article '%s'", path);
        break;
    case FILE_READ_ERROR:
        report(path, 0, REPORT_ERROR, "article-read", "Unable to read article '%s'", path);
        free(file.text);
        break;
    }
    return nullptr;
}

// Lays the article out once into its page table. The text engine's findings on the way name
// the article.
static bool paginate(articleEntry* e, const char* path)
{
    setReportFile(path);
    int count = 0;
    e->pages = paginateIntoNewTable(e->text, &count);
    if (e->pages) e->numberOfPages = count;
    setReportFile(nullptr);
    if (!e->pages) {
        report(path, 0, REPORT_ERROR, "article-memory", "Unable to allocate memory for article page offsets");
        return false;
    }
    return true;
}

static void collectName(const char* name, void* user) { ((std::vector<std::string>*)user)->push_back(name); }

// Entries are filled in name order, so no record is ever moved (a sorted insertion moved
// 1 KB records a quarter million times for 500 articles). A full table keeps the names
// that sort first, whatever order the listing has. False when an article can't be had.
static bool loadSorted(std::vector<std::string>& names, int* ignored)
{
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return strcmp(a.c_str(), b.c_str()) < 0;
    });
    for (const std::string& name : names) {
        if (articles == MAX_ARTICLES) {
            (*ignored)++;
            continue;
        }
        char path[1024];
        snprintf(path, sizeof path, "Articles/%s", name.c_str());
        articleEntry& e = articleArray[articles];
        snprintf(e.name, sizeof e.name, "%s", name.c_str());
        bool skip = false;
        e.text = readArticleText(path, &skip);
        if (!e.text) {
            releaseEntry(&e);
            if (skip) continue;
            return false;
        }
        articles++;
    }
    return true;
}

bool layOutArticle(int index)
{
    if (!articleArray || index < 0 || index >= articles) return false;
    articleEntry* e = &articleArray[index];
    if (e->pages || !e->text) return e->pages != nullptr;
    char path[1100];
    snprintf(path, sizeof path, "Articles/%s", e->name);
    convertUtf8ToLatin1(e->text, path);
    if (paginate(e, path)) return true;
    releaseAll(); // as at loading: an article that can't be had empties the catalogue
    return false;
}

bool layOutPendingArticles(int64_t deadlineUs)
{
    while (articleArray && laidOut < articles) {
        if (deadlineUs >= 0 && monotonicUs() >= deadlineUs) return false;
        layOutArticle(laidOut++);
        if (laidOut == articles) reportFlush(); // the last article's findings are told
    }
    return true;
}

void layOutAllArticles() { layOutPendingArticles(-1); }

// Says once why a magazine shows no article at all; an unreadable folder was told by the listing.
static void reportNoArticles(int listingError)
{
    if (listingError == ENOENT)
        report("Articles", 0, REPORT_ERROR, "no-articles", "folder missing: no articles to show");
    else if (listingError == 0)
        report("Articles", 0, REPORT_ERROR, "no-articles", "folder holds no articles: nothing to show");
}

int readArticlesLayingOutLater()
{
    releaseAll();
    articleArray = (articleEntry*)calloc(MAX_ARTICLES, sizeof(articleEntry));
    if (!articleArray) return 0;
    std::vector<std::string> names;
    int ok = listDirectory("Articles", collectName, &names);
    int listingError = ok ? 0 : errno;
    int ignored = 0;
    bool failed = ok && !loadSorted(names, &ignored);
    if (ignored > 0)
        report("Articles", 0, REPORT_WARNING, "too-many-files", "more than %d files, %d ignored", MAX_ARTICLES,
               ignored);
    // One article that can't be had empties the whole catalogue, as the viewer has always
    // done; its message names the file so the reader knows which one to mend.
    if (!ok || failed) releaseAll();
    else if (articles == 0) reportNoArticles(0);
    if (!ok) reportNoArticles(listingError);
    reportFlush();
    return ok && !failed ? 1 : 0;
}

int readArticles()
{
    int ok = readArticlesLayingOutLater();
    layOutAllArticles();
    return ok && articleArray ? 1 : 0;
}

int findArticle(const char* name)
{
    if (!articleArray || !name) return -1;
    for (int i = 0; i < articles; i++)
        if (strcmp(articleArray[i].name, name) == 0) return i;
    return -1;
}

int cleanupArticles()
{
    releaseAll();
    return 1;
}
