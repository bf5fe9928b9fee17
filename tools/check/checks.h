// The checker's passes over one magazine (the current directory) and what they share.
// Every decision comes from the viewer's own code; the passes only locate and word it.
#pragma once
#include <map>
#include <string>
#include <vector>

// Where prefs.txt set each value the checks look at: a name such as "menu.link.3" or
// "key.113" maps to the 1-based line that last changed it.
struct prefsPlaces {
    std::vector<std::string> lines;
    std::map<std::string, int> lineOf;
};

// What the picture pass learned for the later passes.
struct pictureFacts {
    std::vector<std::string> images;  // Images/ files the viewer keeps, in its order
    bool atlas = false;               // the font atlas could be read
    bool hasCell[2][256] = {};        // [high, low resolution][byte]: a glyph is drawn
};

// prefs.txt: loads it with the viewer's reader (line by line first, to learn which line set
// what, then whole, as the viewer does).
void readPrefs(prefsPlaces* places);
// Links, shortcuts, the startup picture and coordinates of prefs.txt.
void checkPrefsValues(const prefsPlaces& places, const pictureFacts& pictures);

// Articles/: the viewer's catalogue, what it leaves out, names that are probably mistakes.
// Returns false when the catalogue could not be built.
bool checkCatalogue();
// Songs/: the viewer's tune list and what the player can decode.
void checkSongs();
// Images/, Menus/, the font atlas and the pointer sheet.
void checkPictures(pictureFacts* facts);
// Every loaded article: tags, links, rows and pages, characters.
void checkArticles(const pictureFacts& pictures);

// Shared helpers.
std::vector<std::string> listNames(const char* directory);
// " (did you mean 'x'?)" for the nearest candidate, or "".
std::string suggestion(const std::string& name, const std::vector<std::string>& candidates);
// Articles, link words and tunes a link may name.
std::vector<std::string> linkCandidates(bool withLinkWords, bool withSongs);
