// The song start that opens every frame: a pending tune change starts the player.
#pragma once

// When a tune change is pending (and there are tunes): waits for (and ends) a player still
// running, then names the tune in the info line, brings currentSong back into range,
// starts "musicplayer/tunedeck" for it in the background and clears the request.
void startPendingSong();
