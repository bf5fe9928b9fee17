// The start-up pieces that work on plain state: constant menu selections scaled to window
// pixels in both resolutions (and capped at the table's size), leaving the startup picture,
// and the full-screen toggle's redraw request.
#include "app/clock.h"
#include "app/lifecycle.h"
#include "app/screen.h"
#include "prefs/prefs.h"
#include <gtest/gtest.h>
#include <array>
#include <cstdio>
#include <vector>

static int64_t fakeSec;
static void fakeClock(int64_t* sec, int64_t* usec)
{
    *sec = fakeSec;
    *usec = 0;
}

class ConstantSelections : public ::testing::Test {
protected:
    std::vector<int> coords;
    std::vector<std::array<char, 40>> links;
    void use(int n)
    {
        coords.assign(4 * n, 0);
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
        numberOfConstantMenuSelections = 0;
        numberOfMenuSelections = 0;
        computeScreenMetrics(1);
    }
};

TEST_F(ConstantSelections, ScaledToWindowPixelsInLowResolution)
{
    computeScreenMetrics(1);
    use(1);
    coords = {100, 200, 300, 400};
    constantMenuCoords = coords.data();
    buildConstantMenuSelections();
    const menuSelection& s = menuSelections[0];
    EXPECT_FLOAT_EQ(s.x0, 50);
    EXPECT_FLOAT_EQ(s.y0, 100);
    EXPECT_FLOAT_EQ(s.x1, 150);
    EXPECT_FLOAT_EQ(s.y1, 200);
    EXPECT_EQ(s.kind, 0);
    EXPECT_STREQ(s.link, "_LINK0");
    EXPECT_EQ(numberOfMenuSelections, 1);
}

TEST_F(ConstantSelections, UnchangedInHighResolution)
{
    computeScreenMetrics(0);
    use(1);
    coords = {100, 200, 300, 400};
    constantMenuCoords = coords.data();
    buildConstantMenuSelections();
    EXPECT_FLOAT_EQ(menuSelections[0].x0, 100);
    EXPECT_FLOAT_EQ(menuSelections[0].y1, 400);
}

// Guards the 256-record table against a prefs.txt that names more selections.
TEST_F(ConstantSelections, MoreThanTheTableHoldsAreCapped)
{
    computeScreenMetrics(0);
    use(MAX_MENU_SELECTIONS + 10);
    buildConstantMenuSelections();
    EXPECT_EQ(numberOfMenuSelections, MAX_MENU_SELECTIONS);
    EXPECT_STREQ(menuSelections[MAX_MENU_SELECTIONS - 1].link, "_LINK255");
}

TEST_F(ConstantSelections, NothingWithoutCoordinates)
{
    numberOfConstantMenuSelections = 3;
    buildConstantMenuSelections();
    EXPECT_EQ(numberOfMenuSelections, 0);
}

// --- frame state ---
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

TEST(FullScreen, ToggleRequestsARedrawEachWay)
{
    int before = fullScreen;
    firstrun = 0;
    switchFullScreen();
    EXPECT_NE(fullScreen, before);
    EXPECT_EQ(firstrun, 1);
    firstrun = 0;
    switchFullScreen();
    EXPECT_EQ(fullScreen, before);
    EXPECT_EQ(firstrun, 1);
}
