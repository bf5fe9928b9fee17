// Frame pacing without a window: a still screen is drawn twice after a change and then not at
// all, moving frames are spaced by the clock unless the display paces, and a display that
// claims to pace but returns swaps too fast is paced by the clock after all; the window
// pixels a frame that moves only the tickers shows; what idle time uploads.
#include "app/pacing.h"
#include "app/screen.h"
#include "app/view.h"
#include "content/catalogue.h"
#include "content/content_files.h"
#include "content/directories.h"
#include "content/picturecache.h"
#include "input/selections.h"
#include "prefs/prefs.h"
#include "support/offscreen.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

struct idleCall {
    int64_t atUs;
    bool changed, moving;
    bool draw;       // expected
    int64_t waitUs;  // expected when not drawing
};

TEST(Pacing, WhichIdleCallsDrawAndHowLongTheOthersWait)
{
    std::vector<idleCall> paced, tooFast;
    for (int i = 0; i < 40; i++) paced.push_back({i * 16667LL, false, true, true, 0});
    // Swaps returning every millisecond: after the probe the clock takes over.
    for (int i = 0; i < 31; i++) tooFast.push_back({i * 1000LL, false, true, true, 0});
    tooFast.push_back({31000, false, true, false, FRAME_PERIOD_US - 1000});
    struct { const char* name; bool displayPaces; std::vector<idleCall> calls; } cases[] = {
        {"still", false, {{0, false, false, true, 0}, {16667, false, false, true, 0}, // start-up: two frames
                          {33334, false, false, false, FRAME_PERIOD_US},             // nothing new: a frame's wait
                          {90000, true, false, true, 0},                             // a redraw request
                          {91000, false, false, false, 15667},                       // the second not before its time
                          {106667, false, false, true, 0}, {123334, false, false, false, FRAME_PERIOD_US}}},
        {"moving", false, {{0, false, true, true, 0}, {2000, false, true, false, 14667}, // a fast GL waits
                           {16667, false, true, true, 0}, {20000, false, true, false, 13334},
                           {33334, false, true, true, 0}, {500000, false, true, true, 0}, // a stall: restart from now
                           {501000, false, true, false, 15667}}},
        {"display paces", true, paced},
        {"display claims to pace", true, tooFast},
    };
    for (auto& c : cases) {
        framePacer p;
        p.displayPaces = c.displayPaces;
        for (size_t i = 0; i < c.calls.size(); i++) {
            const idleCall& call = c.calls[i];
            paceStep s = paceFrame(&p, call.atUs, call.changed, call.moving);
            EXPECT_EQ(s.draw, call.draw) << c.name << ", call " << i;
            if (!call.draw) { EXPECT_EQ(s.waitUs, call.waitUs) << c.name << ", call " << i; }
        }
    }
}

TEST(Pacing, TickerWindowsInWindowPixels)
{
    struct { int x, y, cells; viewportRect vp; windowRect want; } cases[] = {
        {80, 860, 70, {0, 0, 1280, 960}, {64, 859, 1152, 18}},
        {80, 860, 70, {0, 0, 640, 480}, {32, 429, 576, 10}},     // low resolution: rounded outwards
        {80, 80, 70, {100, 20, 1280, 960}, {164, 99, 1152, 18}}, // a picture centred in a wider window
        {0, 0, 90, {0, 0, 1280, 960}, {0, 0, 1280, 17}},         // cut to the picture
    };
    for (auto& c : cases) {
        windowRect r = tickerWindowRect(c.x, c.y, c.cells, c.vp);
        EXPECT_TRUE(r.x == c.want.x && r.y == c.want.y && r.width == c.want.width && r.height == c.want.height)
            << c.x << "," << c.y << " -> " << r.x << "," << r.y << " " << r.width << "x" << r.height;
    }
}

// ---- idle work ----

// While the view is still, idle time lays out the articles and uploads the pictures one step
// from the page: the next and previous article's and the one its link names, no other.
TEST(IdleWork, UploadsThePicturesOneStepFromThePage)
{
    contentfiles::ScratchDir dir;
    ASSERT_TRUE(offscreenOpen(64, 64));
    const char* texts[] = {"[bkg=a]", "[bkg=b]shown", "[bkg=c]", "[bkg=d]", "[bkg=e]"};
    for (int i = 0; i < 5; i++) {
        contentfiles::writeFile("Articles/0" + std::to_string(i), texts[i]);
        contentfiles::writeFile(std::string("Images/") + (char)('a' + i), "P6 1 1 255\nxyz");
    }
    ASSERT_EQ(readArticlesLayingOutLater(), 1);
    ASSERT_EQ(readBackgrounds(), 1);
    numberOfConstantMenuSelections = 0;
    clearPageSelections();
    registerSelection(SELECTION_LINK, "03"); // the page's link
    setViewMode(MODE_MAGAZINE);
    currentArticle = 1;
    for (int calls = 0; idleWork(INT64_MAX) && calls < 100; calls++) {}
    std::string resident;
    for (int i = 0; i < backgrounds; i++)
        if (pictureResident(&backgroundArray[i])) resident += backgroundArray[i].name;
    std::sort(resident.begin(), resident.end());
    EXPECT_EQ(resident, "acd");
    EXPECT_NE(articleArray[4].pages, nullptr) << "every article laid out";
    numberOfMenuSelections = 0;
    currentArticle = 0;
    cleanupBackgrounds();
    cleanupArticles();
    offscreenClose();
}
