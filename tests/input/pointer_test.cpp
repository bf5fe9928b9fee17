// The pointer shapes: the sheet cut into its 20 x 4 cells with colour numbers and map as
// stored (sheets encoded by netpbm's ppmtoilbm and checked against its ilbmtoppm), sheets
// smaller than the grid, missing and unusable sheets, what setPointer and clearPointer ask of
// the window (the offscreen cursor record), the re-application by idle and the full-screen
// switch, and the demo sheet generator.
#include "app/lifecycle.h"
#include "app/screen.h"
#include "app/view.h"
#include "input/pointer.h"
#include "platform/picture.h"
#include "input/pointer_testing.h"
#include "platform/report.h"
#include "support/cursor_offscreen.h"
#include "support/pointer_sheets.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <climits>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

static std::string generatorPath()
{
    const char* build = getenv("PAGOVIA_BUILD");
    fs::path dir = build ? fs::path(build) : fs::read_symlink("/proc/self/exe").parent_path();
    return (dir / "pagovia-gen-pointers").string();
}

// Every pixel of the loaded sheet has the colour netpbm's own decoder gives it.
static void expectDecodedAsNetpbmDoes()
{
    FILE* p = popen("ilbmtoppm Pointers/pointers.iff 2>/dev/null", "r");
    ASSERT_NE(p, nullptr);
    int w = 0, h = 0, maxval = 0;
    std::vector<rgb> reference(640 * 128);
    bool read = fscanf(p, "P6 %d %d %d", &w, &h, &maxval) == 3 && fgetc(p) != EOF &&
                fread(reference.data(), 3, reference.size(), p) == reference.size();
    pclose(p);
    ASSERT_TRUE(read && w == 640 && h == 128 && maxval == 255);
    for (size_t i = 0; i < reference.size(); i++) {
        const unsigned char* c = pointerSheet()->palette[pointerSheet()->pixels[i]];
        ASSERT_EQ((rgb{c[0], c[1], c[2]}), reference[i]) << i % 640 << "," << i / 640;
    }
}

class Pointer : public ::testing::Test {
protected:
    fs::path home = fs::current_path(), scratch;
    static void reset()
    {
        clearPointer();
        freePointers();
        offscreenCursorReset();
        currentPointer = 0;
    }
    void SetUp() override
    {
        reset();
        char name[] = "/tmp/pagovia-pointer-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        scratch = name;
        fs::current_path(scratch);
        fs::create_directory("Pointers");
    }
    void TearDown() override
    {
        reset();
        fs::current_path(home);
        fs::remove_all(scratch);
    }
    static int shapePixel(int n, int x, int y) { return pointerShape(n)->pixels[y * POINTER_SIZE + x]; }
    static void loadSheet() // 640x128, 2 planes, compressed
    {
        encodeSheet(640, 128, 4, true);
        ASSERT_EQ(loadPointers(), 1);
    }
};

TEST_F(Pointer, ColourNumbersAndMapAreKeptAsStored)
{
    struct { int planes; bool compress, mask; } kinds[] = {
        {1, true, false}, {2, true, false}, {2, false, true}, {5, true, true}, {8, false, false}};
    for (auto k : kinds) {
        SCOPED_TRACE(std::to_string(k.planes) + " planes, compressed " + std::to_string(k.compress));
        const int colours = 1 << k.planes;
        encodeSheet(640, 128, colours, k.compress, k.mask);
        ASSERT_EQ(loadPointers(), 1);
        EXPECT_EQ(pointerShape(7)->depth, k.planes);
        for (int i = 0; i < colours; i++) {
            const unsigned char* c = pointerSheet()->palette[i];
            EXPECT_EQ((rgb{c[0], c[1], c[2]}), mapColour(i)) << "colour " << i;
        }
        expectDecodedAsNetpbmDoes();
        struct { int shape, left, top; } cells[] = {{0, 0, 0}, {19, 608, 0}, {20, 0, 32}, {79, 608, 96}};
        for (auto c : cells)
            for (int i = 0; i < 32 * 32; i++)
                ASSERT_EQ(shapePixel(c.shape, i % 32, i / 32), patternAt(c.left + i % 32, c.top + i / 32, colours))
                    << "shape " << c.shape << " at " << i % 32 << "," << i / 32;
        freePointers();
    }
}

// Regression: cells beyond a sheet smaller than 640x128 were copied from beyond its pixels.
// The width of 100 also is no multiple of 16, so the decoder's row padding must not show.
TEST_F(Pointer, SmallSheetFillsOnlyTheCellsItHas)
{
    for (const char* size : {"640x40", "100x128", "100x40"}) { // short, narrow, both
        int w = atoi(size), h = atoi(strchr(size, 'x') + 1);
        freePointers(), reportFlush();
        encodeSheet(w, h, 4, false);
        testing::internal::CaptureStderr();
        ASSERT_EQ(loadPointers(), 1);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(std::string(size) + ", smaller than 640x128"), std::string::npos) << err;
    }
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) {
            ASSERT_EQ(shapePixel(3, x, y), x < 4 ? patternAt(96 + x, y, 4) : 0) << x << "," << y;
            ASSERT_EQ(shapePixel(20, x, y), y < 8 ? patternAt(x, 32 + y, 4) : 0) << x << "," << y;
            ASSERT_EQ(shapePixel(4, x, y) + shapePixel(79, x, y), 0);
        }
}

TEST_F(Pointer, MissingOrUnusableSheetsGiveNoShapes)
{
    // Missing: silent. Not a picture, or true colour: one line naming the file.
    struct { const char* what; std::string make; int lines; } cases[] = {
        {"missing", "true", 0},
        {"no picture", "echo 'FORM this is not a picture' > Pointers/pointers.iff", 1},
        {"true colour", "ppmtoilbm -24force sheet.ppm > Pointers/pointers.iff 2>/dev/null", 1},
    };
    writePpm("sheet.ppm", 640, 128, std::vector<rgb>(640 * 128, rgb{10, 20, 30}));
    for (auto& c : cases) {
        ASSERT_EQ(system(c.make.c_str()), 0) << c.what;
        reportFlush(); // each case is a fresh start-up: its line is not a repeat
        testing::internal::CaptureStderr();
        EXPECT_EQ(loadPointers(), 0) << c.what;
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), c.lines) << c.what << ": " << err;
        EXPECT_EQ(err.find("Pointers/pointers.iff") != std::string::npos, c.lines == 1) << err;
        for (int n = 0; n < POINTER_SHAPES; n++) EXPECT_EQ(pointerShape(n), nullptr) << c.what;
        EXPECT_EQ(pointerSheet(), nullptr) << c.what;
    }
    testing::internal::CaptureStderr(); // the system pointer stays, silently
    setPointer(1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(currentPointer, 1);
    EXPECT_EQ(offscreenCursor.calls, "");
}

// Regressions: the pointer flashed, as setPointer gave the window its system pointer back
// before defining a new shape and made the shape already shown again; a number off the grid
// read a bitmap handle beyond the 80 entries.
TEST_F(Pointer, WhatSetPointerAsksOfTheWindow)
{
    loadSheet();
    setPointer(1); // colour 0 transparent, the others opaque in their map colour
    for (int i = 0; i < 32 * 32; i++) ASSERT_EQ(offscreenCursor.lastImage[i], expectedArgb(32 + i % 32, i / 32, 4)) << i;
    EXPECT_EQ(pointerShape(POINTER_SHAPES), nullptr);
    enum { PLAIN, NO_WINDOW, FAIL_CREATE, NEW_WINDOW };
    struct { int knob, n; const char* calls; const char* err; int number; bool shown; } cases[] = {
        {PLAIN, 1, "", "", 1, true}, {PLAIN, 0, "create define free", "", 0, true},
        {NEW_WINDOW, 1, "create define free", "", 1, true}, // the same shape on another window
        {PLAIN, -1, "undefine free", "", -1, false}, {PLAIN, 80, "undefine free", "", 80, false},
        {PLAIN, INT_MIN, "undefine free", "", INT_MIN, false}, {PLAIN, INT_MAX, "undefine free", "", INT_MAX, false},
        {NO_WINDOW, 0, "", "Unable to get Window handle!\n", 1, true}, // nothing changes at all
        {FAIL_CREATE, 0, "create undefine free", "Could not create pointer!\n", 1, false}, // the old is gone
    };
    for (auto c : cases) {
        offscreenCursor.noWindow = offscreenCursor.failCreate = false, offscreenCursor.window = 1;
        setPointer(1);
        offscreenCursor.calls.clear();
        offscreenCursor.noWindow = c.knob == NO_WINDOW, offscreenCursor.failCreate = c.knob == FAIL_CREATE;
        offscreenCursor.window = c.knob == NEW_WINDOW ? 2 : 1;
        testing::internal::CaptureStderr();
        setPointer(c.n);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err) << c.n;
        EXPECT_EQ(offscreenCursor.calls, c.calls) << c.n;
        EXPECT_EQ(currentPointer, c.number) << c.n;
        EXPECT_EQ(offscreenCursor.shown, shownPointer()) << c.n;
        EXPECT_EQ(shownPointer() != 0, c.shown) << c.n;
    }
    offscreenCursor.failCreate = false;
    setPointer(0);
    offscreenCursor.calls.clear();
    clearPointer();
    clearPointer(); // nothing left to free, no window left to ask
    EXPECT_EQ(offscreenCursor.calls, "undefine free"); // the window lets go before the free
    EXPECT_EQ(shownPointer() + offscreenCursor.shown, 0u);
}

TEST_F(Pointer, IdleAndTheFullScreenSwitchReapplyTheShapeOnlyWhenItIsNotShown)
{
    loadSheet();
    setPointer(1);
    clearPointer(); // as if the window had lost it
    offscreenCursorReset();
    framecounter = endAll = 0;
    for (int i = 0; i < 250; i++) idle();
    EXPECT_EQ(offscreenCursor.calls, "create define"); // once, within the first 199 calls
    EXPECT_EQ(currentPointer, 1);
    clearPointer();
    framecounter = 199; // past the first 199 calls nothing is re-applied
    idle(), idle();
    EXPECT_EQ(offscreenCursor.shown, 0u);
    int wasFull = fullScreen;
    for (int i = 1; i <= 2; i++) { // both ways, each with a redraw request
        firstrun = 0;
        offscreenCursor.calls.clear();
        switchFullScreen();
        EXPECT_EQ(fullScreen != wasFull, i == 1);
        EXPECT_EQ(firstrun, 1);
        EXPECT_EQ(offscreenCursor.calls, i == 1 ? "create define" : "");
        EXPECT_EQ(offscreenCursor.shown, shownPointer());
    }
}

TEST_F(Pointer, GeneratedSheetHoldsAnArrowAndAHandAndTheGeneratorReportsFailures)
{
    ASSERT_EQ(system((generatorPath() + " Pointers/pointers.iff").c_str()), 0);
    ASSERT_EQ(loadPointers(), 1);
    EXPECT_GE(pointerSheet()->depth, 2);
    expectDecodedAsNetpbmDoes();
    auto drawn = [](int n, int w, int h) {
        int count = 0;
        for (int i = 0; i < w * h; i++) count += shapePixel(n, i % w, i / w) != 0;
        return count;
    };
    EXPECT_NE(shapePixel(0, 0, 0), 0); // the arrow's tip is the hot spot
    EXPECT_GT(drawn(0, 32, 32), 150);
    EXPECT_GT(drawn(1, 32, 32), 300);
    EXPECT_GT(drawn(1, 6, 4), 0); // the hand's fingertip sits by the hot spot
    for (int n = 2; n < POINTER_SHAPES; n++) EXPECT_EQ(drawn(n, 32, 32), 0) << "shape " << n;
    EXPECT_NE(system((generatorPath() + " 2>/dev/null").c_str()), 0);
    char err[256] = "";
    FILE* p = popen((generatorPath() + " no/such/dir/pointers.iff 2>&1").c_str(), "r");
    EXPECT_NE(fgets(err, sizeof err, p), nullptr);
    EXPECT_NE(pclose(p), 0);
    EXPECT_NE(strstr(err, "no/such/dir/pointers.iff"), nullptr) << err;
}
