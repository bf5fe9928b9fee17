// Finds the helper programs the viewer starts, today the music player: the magazine's own
// copy when it may be trusted, else the one installed with the viewer.
#pragma once
#include <cstddef>

// The program to start for a tune of the magazine in the current directory:
// - "musicplayer/tunedeck" if the magazine has one and may be trusted: a regular file owned by
//   this user or root, neither it nor its folder writable by group or others;
// - otherwise the player installed with the viewer, found from the running program's own
//   folder, so that a moved installation still finds it; a refused magazine player is
//   reported through the diagnostics service (once per run);
// - "musicplayer/tunedeck" when the magazine has none and no player is installed, so that
//   the failed start names what is missing.
// The text stays valid until the next call.
const char* playerProgram();

