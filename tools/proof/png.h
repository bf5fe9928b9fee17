// Writing a proof picture as a PNG file (libpng).
#pragma once
#include "headless.h"

// Writes the picture to `path` whole or not at all (a temporary name in the same directory,
// renamed when complete). False, after one line on standard error, on any failure.
bool writePng(const proofImage& image, const char* path);
