// The start-up pieces that work on plain state: constant menu selections scaled to window
// pixels in both resolutions (and capped at the table's size), and leaving the startup picture.
#include "app/clock.h"
#include "app/lifecycle.h"
#include "app/screen.h"
#include "input/selections.h"
#include "prefs/prefs.h"
#include <gtest/gtest.h>
#include <array>
#include <cstdio>
#include <vector>

// --- constant menu selections ---
class ConstantSelections : public ::testing::Test {
protected:
    std::vector<int> coords;
    std::vector<std::array<char, 40>> links;
    void use(int n, std::vector<int> c = {})
    {
        coords = c.empty() ? std::vector<int>(4 * n, 0) : c;
        links.assign(n, {});
        for (int i = 0; i < n; i++) snprintf(links[i].data(), 40, "_LINK%d", i);
        numberOfConstantMenuSelections = n;
        constantMenuCoords = coords.data();
        constantMenuLinks = reinterpret_cast<char(*)[40]>(links.data());
        numberOfMenuSelections = 0;
    }
    void TearDown() override
    {
        constantMenuCoords = nullptr;
        constantMenuLinks = nullptr;
        numberOfConstantMenuSelections = numberOfMenuSelections = 0;
        computeScreenMetrics(1);
    }
};

TEST_F(ConstantSelections, ScaledToWindowPixelsInBothResolutions)
{
    for (int lowres : {1, 0}) {
        computeScreenMetrics(lowres);
        use(1, {100, 200, 300, 400});
        buildConstantMenuSelections();
        const menuSelection& s = menuSelections[0];
        float k = lowres ? 0.5f : 1.0f;
        EXPECT_FLOAT_EQ(s.x0, 100 * k);
        EXPECT_FLOAT_EQ(s.y0, 200 * k);
        EXPECT_FLOAT_EQ(s.x1, 300 * k);
        EXPECT_FLOAT_EQ(s.y1, 400 * k);
        EXPECT_EQ(s.kind, 0);
        EXPECT_STREQ(s.link, "_LINK0");
        EXPECT_EQ(numberOfMenuSelections, 1);
    }
}

// Guards the 256-record table against a prefs.txt that names more selections.
TEST_F(ConstantSelections, MoreThanTheTableHoldsAreCappedAndNoneWithoutCoordinates)
{
    computeScreenMetrics(0);
    use(MAX_MENU_SELECTIONS + 10);
    buildConstantMenuSelections();
    EXPECT_EQ(numberOfMenuSelections, MAX_MENU_SELECTIONS);
    EXPECT_STREQ(menuSelections[MAX_MENU_SELECTIONS - 1].link, "_LINK255");
    constantMenuCoords = nullptr;
    numberOfMenuSelections = 0;
    buildConstantMenuSelections();
    EXPECT_EQ(numberOfMenuSelections, 0);
}

// --- frame state ---
static int64_t fakeSec;
static void fakeClock(int64_t* sec, int64_t* usec)
{
    *sec = fakeSec;
    *usec = 0;
}

TEST(StartupPicture, LeavingItShowsTheMagazineFromClockZero)
{
    setWallClock(fakeClock);
    fakeSec = 1000;
    getTimeWithStatus(CLOCK_START);
    fakeSec = 1030;
    mode = 1;
    firstrun = 0;
    framecounter = 150;
    endStartupImage();
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(firstrun, 1);
    EXPECT_EQ(framecounter, 0);
    EXPECT_EQ(getTime(), 0);
    setWallClock(nullptr);
}
