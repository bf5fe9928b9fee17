// Owns the pointer sheet, the shapes cut from it and the pointer shown on the window.
// Only setPointer and clearPointer create, attach or release that pointer.
#include "input/pointer.h"
#include "input/pointer_testing.h"
#include "platform/report.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char* const SHEET_PATH = "Pointers/pointers.iff";

// Size and depth (bit planes) of the loaded sheet.
struct pointerSheetHeader {
    int bmh_Width;
    int bmh_Height;
    int bmh_Depth;
};

static indexedPicture* dtoPointers = nullptr;         // the decoded sheet with its colour map, or none
static pointerSheetHeader bmHeaderPointers = {0, 0, 0};
static const unsigned char* bmPointers = nullptr;     // the sheet's colour numbers, owned by dtoPointers
static pointerBitmap* bmCollectionPointers[POINTER_SHAPES] = {}; // shape n, or none
static cursorHandle pointer = 0;                      // the pointer on the window, or 0
int currentPointer = 0;
static cursorWindow window = {nullptr, 0}; // the window `pointer` was attached to

// A missing file is silent: the viewer then simply keeps the system pointer. A sheet that is
// there but can't be used gets one line saying why, and the system pointer shows as well.
static indexedPicture* openSheet()
{
    indexedPicture* sheet = (indexedPicture*)calloc(1, sizeof *sheet);
    if (!sheet) return nullptr;
    if (readIndexedPicture(SHEET_PATH, sheet) == PICTURE_OK) return sheet;
    if (sheet->problem)
        report(SHEET_PATH, 0, REPORT_WARNING, "pointer-sheet", "%s; no pointer shapes", sheet->problem);
    free(sheet);
    return nullptr;
}

static int clampToCell(int available)
{
    if (available < 0) return 0;
    return available < POINTER_SIZE ? available : POINTER_SIZE;
}

// Copies the part of shape n's cell that lies on the sheet; the rest stays colour 0
// (transparent), so a sheet smaller than the grid is never read beyond its pixels.
static void cutShape(int n, pointerBitmap* shape)
{
    int left = POINTER_SIZE * (n % POINTER_COLUMNS);
    int top = POINTER_SIZE * (n / POINTER_COLUMNS);
    int width = clampToCell(bmHeaderPointers.bmh_Width - left);
    int height = clampToCell(bmHeaderPointers.bmh_Height - top);
    for (int y = 0; y < height; y++)
        memcpy(shape->pixels + y * POINTER_SIZE,
               bmPointers + (size_t)(top + y) * (size_t)bmHeaderPointers.bmh_Width + (size_t)left,
               (size_t)width);
}

static void freeShapes()
{
    for (pointerBitmap*& shape : bmCollectionPointers) {
        free(shape);
        shape = nullptr;
    }
}

int loadPointers()
{
    if (!dtoPointers) {
        dtoPointers = openSheet();
        if (!dtoPointers) return 0;
    }
    bmHeaderPointers = {dtoPointers->width, dtoPointers->height, dtoPointers->depth};
    bmPointers = dtoPointers->pixels;
    if (bmHeaderPointers.bmh_Width < POINTER_SIZE * POINTER_COLUMNS ||
        bmHeaderPointers.bmh_Height < POINTER_SIZE * POINTER_ROWS)
        report(SHEET_PATH, 0, REPORT_WARNING, "pointer-sheet-size",
               "%dx%d, smaller than %dx%d; shapes beyond it stay empty", bmHeaderPointers.bmh_Width,
               bmHeaderPointers.bmh_Height, POINTER_SIZE * POINTER_COLUMNS, POINTER_SIZE * POINTER_ROWS);
    freeShapes(); // loading again cuts afresh rather than losing the earlier shapes
    for (int n = 0; n < POINTER_SHAPES; n++) {
        pointerBitmap* shape = (pointerBitmap*)calloc(1, sizeof *shape);
        if (!shape) {
            report(SHEET_PATH, 0, REPORT_ERROR, "pointer-memory", "Could not allocate bitmap!");
            return 0;
        }
        shape->depth = bmHeaderPointers.bmh_Depth;
        cutShape(n, shape);
        bmCollectionPointers[n] = shape;
    }
    return 1;
}

// Colour number 0 is transparent; every other number is opaque in its colour-map colour, so
// its premultiplied ARGB value is the plain one.
static void shapeToArgb(const pointerBitmap* shape, uint32_t* argb)
{
    for (int i = 0; i < POINTER_SIZE * POINTER_SIZE; i++) {
        int c = shape->pixels[i];
        const unsigned char* rgb = dtoPointers ? dtoPointers->palette[c] : nullptr;
        if (c == 0) argb[i] = 0;
        else if (!rgb) argb[i] = 0xff000000u;
        else argb[i] = 0xff000000u | (uint32_t)rgb[0] << 16 | (uint32_t)rgb[1] << 8 | rgb[2];
    }
}

static bool sameWindow(cursorWindow a, cursorWindow b) { return a.display == b.display && a.id == b.id; }

// The new pointer is defined before the old one is freed, and a shape already shown is left
// alone: giving the window back its system pointer in between makes that pointer flash.
void setPointer(int n)
{
    cursorWindow found = cursorCurrentWindow();
    if (!found.id) {
        fprintf(stderr, "Unable to get Window handle!\n");
        return;
    }
    if (pointer && n == currentPointer && sameWindow(found, window)) return;
    // No sheet, a shape that could not be cut, or a number off the grid: the window keeps
    // the system pointer, and the number is still recorded as the shape set last.
    const pointerBitmap* shape = (n >= 0 && n < POINTER_SHAPES) ? bmCollectionPointers[n] : nullptr;
    if (!shape) {
        if (pointer) clearPointer();
        window = found;
        currentPointer = n;
        return;
    }
    uint32_t argb[POINTER_SIZE * POINTER_SIZE];
    shapeToArgb(shape, argb);
    cursorHandle created = cursorCreate(found, argb);
    if (!created) {
        if (pointer) clearPointer();
        window = found;
        fprintf(stderr, "Could not create pointer!\n");
        return;
    }
    cursorDefine(found, created);
    if (pointer) cursorFree(window, pointer); // the window no longer uses it
    window = found;
    pointer = created;
    currentPointer = n;
}

// Forgets the window as well: once the window is closing, nothing may be asked of it again.
void clearPointer()
{
    if (window.id) cursorUndefine(window); // the window lets go of the pointer before it is freed
    if (pointer) cursorFree(window, pointer);
    pointer = 0;
    window = {nullptr, 0};
}

void freePointers()
{
    freeShapes();
    if (dtoPointers) freeIndexedPicture(dtoPointers);
    free(dtoPointers);
    dtoPointers = nullptr;
    bmPointers = nullptr;
    bmHeaderPointers = {0, 0, 0};
}

const indexedPicture* pointerSheet() { return dtoPointers; }
const pointerBitmap* pointerShape(int n) { return n >= 0 && n < POINTER_SHAPES ? bmCollectionPointers[n] : nullptr; }
cursorHandle shownPointer() { return pointer; }
