// The message record, the handler task and the tune operations spoken with the player.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

// One message as it travels between the viewer and the player, in native byte order. The
// header keeps the shape of an Exec message; its pointer fields travel as 32-bit zeros (the
// unaligned ones as bytes, so the record has no padding anywhere).
struct musicMessage {
    uint32_t ln_Succ;
    uint32_t ln_Pred;
    uint8_t ln_Type;         // MUSIC_NT_MESSAGE
    int8_t ln_Pri;
    uint8_t ln_Name[4];
    uint8_t mn_ReplyPort[4];
    uint16_t mn_Length;      // MUSIC_MESSAGE_SIZE
    int32_t command;         // the receiver may leave its answer here
    char messageText[1024];  // NUL-terminated, text messages only
};
enum { MUSIC_NT_MESSAGE = 5, MUSIC_MESSAGE_SIZE = 1048 };
static_assert(sizeof(musicMessage) == MUSIC_MESSAGE_SIZE);
static_assert(offsetof(musicMessage, ln_Type) == 8);
static_assert(offsetof(musicMessage, ln_Name) == 10);
static_assert(offsetof(musicMessage, mn_ReplyPort) == 14);
static_assert(offsetof(musicMessage, mn_Length) == 18);
static_assert(offsetof(musicMessage, command) == 20);
static_assert(offsetof(musicMessage, messageText) == 24);

// A zeroed record with the message header filled in and the command word set.
inline musicMessage newMusicMessage(int command)
{
    musicMessage msg = {};
    msg.ln_Type = MUSIC_NT_MESSAGE;
    msg.mn_Length = MUSIC_MESSAGE_SIZE;
    msg.command = command;
    return msg;
}
// Whether a received record carries the message header (anything else is refused).
inline bool isMusicMessage(const musicMessage* msg)
{
    return msg->ln_Type == MUSIC_NT_MESSAGE && msg->mn_Length == MUSIC_MESSAGE_SIZE;
}

extern std::atomic<int32_t> currentSong;
extern std::atomic<int16_t> changeSong;
extern std::atomic<int16_t> loadingSong;

// A tune index reduced modulo numberOfSongs into 0..numberOfSongs-1, also when negative.
int wrapSongIndex(long long index);
// A song list entry ("\"Songs/x.mod\"") as the player's argument (Songs/x.mod) and as the
// maker named the file (x.mod), each without the enclosing quotes.
enum { MUSIC_PATH_SIZE = 64 };
void songPath(const char* entry, char* out, size_t size);
void songFileName(const char* entry, char* out, size_t size);
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
