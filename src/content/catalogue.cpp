// Owns the article table and the current reading position. Articles are read whole and
// paginated once here; nothing else allocates or frees article texts and page tables.
#include "content/catalogue.h"
#include "content/sortedtable.h"
#include "platform/files.h"
#include "platform/dirlist.h"
#include "platform/report.h"
#include "text/encoding.h"
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

articleEntry* articleArray = nullptr;
int articles = 0;
int currentArticle = 0;
int currentPage = 0;

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

struct articleListing {
    bool failed;
    int ignored;
};

static_assert(offsetof(articleEntry, name) == 0, "the sorted insertion reads the name first");

static void addArticle(const char* name, void* user)
{
    articleListing* listing = (articleListing*)user;
    if (listing->failed) return;
    // A full table keeps the names that sort first, whatever order the listing has.
    bool full = articles == MAX_ARTICLES;
    if (full && strcmp(name, articleArray[MAX_ARTICLES - 1].name) > 0) {
        listing->ignored++;
        return;
    }
    char path[1024];
    snprintf(path, sizeof path, "Articles/%s", name);
    articleEntry e{};
    snprintf(e.name, sizeof e.name, "%s", name);
    bool skip = false;
    e.text = readArticleText(path, &skip);
    convertUtf8ToLatin1(e.text, path);
    if (!e.text || !paginate(&e, path)) {
        releaseEntry(&e);
        if (!skip) listing->failed = true;
        return;
    }
    if (full) {
        releaseEntry(&articleArray[MAX_ARTICLES - 1]);
        articles--;
        listing->ignored++;
    }
    insertByName(articleArray, articles++, sizeof *articleArray, &e);
}

// Says once why a magazine shows no article at all; an unreadable folder was told by the listing.
static void reportNoArticles(int listingError)
{
    if (listingError == ENOENT)
        report("Articles", 0, REPORT_ERROR, "no-articles", "folder missing: no articles to show");
    else if (listingError == 0)
        report("Articles", 0, REPORT_ERROR, "no-articles", "folder holds no articles: nothing to show");
}

int readArticles()
{
    releaseAll();
    articleArray = (articleEntry*)calloc(MAX_ARTICLES, sizeof(articleEntry));
    if (!articleArray) return 0;
    articleListing listing{false, 0};
    int ok = listDirectory("Articles", addArticle, &listing);
    int listingError = ok ? 0 : errno;
    if (listing.ignored > 0)
        report("Articles", 0, REPORT_WARNING, "too-many-files", "more than %d files, %d ignored", MAX_ARTICLES,
               listing.ignored);
    // One article that can't be had empties the whole catalogue, as the viewer has always
    // done; its message names the file so the reader knows which one to mend.
    if (!ok || listing.failed) releaseAll();
    else if (articles == 0) reportNoArticles(0);
    if (!ok) reportNoArticles(listingError);
    reportFlush();
    return ok && !listing.failed ? 1 : 0;
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
