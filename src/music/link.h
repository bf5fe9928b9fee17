// The message record, the handler task and the tune operations spoken with the player.
#pragma once
#include "music/protocol.h"
#include <atomic>
#include <cstddef>
#include <cstdint>

extern std::atomic<int32_t> currentSong;
extern std::atomic<int16_t> changeSong;
extern std::atomic<int16_t> loadingSong;

// A tune index reduced modulo numberOfSongs into 0..numberOfSongs-1, also when negative.
int wrapSongIndex(long long index);
// A song list entry (the tune's path, "Songs/x.mod") as the maker named the file (x.mod).
const char* songFileName(const char* entry);
// "     Playing <name>" in the info line (and the clock's pause mark in the magazine view).
void announceSong(const char* fileName);

// Delivers msg to the port if one of that name lives. On success *replyConnection is where
// the answer will arrive. Returns 1 if delivered, 0 otherwise.
int SafePutToPort(musicMessage* msg, const char* portName, int* replyConnection);
// Send a command (and a text of fewer than 1024 bytes) and wait for the answer: the replied
// command word, or -1 if nothing could be sent or no answer came within 300 ms.
int SendMessage(const char* portName, int command);
int SendStringMessage(const char* portName, int command, const char* text);
// What the handler does with one received record: -1 refused (not a message), 0 replied,
// 1 replied and the handler is to finish. Applies the command only while `apply` is set.
int handleMusicRecord(musicMessage* msg, int apply);
void musichandler();
void playNextMusic();
void playPrevMusic();
void playSongByName(const char* fileName); // a "[music=" item was clicked
// The player: startPlayer runs program with the tune's path (its pid, 0 if it did not
// start) and watches
// it; playerRunning says whether its process is still there (a new one must wait);
// stopPlayer has the handler end it (stop request, then SIGTERM, then SIGKILL).
int startPlayer(const char* program, const char* argument);
int playerRunning();
void stopPlayer();
// Starts the music handler task in this viewer's own port directory (0: the task could not
// be created, and no player will be started); stopMusicHandler tells it to finish, joins
// it, makes sure no player is left running and removes the directory. musicAvailable is 0
// after a failed start.
int startMusicHandler();
void stopMusicHandler();
int musicAvailable();
