// Background pictures, the slideshow and the startup picture on real Mesa: pictures
// stretched over the design space with whole-unit tiles (the uncovered strips of an
// 800x600 picture), small pictures filling the screen, brightness, and the slideshow's
// fade in, hold, fade out and step to the next picture on a clock stepped by hand.
#include "app/clock.h"
#include "content/directories.h"
#include "elements/picture.h"
#include "elements/render_fixtures.h"
#include "prefs/prefs.h"
#include <gtest/gtest.h>
#include <cstring>

static int64_t fakeSec, fakeUsec;
static void fakeClock(int64_t* sec, int64_t* usec)
{
    *sec = fakeSec;
    *usec = fakeUsec;
}
// Sets the wall clock to `hundredths` after the clock's start.
static void clockAt(int hundredths)
{
    fakeSec = 1000 + hundredths / 100;
    fakeUsec = (hundredths % 100) * 10000;
}

class Picture : public ::testing::Test {
protected:
    my_texture slots[MAX_BACKGROUNDS]{};
    void SetUp() override
    {
        ASSERT_TRUE(openScreen(0));
        backgroundArray = slots;
        backgrounds = 0;
        setWallClock(fakeClock);
        clockAt(0);
        getTimeWithStatus(CLOCK_START);
    }
    void TearDown() override
    {
        backgroundArray = nullptr;
        backgrounds = 0;
        setWallClock(nullptr);
        startupImageName[0] = '\0';
        SLIDESHOW_CHANGE_TIME = 5;
        slideshowPicture = 0;
        slideshowTimerStart = 0;
    }
    void add(int w, int h, rgba colour, const char* name = "pic.ppm")
    {
        makePlainImage(&slots[backgrounds++], name, w, h, colour);
    }
};

// --- stretching over the design space ---
TEST_F(Picture, FullSizePictureCoversTheDesignSpaceExactly)
{
    add(1280, 960, {10, 200, 30, 255});
    drawPicture(0, 1.0);
    EXPECT_EQ(designPixel(0, 0).g, 200);
    EXPECT_EQ(designPixel(1279, 959).g, 200);
}

TEST_F(Picture, EightHundredBySixHundredLeavesThinStrips)
{
    add(800, 600, {10, 200, 30, 255});
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    drawPicture(0, 1.0);
    EXPECT_EQ(designPixel(1277, 500).g, 200);
    EXPECT_EQ(designPixel(1278, 500).g, 0);  // the picture ends at x ~ 1278.1
    EXPECT_EQ(designPixel(640, 958).g, 200);
    EXPECT_EQ(designPixel(640, 959).g, 0);   // and at y ~ 958.6
    EXPECT_EQ(designPixel(1279, 959).g, 0);
}

TEST_F(Picture, SmallPictureFillsTheDesignSpace)
{
    // Left half green, right half red: drawn as a whole 256-texel tile the red would
    // start far right of the middle and the picture would overflow the screen.
    makeImage(&slots[backgrounds++], "small.ppm", 200, 150, [](int x, int) {
        return x < 100 ? rgba{0, 255, 0, 255} : rgba{255, 0, 0, 255};
    });
    drawPicture(0, 1.0);
    EXPECT_EQ(designPixel(639, 10).g, 255);
    EXPECT_EQ(designPixel(640, 10).r, 255);
    EXPECT_EQ(designPixel(1279, 959).r, 255);
}

// --- brightness and choice ---
TEST_F(Picture, BrightnessScalesColoursAndIndexWraps)
{
    add(640, 480, {200, 100, 0, 255});
    add(640, 480, {0, 0, 200, 255});
    drawPicture(2, 0.5); // 2 mod 2: the first picture
    EXPECT_TRUE(closeTo(designPixel(10, 10).r, 100));
    EXPECT_TRUE(closeTo(designPixel(1270, 950).g, 50));
    drawPicture(3, 1.0);
    EXPECT_EQ(designPixel(10, 10).b, 200);

    backgrounds = 0; // nothing loaded: nothing drawn
    glClear(GL_COLOR_BUFFER_BIT);
    drawPicture(0, 1.0);
    EXPECT_EQ(designPixel(10, 10).b, 0);
}

// --- slideshow ---
TEST(SlideshowBrightness, FadesInHoldsAndFadesOutOverThePeriod)
{
    EXPECT_EQ(slideshowBrightness(0, 5), 0.0);
    EXPECT_DOUBLE_EQ(slideshowBrightness(50, 5), 0.5);
    EXPECT_EQ(slideshowBrightness(100, 5), 1.0);
    EXPECT_EQ(slideshowBrightness(400, 5), 1.0);
    EXPECT_DOUBLE_EQ(slideshowBrightness(450, 5), 0.5);
    EXPECT_EQ(slideshowBrightness(500, 5), 0.0);
    EXPECT_LT(slideshowBrightness(501, 5), 0.0);
    EXPECT_DOUBLE_EQ(slideshowBrightness(0x7fffffff, 0x7fffffff), 0.05); // no overflow
}

TEST_F(Picture, SlideshowStepsToTheNextPictureAfterItsTime)
{
    add(640, 480, {200, 0, 0, 255});
    add(640, 480, {0, 200, 0, 255});
    slideshowTimerStart = 0;
    clockAt(0);
    slideshowFrame();
    EXPECT_EQ(designPixel(640, 480).r, 0); // black at e = 0
    clockAt(50);
    slideshowFrame();
    EXPECT_TRUE(closeTo(designPixel(640, 480).r, 100));
    clockAt(100);
    slideshowFrame();
    EXPECT_EQ(designPixel(640, 480).r, 200);
    clockAt(400);
    slideshowFrame();
    EXPECT_EQ(designPixel(640, 480).r, 200);
    clockAt(500);
    slideshowFrame();
    EXPECT_EQ(designPixel(640, 480).r, 0);
    EXPECT_EQ(slideshowPicture, 0);
    clockAt(501);
    slideshowFrame();
    EXPECT_EQ(slideshowPicture, 1);
    EXPECT_EQ(slideshowTimerStart, 501);
    EXPECT_EQ(designPixel(640, 480).g, 0); // the next picture begins black
    clockAt(601);
    slideshowFrame();
    EXPECT_EQ(designPixel(640, 480).g, 200);
}

TEST_F(Picture, StartupFrameShowsOnlyTheNamedPicture)
{
    add(640, 480, {200, 0, 0, 255}, "other.ppm");
    add(640, 480, {0, 200, 0, 255}, "start.ppm");
    snprintf(startupImageName, sizeof startupImageName, "start.ppm");
    startupPictureFrame();
    EXPECT_EQ(designPixel(640, 480).g, 200);
    EXPECT_EQ(designPixel(640, 480).r, 0);
    snprintf(startupImageName, sizeof startupImageName, "Start.ppm"); // case matters
    startupPictureFrame();
    EXPECT_EQ(designPixel(640, 480).g, 0);
}
