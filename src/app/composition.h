// The display callback: song start, projection, the view for the current mode, the tickers.
#pragma once
#include "content/textures.h"

extern int activeText;            // 1 = show the info line
extern char infoText[1024];

void display();
