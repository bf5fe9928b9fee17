// The "RAM:" volume: a directory in memory-backed storage that receives files meant to be
// picked up right away (the screenshot). Only this service decides where it lies.
#pragma once
#include <cstddef>

// The directory standing for "RAM:": $XDG_RUNTIME_DIR when it names a writable directory,
// else /dev/shm when writable, else /tmp.
const char* ramDirectory();

// Turns "RAM:name" into the path of name in that directory; any other path is copied as it
// is. False (and an empty result) when the path does not fit into size bytes.
bool ramPath(const char* path, char* out, size_t size);

// True when ramDirectory() is one of the shared fallbacks (/dev/shm, /tmp) that every user of
// the machine can list: files put there must be readable by their owner only.
bool ramDirectoryIsShared();
