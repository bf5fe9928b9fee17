// The pointer shapes: cutting the sheet into its 20 x 4 cells with the colour numbers as
// stored (sheets made by netpbm's ppmtoilbm as an independent encoder and checked against
// ilbmtoppm), sheets smaller than the grid, missing and unusable sheets, what setPointer and
// clearPointer ask of the window (through the offscreen cursor record), the re-application by
// the idle loop and the full-screen switch (with its redraw request), and the demo sheet
// generator's output.
#include "app/lifecycle.h"
#include "app/screen.h"
#include "input/pointer_testing.h"
#include "platform/picture.h"
#include "platform/report.h"
#include "support/cursor_offscreen.h"
#include "support/pointer_sheets.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <climits>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// The sheet as netpbm's own decoder sees it.
static std::vector<rgb> decodeWithNetpbm(const std::string& path, int* w, int* h)
{
    std::vector<rgb> pixels;
    FILE* p = popen(("ilbmtoppm " + path + " 2>/dev/null").c_str(), "r");
    if (!p) return pixels;
    int maxval = 0;
    if (fscanf(p, "P6 %d %d %d", w, h, &maxval) == 3 && maxval == 255 && fgetc(p) != EOF) {
        pixels.resize((size_t)*w * *h);
        if (fread(pixels.data(), 3, pixels.size(), p) != pixels.size()) pixels.clear();
    }
    pclose(p);
    return pixels;
}

static std::string generatorPath()
{
    const char* build = getenv("PAGOVIA_BUILD");
    fs::path dir = build ? fs::path(build) : fs::read_symlink("/proc/self/exe").parent_path();
    return (dir / "pagovia-gen-pointers").string();
}

class Pointer : public ::testing::Test {
protected:
    fs::path home, scratch;
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
        home = fs::current_path();
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
    // The usual sheet: 640x128, 2 planes, compressed.
    static void loadSheet()
    {
        encodeSheet(640, 128, 4, true);
        ASSERT_EQ(loadPointers(), 1);
    }
    static void runGenerator(const std::string& args)
    {
        ASSERT_EQ(system((generatorPath() + " " + args).c_str()), 0) << args;
    }
};

// --- cutting the sheet ---

struct sheetKind {
    int planes;
    bool compress;
    bool mask;
};
class PointerColours : public Pointer, public ::testing::WithParamInterface<sheetKind> {};

TEST_P(PointerColours, ColourNumbersAndMapAreKeptAsStored)
{
    const int colours = 1 << GetParam().planes;
    encodeSheet(640, 128, colours, GetParam().compress, GetParam().mask);
    ASSERT_EQ(loadPointers(), 1);
    EXPECT_EQ(pointerSheet()->width, 640);
    EXPECT_EQ(pointerSheet()->height, 128);
    EXPECT_EQ(pointerSheet()->depth, GetParam().planes);
    EXPECT_EQ(pointerShape(7)->depth, GetParam().planes);

    std::vector<rgb> map = makeMap(colours);
    for (int i = 0; i < colours; i++) {
        const unsigned char* c = pointerSheet()->palette[i];
        EXPECT_EQ((rgb{c[0], c[1], c[2]}), map[i]) << "colour " << i;
    }
    int w = 0, h = 0;
    std::vector<rgb> reference = decodeWithNetpbm("Pointers/pointers.iff", &w, &h);
    ASSERT_EQ(w, 640);
    ASSERT_EQ(h, 128);
    ASSERT_EQ(reference.size(), 640u * 128u);
    for (int y = 0; y < 128; y++)
        for (int x = 0; x < 640; x++) {
            int number = pointerSheet()->pixels[y * 640 + x];
            ASSERT_EQ(number, patternAt(x, y, colours)) << x << "," << y;
            const unsigned char* c = pointerSheet()->palette[number];
            ASSERT_EQ((rgb{c[0], c[1], c[2]}), reference[(size_t)y * 640 + x]) << x << "," << y;
        }
    struct { int shape, left, top; } cells[] = {{0, 0, 0}, {19, 608, 0}, {20, 0, 32}, {79, 608, 96}};
    for (auto c : cells)
        for (int y = 0; y < 32; y++)
            for (int x = 0; x < 32; x++)
                ASSERT_EQ(shapePixel(c.shape, x, y), patternAt(c.left + x, c.top + y, colours))
                    << "shape " << c.shape << " at " << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Sheets, PointerColours,
                         ::testing::Values(sheetKind{1, true, false}, sheetKind{2, true, false},
                                           sheetKind{2, false, true}, sheetKind{5, true, true},
                                           sheetKind{8, false, false}),
                         [](const auto& info) {
                             return std::to_string(info.param.planes) + "planes" +
                                    (info.param.compress ? "ByteRun1" : "Uncompressed") +
                                    (info.param.mask ? "Masked" : "");
                         });

// Regression: cells beyond a sheet smaller than 640x128 were copied from beyond its pixels.
// The width of 100 also is no multiple of 16, so the decoder's row padding must not show.
TEST_F(Pointer, SmallSheetFillsOnlyTheCellsItHas)
{
    encodeSheet(100, 40, 4, false);
    testing::internal::CaptureStderr();
    ASSERT_EQ(loadPointers(), 1);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("smaller than 640x128"), std::string::npos) << err;
    EXPECT_EQ(pointerSheet()->width, 100);
    EXPECT_EQ(pointerSheet()->height, 40);
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) {
            ASSERT_EQ(shapePixel(3, x, y), x < 4 ? patternAt(96 + x, y, 4) : 0) << x << "," << y;
            ASSERT_EQ(shapePixel(20, x, y), y < 8 ? patternAt(x, 32 + y, 4) : 0) << x << "," << y;
            ASSERT_EQ(shapePixel(4, x, y), 0);
            ASSERT_EQ(shapePixel(79, x, y), 0);
        }
}

// --- sheets that give no shapes ---

TEST_F(Pointer, MissingOrUnusableSheetsGiveNoShapes)
{
    // Missing: silent. Not a picture, or true colour: one line naming the file.
    struct { const char* what; std::string make; int lines; } cases[] = {
        {"missing", "", 0},
        {"no picture", "echo 'FORM this is not a picture' > Pointers/pointers.iff", 1},
        {"true colour", "ppmtoilbm -24force sheet.ppm > Pointers/pointers.iff 2>/dev/null", 1},
    };
    writePpm("sheet.ppm", 640, 128, std::vector<rgb>(640 * 128, rgb{10, 20, 30}));
    for (auto& c : cases) {
        if (!c.make.empty()) {
            ASSERT_EQ(system(c.make.c_str()), 0) << c.what;
        }
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
    EXPECT_EQ(offscreenCursor.created, 0);
    EXPECT_EQ(offscreenCursor.shown, 0u);
}

// --- showing a shape on the window ---

TEST_F(Pointer, ShapeBecomesOpaquePaletteColoursOverTransparentZero)
{
    loadSheet();
    setPointer(1);
    EXPECT_EQ(currentPointer, 1);
    EXPECT_NE(offscreenCursor.shown, 0u);
    EXPECT_EQ(offscreenCursor.shown, shownPointer());
    int transparent = 0;
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) {
            transparent += patternAt(32 + x, y, 4) == 0;
            ASSERT_EQ(offscreenCursor.lastImage[y * 32 + x], expectedArgb(32 + x, y, 4)) << x << "," << y;
        }
    EXPECT_GT(transparent, 0); // the pattern really has colour 0 in this cell
}

// Regression: the pointer flashed: setPointer gave the window its system pointer back before
// defining the new shape, and made the shape already shown again and again.
TEST_F(Pointer, ChangingShapeDefinesTheNewOneFirstAndTheShapeShownIsLeftAlone)
{
    loadSheet();
    setPointer(1);
    cursorHandle first = shownPointer();
    offscreenCursor.calls.clear();
    setPointer(1);
    EXPECT_EQ(offscreenCursor.calls, "");
    EXPECT_EQ(shownPointer(), first);
    setPointer(0);
    EXPECT_EQ(offscreenCursor.calls, "create define free");
    EXPECT_EQ(offscreenCursor.shown, shownPointer());
    EXPECT_EQ(currentPointer, 0);
    offscreenCursor.calls.clear();
    clearPointer();
    EXPECT_EQ(offscreenCursor.calls, "undefine free"); // the window lets go before the free
    EXPECT_EQ(shownPointer(), 0u);
    EXPECT_EQ(offscreenCursor.shown, 0u);
    clearPointer(); // nothing left to free, no window left to ask
    EXPECT_EQ(offscreenCursor.calls, "undefine free");
    EXPECT_EQ(offscreenCursor.freed, 2);
}

TEST_F(Pointer, NoWindowOrFailedCreationKeepTheOldNumber)
{
    loadSheet();
    setPointer(1);
    cursorHandle shown = shownPointer();
    offscreenCursor.calls.clear();
    offscreenCursor.noWindow = true; // nothing changes at all
    testing::internal::CaptureStderr();
    setPointer(0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to get Window handle!\n");
    EXPECT_EQ(currentPointer, 1);
    EXPECT_EQ(shownPointer(), shown);
    EXPECT_EQ(offscreenCursor.calls, "");
    offscreenCursor.noWindow = false;
    offscreenCursor.failCreate = true; // the old pointer is gone: the system pointer shows
    testing::internal::CaptureStderr();
    setPointer(0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Could not create pointer!\n");
    EXPECT_EQ(currentPointer, 1);
    EXPECT_EQ(shownPointer(), 0u);
    EXPECT_EQ(offscreenCursor.shown, 0u);
}

// Regression: a shape number off the grid read a bitmap handle beyond the 80 entries.
TEST_F(Pointer, NumbersOffTheGridShowTheSystemPointer)
{
    loadSheet();
    for (int n : {-1, 80, 1000, INT_MIN, INT_MAX}) {
        setPointer(1);
        testing::internal::CaptureStderr();
        setPointer(n);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << n;
        EXPECT_EQ(currentPointer, n);
        EXPECT_EQ(shownPointer(), 0u) << n;
        EXPECT_EQ(offscreenCursor.shown, 0u) << n;
    }
}

// --- re-application by the application frame ---

TEST_F(Pointer, IdleAndTheFullScreenSwitchReapplyTheShapeOnlyWhenItIsNotShown)
{
    loadSheet();
    setPointer(1);
    clearPointer(); // as if the window had lost it
    offscreenCursorReset();
    framecounter = endAll = 0;
    for (int i = 0; i < 250; i++) idle();
    EXPECT_EQ(offscreenCursor.created, 1);
    EXPECT_EQ(currentPointer, 1);
    EXPECT_EQ(offscreenCursor.shown, shownPointer());
    clearPointer();
    framecounter = 199; // past the first 199 calls nothing is re-applied
    idle();
    idle();
    EXPECT_EQ(offscreenCursor.created, 1);
    EXPECT_EQ(offscreenCursor.shown, 0u);
    int wasFull = fullScreen;
    for (int i = 1; i <= 2; i++) { // both ways, each with a redraw request
        firstrun = 0;
        switchFullScreen();
        EXPECT_EQ(fullScreen != wasFull, i == 1);
        EXPECT_EQ(firstrun, 1);
        EXPECT_EQ(offscreenCursor.created, 2);
        EXPECT_EQ(offscreenCursor.shown, shownPointer());
    }
}

// --- the demo sheet generator ---

TEST_F(Pointer, GeneratedSheetDecodesAlikeAndHoldsAnArrowAndAHand)
{
    runGenerator("Pointers/pointers.iff");
    ASSERT_EQ(loadPointers(), 1);
    EXPECT_EQ(pointerSheet()->width, 640);
    EXPECT_EQ(pointerSheet()->height, 128);
    EXPECT_GE(pointerSheet()->depth, 2);
    int w = 0, h = 0;
    std::vector<rgb> reference = decodeWithNetpbm("Pointers/pointers.iff", &w, &h);
    ASSERT_EQ(reference.size(), 640u * 128u);
    for (size_t i = 0; i < reference.size(); i++) {
        const unsigned char* c = pointerSheet()->palette[pointerSheet()->pixels[i]];
        ASSERT_EQ((rgb{c[0], c[1], c[2]}), reference[i]) << i % 640 << "," << i / 640;
    }
    auto drawn = [](int n, int w, int h) {
        int count = 0;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) count += shapePixel(n, x, y) != 0;
        return count;
    };
    EXPECT_NE(shapePixel(0, 0, 0), 0); // the arrow's tip is the hot spot
    EXPECT_GT(drawn(0, 32, 32), 150);
    EXPECT_GT(drawn(1, 32, 32), 300);
    EXPECT_GT(drawn(1, 6, 4), 0); // the hand's fingertip sits by the hot spot
    for (int n = 2; n < POINTER_SHAPES; n++) EXPECT_EQ(drawn(n, 32, 32), 0) << "shape " << n;
}

TEST_F(Pointer, GeneratorReportsWhatItCannotWrite)
{
    EXPECT_NE(system((generatorPath() + " 2>/dev/null").c_str()), 0);
    EXPECT_NE(system((generatorPath() + " no/such/dir/pointers.iff 2>err.txt").c_str()), 0);
    char line[512] = "";
    FILE* f = fopen("err.txt", "r");
    ASSERT_NE(f, nullptr);
    EXPECT_NE(fgets(line, sizeof line, f), nullptr);
    fclose(f);
    EXPECT_NE(std::string(line).find("no/such/dir/pointers.iff"), std::string::npos) << line;
}
