// Full-screen background pictures: the startup picture and the slideshow.
#pragma once

extern int slideshowPicture;
extern int slideshowTimerStart;

void drawPicture(int index, double brightness);
void slideshowFrame();
void startupPictureFrame();
