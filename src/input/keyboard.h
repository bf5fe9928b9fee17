// Character and special key callbacks.
#pragma once

void key(unsigned char k, int x, int y);
void specialkey(int k, int x, int y);
