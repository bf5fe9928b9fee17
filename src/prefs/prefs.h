// The preferences read from prefs.txt and the shortcut tables. Only loadPrefs writes the preference values; shutdown frees the tables.
#pragma once
#include "prefs/design.h"

struct m_color4f { float a, r, g, b; }; // memory order alpha, red, green, blue


extern int numberOfConstantMenuSelections; // the first records of the click table
extern int* constantMenuCoords;          // 4 per selection, design space
extern char (*constantMenuLinks)[LINK_SIZE];
extern char startupImageName[1024];
extern int numberOfScrollTexts;
extern int* scrollCoords;                // 2 per scroll text
extern int* scrollLength;                // 1 per scroll text
extern char** scrollTexts;               // 1 per scroll text, or null
extern int MAX_CHARACTERS_ROW;
extern int MAX_ROWS;
extern int TEXT_STARTX;
extern int TEXT_STARTY;
extern int ARTICLE_FONT_SPACING_Y;       // extra vertical space between article rows
extern int ARTICLE_BAR_START_X, ARTICLE_BAR_START_Y, ARTICLE_BAR_STOP_X, ARTICLE_BAR_STOP_Y;
extern int SLIDESHOW_CHANGE_TIME;
extern double BKG_DIMMER_VALUE;
extern int articleShowTitle;
extern m_color4f articleTitleColor;
extern char keyShortcuts[256][LINK_SIZE]; // one per character code
extern char specialKeyShortcuts[12][LINK_SIZE];

// Reads the preferences file; 0 when read, -1 when it can't be opened or held in memory.
int loadPrefs(const char* fileName);
// Releases the heap tables loadPrefs allocated (shutdown).
void freePrefs();
// Every preference back to its default and the tables released, as before any prefs file
// was read (the display mode, which a startup picture sets, is the view's and stays).
void resetPrefs();
