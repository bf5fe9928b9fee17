// Background pictures, the slideshow and the startup picture on real Mesa: pictures
// stretched over the design space with whole-unit tiles (the uncovered strips of an
// 800x600 picture), small pictures filling the screen, brightness, and the slideshow's
// fade in, hold, fade out and step to the next picture on a clock stepped by hand.
#include "app/clock.h"
#include "elements/render_fixtures.h"

static int64_t fakeHundredths; // wall clock: this long after the clock's start
static void fakeClock(int64_t* sec, int64_t* usec)
{
    *sec = 1000 + fakeHundredths / 100;
    *usec = (fakeHundredths % 100) * 10000;
}

class Picture : public Offscreen {
protected:
    my_texture slots[MAX_BACKGROUNDS]{};
    void SetUp() override
    {
        Offscreen::SetUp();
        backgroundArray = slots, backgrounds = 0;
        setWallClock(fakeClock);
        fakeHundredths = 0;
        getTimeWithStatus(CLOCK_START);
    }
    void TearDown() override
    {
        setWallClock(nullptr);
        Offscreen::TearDown();
    }
    void add(int w, int h, rgba colour, const char* name = "pic.ppm")
    {
        makePlainImage(&slots[backgrounds++], name, w, h, colour);
    }
};

// Drawn as a whole 256-texel tile the small picture's red half would start far right of
// the middle and overflow the screen. 800x600 ends at x ~ 1278.1 and y ~ 958.6.
TEST_F(Picture, StretchedOverTheDesignSpaceAtItsBrightness)
{
    add(1280, 960, {10, 200, 30, 255});
    add(800, 600, {10, 200, 30, 255});
    makeImage(&slots[backgrounds++], "small.ppm", 200, 150, [](int x, int) {
        return x < 100 ? rgba{0, 255, 0, 255} : rgba{255, 0, 0, 255};
    });
    struct { int picture; double brightness; float x, y; int g; } probes[] = {
        {0, 1, 0, 0, 200},    {0, 1, 1279, 959, 200}, {1, 1, 1277, 500, 200}, {1, 1, 1278, 500, 0},
        {1, 1, 640, 958, 200}, {1, 1, 640, 959, 0},   {1, 1, 1279, 959, 0},   {2, 1, 639, 10, 255},
        {2, 1, 640, 10, 0},    {2, 1, 1279, 959, 0},   {3, 0.5, 10, 10, 100},  {4, 0.5, 1270, 950, 100}, // index wraps
    };
    for (auto p : probes) {
        glClear(GL_COLOR_BUFFER_BIT);
        drawPicture(p.picture, p.brightness);
        EXPECT_TRUE(closeTo(designPixel(p.x, p.y).g, p.g)) << "picture " << p.picture << " at " << p.x << "," << p.y;
    }
    backgrounds = 0; // nothing loaded: nothing drawn
    glClear(GL_COLOR_BUFFER_BIT);
    drawPicture(0, 1.0);
    EXPECT_EQ(designPixel(10, 10).g, 0);
}

TEST(SlideshowBrightness, FadesInHoldsAndFadesOutOverThePeriod)
{
    struct { int e, t; double want; } cases[] = {
        {0, 5, 0.0}, {50, 5, 0.5}, {100, 5, 1.0}, {400, 5, 1.0}, {450, 5, 0.5}, {500, 5, 0.0},
        {0x7fffffff, 0x7fffffff, 0.05}, // no overflow
    };
    for (auto c : cases) EXPECT_DOUBLE_EQ(slideshowBrightness(c.e, c.t), c.want) << c.e;
    EXPECT_LT(slideshowBrightness(501, 5), 0.0);
}

TEST_F(Picture, SlideshowStepsToTheNextPictureAfterItsTime)
{
    add(640, 480, {200, 0, 0, 255});
    add(640, 480, {0, 200, 0, 255});
    slideshowTimerStart = 0;
    // Black at e = 0, full from 1 s to 4 s, black at 5 s; the next picture begins black.
    struct { int t, picture, r, g; } frames[] = {
        {0, 0, 0, 0}, {50, 0, 100, 0}, {100, 0, 200, 0}, {400, 0, 200, 0}, {500, 0, 0, 0},
        {501, 1, 0, 0}, {601, 1, 0, 200},
    };
    for (auto f : frames) {
        fakeHundredths = f.t;
        slideshowFrame();
        EXPECT_EQ(slideshowPicture, f.picture) << "t " << f.t;
        expectRgb(designPixel(640, 480), f.r, f.g, 0, "slideshow");
    }
    EXPECT_EQ(slideshowTimerStart, 501);
}

TEST_F(Picture, StartupFrameShowsOnlyTheNamedPicture)
{
    add(640, 480, {200, 0, 0, 255}, "other.ppm");
    add(640, 480, {0, 200, 0, 255}, "start.ppm");
    for (auto [name, g] : {std::pair{"start.ppm", 200}, {"Start.ppm", 0}}) { // case matters
        snprintf(startupImageName, sizeof startupImageName, "%s", name);
        startupPictureFrame();
        expectRgb(designPixel(640, 480), 0, g, 0, name);
    }
}
