// Comma-list token parsers shared by every preference key. Each call moves the caller's
// cursor past the first token; nothing is copied but the token itself, so the cost of a
// list is linear in its length however many tokens it holds.
#include "prefs/values.h"
#include <climits>
#include <cstdlib>
#include <cstring>

enum { NUMBER_TOKEN_SIZE = 1024 };

// The first occurrence of divider in text, or null. A plain scan rather than strstr: a
// sanitizer's strstr measures the whole rest of the list on every call.
static const char* findDivider(const char* text, const char* divider)
{
    size_t length = strlen(divider);
    for (const char* p = text; *p; p++)
        if (*p == divider[0] && strncmp(p, divider, length) == 0) return p;
    return length == 0 ? text : nullptr;
}

// Takes the first token off *list into token (at most size - 1 characters, the rest of a
// longer token is dropped). Returns the token's full length, or -1 when the list is empty
// (cursor and token untouched).
static int takeToken(const char** list, const char* divider, char* token, int size)
{
    const char* at = *list;
    if (at[0] == '\0') return -1;
    const char* found = findDivider(at, divider);
    size_t length = found ? (size_t)(found - at) : strlen(at);
    if (size > 0) {
        size_t kept = length < (size_t)size - 1 ? length : (size_t)size - 1;
        memcpy(token, at, kept);
        token[kept] = '\0';
    }
    *list = found ? found + strlen(divider) : at + length;
    return length > INT_MAX ? INT_MAX : (int)length;
}

int getValueDiv(const char** list, const char* divider)
{
    char token[NUMBER_TOKEN_SIZE];
    if (takeToken(list, divider, token, sizeof token) <= 0) return -1;
    // atoi's rules, without its undefined overflow: out-of-range numbers saturate.
    long value = strtol(token, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return (int)value;
}

int getValue(const char** list) { return getValueDiv(list, ","); }

double getValuefDiv(const char** list, const char* divider)
{
    char token[NUMBER_TOKEN_SIZE];
    if (takeToken(list, divider, token, sizeof token) <= 0) return -1.0;
    return strtod(token, nullptr);
}

double getValuef(const char** list) { return getValuefDiv(list, ","); }

int getStringDiv(char* destination, int size, const char** list, const char* divider)
{
    if (takeToken(list, divider, destination, size) <= 0) return -1;
    return size > 0 ? (int)strlen(destination) : 0;
}

int getString(char* destination, int size, const char** list) { return getStringDiv(destination, size, list, ","); }
