// Owns the per-frame composition and the info line. The magazine view is drawn in full
// only on the two frames after a redraw request (one per buffer); every other frame the
// tickers repaint their own windows over the unchanged picture.
#include "app/composition.h"
#include "app/clock.h"
#include "app/pacing.h"
#include "app/screen.h"
#include "app/songstart.h"
#include "app/viewport.h"
#include "content/catalogue.h"
#include "content/directories.h"
#include "elements/articlebar.h"
#include "elements/menu.h"
#include "elements/picture.h"
#include "elements/scrolltext.h"
#include "platform/window.h"
#include "prefs/prefs.h"
#include "text/render.h"
#include <GL/gl.h>
#include <cstdio>
#include <cstring>

char* texts = nullptr;
char* scrollText = nullptr;
int activeText = 0;
char infoText[1024] = "     WELL WE HAVE NO INFO HERE YET     ";
my_texture* backgroundTexture = nullptr;

// The title row drawText reads through `texts`; it must outlive the call.
static char titleLine[1024];
// Running count of ticker calls, handed on unused; unsigned so that it wraps rather than
// overflows after 2^31 calls (a kiosk left running for weeks).
static uint32_t scrollCalls;
static int lastWindowW = -1, lastWindowH = -1;

void buildTitleLine(char* line, int size, const char* name, int pages, int page,
                    int maxCharactersRow)
{
    int n = maxCharactersRow / 2;
    if (n > size - 5) n = size - 5;
    if (n < 0) return; // no room even for "[h1]"
    memset(line, ' ', (size_t)n + 4);
    line[n + 4] = '\0';
    memcpy(line, "[h1]", 4);
    const char* underscore = strchr(name, '_');
    const char* title = underscore ? underscore + 1 : name;
    for (int i = 0; i < n && title[i]; i++) line[4 + i] = title[i];
    if (pages <= 1) return;
    char label[64];
    int length = snprintf(label, sizeof label, "Page %d (%d)", page + 1, pages);
    if (length > n) length = n; // keep the label's start inside the line
    memcpy(line + n + 4 - length, label, (size_t)length);
}

int findBackgroundIndex(const char* text)
{
    if (!text || strncmp(text, "[bkg=", 5) != 0 || !backgroundArray) return -1;
    const char* name = text + 5;
    const char* end = strchr(name, ']');
    if (!end) return -1;
    size_t length = (size_t)(end - name);
    if (length == 0 || length >= sizeof backgroundArray[0].name) return -1;
    for (int i = 0; i < MAX_BACKGROUNDS; i++) {
        const char* candidate = backgroundArray[i].name;
        if (strncmp(candidate, name, length) == 0 && candidate[length] == '\0') return i;
    }
    return -1;
}

// The article on screen, or null when none is loaded: nothing then reads an article.
static const articleEntry* shownArticle()
{
    if (!layOutArticle(currentArticle)) return nullptr;
    const articleEntry* a = &articleArray[currentArticle];
    if (!a->text || !a->pages || a->numberOfPages < 1) return nullptr;
    return a;
}

static void drawArticle(const articleEntry& a)
{
    buildTitleLine(titleLine, sizeof titleLine, a.name, a.numberOfPages, currentPage,
                   MAX_CHARACTERS_ROW);
    texts = titleLine;
    backgroundTexture = &texture[1];
    int withBackground = 0;
    int k = findBackgroundIndex(a.text);
    if (k >= 0) {
        backgroundTexture = &backgroundArray[k];
        withBackground = 1;
    }
    glEnable(GL_TEXTURE_2D);
    drawText(1, 1, withBackground);
    if (currentPage < 0 || currentPage >= a.numberOfPages) return;
    texts = a.pages[currentPage].start;
    drawText(0, a.pages[currentPage].newLine, 0);
}

static void drawMagazine()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (++drawFrame > 1) drawFrame = -1;
    const articleEntry* a = shownArticle();
    if (a) drawArticle(*a);
    if (menuArray) {
        drawMenu(&menuArray[0], 0);
        drawMenu(&menuArray[1], 1);
    }
    drawArticleBar();
}

static void drawScrollTexts()
{
    m_color4f white = {1.0f, 1.0f, 1.0f, 1.0f};
    scrollText = activeText == 1 && infoText[0] ? infoText : nullptr;
    if (mode != 2) return;
    int now = getTime();
    for (int i = 0; i < numberOfScrollTexts; i++) scrolltext1((int)scrollCalls++, white, i, now);
}

// The picture sits in the largest centred 4:3 area of the window. A window whose size
// changed holds nothing usable, so it gets a full redraw like any other change.
static void placePicture()
{
    int w, h;
    windowGetSize(&w, &h);
    if (w != lastWindowW || h != lastWindowH) {
        lastWindowW = w;
        lastWindowH = h;
        firstrun = 1;
    }
    setWindowSize(w, h);
    viewportRect vp = currentViewport();
    glViewport(vp.x, h - vp.y - vp.height, vp.width, vp.height);
}

void display()
{
    startPendingSong(); // first: a pending tune change starts its player
    placePicture();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1280, 960, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (firstrun == 1) {
        drawFrame = 0;
        firstrun = 0;
    }
    bool tickersOnly = drawFrame == -1 && mode == 2; // both buffers already hold the page
    if (drawFrame != -1 && mode == 2) drawMagazine();
    else if (mode == 4) slideshowFrame();
    else if (mode == 1) startupPictureFrame();
    else if (tickersOnly) clearTickerDepth();
    else glClear(GL_DEPTH_BUFFER_BIT);
    drawScrollTexts();
    if (tickersOnly) presentTickerFrame();
    else windowSwapBuffers();
}
