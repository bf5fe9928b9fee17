// Opening content files: only regular files count, so a directory or a device given where a
// text is expected is refused instead of reporting an absurd size.
#pragma once
#include <cstdio>

// Opens path for reading when it names a regular file, with its size in *size; null otherwise.
FILE* openRegularFile(const char* path, long* size);
