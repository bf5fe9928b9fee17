// Full-screen background pictures: the startup picture and the slideshow.
#pragma once
#include "content/textures.h"
#include "elements/tiles.h"

extern int slideshowPicture;     // running number; the picture shown is this mod backgrounds
extern int slideshowTimerStart;  // clock reading at which the current picture began

// Where tile (row, column) of a picture stretched over the 1280x960 design space lands.
// Pictures of at most 256x256 pixels are one texture and fill the design space exactly.
// The article background is laid out by the same rule.
tileQuad pictureTile(const my_texture* picture, int row, int column);

// Brightness of a slideshow picture `elapsed` hundredths of a second after it began, with
// `changeTime` seconds per picture: fade in over the first fifth, out over the last fifth.
// Negative once the picture's time is over.
double slideshowBrightness(int elapsed, int changeTime);

// Draws background picture index mod backgrounds at the given brightness; leaves
// GL_MODULATE, texturing on, blending and depth test off, colour (b, b, b, 1).
void drawPicture(int index, double brightness);
// The current slideshow picture begins now (its fade in starts from black).
void startSlideshowTimer();
void slideshowFrame();
// True when the next slideshow frame would show what the last one showed (a picture at full
// brightness between its fades): such frames need not be drawn.
bool slideshowStill();
void startupPictureFrame();

// Draws one picture record stretched over the whole design space, its colours multiplied
// by brightness (0 black, 1 unchanged). The article background and the slideshow share it.
void drawStretchedPicture(const my_texture* picture, float brightness);
