// Tag recognition: every tag's result, length and value, empty values, values across lines,
// missing brackets and closing tags with their diagnostics, the 255/256-character value
// limit of a buffer, what is plain text, and the leading background tag.
#include "text/markup.h"
#include "platform/report.h"
#include <gtest/gtest.h>
#include <string>

struct tagResult {
    int result, length;
    std::string value, err;
};

static tagResult tagAt(const std::string& text, int size = 256)
{
    tagResult r = {0, -7, "", ""};
    char value[1024] = "untouched";
    reportFlush(); // each case's message is a first one
    testing::internal::CaptureStderr();
    r.result = isTag(text.c_str(), &r.length, size ? value : nullptr, size);
    r.err = testing::internal::GetCapturedStderr();
    r.value = value;
    return r;
}

TEST(Markup, TagsTheirLengthsValuesAndDiagnostics)
{
    const char* untouched = "untouched";
    struct { std::string text; int result, length; const char* value; std::string err; } cases[] = {
        {"[mi=_NEXT]Next[/mi]", TAG_MI, 10, "_NEXT", ""},
        {"[/mi] tail", TAG_MI_END, 5, untouched, ""},
        {"[music=tune.mod]Play[/music]", TAG_MUSIC, 16, "tune.mod", ""},
        {"[/music]", TAG_MUSIC_END, 8, untouched, ""},
        {"[col=#ff8000]", TAG_COL, 13, "#ff8000", ""},
        {"[/col]", TAG_COL_END, 6, untouched, ""},
        {"[bkg=pic.ppm]", TAG_BKG, 13, "pic.ppm", ""},
        {"[mi=]x[/mi]", TAG_MI, 5, "", ""},
        {"[col=1 1\n0 1]text", TAG_COL, 13, "1 1\n0 1", ""}, // values and items across lines
        {"[mi=a]x\n\nmore lines\n[/mi]", TAG_MI, 6, "a", ""},
        {"[col=" + std::string(255, 'c') + "]", TAG_COL, 261, nullptr, ""}, // fits 256 bytes
        {"[mi=_NEXT no bracket", TAG_NONE, -7, untouched, "Start menu item found, but no end ']'!\n"},
        {"[mi=_NEXT]no end tag", TAG_NONE, -7, untouched, "Start menu item found, but no end tag '[/mi]'!\n"},
        {"[music=a.mod no bracket", TAG_NONE, -7, untouched, "Start music found, but no end ']'!\n"},
        {"[music=a.mod]no end[/mi]", TAG_NONE, -7, untouched, "Start music found, but no end tag '[/music]'!\n"},
        {"[col=1 1 1 1", TAG_NONE, -7, untouched, "Start text color found, but no end ']'!\n"},
        {"[bkg=x.ppm", TAG_NONE, -7, untouched, "Start background found, but no end ']'!\n"},
        {"[mi=[/mi]]x", TAG_NONE, -7, untouched, "?"}, // the end tag must lie behind the ']'
        {"[bkg=" + std::string(256, 'c') + "]tail", TAG_NONE, -7, nullptr,
         "Tag to long! (" + std::string(256, 'c') + "]tail)\n"},
    };
    for (const auto& c : cases) {
        tagResult r = tagAt(c.text);
        SCOPED_TRACE(c.text.substr(0, 30));
        EXPECT_EQ(std::make_tuple(r.result, r.length), std::make_tuple(c.result, c.length));
        EXPECT_EQ(c.value ? r.value : "", c.value ? c.value : "");
        EXPECT_EQ(c.err == "?" ? "?" : r.err, c.err);
    }
    EXPECT_EQ(tagAt("[col=" + std::string(255, 'c') + "]").value, std::string(255, 'c'));
    tagResult unbounded = tagAt("[mi=" + std::string(5000, 'v') + "]x[/mi]", 0); // no buffer, no limit
    EXPECT_EQ(std::make_tuple(unbounded.result, unbounded.length, unbounded.err), std::make_tuple(TAG_MI, 5005, ""));
    for (const char* text : {"[MI=x]y[/MI]", "[ mi=x]y[/mi]", "[ni]", "[h1]", "[/mi", "[col", "[", "x[/mi]", ""}) {
        tagResult r = tagAt(text);
        EXPECT_EQ(r.result, TAG_NONE) << text;
        EXPECT_EQ(r.err, "") << text;
    }
}

// A scope's remembered searches hold for its own text only: after it, a text further on in
// memory is searched afresh.
TEST(Markup, SearchesOutsideAScopeAreFresh)
{
    static char memory[32] = "[mi=a";
    snprintf(memory + 16, 16, "[mi=b]c[/mi]");
    testing::internal::CaptureStderr();
    tagTextBegin(memory, 0);
    EXPECT_EQ(isTag(memory, nullptr, nullptr, 0), TAG_NONE);
    tagTextEnd();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(isTag(memory + 16, nullptr, nullptr, 0), TAG_MI);
}

TEST(Markup, CopyTagTextNeedsRoomForTheTerminator)
{
    char destination[8];
    reportFlush();
    testing::internal::CaptureStderr();
    EXPECT_EQ(copyTagText(destination, "[col=ab]xy", 5, 7, 2), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Tag to long! (ab]xy)\n");
    EXPECT_EQ(copyTagText(destination, "[col=ab]", 5, 7, 3), 1);
    EXPECT_STREQ(destination, "ab");
}

TEST(Markup, LeadingBackgroundTag)
{
    struct { const char* text; bool found; std::string name; int rest; } cases[] = {
        {"[bkg=sky.ppm][h1]T", true, "sky.ppm", 13}, {"[bkg=]x", true, "", 6},
        {"[bkg=sky.ppm", true, "", -1}, {" [bkg=a]", false, "", -1}, {"[col=a]", false, "", -1},
    };
    for (auto c : cases) {
        leadingTag tag;
        testing::internal::CaptureStderr();
        EXPECT_EQ(leadingBackground(c.text, &tag), c.found) << c.text;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << c.text; // says nothing
        EXPECT_EQ(std::string(tag.name ? tag.name : "", (size_t)tag.length), c.name) << c.text;
        EXPECT_EQ(tag.rest ? tag.rest - c.text : -1, c.rest) << c.text;
    }
}
