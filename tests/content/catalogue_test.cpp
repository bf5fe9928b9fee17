// Covers the article catalogue: byte-wise name order, texts kept byte for byte, page tables
// that agree with the pagination, lookups by exact name, what the listing passes over, an
// unreadable article (which empties the catalogue and is named), and a full table.
#include "content/catalogue.h"
#include "content/content_files.h"
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace contentfiles;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

class Catalogue : public testing::Test {
protected:
    ScratchDir dir;
    void TearDown() override { cleanupArticles(); }
};

std::vector<std::string> loadedNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < articles; i++) names.push_back(articleArray[i].name);
    return names;
}

} // namespace

TEST_F(Catalogue, SortedByteWiseAndFoundByExactName)
{
    writeFile("Articles/Zeta", "z");
    writeFile("Articles/alpha", "a");
    writeFile("Articles/Beta", "b");
    writeFile("Articles/1st", "1");
    writeFile("Articles/Beta.info", "icon");
    writeFile("Articles/archive/old", "inside a subdirectory");
    ASSERT_EQ(readArticles(), 1);
    EXPECT_EQ(loadedNames(), (std::vector<std::string>{"1st", "Beta", "Zeta", "alpha"}));
    EXPECT_STREQ(articleArray[2].text, "z") << "each text stays with its name";
    EXPECT_EQ(articleArray[4].name[0], '\0');
    EXPECT_EQ(findArticle("Zeta"), 2);
    for (const char* miss : {"zeta", "Zeta ", "", "old", (const char*)nullptr}) EXPECT_EQ(findArticle(miss), -1);
}

// The text long enough to need several pages at any sensible row width.
TEST_F(Catalogue, TextIsTheFileByteForByteWithItsPageTable)
{
    std::string bytes = "[h1]Title\r\nline two\n\ttabbed \xe4\xf6\n";
    for (int p = 0; p < 400; p++) bytes += "Paragraph with some words to fill a row of the page and a few more to wrap.\n";
    writeFile("Articles/raw", bytes);
    writeFile("Articles/empty", "");
    ASSERT_EQ(readArticles(), 1);
    ASSERT_EQ(articles, 2);
    const articleEntry& empty = articleArray[findArticle("empty")];
    EXPECT_STREQ(empty.text, "");
    EXPECT_GE(empty.numberOfPages, 1);
    const articleEntry& e = articleArray[findArticle("raw")];
    EXPECT_EQ(std::string(e.text), bytes);
    int count = getNumberOfPages(e.text, nullptr);
    ASSERT_GT(count, 16); // beyond the first room of the growing page table
    ASSERT_EQ(e.numberOfPages, count);
    std::vector<pageStart> fresh(count);
    getNumberOfPages(e.text, fresh.data());
    EXPECT_EQ(e.pages[0].start, e.text);
    for (int k = 0; k < count; k++) {
        EXPECT_EQ(e.pages[k].start, fresh[k].start) << "page " << k;
        EXPECT_EQ(e.pages[k].newLine, fresh[k].newLine) << "page " << k;
    }
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
    writeFile("Articles/aaa", "first");
    writeFile("Articles/secret", "nobody may read this");
    writeFile("Articles/zzz", "last");
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

// Regression: articles beyond 1024 were written past the table.
TEST_F(Catalogue, ArticlesBeyondTheTableKeepTheFirstNames)
{
    for (int i = MAX_ARTICLES + 1; i >= 0; i--) {
        char name[32];
        snprintf(name, sizeof name, "Articles/%04d", i);
        writeFile(name, name);
    }
    CaptureStderr();
    ASSERT_EQ(readArticles(), 1);
    EXPECT_EQ(GetCapturedStderr(), "Articles: more than 1024 files, 2 ignored\n");
    ASSERT_EQ(articles, MAX_ARTICLES);
    EXPECT_STREQ(articleArray[MAX_ARTICLES - 1].name, "1023");
    EXPECT_STREQ(articleArray[MAX_ARTICLES - 1].text, "Articles/1023");
    EXPECT_EQ(findArticle("1024"), -1);
}
