// Character and special key callbacks: the startup picture gives way to the first real key,
// then article shortcuts from prefs.txt come before the built-in keys.
#pragma once

void key(unsigned char k, int x, int y);
void specialkey(int k, int x, int y);
