// Owns the picture renderer and the slideshow state.
#include "elements/picture.h"

int slideshowPicture = 0;
int slideshowTimerStart = 0;

void drawPicture(int, double) {}
void slideshowFrame() {}
void startupPictureFrame() {}
