// The name order of the content tables (articles, menu pictures, tunes): one insertion that
// every loader shares, so equal names and full tables are handled alike everywhere.
#pragma once
#include <cstddef>

// Puts `item` (`size` bytes, beginning with its NUL-terminated name) into `table`, whose
// `count` items are sorted by `order` of their names (strcmp when null), after any item of
// the same name. The table has room for count + 1 items.
typedef int (*nameOrder)(const char*, const char*);
void insertByName(void* table, int count, size_t size, const void* item, nameOrder order = nullptr);
