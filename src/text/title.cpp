// Owns the title row's text and the choice of an article's background picture; the tag
// itself is read by markup, as everywhere else.
#include "text/title.h"
#include "content/directories.h"
#include "text/markup.h"
#include <cstdio>
#include <cstring>

void buildTitleLine(char* line, int size, const char* name, int pages, int page,
                    int maxCharactersRow)
{
    int n = maxCharactersRow / 2;
    if (n > size - 5) n = size - 5;
    if (n < 0) return; // no room even for "[h1]"
    memset(line, ' ', (size_t)n + 4);
    line[n + 4] = '\0';
    memcpy(line, "[h1]", 4);
    const char* underscore = strchr(name, '_');
    const char* title = underscore ? underscore + 1 : name;
    for (int i = 0; i < n && title[i]; i++) line[4 + i] = title[i];
    if (pages <= 1) return;
    char label[64];
    int length = snprintf(label, sizeof label, "Page %d (%d)", page + 1, pages);
    if (length > n) length = n; // keep the label's start inside the line
    memcpy(line + n + 4 - length, label, (size_t)length);
}

int findBackgroundIndex(const char* text)
{
    leadingTag tag;
    if (!text || !leadingBackground(text, &tag) || !tag.rest || !backgroundArray) return -1;
    size_t length = (size_t)tag.length;
    if (length == 0 || length >= sizeof backgroundArray[0].name) return -1;
    for (int i = 0; i < MAX_BACKGROUNDS; i++) {
        const char* candidate = backgroundArray[i].name;
        if (strncmp(candidate, tag.name, length) == 0 && candidate[length] == '\0') return i;
    }
    return -1;
}
