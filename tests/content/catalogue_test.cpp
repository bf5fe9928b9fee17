// The article catalogue: byte-wise name order, texts kept byte for byte with page tables
// that agree with the pagination, lookups by exact name, what the listing passes over, an
// unreadable article (which empties the catalogue and is named), and a full table.
#include "content/content_files.h"
#include <sys/stat.h>

using namespace contentfiles;
using Catalogue = Content;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST_F(Catalogue, SortedByteWiseKeptByteForByteAndFoundByExactName)
{
    std::string bytes = "[h1]Title\r\nline two\n\ttabbed \xe4\xf6\n";
    for (int p = 0; p < 400; p++) bytes += "Paragraph with some words to fill a row of the page and a few more to wrap.\n";
    for (const char* n : {"Zeta", "alpha", "Beta", "Beta.info", "archive/old"}) writeFile(std::string("Articles/") + n, n);
    writeFile("Articles/1st", bytes);
    writeFile("Articles/empty", "");
    ASSERT_EQ(readArticles(), 1);
    const char* order[] = {"1st", "Beta", "Zeta", "alpha", "empty"};
    ASSERT_EQ(articles, 5);
    for (int i = 0; i < 5; i++) EXPECT_STREQ(articleArray[i].name, order[i]);
    EXPECT_STREQ(articleArray[2].text, "Zeta") << "each text stays with its name";
    EXPECT_EQ(findArticle("Zeta"), 2);
    for (const char* miss : {"zeta", "Zeta ", "", "old", (const char*)nullptr}) EXPECT_EQ(findArticle(miss), -1);
    EXPECT_STREQ(articleArray[4].text, "");
    EXPECT_GE(articleArray[4].numberOfPages, 1);
    const articleEntry& e = articleArray[0];
    EXPECT_EQ(std::string(e.text), bytes);
    int count = getNumberOfPages(e.text, nullptr);
    ASSERT_GT(count, 16); // beyond the first room of the growing page table
    ASSERT_EQ(e.numberOfPages, count);
    std::vector<pageStart> fresh(count);
    getNumberOfPages(e.text, fresh.data());
    for (int k = 0; k < count; k++)
        EXPECT_TRUE(e.pages[k].start == fresh[k].start && e.pages[k].newLine == fresh[k].newLine) << "page " << k;
}

// The viewer reads every text at start-up and lays out none; what it lays out on demand or in
// idle slices agrees with the pagination, and the text engine's findings come with the layout.
TEST_F(Catalogue, ViewerLaysOutLaterWithTheSamePageTables)
{
    for (const char* name : {"a", "b", "c"})
        writeFile(std::string("Articles/") + name, std::string(name) + " [mi=" + std::string(9000, 'w') + " x\n");
    CaptureStderr();
    ASSERT_EQ(readArticlesLayingOutLater(), 1);
    EXPECT_EQ(GetCapturedStderr(), "") << "nothing laid out yet";
    ASSERT_EQ(articles, 3);
    EXPECT_EQ(articleArray[0].pages, nullptr);
    CaptureStderr();
    EXPECT_TRUE(layOutArticle(2));
    EXPECT_FALSE(layOutPendingArticles(0)) << "a deadline already passed lays out nothing";
    EXPECT_EQ(articleArray[0].pages, nullptr);
    EXPECT_TRUE(layOutPendingArticles(-1));
    std::string findings = GetCapturedStderr();
    for (int i = 0; i < articles; i++) {
        std::string copy = articleArray[i].text;
        CaptureStderr();
        EXPECT_EQ(articleArray[i].numberOfPages, getNumberOfPages(copy.data(), nullptr)) << i;
        GetCapturedStderr();
        EXPECT_NE(findings.find(std::string("Articles/") + articleArray[i].name + ":"), std::string::npos) << findings;
    }
}

// One article that can't be opened empties the catalogue, and the message names it. Run in
// a child that gives up root's right to read anything, so the file's mode counts.
TEST_F(Catalogue, UnreadableArticleEmptiesTheCatalogueAndIsNamed)
{
    for (const char* n : {"aaa", "secret", "zzz"}) writeFile(std::string("Articles/") + n, n);
    chmod("Articles/secret", 0);
    chmod(dir.path.c_str(), 0755);
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && setuid(65534) != 0) _exit(3);
            int result = readArticles();
            _exit(result == 0 && articles == 0 && articleArray == nullptr && findArticle("aaa") == -1 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "^Articles/secret: Unable to open article 'Articles/secret': Permission denied\n$");
}

// Regression: articles beyond 1024 were written past the table. The names that sort first
// are kept whatever the listing order.
TEST_F(Catalogue, ArticlesBeyondTheTableKeepTheFirstNames)
{
    for (int i = MAX_ARTICLES + 1; i >= 0; i--) {
        char name[32];
        snprintf(name, sizeof name, "Articles/%04d", (i * 7) % (MAX_ARTICLES + 2));
        writeFile(name, name);
    }
    EXPECT_EQ(stderrOf([] { ASSERT_EQ(readArticles(), 1); }), "Articles: more than 1024 files, 2 ignored\n");
    ASSERT_EQ(articles, MAX_ARTICLES);
    EXPECT_STREQ(articleArray[0].name, "0000");
    EXPECT_STREQ(articleArray[MAX_ARTICLES - 1].name, "1023");
    EXPECT_STREQ(articleArray[MAX_ARTICLES - 1].text, "Articles/1023");
    EXPECT_EQ(findArticle("1024"), -1);
}
