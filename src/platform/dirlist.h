// Directory listing for the content directories: regular files only, names ending in ".info"
// passed over. Only this service reads directories.
#pragma once

// Receives one file name (without the directory) per call.
typedef void (*dirListVisitor)(const char* name, void* user);

// Hands every regular file of the directory to visit, in the order the file system gives
// them. Returns 1 when the listing ended normally; 0 when the directory can't be opened
// (silently: a missing directory is normal) or when listing it fails, which writes
// "ExAll failed! %d\n" with the error number to standard error. Names already handed on
// stay handed on.
int listDirectory(const char* directory, dirListVisitor visit, void* user);
