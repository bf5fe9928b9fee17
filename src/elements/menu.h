// The top and bottom menu images.
#pragma once
#include "content/textures.h"

void drawMenu(my_texture* menu, int placement);
