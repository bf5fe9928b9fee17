// The display callback: song start, projection, the view for the current mode, the tickers.
#pragma once
#include "content/textures.h"

extern char* texts;               // what the next drawText call renders
extern char* scrollText;          // the info line for ticker 0, or null
extern int activeText;            // 1 = show the info line
extern char infoText[1024];
extern my_texture* backgroundTexture;

void display();
