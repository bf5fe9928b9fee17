// Character and special key callbacks: the startup picture gives way to the first real key,
// then article shortcuts from prefs.txt come before the built-in keys.
#pragma once

void key(unsigned char k, int x, int y);
void specialkey(int k, int x, int y);

// The viewer's own character keys; an article shortcut for one of them takes its place.
enum { KEY_NONE, KEY_QUIT, KEY_REDRAW, KEY_INFO_LINE, KEY_POINTER, KEY_SLIDESHOW, KEY_SCREENSHOT };
int builtinKeyAction(unsigned char k);
