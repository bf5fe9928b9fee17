// The view state and the start-up that sets it: a redraw request taken once, leaving the
// startup picture, and loadMagazine on a magazine folder (the startup picture only when
// prefs.txt names one; the constant click records in window pixels at both resolutions).
#include "app/clock.h"
#include "app/lifecycle.h"
#include "app/view.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "elements/render_fixtures.h"
#include "input/selections.h"
#include "prefs/prefs.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <unistd.h>

static int64_t fakeSec;
static void fakeClock(int64_t* sec, int64_t* usec) { *sec = fakeSec, *usec = 0; }

TEST(View, RequestsAreTakenOnceAndLeavingTheStartupPictureRestartsClockAndCount)
{
    requestRedraw();
    requestRedraw();
    EXPECT_TRUE(takeRedrawRequest());
    EXPECT_FALSE(takeRedrawRequest());
    setWallClock(fakeClock);
    fakeSec = 1000;
    getTimeWithStatus(CLOCK_START);
    for (int i = 0; i < 150; i++) countIdleCall();
    fakeSec = 1030;
    setViewMode(MODE_STARTUP);
    endStartupImage();
    EXPECT_EQ(mode, MODE_MAGAZINE);
    EXPECT_TRUE(takeRedrawRequest());
    EXPECT_EQ(getTime(), 0);
    EXPECT_EQ(countIdleCall(), 1u);
    setWallClock(nullptr);
    requestRedraw();
}

TEST(LoadMagazine, StartupPictureOnlyWhenNamedAndSelectionsInWindowPixels)
{
    char dir[] = "/tmp/pagovia-view-XXXXXX", cwd[4096];
    ASSERT_TRUE(mkdtemp(dir) && getcwd(cwd, sizeof cwd));
    ASSERT_EQ(chdir(dir), 0);
    struct { int lowres; const char* startup; int mode; float scale; } cases[] = {
        {1, "STARTUP_IMAGE: intro.ppm\n", MODE_STARTUP, 0.5f},
        {0, "", MODE_MAGAZINE, 1.0f},
        {0, "STARTUP_IMAGE: intro.ppm\nSTARTUP_IMAGE: ,x\n", MODE_MAGAZINE, 1.0f}, // emptied again
        {0, "STARTUP_IMAGE: ../intro.ppm\n", MODE_MAGAZINE, 1.0f},                 // refused
    };
    for (auto& c : cases) {
        ASSERT_TRUE(openScreen(c.lowres));
        FILE* f = fopen("prefs.txt", "w");
        ASSERT_TRUE(f);
        fprintf(f, "MENUS: 2\nMENU_COORDS: 100,200,300,400,0,0,8,8\nMENU_LINKS: _QUIT,_NEXT\n%s", c.startup);
        fclose(f);
        testing::internal::CaptureStderr(); // no font, articles or pictures here: reported
        numberOfMenuSelections = 0;
        loadMagazine();
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(mode, c.mode) << c.startup;
        const menuSelection& s = menuSelections[0];
        EXPECT_EQ(numberOfMenuSelections, 2);
        EXPECT_STREQ(menuSelections[1].link, "_NEXT");
        EXPECT_EQ(s.kind, SELECTION_LINK);
        float want[4] = {100, 200, 300, 400}, got[4] = {s.x0, s.y0, s.x1, s.y1};
        for (int k = 0; k < 4; k++) EXPECT_FLOAT_EQ(got[k], want[k] * c.scale) << c.lowres << " " << k;
        cleanupMenus(), cleanupBackgrounds(), cleanupArticles(), freePrefs();
        setViewMode(MODE_MAGAZINE);
        startupImageName[0] = '\0';
    }
    numberOfMenuSelections = 0;
    unlink("prefs.txt");
    EXPECT_EQ(chdir(cwd), 0);
    rmdir(dir);
    computeScreenMetrics(1);
}
