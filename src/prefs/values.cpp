// Comma-list token parsers shared by every preference key. Each call cuts the first token off
// the caller's list in place; only these functions may shorten a value list.
#include "prefs/values.h"
#include <climits>
#include <cstdlib>
#include <cstring>

enum { NUMBER_TOKEN_SIZE = 1024 };

// Takes the first token off list into token (at most size - 1 characters, the rest of a
// longer token is dropped). Returns the token's full length, or -1 when the list is empty
// (list and token untouched).
static int takeToken(char* list, const char* divider, char* token, int size)
{
    if (list[0] == '\0') return -1;
    const char* found = strstr(list, divider);
    size_t length = found ? (size_t)(found - list) : strlen(list);
    if (size > 0) {
        size_t kept = length < (size_t)size - 1 ? length : (size_t)size - 1;
        memcpy(token, list, kept);
        token[kept] = '\0';
    }
    if (found) {
        const char* rest = found + strlen(divider);
        memmove(list, rest, strlen(rest) + 1);
    } else {
        list[0] = '\0';
    }
    return length > INT_MAX ? INT_MAX : (int)length;
}

int getValueDiv(char* list, const char* divider)
{
    char token[NUMBER_TOKEN_SIZE];
    if (takeToken(list, divider, token, sizeof token) <= 0) return -1;
    // atoi's rules, without its undefined overflow: out-of-range numbers saturate.
    long value = strtol(token, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return (int)value;
}

int getValue(char* list) { return getValueDiv(list, ","); }

double getValuefDiv(char* list, const char* divider)
{
    char token[NUMBER_TOKEN_SIZE];
    if (takeToken(list, divider, token, sizeof token) <= 0) return -1.0;
    return strtod(token, nullptr);
}

double getValuef(char* list) { return getValuefDiv(list, ","); }

int getStringDiv(char* destination, int size, char* list, const char* divider)
{
    if (takeToken(list, divider, destination, size) <= 0) return -1;
    return size > 0 ? (int)strlen(destination) : 0;
}

int getString(char* destination, int size, char* list) { return getStringDiv(destination, size, list, ","); }
