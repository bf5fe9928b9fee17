// The fixed numbers of the design space every part lays out in, whatever the window size,
// and the sizes of the records the preferences fill. A leaf: nothing to include.
#pragma once

enum {
    DESIGN_WIDTH = 1280,       // design units across; y grows downwards
    DESIGN_HEIGHT = 960,
    DESIGN_CELL = 16,          // one glyph cell (and ticker cell) is 16 x 16 units
    MAX_MENU_SELECTIONS = 256, // records of the click table
    LINK_SIZE = 40,            // bytes of a link, a shortcut's article name or a list item
};

// How a picture's pixels become RGBA on loading.
enum textureMode {
    TEXTURE_KEYED = 0,  // pure black transparent (menus, pictures' default)
    TEXTURE_OPAQUE = 1, // alpha 255 throughout (backgrounds)
    TEXTURE_FONT = 2,   // white, alpha from brightness (the font atlas)
};

// What a click on a selection record does.
enum selectionKind {
    SELECTION_LINK = 0, // a link word, else an article, else a tune
    SELECTION_TUNE = 1, // always a tune
};
