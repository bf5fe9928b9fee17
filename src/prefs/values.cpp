// Comma-list token parsers shared by every preference key.
#include "prefs/values.h"

int getValueDiv(char*, const char*) { return -1; }
int getValue(char* list) { return getValueDiv(list, ","); }
double getValuefDiv(char*, const char*) { return -1.0; }
double getValuef(char* list) { return getValuefDiv(list, ","); }
int getStringDiv(char*, int, char*, const char*) { return -1; }
int getString(char* destination, int size, char* list) { return getStringDiv(destination, size, list, ","); }
