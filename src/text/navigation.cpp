// Owns page and article navigation.
#include "text/navigation.h"

void showNextPage() {}
void showPrevPage() {}
void showNextArticle() {}
void showPrevArticle() {}
