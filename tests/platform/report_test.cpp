// Diagnostics: escaping of control characters, and one line per (file, check) with a count.
#include "platform/report.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(Report, EscapesControlCharactersAndCutsAtTheBuffer)
{
    struct { const char* in; int size; const char* out; } cases[] = {
        {"quotes.txt\r", 64, "quotes.txt\\r"},
        {"a\tb\x01", 64, "a\\tb\\x01"},
        {"abc\r", 5, "abc"},   // an escape that does not fit is left out whole
        {"", 4, ""},
    };
    for (auto& c : cases) {
        char out[64];
        escapeForReport(c.in, out, c.size);
        EXPECT_STREQ(c.out, out) << c.in;
    }
}

TEST(Report, RepeatsAreCountedOncePerFileAndCheck)
{
    testing::internal::CaptureStderr();
    for (int i = 0; i < 5; i++) report("Articles/a", 0, REPORT_WARNING, "tag-unclosed", "no end %d", i);
    report("Articles/b", 3, REPORT_WARNING, "tag-unclosed", "no end");
    setReportFile("Articles/c\r");
    report(nullptr, 0, REPORT_ERROR, "x", "bad");
    setReportFile(nullptr);
    reportFlush();
    EXPECT_EQ("Articles/a: no end 0\nArticles/b:3: no end\nArticles/c\\r: bad\nArticles/a: 4 more like: no end 0\n",
              testing::internal::GetCapturedStderr());
}

static std::vector<std::string> seen;
static void collect(const reportFinding& f) { seen.push_back(std::string(f.file) + "|" + f.check); }

TEST(Report, ASinkSeesEveryFinding)
{
    setReportSink(collect);
    report("p", 1, REPORT_ERROR, "k", "m");
    report("p", 2, REPORT_ERROR, "k", "m");
    setReportSink(nullptr);
    EXPECT_EQ(2u, seen.size());
}
