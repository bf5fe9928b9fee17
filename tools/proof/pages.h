// Proof pictures of the magazine in the current directory: one page as the viewer shows it,
// and a contact sheet of every page, drawn offscreen by the viewer's own code.
#pragma once
#include "headless.h"

// Loads the magazine as the viewer does, into an offscreen picture of 640x480 (lowres 1)
// or 1280x960. False, after one line on standard error, when nothing can be drawn.
bool openMagazine(int lowres);
void closeMagazine();
// Prints what loading the magazine found (held back so that a refusal stays one line).
void tellMagazineFindings();

// Page `page` (from 0) of article `article` (catalogue index), once it is on screen:
// nothing hovered, the tickers at their starting position.
void drawPage(int article, int page, proofImage* out);

// Every page of every article in catalogue order, `columns` to a row, each scaled by
// `scale` (0 to 1) and labelled with its article's name and page number. False, after one
// line on standard error, when the sheet would be too large to hold.
bool drawSheet(int columns, double scale, proofImage* out);
