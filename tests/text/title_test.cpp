// The title row's text (heading tag, name after '_', right-aligned page label, cuts) and
// the background an article's leading "[bkg=" tag chooses.
#include "content/directories.h"
#include "text/title.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <string>

// --- title line ---
TEST(TitleLine, NameAfterUnderscoreLabelAndCuts)
{
    std::string n40 = "01_" + std::string(40, 'n');
    struct { const char* name; int pages, page, width; std::string want; } cases[] = {
        {"03_News", 1, 0, 70, "[h1]News" + std::string(31, ' ')},
        {"03_News", 3, 1, 70, "[h1]News" + std::string(21, ' ') + "Page 2 (3)"},
        {n40.c_str(), 1, 0, 70, "[h1]" + std::string(35, 'n')},
        {n40.c_str(), 12, 9, 70, "[h1]" + std::string(23, 'n') + "Page 10 (12)"},
        {"Intro", 1, 0, 20, "[h1]Intro     "},  // no '_': the whole name
        {"01_Ab", 3, 0, 4, "[h1]Pa"},          // labels longer than the line are cut
        {"01_Ab", 3, 0, 16, "[h1]Page 1 ("},
    };
    for (auto& c : cases) {
        char line[1024];
        buildTitleLine(line, sizeof line, c.name, c.pages, c.page, c.width);
        EXPECT_EQ(line, c.want) << c.name << " " << c.page << "/" << c.pages;
    }
    char line[1024];
    buildTitleLine(line, sizeof line, "03_Tips_and_tricks", 1, 0, 70); // only the first '_'
    EXPECT_EQ(std::string(line).substr(0, 19), "[h1]Tips_and_tricks");
    char small[12]; // a buffer shorter than the line shortens it
    buildTitleLine(small, sizeof small, "01_Abcdefghijk", 1, 0, 70);
    EXPECT_STREQ(small, "[h1]Abcdefg");
}

// --- background lookup ---
TEST(BackgroundLookup, LeadingTagNamesThePictureElseNone)
{
    my_texture slots[MAX_BACKGROUNDS]{};
    for (int i = 0; i < 3; i++) snprintf(slots[i].name, sizeof slots[i].name, i ? "sky.ppm" : "sea.ppm");
    backgroundArray = slots;
    backgrounds = 3;
    std::string huge = "[bkg=" + std::string(1100, 's') + "]";
    struct { const char* text; int index; } cases[] = {
        {"[bkg=sky.ppm]Hello", 1}, {"[bkg=sea.ppm][h1]Title", 0}, {"[bkg=sky.ppm", -1},
        {"[bkg=sky]", -1}, {"[bkg=Sky.ppm]", -1}, {"[bkg=]x", -1}, // not the first free slot
        {" [bkg=sky.ppm]", -1}, {"Hello", -1}, {huge.c_str(), -1},
    };
    for (auto c : cases) EXPECT_EQ(findBackgroundIndex(c.text), c.index) << c.text;
    backgroundArray = nullptr;
    backgrounds = 0;
}

