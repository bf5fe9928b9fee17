// Owns tag recognition and its diagnostics. isTag never changes the text and keeps nothing
// between calls; its searches may run to the end of the whole text, so they use the
// library's vectorised searches (strchr, strstr), which also stop at the terminator without
// measuring the text first.
#include "text/markup.h"
#include <cstdio>
#include <cstring>

struct openingTag {
    const char* opening;
    const char* closing;     // the end tag that must follow later, or null
    int result;
    const char* noBracket;   // diagnostics
    const char* noClosing;
};

static const openingTag menuItemTag = {"[mi=", "[/mi]", TAG_MI, "Start menu item found, but no end ']'!\n",
                                       "Start menu item found, but no end tag '[/mi]'!\n"};
static const openingTag musicTag = {"[music=", "[/music]", TAG_MUSIC, "Start music found, but no end ']'!\n",
                                    "Start music found, but no end tag '[/music]'!\n"};
static const openingTag colourTag = {"[col=", nullptr, TAG_COL, "Start text color found, but no end ']'!\n",
                                     nullptr};
static const openingTag backgroundTag = {"[bkg=", nullptr, TAG_BKG,
                                         "Start background found, but no end ']'!\n", nullptr};

static int startsWith(const char* text, const char* prefix)
{
    return strncmp(text, prefix, strlen(prefix)) == 0;
}

static int openTag(const openingTag& tag, const char* text, int* length, char* value, int size)
{
    int valueStart = (int)strlen(tag.opening);
    const char* bracket = strchr(text + valueStart, ']');
    if (!bracket) {
        fputs(tag.noBracket, stderr);
        return TAG_NONE;
    }
    if (tag.closing) {
        if (!strstr(bracket + 1, tag.closing)) {
            fputs(tag.noClosing, stderr);
            return TAG_NONE;
        }
    }
    int valueEnd = (int)(bracket - text);
    if (value && !copyTagText(value, text, valueStart, valueEnd, size)) return TAG_NONE;
    if (length) *length = valueEnd + 1;
    return tag.result;
}

static int closeTag(const char* closing, int result, int* length)
{
    if (length) *length = (int)strlen(closing);
    return result;
}

int isTag(const char* text, int* length, char* value, int size)
{
    if (text[0] != '[') return TAG_NONE;
    if (startsWith(text, menuItemTag.opening)) return openTag(menuItemTag, text, length, value, size);
    if (startsWith(text, "[/mi]")) return closeTag("[/mi]", TAG_MI_END, length);
    if (startsWith(text, musicTag.opening)) return openTag(musicTag, text, length, value, size);
    if (startsWith(text, "[/music]")) return closeTag("[/music]", TAG_MUSIC_END, length);
    if (startsWith(text, colourTag.opening)) return openTag(colourTag, text, length, value, size);
    if (startsWith(text, "[/col]")) return closeTag("[/col]", TAG_COL_END, length);
    if (startsWith(text, backgroundTag.opening)) return openTag(backgroundTag, text, length, value, size);
    return TAG_NONE;
}

int copyTagText(char* destination, const char* source, int start, int end, int size)
{
    if (end - start > size - 1) {
        // The whole rest of the text, right-aligned in a field as wide as the buffer.
        fprintf(stderr, "Tag to long! (%*s)\n", size > 0 ? size : 0, source + start);
        return 0;
    }
    memcpy(destination, source + start, (size_t)(end - start));
    destination[end - start] = '\0';
    return 1;
}
