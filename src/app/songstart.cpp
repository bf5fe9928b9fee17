// Owns the start of a player for a pending tune change, the first step of every frame,
// and the announcement of that tune by its bare file name.
#include "app/songstart.h"
#include "app/clock.h"
#include "app/composition.h"
#include "app/screen.h"
#include "content/directories.h"
#include "music/link.h"
#include "platform/command.h"
#include "platform/programs.h"
#include <cstdio>
#include <cstring>

// "     Playing " and the entry's file name: without the opening quote, the directory part
// and the closing quote.
static void announceEntry(const char* entry)
{
    const char* name = entry[0] ? entry + 1 : entry;
    const char* slash = strrchr(name, '/');
    if (slash) name = slash + 1;
    snprintf(infoText, sizeof infoText, "     Playing %s", name);
    size_t length = strlen(infoText);
    if (length > 0 && infoText[length - 1] == '"') infoText[length - 1] = '\0';
}

void startPendingSong()
{
    // With no tunes there is nothing to start; the request simply stays.
    if (changeSong.load() != 1 || numberOfSongs <= 0) return;
    int32_t n = numberOfSongs;
    if (loadingSong.load() == 0) {
        announceEntry(songNames[wrapSongIndex(currentSong.load())]);
        loadingSong = 1;
        if (mode == 2) getTimeWithStatus(CLOCK_PAUSE);
    }
    // Play-previous may leave the index below zero until the player's end report.
    int32_t old = currentSong.load();
    int32_t next;
    do {
        next = old < 0 ? (int32_t)(old + ((-(long long)old + n - 1) / n) * n) : old;
    } while (!currentSong.compare_exchange_weak(old, next));
    char line[1024];
    snprintf(line, sizeof line, "run <>NIL: %s %s", playerProgram(), songNames[next % n]);
    runCommand(line);
    changeSong = 0;
}
