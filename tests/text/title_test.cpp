// The title row's text (heading tag, name after '_', right-aligned page label, cuts) and
// the background an article's leading "[bkg=" tag chooses.
#include "content/directories.h"
#include "text/title.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <string>

TEST(TitleLine, NameAfterUnderscoreLabelAndCuts)
{
    std::string n40 = "01_" + std::string(40, 'n');
    struct { const char* name; int size, pages, page, width; std::string want; } cases[] = {
        {"03_News", 1024, 1, 0, 70, "[h1]News" + std::string(31, ' ')},
        {"03_News", 1024, 3, 1, 70, "[h1]News" + std::string(21, ' ') + "Page 2 (3)"},
        {n40.c_str(), 1024, 1, 0, 70, "[h1]" + std::string(35, 'n')},
        {n40.c_str(), 1024, 12, 9, 70, "[h1]" + std::string(23, 'n') + "Page 10 (12)"},
        {"Intro", 1024, 1, 0, 20, "[h1]Intro     "}, // no '_': the whole name
        {"03_Tips_and_tricks", 1024, 1, 0, 30, "[h1]Tips_and_tricks"}, // only the first '_'
        {"01_Ab", 1024, 3, 0, 4, "[h1]Pa"},                  // labels longer than the line are cut
        {"01_Ab", 1024, 3, 0, 16, "[h1]Page 1 ("},
        {"01_Abcdefghijk", 12, 1, 0, 70, "[h1]Abcdefg"}, // a short buffer shortens the line
        {"01_Ab", 4, 1, 0, 70, "untouched"},             // no room even for "[h1]"
        {"01_Ab", 5, 3, 0, 70, "[h1]"},                  // room for the tag alone
    };
    for (auto& c : cases) {
        char line[1024] = "untouched";
        buildTitleLine(line, c.size, c.name, c.pages, c.page, c.width);
        EXPECT_EQ(line, c.want) << c.name << " " << c.page << "/" << c.pages;
    }
}

TEST(BackgroundLookup, LeadingTagNamesThePictureElseNone)
{
    my_texture slots[MAX_BACKGROUNDS]{};
    for (int i = 0; i < 3; i++) snprintf(slots[i].name, sizeof slots[i].name, i ? "sky.ppm" : "sea.ppm");
    std::string huge = "[bkg=" + std::string(1100, 's') + "]";
    struct { const char* text; int index; } cases[] = {
        {"[bkg=sky.ppm]Hello", 1}, {"[bkg=sea.ppm][h1]Title", 0}, {"[bkg=sky.ppm", -1},
        {"[bkg=sky]", -1}, {"[bkg=Sky.ppm]", -1}, {"[bkg=]x", -1}, // not the first free slot
        {" [bkg=sky.ppm]", -1}, {"Hello", -1}, {huge.c_str(), -1}, {nullptr, -1},
    };
    backgroundArray = slots;
    for (auto c : cases) EXPECT_EQ(findBackgroundIndex(c.text), c.index) << (c.text ? c.text : "null");
    backgroundArray = nullptr;
    EXPECT_EQ(findBackgroundIndex("[bkg=sky.ppm]"), -1);
}
