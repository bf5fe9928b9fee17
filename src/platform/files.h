// Opening content files: only regular files count. A FIFO or a device in a magazine would
// block the reader forever, and a directory would report an absurd size, so they are refused.
#pragma once
#include <cstdio>

// Opens path for reading when it names a regular file, with its size in *size; null otherwise.
// The file is opened without blocking and checked on the open descriptor, so the file measured
// is the file read and a FIFO never stalls the open.
FILE* openRegularFile(const char* path, long* size);

// Why the last openRegularFile on this thread failed, worded for a message: the system's
// reason ("Permission denied") or "not a regular file (a FIFO)". errno is ENOENT when the
// file simply does not exist.
const char* openFailureReason();
