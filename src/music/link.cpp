// Owns the playback state and the protocol with the player.
#include "music/link.h"

std::atomic<int32_t> currentSong{0};
std::atomic<int16_t> changeSong{1};
std::atomic<int16_t> loadingSong{1};

int SendMessage(const char*, int) { return -1; }
int SendStringMessage(const char*, int, const char*) { return -1; }
void musichandler() {}
void playNextMusic() {}
void playPrevMusic() {}
void playSongByName(const char*) {}
int startMusicHandler() { return 1; }
void stopMusicHandler() {}
