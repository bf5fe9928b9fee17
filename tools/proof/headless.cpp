// Owns the offscreen GL context of the proof tool and implements the window and pointer
// services over it, so the viewer's composition draws unchanged: the window is the
// offscreen picture, a buffer swap only finishes the frame, and there is no pointer to show.
#include "headless.h"
#include "platform/cursor.h"
#include "platform/window.h"
#include <GL/osmesa.h>
#include <GL/gl.h>
#include <cstddef>
#include <cstring>

static OSMesaContext context;
static std::vector<uint8_t> buffer;
static int bufferW, bufferH;

bool headlessOpen(int width, int height)
{
    context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    if (!context) return false;
    buffer.assign((std::size_t)width * height * 4, 0);
    bufferW = width;
    bufferH = height;
    if (!OSMesaMakeCurrent(context, buffer.data(), GL_UNSIGNED_BYTE, width, height)) {
        headlessClose();
        return false;
    }
    glViewport(0, 0, width, height);
    return true;
}

void headlessClose()
{
    if (!context) return;
    glFinish();
    OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
    OSMesaDestroyContext(context);
    context = nullptr;
}

void headlessRead(proofImage* out)
{
    glFinish();
    out->width = bufferW;
    out->height = bufferH;
    out->rgb.resize((std::size_t)bufferW * bufferH * 3);
    for (int y = 0; y < bufferH; y++) {
        // OSMesa keeps row 0 at the bottom, like GL.
        const uint8_t* src = &buffer[(std::size_t)(bufferH - 1 - y) * bufferW * 4];
        uint8_t* dst = &out->rgb[(std::size_t)y * bufferW * 3];
        for (int x = 0; x < bufferW; x++) memcpy(dst + 3 * x, src + 4 * x, 3);
    }
}

void windowSwapBuffers() { glFinish(); }
void windowPostRedisplay() {}
void windowWaitForInput(int) {}
void windowPresentRects(const windowRect*, int) { windowSwapBuffers(); }
bool windowSwapIntervalSet() { return false; }
void windowFullScreen() {}
void windowReshape(int, int) {}
void windowOnClose(void (*)()) {}
void windowOnConnectionLost(void (*)()) {}
void windowGetSize(int* width, int* height)
{
    *width = bufferW;
    *height = bufferH;
}

// No window, so the pointer code shows nothing and makes no X cursor.
cursorWindow cursorCurrentWindow() { return {nullptr, 0}; }
cursorHandle cursorCreate(cursorWindow, const uint32_t*) { return 0; }
void cursorDefine(cursorWindow, cursorHandle) {}
void cursorUndefine(cursorWindow) {}
void cursorFree(cursorWindow, cursorHandle) {}
