// What the viewer and its player tunedeck agree on: the port names, the command codes and
// the 1048-byte record on the wire. A leaf: both programs include it and nothing else of
// either.
#pragma once
#include <cstddef>
#include <cstdint>

// The player receives on this port while it plays; the viewer's music handler on the other.
inline constexpr char PLAYER_PORT[] = "musicplayerport";
inline constexpr char HANDLER_PORT[] = "demoport";

// The command word. To the player: MUSIC_STOP. To the handler: the player's reports
// MUSIC_PLAYING and MUSIC_ENDED (any other code is answered and has no effect), and the
// viewer's MUSIC_FINISH at shutdown. MUSIC_NO_ANSWER is what a send returns when nothing
// answered, so a receiver never leaves it in a reply.
enum musicCommand {
    MUSIC_PLAYING = 0,
    MUSIC_STOP = 2,
    MUSIC_ENDED = 2,
    MUSIC_FINISH = -1,
    MUSIC_NO_ANSWER = -1,
};

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
