// Owns the preference globals and the tables prefs.txt allocates.
#include "prefs/prefs.h"
#include "prefs/values.h"
#include <cstdlib>

menuSelection menuSelections[MAX_MENU_SELECTIONS];
int numberOfMenuSelections = 0;

int numberOfConstantMenuSelections = 13;
int* constantMenuCoords = nullptr;
char (*constantMenuLinks)[40] = nullptr;
char startupImageName[1024];
int numberOfScrollTexts = 0;
int* scrollCoords = nullptr;
int* scrollLength = nullptr;
char** scrollTexts = nullptr;
int MAX_CHARACTERS_ROW = 70;
int MAX_ROWS = 45;
int TEXT_STARTX = 80;
int TEXT_STARTY = 160;
int ARTICLE_BAR_START_X = -1, ARTICLE_BAR_START_Y = -1, ARTICLE_BAR_STOP_X = -1, ARTICLE_BAR_STOP_Y = -1;
int SLIDESHOW_CHANGE_TIME = 5;
double BKG_DIMMER_VALUE = (double)0.3f;
int articleShowTitle = 1;
m_color4f articleTitleColor = {1.0f, 1.0f, 1.0f, 1.0f};
char keyShortcuts[256][40];
char specialKeyShortcuts[12][40];

int loadPrefs(const char* fileName)
{
    (void)fileName;
    return -1;
}

void freePrefs() {}
