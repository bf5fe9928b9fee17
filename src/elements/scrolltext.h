// One-line tickers that scroll through their own windows on every magazine frame.
#pragma once
#include "prefs/prefs.h"

extern int scrolltimer;

int scrolltext1(int counter, m_color4f colour, int index, int time);
