// The name order of the content tables (articles, menu pictures, tunes): one insertion that
// every loader shares, so equal names and full tables are handled alike everywhere.
#pragma once
#include <cstddef>

// Puts `item` (`size` bytes, beginning with its NUL-terminated name) into `table`, whose
// `count` items are sorted by strcmp of their names, after any item of the same name. The
// table has room for count + 1 items.
void insertByName(void* table, int count, size_t size, const void* item);
