// The "RAM:" volume: a directory in memory-backed storage that receives files meant to be
// picked up right away (the screenshot). Only this service decides where it lies.
#pragma once
#include <cstddef>

// Turns "RAM:name" into the path of name in the directory standing for "RAM:" (the
// writable $XDG_RUNTIME_DIR, else a writable /dev/shm, else /tmp); any other path is copied
// as it is. False (and an empty result) when the path does not fit into size bytes.
bool ramPath(const char* path, char* out, size_t size);

// True when that directory is one of the shared fallbacks (/dev/shm, /tmp) that every user of
// the machine can list: files put there must be readable by their owner only.
bool ramDirectoryIsShared();
