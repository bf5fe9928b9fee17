// Owns the screen metrics and the frame state; metrics start at the low-resolution values
// so that code running before the resolution choice sees consistent numbers.
#include "app/screen.h"

int LOWRES = 1;
int SCREEN_WIDTH = 640;
int SCREEN_HEIGHT = 480;
float SCREEN_RATIO_X = 0.5f;
float SCREEN_RATIO_Y = 0.5f;
float FONT_STARTY = 0.5f;
float FONT_SIZE_TEXTURE = 0.03125f;
int FONT_CHARACTERS_ROW_TEXTURE = 32;
int ARTICLE_FONT_SPACING_Y = 0;
int SCROLL_FONT_SPACING_X = 0;
float fpsLimit = 100.0f;

int mode = 2;
int firstrun = 1;
int drawFrame = 0;
uint32_t framecounter = 0;
int16_t endAll = 0;
int fullScreen = 0;
my_texture texture[2];

void computeScreenMetrics(int lowres)
{
    LOWRES = lowres;
    SCREEN_WIDTH = (2 - LOWRES) * 640;
    SCREEN_HEIGHT = (2 - LOWRES) * 480;
    SCREEN_RATIO_X = SCREEN_WIDTH / 1280.0f;
    SCREEN_RATIO_Y = SCREEN_HEIGHT / 960.0f;
    FONT_STARTY = LOWRES * 0.5f;
    FONT_SIZE_TEXTURE = 0.0625f / (LOWRES + 1);
    FONT_CHARACTERS_ROW_TEXTURE = 32 / (2 - LOWRES);
}
