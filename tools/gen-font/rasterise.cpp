// Text through FreeType into grey coverage masks, shared by the font atlas and the picture
// generators. Only this file talks to FreeType.
#include "rasterise.h"
#include <cstdio>
#include <cstring>

bool fontOpen(fontFace* font, const char* path)
{
    if (FT_Init_FreeType(&font->library) != 0) {
        fprintf(stderr, "cannot start FreeType\n");
        return false;
    }
    if (FT_New_Face(font->library, path, 0, &font->face) != 0) {
        fprintf(stderr, "cannot open the font '%s' (install fonts-dejavu-core)\n", path);
        FT_Done_FreeType(font->library);
        font->library = nullptr;
        return false;
    }
    return true;
}

void fontClose(fontFace* font)
{
    if (font->face) FT_Done_Face(font->face);
    if (font->library) FT_Done_FreeType(font->library);
    font->face = nullptr;
    font->library = nullptr;
}

bool fontGlyph(fontFace* font, unsigned code, int pixelWidth, int pixelHeight, glyphBitmap* out,
               bool fullHinting)
{
    FT_UInt index = FT_Get_Char_Index(font->face, code);
    if (index == 0) return false;
    if (FT_Set_Pixel_Sizes(font->face, pixelWidth, pixelHeight) != 0) return false;
    if (FT_Load_Glyph(font->face, index, fullHinting ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_LIGHT) != 0)
        return false;
    if (FT_Render_Glyph(font->face->glyph, FT_RENDER_MODE_NORMAL) != 0) return false;
    FT_GlyphSlot slot = font->face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    out->image.width = (int)bm.width;
    out->image.height = (int)bm.rows;
    out->image.pixels.assign((size_t)bm.width * bm.rows, 0);
    for (unsigned y = 0; y < bm.rows; y++)
        memcpy(&out->image.pixels[(size_t)y * bm.width], bm.buffer + (long)y * bm.pitch, bm.width);
    out->left = slot->bitmap_left;
    out->top = slot->bitmap_top;
    out->advance = (int)((slot->advance.x + 32) >> 6);
    return true;
}

greyImage fontText(fontFace* font, const char* text, int pixelHeight, int* baseline)
{
    FT_Set_Pixel_Sizes(font->face, 0, pixelHeight);
    int ascent = (int)((font->face->size->metrics.ascender + 63) >> 6);
    int descent = (int)((-font->face->size->metrics.descender + 63) >> 6);
    std::vector<glyphBitmap> glyphs;
    int width = 0;
    for (const char* p = text; *p; p++) {
        glyphBitmap g;
        if (!fontGlyph(font, (unsigned char)*p, 0, pixelHeight, &g)) g.advance = pixelHeight / 2;
        width += g.advance;
        glyphs.push_back(g);
    }
    greyImage mask;
    mask.width = width;
    mask.height = ascent + descent;
    mask.pixels.assign((size_t)mask.width * mask.height, 0);
    int pen = 0;
    for (const glyphBitmap& g : glyphs) {
        for (int y = 0; y < g.image.height; y++) {
            int row = ascent - g.top + y;
            if (row < 0 || row >= mask.height) continue;
            for (int x = 0; x < g.image.width; x++) {
                int col = pen + g.left + x;
                if (col < 0 || col >= mask.width) continue;
                unsigned char& dst = mask.pixels[(size_t)row * mask.width + col];
                unsigned char src = g.image.pixels[(size_t)y * g.image.width + x];
                if (src > dst) dst = src;
            }
        }
        pen += g.advance;
    }
    *baseline = ascent;
    return mask;
}
