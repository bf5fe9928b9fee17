// Named message ports between processes of one user: each port is a Unix domain
// SOCK_SEQPACKET socket in a private directory; one exchange is one connection carrying
// one request record and one reply record of the same fixed size.
#pragma once
#include <cstddef>

// A port owned by this process. `wakeFd` lets another thread interrupt portWait.
struct namedPort {
    int fd = -1;
    int wakeFd = -1;
    unsigned long long dev = 0, ino = 0; // the socket file we published, so we unlink only ours
    char path[108] = {};
};

// Every viewer has its own port directory, named by its process id under the user's port
// directory; the player it starts finds it through the environment variable that
// portOwnerEnvironment spells ("PAGOVIA_VIEWER=<pid>"). Without portSetOwner the owner is
// taken from that variable, else this process.
void portSetOwner(long pid);
long portOwner();
int portOwnerEnvironment(char* out, size_t size);
// Removes the port directories of viewers that no longer run (owner and not-a-link
// checked), and this process's own directory at its end.
void portRemoveStaleDirectories();
void portRemoveOwnDirectory();

// Fills `out` with the socket path of port `name`, creating and checking the private
// directory on the way. Returns 1, or 0 if the directory is unsafe or the path too long.
int portPath(const char* name, char* out, size_t size);

// Publishes a port; a stale socket of a dead owner is replaced, a live one is not.
// Returns 1, or 0 if the name is taken or the socket can't be made.
int portCreate(namedPort* port, const char* name);
// Unpublishes and closes the port. Safe on a port that was never created.
void portDelete(namedPort* port);
// Sleeps until a request is pending (1), the timeout passes (0; -1 ms waits forever) or
// portWake was called (-1).
int portWait(namedPort* port, int timeoutMs);
void portWake(namedPort* port);
// Takes one pending request without waiting. Returns its connection, which the caller
// must answer with portReply or portRefuse, or -1 when none is pending. Requests of any
// other size than `size`, and senders silent for 20 ms, are closed unanswered and skipped;
// one call spends at most 200 ms on them.
int portTake(namedPort* port, void* record, size_t size);
// Sends the reply record and closes the connection.
int portReply(int connection, const void* record, size_t size);
void portRefuse(int connection);

// Client side. portPut connects to the named port and sends the record: the connection on
// success, -1 if no live port has that name (a stale socket file is removed on the way).
// portAwaitReply reads the reply into `record` (1) or gives up after timeoutMs, on a closed
// connection or on a reply of the wrong size (0); it always closes the connection.
int portPut(const char* name, const void* record, size_t size, int timeoutMs);
int portAwaitReply(int connection, void* record, size_t size, int timeoutMs);

// Removes the port's socket file if nobody listens on it any more. Returns 1 if removed.
int portRemoveIfStale(const char* name);
