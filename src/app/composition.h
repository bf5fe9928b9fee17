// The display callback: song start, projection, the view for the current mode, the tickers.
#pragma once
#include "content/textures.h"

extern int drawFrame;             // 0/1 while full frames are due, -1 when none

void display();
