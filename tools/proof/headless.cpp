// Reads the offscreen picture the viewer's composition drew into back as the proof's RGB
// image (OSMesa keeps row 0 at the bottom, like GL), and stands in for the pointer service.
#include "headless.h"
#include "platform/cursor.h"
#include <cstddef>
#include <cstring>

void headlessRead(proofImage* out)
{
    int width = 0, height = 0;
    const uint8_t* buffer = offscreenPixels(&width, &height);
    out->width = buffer ? width : 0;
    out->height = buffer ? height : 0;
    out->rgb.resize((std::size_t)out->width * out->height * 3);
    for (int y = 0; y < out->height; y++) {
        const uint8_t* src = &buffer[(std::size_t)(out->height - 1 - y) * width * 4];
        uint8_t* dst = &out->rgb[(std::size_t)y * width * 3];
        for (int x = 0; x < width; x++) memcpy(dst + 3 * x, src + 4 * x, 3);
    }
}

// The proof draws pages with nothing hovered: no window, so the pointer code shows nothing
// and makes no cursor.
cursorWindow cursorCurrentWindow() { return {nullptr, 0}; }
cursorHandle cursorCreate(cursorWindow, const uint32_t*) { return 0; }
void cursorDefine(cursorWindow, cursorHandle) {}
void cursorUndefine(cursorWindow) {}
void cursorFree(cursorWindow, cursorHandle) {}
