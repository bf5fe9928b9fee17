// The message record, the handler task and the tune operations spoken with the player.
#pragma once
#include <atomic>
#include <cstdint>

extern std::atomic<int32_t> currentSong;
extern std::atomic<int16_t> changeSong;
extern std::atomic<int16_t> loadingSong;

int SendMessage(const char* portName, int command);
int SendStringMessage(const char* portName, int command, const char* text);
void musichandler();
void playNextMusic();
void playPrevMusic();
void playSongByName(const char* fileName); // a "[music=" item was clicked
// Starts the music handler task; stopMusicHandler tells it to finish and joins it.
int startMusicHandler();
void stopMusicHandler();
