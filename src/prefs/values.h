// Token parsers for comma-separated value lists. A list is a cursor into the caller's text:
// each call takes the first token off by moving the cursor past it and its divider, so
// calling again yields the next one and a whole list costs one pass. -1 means no (or an
// empty) token.
#pragma once

int getValueDiv(const char** list, const char* divider);
int getValue(const char** list);
double getValuefDiv(const char** list, const char* divider);
double getValuef(const char** list);
// Copies the token into destination (size bytes, cut to fit); returns its length or -1.
int getStringDiv(char* destination, int size, const char** list, const char* divider);
int getString(char* destination, int size, const char** list);
