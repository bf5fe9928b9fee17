// Owns the picture renderer and the slideshow state. Pictures are stretched to the design
// space in each direction on their own; whole-unit tile sizes leave thin strips uncovered.
#include "elements/picture.h"
#include "app/clock.h"
#include "app/viewport.h"
#include "content/directories.h"
#include "content/picturecache.h"
#include "prefs/design.h"
#include "prefs/prefs.h"
#include <GL/gl.h>
#include <cstdint>
#include <cstring>

int slideshowPicture = 0;
int slideshowTimerStart = 0;
static int shownPicture = -1;   // what the last slideshow frame drew
static double shownBrightness = -1.0;

tileQuad pictureTile(const my_texture* picture, int row, int column)
{
    tileQuad q;
    q.texture = tileTexture(picture, row, column);
    if (isSingleTexture(picture)) {
        q.x0 = 0.0f;
        q.y0 = 0.0f;
        q.x1 = (float)DESIGN_WIDTH;
        q.y1 = (float)DESIGN_HEIGHT;
        return q;
    }
    float fx = (float)picture->width / 256.0f;
    float fy = (float)picture->height / 256.0f;
    int tw = (int)((float)DESIGN_WIDTH / fx);
    int th = (int)((float)DESIGN_HEIGHT / fy);
    q.x0 = (float)(column * tw);
    q.x1 = (float)((column + 1) * tw);
    q.y0 = (float)(row * th);
    q.y1 = (float)((row + 1) * th);
    return q;
}

double slideshowBrightness(int elapsed, int changeTime)
{
    // 64-bit products: a huge change time must not overflow the comparisons.
    int64_t t = changeTime, e = elapsed;
    if (20 * t > e) return (double)e / ((double)t * 20.0);
    if (80 * t < e) return (double)(100 * t - e) / ((double)t * 20.0);
    return 1.0;
}

void drawPicture(int index, double brightness)
{
    if (backgrounds <= 0 || !backgroundArray) return;
    int k = index % backgrounds;
    if (k < 0) k += backgrounds;
    drawStretchedPicture(&backgroundArray[k], (float)brightness);
}

// True when every texel of the picture lands on exactly one window pixel (a 1280x960 picture
// in a 1280x960 picture area): linear filtering then samples texel centres only and gives
// the very pixels that nearest sampling gives, which a software GL draws much faster.
static bool drawnTexelForPixel(const my_texture* p)
{
    if (isSingleTexture(p)) return false;
    tileQuad q = pictureTile(p, 0, 0);
    viewportRect vp = currentViewport();
    return vp.width == DESIGN_WIDTH && vp.height == DESIGN_HEIGHT && q.x1 - q.x0 == 256.0f && q.y1 - q.y0 == 256.0f;
}

void drawStretchedPicture(const my_texture* p, float b)
{
    if (!makePictureResident(p) || !hasImage(p)) return;
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    bool nearest = drawnTexelForPixel(p);
    for (int r = 0; r < p->tilesY; r++)
        for (int c = 0; c < p->tilesX; c++) {
            tileQuad q = pictureTile(p, r, c);
            GLint filters[2] = {};
            if (nearest) { // for this draw only: the tile keeps its own filters
                glBindTexture(GL_TEXTURE_2D, q.texture);
                glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filters[0]);
                glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filters[1]);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            }
            glColor4f(b, b, b, 1.0f);
            drawTileQuad(q);
            if (nearest) {
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filters[0]);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filters[1]);
            }
        }
}

// Wrapping difference: readings wrap after 2^31 hundredths.
static int slideshowElapsed() { return (int)((uint32_t)getTime() - (uint32_t)slideshowTimerStart); }

bool slideshowStill()
{
    double b = slideshowBrightness(slideshowElapsed(), SLIDESHOW_CHANGE_TIME);
    return b == 1.0 && shownBrightness == 1.0 && shownPicture == slideshowPicture;
}

void startSlideshowTimer() { slideshowTimerStart = getTime(); }

void slideshowFrame()
{
    int e = slideshowElapsed();
    double b = slideshowBrightness(e, SLIDESHOW_CHANGE_TIME);
    if (b < 0.0) {
        b = 0.0;
        slideshowPicture++;
        startSlideshowTimer();
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    int k = backgrounds > 0 ? slideshowPicture % backgrounds : 0;
    if (k < 0) k += backgrounds;
    bool wasResident = backgrounds > 0 && backgroundArray && pictureResident(&backgroundArray[k]);
    drawPicture(slideshowPicture, b);
    shownPicture = slideshowPicture;
    shownBrightness = b;
    // The next picture is uploaded while this one shows, one upload per frame at most, so the
    // change between them draws without a stall.
    if (wasResident) makePictureResident(&backgroundArray[(k + 1) % backgrounds]);
}

void startupPictureFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (startupImageName[0] == '\0' || !backgroundArray) return;
    for (int i = 0; i < backgrounds; i++)
        if (strcmp(backgroundArray[i].name, startupImageName) == 0) drawPicture(i, 1.0);
}
