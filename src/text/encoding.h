// Text encoding of articles and scroll texts: the font holds Latin-1, while makers write UTF-8.
#pragma once

// Converts text (NUL-terminated, in place) from UTF-8 to Latin-1 when it is valid UTF-8 and
// holds multi-byte sequences; typographic quotes, dashes, the ellipsis and the non-breaking
// space become their nearest Latin-1 or ASCII form, any other character '?'. Any other text
// stays byte for byte. Says in one line about file how many characters had no cell.
// Returns the number of such characters.
int convertUtf8ToLatin1(char* text, const char* file);

// The ASCII letter (or sign) a Latin-1 character is drawn as where the font has no cell for
// it: the base letter of an accented one (0xE9, e acute, gives 'e'); ASCII stays as it is.
unsigned char latin1BaseLetter(unsigned char ch);
