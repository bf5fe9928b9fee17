// Tag recognition: every tag's result, length and value, empty values, values across
// lines, missing brackets and closing tags with their diagnostics, the 255/256-character
// value limit of a buffer, and what is plain text.
#include "text/markup.h"
#include "platform/report.h"
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

struct tagResult {
    int result, length;
    std::string value, err;
};

static tagResult tagAt(const std::string& text, int size = 256)
{
    tagResult r = {0, -7, "untouched", ""};
    char value[1024];
    snprintf(value, sizeof value, "untouched");
    reportFlush(); // each case's message is a first one
    testing::internal::CaptureStderr();
    r.result = isTag(text.c_str(), &r.length, size ? value : nullptr, size);
    r.err = testing::internal::GetCapturedStderr();
    r.value = value;
    return r;
}

// --- recognised tags ---
TEST(Markup, EveryTagWithItsLengthAndValue)
{
    struct { const char* text; int result; int length; const char* value; } cases[] = {
        {"[mi=_NEXT]Next[/mi]", TAG_MI, 10, "_NEXT"},
        {"[/mi] tail", TAG_MI_END, 5, nullptr},
        {"[music=tune.mod]Play[/music]", TAG_MUSIC, 16, "tune.mod"},
        {"[/music]", TAG_MUSIC_END, 8, nullptr},
        {"[col=1 0 0 1]red", TAG_COL, 13, "1 0 0 1"},
        {"[col=#ff8000]", TAG_COL, 13, "#ff8000"},
        {"[/col]", TAG_COL_END, 6, nullptr},
        {"[bkg=pic.ppm]", TAG_BKG, 13, "pic.ppm"},
        {"[mi=]x[/mi]", TAG_MI, 5, ""}, // empty values
        {"[col=]", TAG_COL, 6, ""},
        {"[col=1 1\n0 1]text", TAG_COL, 13, "1 1\n0 1"}, // values and items across lines
        {"[mi=a]x\n\nmore lines\n[/mi]", TAG_MI, 6, "a"},
    };
    for (const auto& c : cases) {
        tagResult r = tagAt(c.text);
        EXPECT_EQ(r.result, c.result) << c.text;
        EXPECT_EQ(r.length, c.length) << c.text;
        EXPECT_EQ(r.value, c.value ? c.value : "untouched") << c.text;
        EXPECT_EQ(r.err, "") << c.text;
    }
}

TEST(Markup, WithoutABufferValuesHaveNoLengthLimit)
{
    tagResult r = tagAt("[mi=" + std::string(5000, 'v') + "]x[/mi]", 0);
    EXPECT_EQ(r.result, TAG_MI);
    EXPECT_EQ(r.length, 5005);
    EXPECT_EQ(r.err, "");
}

// --- malformed tags ---
TEST(Markup, MissingBracketOrClosingTag)
{
    struct { const char* text; const char* err; } cases[] = {
        {"[mi=_NEXT no bracket", "Start menu item found, but no end ']'!\n"},
        {"[mi=_NEXT]no end tag", "Start menu item found, but no end tag '[/mi]'!\n"},
        {"[music=a.mod no bracket", "Start music found, but no end ']'!\n"},
        {"[music=a.mod]no end tag[/mi]", "Start music found, but no end tag '[/music]'!\n"},
        {"[col=1 1 1 1", "Start text color found, but no end ']'!\n"},
    };
    for (const auto& c : cases) {
        tagResult r = tagAt(c.text);
        EXPECT_EQ(r.result, TAG_NONE) << c.text;
        EXPECT_EQ(r.length, -7) << c.text; // untouched
        EXPECT_EQ(r.value, "untouched") << c.text;
        EXPECT_EQ(r.err, c.err) << c.text;
    }
    tagResult bkg = tagAt("[bkg=x.ppm");
    EXPECT_EQ(bkg.result, TAG_NONE);
    EXPECT_EQ(std::count(bkg.err.begin(), bkg.err.end(), '\n'), 1);
    // The closing tag must lie behind the first ']', not inside the value.
    EXPECT_EQ(tagAt("[mi=[/mi]]x").result, TAG_NONE);
}

TEST(Markup, PlainTextIsNoTagAndSaysNothing)
{
    for (const char* text : {"[MI=x]y[/MI]", "[ mi=x]y[/mi]", "[ni]", "[h1]", "[/mi", "[col", "[", "x[/mi]", ""}) {
        tagResult r = tagAt(text);
        EXPECT_EQ(r.result, TAG_NONE) << text;
        EXPECT_EQ(r.err, "") << text;
    }
}

// --- value length limit ---
TEST(Markup, A255CharacterValueFitsA256ByteBufferA256OneIsRefused)
{
    EXPECT_EQ(tagAt("[col=" + std::string(255, 'c') + "]").value, std::string(255, 'c'));
    std::string value(256, 'c');
    tagResult r = tagAt("[bkg=" + value + "]tail");
    EXPECT_EQ(r.result, TAG_NONE);
    EXPECT_EQ(r.length, -7);
    EXPECT_EQ(r.err, "Tag to long! (" + value + "]tail)\n");
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
