// Owns the key bindings.
#include "input/keyboard.h"
#include "app/lifecycle.h"

void key(unsigned char k, int, int)
{
    if (k == 27) end();
}

void specialkey(int, int, int) {}
