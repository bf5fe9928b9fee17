// The page position bar beside the article.
#pragma once

void drawArticleBar();
