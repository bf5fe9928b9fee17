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

// What readWholeFile found.
enum fileReadResult { FILE_READ, FILE_UNOPENED, FILE_TOO_LARGE, FILE_NO_MEMORY, FILE_READ_ERROR };
struct fileText {
    char* text;            // malloc'd and NUL-terminated: with FILE_READ and FILE_READ_ERROR only
    size_t length;         // the bytes read
    long size;             // the file's size when opened, -1 when it could not be opened
    fileReadResult result;
};
// Reads a regular file whole, plus a NUL, opened through openRegularFile. At most the size
// seen when opening is read, so a file that grows meanwhile can't run past the buffer. A file
// larger than `limit` bytes is refused unread, or, with `cut`, read up to its first `limit`
// bytes. FILE_UNOPENED leaves errno and openFailureReason() telling why; FILE_READ_ERROR keeps
// what was read and leaves the read's errno.
fileText readWholeFile(const char* path, long limit, bool cut);
