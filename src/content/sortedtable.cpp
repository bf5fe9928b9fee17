// The sorted insertion of the content tables: items are moved bytewise, each one's name is
// the string it begins with.
#include "content/sortedtable.h"
#include <cstring>

void insertByName(void* table, int count, size_t size, const void* item, nameOrder order)
{
    if (!order) order = strcmp;
    char* base = (char*)table;
    int at = 0;
    while (at < count && order((const char*)item, base + (size_t)at * size) >= 0) at++;
    memmove(base + (size_t)(at + 1) * size, base + (size_t)at * size, (size_t)(count - at) * size);
    memcpy(base + (size_t)at * size, item, size);
}
