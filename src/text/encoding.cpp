// Owns the conversion of UTF-8 texts to the Latin-1 that the font atlas is laid out in, and
// the base letters drawn where an atlas has no cell for an accented letter.
#include "text/encoding.h"
#include "platform/report.h"

// Length of the valid UTF-8 sequence at p and its code point, or 0 when it is not valid
// (overlong forms, surrogates and code points beyond U+10FFFF are not).
static int decode(const unsigned char* p, unsigned* code)
{
    if (p[0] < 0x80) {
        *code = p[0];
        return 1;
    }
    int n = p[0] >= 0xF0 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC0 ? 2 : 0;
    if (n == 0 || p[0] > 0xF4) return 0;
    unsigned c = p[0] & (0x7F >> n);
    for (int i = 1; i < n; i++) {
        if ((p[i] & 0xC0) != 0x80) return 0; // also stops at the terminator
        c = (c << 6) | (p[i] & 0x3F);
    }
    static const unsigned least[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    *code = c;
    return n;
}

// True when the whole text is valid UTF-8 and at least one sequence is multi-byte.
static bool isMultiByteUtf8(const unsigned char* p)
{
    bool multi = false;
    while (*p) {
        unsigned code;
        int n = decode(p, &code);
        if (n == 0) return false;
        multi |= n > 1;
        p += n;
    }
    return multi;
}

// The Latin-1 or ASCII form of a code point beyond one byte, or null for none.
static const char* nearestForm(unsigned code)
{
    switch (code) {
    case 0x2018: case 0x2019: case 0x201A: case 0x201B: case 0x2032: return "'";
    case 0x201C: case 0x201D: case 0x201E: case 0x201F: case 0x2033: return "\"";
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2015: case 0x2212: return "-";
    case 0x2026: return "...";
    case 0x2039: return "<";
    case 0x203A: return ">";
    case 0x2002: case 0x2003: case 0x2009: case 0x202F: return " ";
    default: return nullptr;
    }
}

int convertUtf8ToLatin1(char* text, const char* file)
{
    unsigned char* in = (unsigned char*)text;
    if (!text || !isMultiByteUtf8(in)) return 0;
    unsigned char* out = in;
    int missing = 0;
    if (in[0] == 0xEF && in[1] == 0xBB && in[2] == 0xBF) in += 3; // an editor's byte order mark
    while (*in) {
        unsigned code;
        in += decode(in, &code);
        const char* form = code == 0xA0 ? " " : nearestForm(code);
        if (form) {
            // Never longer than the sequence it replaces, so the text is converted in place.
            while (*form) *out++ = (unsigned char)*form++;
        } else if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            *out++ = (unsigned char)code;
        } else {
            *out++ = '?';
            missing++;
        }
    }
    *out = '\0';
    if (missing > 0)
        report(file, 0, REPORT_WARNING, "utf8-no-cell", "%d character%s no cell in the font, shown as '?'",
               missing, missing == 1 ? " has" : "s have");
    return missing;
}

unsigned char latin1BaseLetter(unsigned char ch)
{
    static const char upper[] = " !cL?Y|S\"ca<--r-o+23'uP.,1o>????" // 0xA0 to 0xBF
                                "AAAAAAACEEEEIIIIDNOOOOOxOUUUUYTs"  // 0xC0 to 0xDF
                                "aaaaaaaceeeeiiiidnooooo/ouuuuyty"; // 0xE0 to 0xFF
    static_assert(sizeof upper == 96 + 1, "one letter for each of 0xA0 to 0xFF");
    if (ch < 0x80) return ch;
    if (ch < 0xA0) return '?';
    return (unsigned char)upper[ch - 0xA0];
}
