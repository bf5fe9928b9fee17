// Owns the screen metrics; they start at the low-resolution values so that code running
// before the resolution choice sees consistent numbers.
#include "app/screen.h"
#include "prefs/design.h"

int LOWRES = 1;
int SCREEN_WIDTH = 640;
int SCREEN_HEIGHT = 480;
float SCREEN_RATIO_X = 0.5f;
float SCREEN_RATIO_Y = 0.5f;
float FONT_STARTY = 0.5f;
float FONT_SIZE_TEXTURE = 0.03125f;
int FONT_CHARACTERS_ROW_TEXTURE = 32;

void computeScreenMetrics(int lowres)
{
    LOWRES = lowres;
    SCREEN_WIDTH = (2 - LOWRES) * 640;
    SCREEN_HEIGHT = (2 - LOWRES) * 480;
    SCREEN_RATIO_X = SCREEN_WIDTH / (float)DESIGN_WIDTH;
    SCREEN_RATIO_Y = SCREEN_HEIGHT / (float)DESIGN_HEIGHT;
    FONT_STARTY = LOWRES * 0.5f;
    FONT_SIZE_TEXTURE = 0.0625f / (LOWRES + 1);
    FONT_CHARACTERS_ROW_TEXTURE = 32 / (2 - LOWRES);
}
