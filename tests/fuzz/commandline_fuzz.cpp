// Any tune name and any command line: splitting never overflows its buffers, and the player
// line built for a name gives that name back as the one argument, byte for byte.
#include "platform/command.h"
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text((const char*)data, size);
    commandLine c;
    if (parseCommandLine(text.c_str(), &c)) {
        if (strnlen(c.program, sizeof c.program) == sizeof c.program) __builtin_trap();
        if (strnlen(c.argument, sizeof c.argument) == sizeof c.argument) __builtin_trap();
    }
    std::string name(text.c_str()); // a file name ends at the first NUL
    if (name.size() > 900) return 0;
    std::string line = "run <>NIL: musicplayer/tunedeck \"" + name + "\"";
    if (!parseCommandLine(line.c_str(), &c)) __builtin_trap();
    if (strcmp(c.program, "musicplayer/tunedeck") != 0 || !c.hasArgument || name != c.argument) __builtin_trap();
    return 0;
}
