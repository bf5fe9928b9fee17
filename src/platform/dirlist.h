// Directory listing for the content directories: regular files only, names ending in ".info"
// passed over. Only this service reads directories.
#pragma once

// Receives one file name (without the directory) per call.
typedef void (*dirListVisitor)(const char* name, void* user);

// Hands every regular file of the directory to visit, in the order the file system gives
// them. Returns 1 when the listing ended normally; 0 with errno set when the directory can't
// be opened (silently when it is missing, which is normal; with one line naming it and the
// system's reason otherwise) or when listing it fails, which reports "ExAll failed! %d" with
// the error number. Names already handed on stay handed on.
int listDirectory(const char* directory, dirListVisitor visit, void* user);
