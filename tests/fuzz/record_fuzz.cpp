// Any bytes a sender may put on a port: each input travels over a real port in this process
// and meets the size check, the header check and the handler's commands. Whatever arrives,
// nothing overflows, only whole records are taken, and the answer is the record as received.
#include "content/directories.h"
#include "music/link.h"
#include "platform/ports.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

static namedPort port;
static char runtime[] = "/tmp/pagovia-fuzz-XXXXXX";

static void cleanup()
{
    portDelete(&port);
    std::error_code ignored;
    std::filesystem::remove_all(runtime, ignored);
}

static void openPort()
{
    if (!mkdtemp(runtime) || setenv("XDG_RUNTIME_DIR", runtime, 1) != 0) abort();
    if (!portCreate(&port, "demoport")) abort();
    atexit(cleanup);
    numberOfSongs = 5;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (port.fd < 0) openPort();
    currentSong = 0;
    changeSong = 0;
    loadingSong = 1;
    int c = portPut("demoport", data, size, 1000);
    if (c < 0) return 0; // more than a socket takes in one record
    musicMessage got;
    int taken = portTake(&port, &got, sizeof got);
    if (taken >= 0) {
        if (size != sizeof got || memcmp(&got, data, size) != 0) __builtin_trap();
        int r = handleMusicRecord(&got, 1);
        if (r < 0) portRefuse(taken);
        else portReply(taken, &got, sizeof got);
    }
    musicMessage back;
    if (portAwaitReply(c, &back, sizeof back, 1000)) {
        if (taken < 0 || memcmp(&back, data, sizeof back) != 0) __builtin_trap();
        // No player of ours runs here: an end report from a stranger moves nothing.
        if (back.command == 2 && (currentSong != 0 || changeSong != 0)) __builtin_trap();
        if (back.command == 0 && loadingSong != 0) __builtin_trap();
    } else if (currentSong != 0 || changeSong != 0 || loadingSong != 1) {
        __builtin_trap(); // a refused record changed the playback state
    }
    return 0;
}
