// Owns the key bindings: article shortcuts, the built-in letter keys and the cursor and
// function keys. Only these callbacks take the screenshot and toggle the slideshow.
#include "input/keyboard.h"
#include "app/clock.h"
#include "app/view.h"
#include "content/catalogue.h"
#include "content/textures.h"
#include "elements/picture.h"
#include "input/pointer.h"
#include "platform/window.h"
#include "prefs/prefs.h"
#include "text/navigation.h"
#include <GL/gl.h>

// freeglut's special key codes. The modifiers and Num Lock arrive as special keys of their
// own; a person holding Shift is not pressing a key, so they are no input at all.
enum {
    SPECIAL_F1 = 1,
    SPECIAL_F12 = 12,
    SPECIAL_LEFT = 100,
    SPECIAL_UP = 101,
    SPECIAL_RIGHT = 102,
    SPECIAL_DOWN = 103,
    SPECIAL_NUM_LOCK = 109,
    SPECIAL_SHIFT_L = 112, // Shift, Ctrl, Alt, Super: left and right, up to 119
    SPECIAL_SUPER_R = 119,
};

static bool isModifier(int k)
{
    return k == SPECIAL_NUM_LOCK || (k >= SPECIAL_SHIFT_L && k <= SPECIAL_SUPER_R);
}

// Opens the article a shortcut names at its first page; false when no article has the name.
static bool openShortcut(const char* name)
{
    if (name[0] == '\0') return false;
    return openArticle(findArticle(name));
}

// The screenshot must hold the whole picture, but the magazine view is drawn in full only on
// the frames after a redraw request. Drawing both frames now leaves the full picture in both
// buffers before the back buffer is read.
static void screenshot()
{
    drawBothBuffersNow();
    glDrawBuffer(GL_BACK);
    windowPostRedisplay();
    savePBM();
}

static void toggleSlideshow()
{
    if (mode == MODE_SLIDESHOW) {
        setViewMode(MODE_MAGAZINE);
    } else {
        setViewMode(MODE_SLIDESHOW);
        startSlideshowTimer();
    }
    requestRedraw();
}

int builtinKeyAction(unsigned char k)
{
    switch (k) {
    case 27: return KEY_QUIT;
    case 'a': return KEY_REDRAW;
    case 'i': return KEY_INFO_LINE;
    case 'p': return KEY_POINTER;
    case 'q': return KEY_SLIDESHOW;
    case 's': return KEY_SCREENSHOT;
    default: return KEY_NONE;
    }
}

void key(unsigned char k, int, int)
{
    if (mode == MODE_STARTUP) {
        endStartupImage();
        return;
    }
    if (openShortcut(keyShortcuts[k])) return;
    switch (builtinKeyAction(k)) {
    case KEY_QUIT: end();
    case KEY_REDRAW: requestRedraw(); break;
    case KEY_INFO_LINE: toggleInfoLine(); break;
    case KEY_POINTER: setPointer(0); break;
    case KEY_SLIDESHOW: toggleSlideshow(); break;
    case KEY_SCREENSHOT: screenshot(); break;
    default: break;
    }
}

void specialkey(int k, int, int)
{
    if (isModifier(k)) return;
    if (mode == MODE_STARTUP) {
        endStartupImage();
        return;
    }
    if (k >= SPECIAL_F1 && k <= SPECIAL_F12) {
        openShortcut(specialKeyShortcuts[k - SPECIAL_F1]);
        return;
    }
    switch (k) {
    case SPECIAL_LEFT: showPrevArticle(); break;
    case SPECIAL_UP: showPrevPage(); break;
    case SPECIAL_RIGHT: showNextArticle(); break;
    case SPECIAL_DOWN: showNextPage(); break;
    default: break;
    }
}
