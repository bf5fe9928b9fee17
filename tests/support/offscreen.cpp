// Offscreen stand-in for the GL window: an OSMesa buffer the tests read pixels from.
// It implements the window service so drawing code runs unchanged.
#include "support/offscreen.h"
#include "platform/window.h"
#include <GL/osmesa.h>
#include <GL/gl.h>
#include <cstddef>

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
    if (!OSMesaMakeCurrent(context, buffer.data(), GL_UNSIGNED_BYTE, width, height)) return false;
    glViewport(0, 0, width, height);
    swaps = 0;
    return true;
}

void offscreenClose()
{
    if (!context) return;
    // A test may end inside feedback or selection mode with its buffer already gone;
    // leave it before the context is torn down, and never destroy a current context.
    glRenderMode(GL_RENDER);
    glFinish();
    OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
    OSMesaDestroyContext(context);
    context = nullptr;
}

rgba offscreenPixel(int x, int y)
{
    glFinish();
    // OSMesa keeps row 0 at the bottom, like GL.
    const uint8_t* p = &buffer[((std::size_t)(bufferH - 1 - y) * bufferW + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

int offscreenSwapCount() { return swaps; }
void offscreenResetSwapCount() { swaps = 0; }

void windowSwapBuffers()
{
    glFinish();
    swaps++;
}
void windowPostRedisplay() {}
void windowWaitForInput(int) {}
void windowPresentRects(const windowRect*, int) { windowSwapBuffers(); }
bool windowSwapIntervalSet() { return false; }
void windowFullScreen() {}
void windowReshape(int, int) {}
void windowGetSize(int* width, int* height)
{
    *width = bufferW;
    *height = bufferH;
}
// The offscreen buffer never closes and has no connection to lose.
void windowOnClose(void (*)()) {}
void windowOnConnectionLost(void (*)()) {}
