// Regular-file checks on the open descriptor, so the file measured is the file read.
#include "platform/files.h"
#include <sys/stat.h>

FILE* openRegularFile(const char* path, long* size)
{
    *size = -1;
    FILE* f = fopen(path, "rb");
    if (!f) return nullptr;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
        fclose(f);
        return nullptr;
    }
    *size = (long)st.st_size;
    return f;
}
