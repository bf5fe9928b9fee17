// The article markup's inline tags: recognising a tag at a position and copying its value.
#pragma once

enum { TAG_NONE = 0, TAG_MI = 1, TAG_MI_END = 2, TAG_MUSIC = 3, TAG_MUSIC_END = 4,
       TAG_COL = 5, TAG_COL_END = 6, TAG_BKG = 7 };

int isTag(const char* text, int* length, char* value, int size);
int copyTagText(char* destination, const char* source, int start, int end, int size);

// Between these two calls the text (NUL-terminated, unchanged meanwhile) is being laid out:
// lookups inside it remember their searches, so recognising every tag of it costs time linear
// in its length, and each kind of malformed tag is reported once, with a count, at the end
// (not at all when tell is 0: drawing a page that pagination already reported on). Calls
// nest; the outermost text counts.
void tagTextBegin(const char* text, int tell);
void tagTextEnd();

// A text's leading background tag "[bkg=name]": name and length give its value (not
// terminated) and rest where the text goes on behind its ']'; with no ']' to close it, rest
// is null and the value is empty. The one reader of the tag at a text's start: the layout
// (a heading may follow it) and the background choice. False when text does not open with
// "[bkg=". Says nothing; the ']' is searched as isTag searches it.
struct leadingTag {
    const char* name;
    int length;
    const char* rest;
};
bool leadingBackground(const char* text, leadingTag* tag);
