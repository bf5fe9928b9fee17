// The window service over an offscreen OSMesa picture, so the viewer's drawing runs
// unchanged without a display: a buffer swap only finishes the frame, the picture never
// closes and has no connection to lose, and there is no event loop to run.
#include "platform/offscreen.h"
#include "platform/window.h"
#include <GL/osmesa.h>
#include <GL/gl.h>
#include <cstddef>
#include <vector>

static OSMesaContext context;
static std::vector<uint8_t> buffer;
static int bufferW, bufferH;
static int swaps;

bool offscreenOpen(int width, int height)
{
    offscreenClose();
    context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    if (!context) return false;
    buffer.assign((std::size_t)width * height * 4, 0);
    bufferW = width;
    bufferH = height;
    swaps = 0;
    if (!OSMesaMakeCurrent(context, buffer.data(), GL_UNSIGNED_BYTE, width, height)) {
        OSMesaDestroyContext(context);
        context = nullptr;
        return false;
    }
    glViewport(0, 0, width, height);
    return true;
}

void offscreenClose()
{
    if (!context) return;
    // Drawing may end inside feedback or selection mode with its buffer already gone; leave
    // it before the context is torn down, and never destroy a current context.
    glRenderMode(GL_RENDER);
    glFinish();
    OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
    OSMesaDestroyContext(context);
    context = nullptr;
}

const uint8_t* offscreenPixels(int* width, int* height)
{
    if (!context) return nullptr;
    glFinish();
    *width = bufferW;
    *height = bufferH;
    return buffer.data();
}

int offscreenSwapCount() { return swaps; }
void offscreenResetSwapCount() { swaps = 0; }

void windowSwapBuffers()
{
    glFinish();
    swaps++;
}
void windowPresentRects(const windowRect*, int) { windowSwapBuffers(); }
void windowPostRedisplay() {}
void windowFullScreen() {}
void windowReshape(int, int) {}
void windowGetSize(int* width, int* height)
{
    *width = bufferW;
    *height = bufferH;
}
void windowWaitForInput(int) {}
bool windowSwapIntervalSet() { return false; }
bool windowOpen(int*, char**, int width, int height, const char*, void (*)()) { return offscreenOpen(width, height); }
void windowRegisterCallbacks(const windowCallbacks&) {}
void windowMainLoop() {}
void windowOnClose(void (*)()) {}
void windowOnConnectionLost(void (*)()) {}
void windowRequestVSync() {}
