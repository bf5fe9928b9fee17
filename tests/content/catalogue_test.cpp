// Covers the article catalogue: byte-wise name order, texts kept byte for byte, page tables
// that agree with the pagination, lookups by exact name, what the listing passes over, an
// unreadable article (which empties the catalogue and is named), and a full table.
#include "content/catalogue.h"
#include "content/content_files.h"
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstring>

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

// A text long enough to need several pages at any sensible row width.
std::string longText()
{
    std::string t;
    for (int p = 0; p < 120; p++) {
        t += "Paragraph " + std::to_string(p) + " with some words to fill a row of the page";
        t += " and a few more so that it wraps at least once.\n";
    }
    return t;
}

} // namespace

TEST_F(Catalogue, SortedByteWise)
{
    writeFile("Articles/Zeta", "z");
    writeFile("Articles/alpha", "a");
    writeFile("Articles/Beta", "b");
    writeFile("Articles/1st", "1");
    ASSERT_EQ(readArticles(), 1);
    EXPECT_EQ(loadedNames(), (std::vector<std::string>{"1st", "Beta", "Zeta", "alpha"}));
    EXPECT_STREQ(articleArray[2].text, "z") << "each text stays with its name";
    EXPECT_EQ(articleArray[4].name[0], '\0');
    EXPECT_EQ(findArticle("Zeta"), 2);
}

TEST_F(Catalogue, TextIsTheFileByteForByte)
{
    std::string bytes = "[h1]Title\r\nline two\n\ttabbed \xe4\xf6\n";
    writeFile("Articles/raw", bytes);
    writeFile("Articles/empty", "");
    ASSERT_EQ(readArticles(), 1);
    ASSERT_EQ(articles, 2);
    int raw = findArticle("raw"), empty = findArticle("empty");
    EXPECT_EQ(std::string(articleArray[raw].text), bytes);
    EXPECT_STREQ(articleArray[empty].text, "");
    EXPECT_EQ(articleArray[empty].numberOfPages, getNumberOfPages(articleArray[empty].text, nullptr));
    EXPECT_GE(articleArray[empty].numberOfPages, 1);
}

TEST_F(Catalogue, PageTableAgreesWithThePagination)
{
    std::string text = longText();
    writeFile("Articles/long", text);
    ASSERT_EQ(readArticles(), 1);
    const articleEntry& e = articleArray[0];
    int count = getNumberOfPages(e.text, nullptr);
    ASSERT_EQ(e.numberOfPages, count);
    std::vector<pageStart> fresh(count);
    getNumberOfPages(e.text, fresh.data());
    EXPECT_EQ(e.pages[0].start, e.text);
    EXPECT_EQ(e.pages[0].newLine, 1);
    for (int k = 0; k < count; k++) {
        EXPECT_EQ(e.pages[k].start, fresh[k].start) << "page " << k;
        EXPECT_EQ(e.pages[k].newLine, fresh[k].newLine) << "page " << k;
        EXPECT_TRUE(e.pages[k].start >= e.text && e.pages[k].start <= e.text + text.size());
    }
}

TEST_F(Catalogue, ListingPassesOverInfoFilesAndSubdirectories)
{
    writeFile("Articles/news", "n");
    writeFile("Articles/news.info", "icon");
    writeFile("Articles/NEWS.INFO", "kept: the suffix is compared exactly");
    writeFile("Articles/info", "kept: too short to end in .info");
    writeFile("Articles/archive/old", "inside a subdirectory");
    ASSERT_EQ(readArticles(), 1);
    EXPECT_EQ(loadedNames(), (std::vector<std::string>{"NEWS.INFO", "info", "news"}));
}

TEST_F(Catalogue, FindArticleIsExact)
{
    writeFile("Articles/Editorial", "e");
    ASSERT_EQ(readArticles(), 1);
    EXPECT_EQ(findArticle("Editorial"), 0);
    EXPECT_EQ(findArticle("editorial"), -1);
    EXPECT_EQ(findArticle("Editorial "), -1);
    EXPECT_EQ(findArticle(""), -1);
    EXPECT_EQ(findArticle(nullptr), -1);
}

TEST_F(Catalogue, NoArticlesDirectory)
{
    CaptureStderr();
    EXPECT_EQ(readArticles(), 0);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(articles, 0);
    EXPECT_EQ(articleArray, nullptr);
    EXPECT_EQ(findArticle("anything"), -1);
    EXPECT_EQ(cleanupArticles(), 1);
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
        testing::ExitedWithCode(0), "^Unable to open article 'Articles/secret'\n$");
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
    EXPECT_STREQ(articleArray[0].name, "0000");
    EXPECT_STREQ(articleArray[MAX_ARTICLES - 1].name, "1023");
    EXPECT_STREQ(articleArray[MAX_ARTICLES - 1].text, "Articles/1023");
    EXPECT_EQ(findArticle("1024"), -1);
}
