// Token parsers for comma-separated value lists; each call takes the first token off the
// list in place, so calling again yields the next one. -1 means no (or an empty) token.
#pragma once

int getValueDiv(char* list, const char* divider);
int getValue(char* list);
double getValuefDiv(char* list, const char* divider);
double getValuef(char* list);
// Copies the token into destination (size bytes, cut to fit); returns its length or -1.
int getStringDiv(char* destination, int size, char* list, const char* divider);
int getString(char* destination, int size, char* list);
