// Owns the article bar.
#include "elements/articlebar.h"

void drawArticleBar() {}
