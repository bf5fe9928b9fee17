// Owns the start of a player for a pending tune change, the first step of every frame,
// and the announcement of that tune by its bare file name.
#include "music/songstart.h"
#include "content/directories.h"
#include "music/link.h"
#include "platform/programs.h"

void startPendingSong()
{
    // With no tunes (or no music handler) there is nothing to start; the request stays.
    if (numberOfSongs <= 0 || !musicAvailable() || changeSong.load() != 1) return;
    // Taken first, so an end report landing meanwhile raises it again and is not lost.
    if (changeSong.exchange(0) != 1) return;
    if (playerRunning()) {
        // At most one player: the last one must be gone before the wanted one starts.
        stopPlayer();
        changeSong = 1;
        return;
    }
    int32_t n = numberOfSongs;
    // Play-previous may leave the index below zero until the player's end.
    int32_t old = currentSong.load();
    int32_t next;
    do {
        next = old < 0 ? (int32_t)(old + ((-(long long)old + n - 1) / n) * n) : old;
    } while (!currentSong.compare_exchange_weak(old, next));
    const char* path = songNames[next % n];
    announceSong(songFileName(path));
    loadingSong = 1;
    // A player that cannot be started at all is not retried every frame.
    startPlayer(playerProgram(), path);
}
