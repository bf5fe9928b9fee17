// What an article shows above its body: the title row's text and the background picture
// its leading "[bkg=name]" tag names.
#pragma once

// The title row of an article: "[h1]", the name after its first '_' (the whole name when
// it has none) cut to half a row, and "Page %d (%d)" right-aligned at the line's end when
// the article has more than one page. `line` must hold MAX_CHARACTERS_ROW / 2 + 5 bytes;
// a smaller buffer shortens the line to fit. A label longer than half a row is cut to it.
void buildTitleLine(char* line, int size, const char* name, int pages, int page,
                    int maxCharactersRow);

// The background an article names with a leading "[bkg=name]": its index in
// backgroundArray, or -1 (no tag, no closing ']', an empty or unknown name).
int findBackgroundIndex(const char* text);
