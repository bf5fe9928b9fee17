// The modal requester as a small Xlib dialog on its own display connection, opened and closed
// within one call so that GLUT later starts from a clean slate. Uses a core X font, which
// every X server has built in.
#include "platform/requester.h"
#include "platform/requester_layout.h"
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cstdio>
#include <cstring>

enum { KEEP_ASKING = -1 };

struct dialogColours { unsigned long face, light, shadow, ink, focus, titleBar; };

struct dialog {
    Display* display;
    Window window;
    GC gc;
    XFontStruct* font;
    Atom protocols, deleteWindow;
    dialogColours colours;
    const char* title;
    const char* text;
    requesterButton buttons[REQUESTER_MAX_BUTTONS];
    requesterLayout layout;
    int focus;    // the button Return and space activate
    int pressed;  // the button the mouse went down on, -1 for none
    bool focused; // the keyboard focus was taken once the window showed
    Window previousFocus;
    int previousRevert;
};

static XFontStruct* loadFont(Display* d)
{
    static const char* const names[] = {"-misc-fixed-medium-r-normal--15-*-*-*-*-*-iso8859-1", "9x15",
                                        "fixed", "6x13", "*"};
    for (const char* name : names) {
        XFontStruct* f = XLoadQueryFont(d, name);
        if (f) return f;
    }
    return nullptr;
}

static unsigned long colour(Display* d, const char* name, unsigned long fallback)
{
    XColor c;
    Colormap map = DefaultColormap(d, DefaultScreen(d));
    if (!XParseColor(d, map, name, &c) || !XAllocColor(d, map, &c)) return fallback;
    return c.pixel;
}

static int textWidth(const dialog& g, const char* s, int length)
{
    return XTextWidth(g.font, s, length);
}

static void measure(dialog* g, int buttonCount)
{
    int starts[REQUESTER_MAX_LINES], lengths[REQUESTER_MAX_LINES];
    int lines = splitRequesterText(g->text, starts, lengths, REQUESTER_MAX_LINES);
    int widest = 0;
    for (int i = 0; i < lines; i++) {
        int w = textWidth(*g, g->text + starts[i], lengths[i]);
        if (w > widest) widest = w;
    }
    int labelWidths[REQUESTER_MAX_BUTTONS];
    for (int i = 0; i < buttonCount; i++)
        labelWidths[i] = textWidth(*g, g->buttons[i].label, (int)strlen(g->buttons[i].label));
    int titleWidth = textWidth(*g, g->title, (int)strlen(g->title));
    int fontHeight = g->font->ascent + g->font->descent;
    g->layout = layoutRequester(titleWidth, widest, lines, labelWidths, buttonCount, fontHeight);
}

// Titles arrive in Latin-1; _NET_WM_NAME wants UTF-8.
static void latin1ToUtf8(const char* in, char* out, size_t size)
{
    size_t n = 0;
    for (const unsigned char* p = (const unsigned char*)in; *p && n + 2 < size; p++) {
        if (*p < 0x80) {
            out[n++] = (char)*p;
        } else {
            out[n++] = (char)(0xC0 | (*p >> 6));
            out[n++] = (char)(0x80 | (*p & 0x3F));
        }
    }
    out[n] = '\0';
}

static void nameWindow(Display* d, Window w, const char* title)
{
    XStoreName(d, w, title);
    char utf8[512];
    latin1ToUtf8(title, utf8, sizeof utf8);
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), XInternAtom(d, "UTF8_STRING", False), 8,
                    PropModeReplace, (const unsigned char*)utf8, (int)strlen(utf8));
    XClassHint cls = {(char*)"pagovia", (char*)"Pagovia"};
    XSetClassHint(d, w, &cls);
    Atom dialogType = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                    (const unsigned char*)&dialogType, 1);
}

// A fixed-size window in the middle of the screen; window managers are asked not to resize it.
static void createWindow(dialog* g)
{
    Display* d = g->display;
    int screen = DefaultScreen(d);
    int w = g->layout.width, h = g->layout.height;
    int x = (DisplayWidth(d, screen) - w) / 2, y = (DisplayHeight(d, screen) - h) / 2;
    g->window = XCreateSimpleWindow(d, RootWindow(d, screen), x < 0 ? 0 : x, y < 0 ? 0 : y, w, h, 1,
                                    g->colours.ink, g->colours.face);
    XSizeHints hints{};
    hints.flags = PPosition | PSize | PMinSize | PMaxSize;
    hints.x = x, hints.y = y;
    hints.width = hints.min_width = hints.max_width = w;
    hints.height = hints.min_height = hints.max_height = h;
    XSetWMNormalHints(d, g->window, &hints);
    nameWindow(d, g->window, g->title);
    g->protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    g->deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, g->window, &g->deleteWindow, 1);
    XSelectInput(d, g->window,
                 ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask);
    g->gc = XCreateGC(d, g->window, 0, nullptr);
    XSetFont(d, g->gc, g->font->fid);
}

static void drawButton(const dialog& g, int i)
{
    Display* d = g.display;
    const requesterBox& b = g.layout.buttons[i];
    const requesterButton& btn = g.buttons[i];
    bool down = g.pressed == i;
    XSetForeground(d, g.gc, i == g.focus ? g.colours.focus : g.colours.face);
    XFillRectangle(d, g.window, g.gc, b.x, b.y, b.width, b.height);
    // Raised bevel, sunk while the mouse holds the button down.
    XSetForeground(d, g.gc, down ? g.colours.shadow : g.colours.light);
    XDrawLine(d, g.window, g.gc, b.x, b.y, b.x + b.width - 1, b.y);
    XDrawLine(d, g.window, g.gc, b.x, b.y, b.x, b.y + b.height - 1);
    XSetForeground(d, g.gc, down ? g.colours.light : g.colours.shadow);
    XDrawLine(d, g.window, g.gc, b.x + b.width - 1, b.y, b.x + b.width - 1, b.y + b.height - 1);
    XDrawLine(d, g.window, g.gc, b.x, b.y + b.height - 1, b.x + b.width - 1, b.y + b.height - 1);
    int length = (int)strlen(btn.label);
    int x = b.x + (b.width - textWidth(g, btn.label, length)) / 2;
    int baseline = b.y + (b.height - g.font->ascent - g.font->descent) / 2 + g.font->ascent;
    XSetForeground(d, g.gc, g.colours.ink);
    XDrawString(d, g.window, g.gc, x, baseline, btn.label, length);
    if (btn.shortcutAt >= 0) {
        int ux = x + textWidth(g, btn.label, btn.shortcutAt);
        int uw = textWidth(g, btn.label + btn.shortcutAt, 1);
        XDrawLine(d, g.window, g.gc, ux, baseline + 2, ux + uw - 1, baseline + 2);
    }
}

static void drawTitle(const dialog& g)
{
    XSetForeground(g.display, g.gc, g.colours.titleBar);
    XFillRectangle(g.display, g.window, g.gc, 0, 0, g.layout.width, g.layout.titleHeight);
    int length = (int)strlen(g.title);
    int baseline = (g.layout.titleHeight - g.font->ascent - g.font->descent) / 2 + g.font->ascent;
    XSetForeground(g.display, g.gc, g.colours.light);
    XDrawString(g.display, g.window, g.gc, (g.layout.width - textWidth(g, g.title, length)) / 2, baseline,
                g.title, length);
}

static void drawDialog(const dialog& g)
{
    int starts[REQUESTER_MAX_LINES], lengths[REQUESTER_MAX_LINES];
    int lines = splitRequesterText(g.text, starts, lengths, REQUESTER_MAX_LINES);
    XSetForeground(g.display, g.gc, g.colours.face);
    XFillRectangle(g.display, g.window, g.gc, 0, 0, g.layout.width, g.layout.height);
    drawTitle(g);
    XSetForeground(g.display, g.gc, g.colours.ink);
    for (int i = 0; i < lines; i++) {
        const char* line = g.text + starts[i];
        int x = (g.layout.width - textWidth(g, line, lengths[i])) / 2;
        int baseline = g.layout.textTop + i * g.layout.lineHeight + g.font->ascent;
        XDrawString(g.display, g.window, g.gc, x, baseline, line, lengths[i]);
    }
    for (int i = 0; i < g.layout.buttonCount; i++) drawButton(g, i);
    XFlush(g.display);
}

static int ignoreXError(Display*, XErrorEvent*) { return 0; }

// Focus changes may be refused (a window manager may not have shown the window yet, or the
// old focus window may be gone); a refusal must not end the program.
static void setFocusQuietly(Display* d, Window w, int revert)
{
    XSync(d, False);
    XErrorHandler old = XSetErrorHandler(ignoreXError);
    XSetInputFocus(d, w, revert, CurrentTime);
    XSync(d, False);
    XSetErrorHandler(old);
}

static int onKey(dialog* g, XKeyEvent* ev)
{
    char chars[8];
    KeySym sym = NoSymbol;
    int n = XLookupString(ev, chars, sizeof chars, &sym, nullptr);
    int count = g->layout.buttonCount;
    switch (sym) {
    case XK_Escape: return 0;
    case XK_Return: case XK_KP_Enter: case XK_space: return requesterAnswer(g->focus, count);
    case XK_Tab: case XK_Right:
        g->focus = (g->focus + ((ev->state & ShiftMask) ? count - 1 : 1)) % count;
        drawDialog(*g);
        return KEEP_ASKING;
    case XK_ISO_Left_Tab: case XK_Left:
        g->focus = (g->focus + count - 1) % count;
        drawDialog(*g);
        return KEEP_ASKING;
    default: break;
    }
    int hit = n == 1 ? requesterShortcut(g->buttons, count, (unsigned char)chars[0]) : -1;
    return hit >= 0 ? requesterAnswer(hit, count) : KEEP_ASKING;
}

// A button answers when the left mouse button goes down and comes up again on it.
static int onMouse(dialog* g, XButtonEvent* ev)
{
    if (ev->button != Button1) return KEEP_ASKING;
    int hit = requesterButtonAt(g->layout, ev->x, ev->y);
    if (ev->type == ButtonPress) {
        g->pressed = hit;
        drawDialog(*g);
        return KEEP_ASKING;
    }
    int was = g->pressed;
    g->pressed = -1;
    drawDialog(*g);
    return was >= 0 && hit == was ? requesterAnswer(hit, g->layout.buttonCount) : KEEP_ASKING;
}

static int onEvent(dialog* g, XEvent* ev)
{
    switch (ev->type) {
    case Expose:
        if (ev->xexpose.count > 0) return KEEP_ASKING;
        // Without a window manager nobody hands the new window the keyboard: take it on the
        // first exposure, when the window is surely viewable.
        if (!g->focused) setFocusQuietly(g->display, g->window, RevertToPointerRoot);
        g->focused = true;
        drawDialog(*g);
        return KEEP_ASKING;
    case KeyPress: return onKey(g, &ev->xkey);
    case ButtonPress: case ButtonRelease: return onMouse(g, &ev->xbutton);
    case DestroyNotify: // destroyed by another client: as good as closed
        g->window = None;
        return 0;
    case ClientMessage: // the window manager's close button counts as Escape
        return ev->xclient.message_type == g->protocols && (Atom)ev->xclient.data.l[0] == g->deleteWindow
                   ? 0
                   : KEEP_ASKING;
    default: return KEEP_ASKING;
    }
}

static void closeDialog(dialog* g)
{
    Display* d = g->display;
    // Hand the keyboard back; "no focus" would leave the next window deaf without a window
    // manager, so that becomes focus-follows-pointer.
    if (g->focused && g->window != None) {
        Window back = g->previousFocus == None ? (Window)PointerRoot : g->previousFocus;
        setFocusQuietly(d, back, g->previousRevert);
    }
    XFreeGC(d, g->gc);
    if (g->window != None) XDestroyWindow(d, g->window);
    XFreeFont(d, g->font);
    XSync(d, False);
    XCloseDisplay(d);
}

int showRequester(const char* title, const char* text, const char* buttons)
{
    dialog g{};
    g.display = XOpenDisplay(nullptr);
    if (!g.display) return -1;
    g.font = loadFont(g.display);
    if (!g.font) {
        XCloseDisplay(g.display);
        return -1;
    }
    Display* d = g.display;
    int screen = DefaultScreen(d);
    g.colours = {colour(d, "#aaaaaa", WhitePixel(d, screen)), colour(d, "#ffffff", WhitePixel(d, screen)),
                 colour(d, "#444444", BlackPixel(d, screen)), BlackPixel(d, screen),
                 colour(d, "#7799cc", WhitePixel(d, screen)), colour(d, "#0055aa", BlackPixel(d, screen))};
    g.title = title ? title : "";
    g.text = text ? text : "";
    g.pressed = -1;
    measure(&g, parseRequesterButtons(buttons, g.buttons, REQUESTER_MAX_BUTTONS));
    XGetInputFocus(d, &g.previousFocus, &g.previousRevert);
    createWindow(&g);
    XMapRaised(d, g.window);
    int answer = KEEP_ASKING;
    while (answer == KEEP_ASKING) {
        XEvent ev;
        XNextEvent(d, &ev);
        answer = onEvent(&g, &ev);
    }
    closeDialog(&g);
    return answer;
}

static Display* held;

bool holdDisplay()
{
    if (!held) held = XOpenDisplay(nullptr);
    return held != nullptr;
}

void releaseDisplay()
{
    if (held) XCloseDisplay(held);
    held = nullptr;
}
