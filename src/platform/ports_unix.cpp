// Named ports as Unix domain SOCK_SEQPACKET sockets in a directory only this user can enter.
// Only this file touches the socket files: it publishes them atomically, removes stale ones
// and never follows a link or trusts a directory it did not check.
#include "platform/ports.h"
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

// A request whose sender connected but sent nothing yet gets this long before it is dropped.
static const int REQUEST_WAIT_MS = 2000;

static void complainOnce(const char* dir, const char* why)
{
    static std::atomic<int> told{0};
    if (told.exchange(1) == 0)
        fprintf(stderr, "pagovia: music ports disabled: %s %s\n", dir, why);
}

// $XDG_RUNTIME_DIR/pagovia, else /tmp/pagovia-<uid>; made 0700 and checked before use.
static int portDirectory(char* out, size_t size)
{
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    int n = (runtime && runtime[0] == '/') ? snprintf(out, size, "%s/pagovia", runtime)
                                           : snprintf(out, size, "/tmp/pagovia-%u", (unsigned)geteuid());
    if (n < 0 || (size_t)n >= size) return 0;
    bool made = mkdir(out, 0700) == 0;
    if (!made && errno != EEXIST) {
        complainOnce(out, strerror(errno));
        return 0;
    }
    int fd = open(out, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        complainOnce(out, "is not a directory (or is a link)");
        return 0;
    }
    struct stat st;
    int ok = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid();
    if (ok && made) fchmod(fd, 0700); // a umask may have taken bits we need
    if (ok && !made && (st.st_mode & 077) != 0) ok = 0;
    close(fd);
    if (!ok) complainOnce(out, "is not owned by this user with mode 0700");
    return ok;
}

int portPath(const char* name, char* out, size_t size)
{
    char dir[sizeof(sockaddr_un::sun_path)];
    if (!name || !name[0] || strchr(name, '/')) return 0;
    if (!portDirectory(dir, sizeof dir)) return 0;
    int n = snprintf(out, size, "%s/%s", dir, name);
    return n > 0 && (size_t)n < size && (size_t)n < sizeof(sockaddr_un::sun_path);
}

static int64_t nowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

// poll() that survives signals; timeoutMs < 0 waits forever. Returns poll's result.
static int pollFor(pollfd* fds, int count, int timeoutMs)
{
    int64_t deadline = nowMs() + timeoutMs;
    for (;;) {
        int left = timeoutMs < 0 ? -1 : (int)(deadline - nowMs());
        if (timeoutMs >= 0 && left < 0) left = 0;
        int r = poll(fds, count, left);
        if (r >= 0 || errno != EINTR) return r;
    }
}

static void setAddress(sockaddr_un* a, const char* path)
{
    memset(a, 0, sizeof *a);
    a->sun_family = AF_UNIX;
    snprintf(a->sun_path, sizeof a->sun_path, "%s", path);
}

// Connects to the socket file at path. A full backlog waits up to timeoutMs.
static int connectTo(const char* path, int timeoutMs)
{
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    timeval tv = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    sockaddr_un a;
    setAddress(&a, path);
    if (connect(fd, (sockaddr*)&a, sizeof a) != 0) {
        int e = errno;
        close(fd);
        errno = e;
        return -1;
    }
    return fd;
}

// The socket file's identity, or 0 if there is no socket file at path.
static ino_t socketInode(const char* path)
{
    struct stat st;
    return (lstat(path, &st) == 0 && S_ISSOCK(st.st_mode)) ? st.st_ino : 0;
}

// A socket file nobody listens on is a dead owner's leftover: remove it, but only the very
// file that refused us (never a non-socket, never a port published meanwhile).
// Returns 1 if removed, 0 if the port lives or there is nothing to remove.
static int removeIfStale(const char* path)
{
    ino_t before = socketInode(path);
    if (!before) return 0;
    int fd = connectTo(path, 200);
    if (fd >= 0) {
        close(fd); // the owner sees an empty request and drops it
        return 0;
    }
    if (errno != ECONNREFUSED || socketInode(path) != before) return 0;
    return unlink(path) == 0;
}

// Binds and listens under a private temporary name, then hard-links it to the port's name,
// so a published port always listens and a stale-socket check can't catch it half made.
static int publish(namedPort* port, int fd)
{
    static std::atomic<unsigned> counter{0};
    char tmp[sizeof(sockaddr_un::sun_path)];
    int n = snprintf(tmp, sizeof tmp, "%s.%d.%u", port->path, (int)getpid(), counter++);
    if (n < 0 || (size_t)n >= sizeof tmp) return 0;
    unlink(tmp);
    sockaddr_un a;
    setAddress(&a, tmp);
    if (bind(fd, (sockaddr*)&a, sizeof a) != 0 || listen(fd, 16) != 0) return 0;
    struct stat st;
    int ok = lstat(tmp, &st) == 0;
    port->dev = st.st_dev;
    port->ino = st.st_ino;
    for (int attempt = 0; ok && attempt < 2; attempt++) {
        if (link(tmp, port->path) == 0) break;
        if (errno != EEXIST || attempt == 1 || !removeIfStale(port->path)) ok = 0;
    }
    unlink(tmp);
    return ok;
}

int portCreate(namedPort* port, const char* name)
{
    *port = namedPort{};
    if (!portPath(name, port->path, sizeof port->path)) return 0;
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0 || wake < 0 || !publish(port, fd)) {
        if (fd >= 0) close(fd);
        if (wake >= 0) close(wake);
        port->path[0] = '\0';
        return 0;
    }
    port->fd = fd;
    port->wakeFd = wake;
    return 1;
}

void portDelete(namedPort* port)
{
    if (port->fd < 0) return;
    struct stat st;
    if (lstat(port->path, &st) == 0 && st.st_dev == port->dev && st.st_ino == port->ino)
        unlink(port->path);
    close(port->fd);
    close(port->wakeFd);
    *port = namedPort{};
}

int portWait(namedPort* port, int timeoutMs)
{
    pollfd fds[2] = {{port->fd, POLLIN, 0}, {port->wakeFd, POLLIN, 0}};
    int r = pollFor(fds, 2, timeoutMs);
    if (r < 0) return -1;
    if (fds[1].revents) {
        uint64_t count;
        if (read(port->wakeFd, &count, sizeof count) < 0) { /* already cleared */ }
        return -1;
    }
    return r > 0 ? 1 : 0;
}

void portWake(namedPort* port)
{
    uint64_t one = 1;
    if (port->wakeFd >= 0 && write(port->wakeFd, &one, sizeof one) < 0) { /* counter full: already woken */ }
}

// Reads one record of exactly `size` bytes; any other size, an empty connection or a sender
// that stays silent is refused.
static int receiveRecord(int c, void* record, size_t size)
{
    pollfd p = {c, POLLIN, 0};
    if (pollFor(&p, 1, REQUEST_WAIT_MS) <= 0) return 0;
    ssize_t n = recv(c, record, size, MSG_TRUNC | MSG_DONTWAIT);
    return n >= 0 && (size_t)n == size;
}

int portTake(namedPort* port, void* record, size_t size)
{
    for (;;) {
        int c = accept4(port->fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return -1;
        }
        if (receiveRecord(c, record, size)) return c;
        close(c);
    }
}

int portReply(int connection, const void* record, size_t size)
{
    // The sender may have given up already: no SIGPIPE, and never block on it.
    ssize_t n = send(connection, record, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    close(connection);
    return n >= 0 && (size_t)n == size;
}

void portRefuse(int connection) { close(connection); }

int portPut(const char* name, const void* record, size_t size, int timeoutMs)
{
    char path[sizeof(sockaddr_un::sun_path)];
    if (!portPath(name, path, sizeof path)) return -1;
    int fd = connectTo(path, timeoutMs);
    if (fd < 0) {
        if (errno == ECONNREFUSED) removeIfStale(path);
        return -1;
    }
    ssize_t n = send(fd, record, size, MSG_NOSIGNAL);
    if (n < 0 || (size_t)n != size) {
        close(fd);
        return -1;
    }
    return fd;
}

int portAwaitReply(int connection, void* record, size_t size, int timeoutMs)
{
    pollfd p = {connection, POLLIN, 0};
    int ok = 0;
    if (pollFor(&p, 1, timeoutMs) > 0) {
        ssize_t n = recv(connection, record, size, MSG_TRUNC | MSG_DONTWAIT);
        ok = n >= 0 && (size_t)n == size;
    }
    close(connection);
    return ok;
}

int portRemoveIfStale(const char* name)
{
    char path[sizeof(sockaddr_un::sun_path)];
    if (!portPath(name, path, sizeof path)) return 0;
    return removeIfStale(path);
}
