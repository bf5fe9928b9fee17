// Diagnostics: escaping of control characters, one line per (file, check) with a count of
// the repeats, and a sink that sees every finding.
#include "platform/report.h"
#include <gtest/gtest.h>
#include <string>

TEST(Report, EscapesControlCharactersAndCutsAtTheBuffer)
{
    struct { const char* in; int size; const char* out; } cases[] = {
        {"quotes.txt\r", 64, "quotes.txt\\r"},
        {"a\tb\x01", 64, "a\\tb\\x01"},
        {"abc\r", 5, "abc"}, // an escape that does not fit is left out whole
        {"", 4, ""},
    };
    for (auto& c : cases) {
        char out[64];
        escapeForReport(c.in, out, c.size);
        EXPECT_STREQ(c.out, out) << c.in;
    }
}

static int seen;
static void count(const reportFinding&) { seen++; }

TEST(Report, RepeatsAreCountedOncePerFileAndCheckASinkSeesThemAll)
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
    setReportSink(count);
    report("p", 1, REPORT_ERROR, "k", "m");
    report("p", 2, REPORT_ERROR, "k", "m");
    setReportSink(nullptr);
    reportFlush();
    EXPECT_EQ(2, seen);
}
