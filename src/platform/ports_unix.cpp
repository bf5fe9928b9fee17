// Named ports as Unix domain SOCK_SEQPACKET sockets in a directory only this user can enter.
// Only this file touches the socket files: it publishes them atomically, removes stale ones
// and never follows a link or trusts a directory it did not check.
#include "platform/ports.h"
#include "platform/monotonic.h"
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <dirent.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// A request whose sender connected but sent nothing yet gets this long before it is dropped,
// and one portTake spends at most TAKE_BUDGET_MS on such senders, so silent connections
// can't stall the owner.
static const int REQUEST_WAIT_MS = 20;
static const int TAKE_BUDGET_MS = 200;
static const char OWNER_VARIABLE[] = "PAGOVIA_VIEWER";
static const char LOCK_NAME[] = ".lock";

static std::atomic<long> ownerId{0};

static void complainOnce(const char* dir, const char* why)
{
    static std::atomic<int> told{0};
    if (told.exchange(1) == 0)
        fprintf(stderr, "pagovia: music ports disabled: %s %s\n", dir, why);
}

// A positive process id spelt in decimal, else 0.
static long parsePid(const char* s)
{
    if (!s || !*s) return 0;
    char* end;
    long v = strtol(s, &end, 10);
    return (*end == '\0' && v > 0 && v < 1L << 30) ? v : 0;
}

void portSetOwner(long pid) { ownerId = pid; }

long portOwner()
{
    long id = ownerId.load();
    if (id == 0) id = parsePid(getenv(OWNER_VARIABLE));
    return id ? id : (long)getpid();
}

int portOwnerEnvironment(char* out, size_t size)
{
    int n = snprintf(out, size, "%s=%ld", OWNER_VARIABLE, portOwner());
    return n > 0 && (size_t)n < size;
}

// Makes `path` (0700) if missing and checks that it is a directory of this user, no link,
// that nobody else may enter.
static int privateDirectory(const char* path)
{
    bool made = mkdir(path, 0700) == 0;
    if (!made && errno != EEXIST) {
        complainOnce(path, strerror(errno));
        return 0;
    }
    int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        complainOnce(path, "is not a directory (or is a link)");
        return 0;
    }
    struct stat st;
    int ok = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid();
    if (ok && made) fchmod(fd, 0700); // a umask may have taken bits we need
    if (ok && !made && (st.st_mode & 077) != 0) ok = 0;
    close(fd);
    if (!ok) complainOnce(path, "is not owned by this user with mode 0700");
    return ok;
}

// The user's port directory: $XDG_RUNTIME_DIR/pagovia, else /tmp/pagovia-<uid>.
static int baseDirectory(char* out, size_t size)
{
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    int n = (runtime && runtime[0] == '/') ? snprintf(out, size, "%s/pagovia", runtime)
                                           : snprintf(out, size, "/tmp/pagovia-%u", (unsigned)geteuid());
    return n > 0 && (size_t)n < size && privateDirectory(out);
}

// One viewer's ports: a subdirectory of the user's port directory named by its pid, so
// that viewers running side by side never meet.
static int portDirectory(char* out, size_t size)
{
    char base[sizeof(sockaddr_un::sun_path)];
    if (!baseDirectory(base, sizeof base)) return 0;
    int n = snprintf(out, size, "%s/%ld", base, portOwner());
    return n > 0 && (size_t)n < size && privateDirectory(out);
}

int portPath(const char* name, char* out, size_t size)
{
    char dir[sizeof(sockaddr_un::sun_path)];
    if (!name || !name[0] || strchr(name, '/') || name[0] == '.') return 0;
    if (!portDirectory(dir, sizeof dir)) return 0;
    int n = snprintf(out, size, "%s/%s", dir, name);
    return n > 0 && (size_t)n < size && (size_t)n < sizeof(sockaddr_un::sun_path);
}

// Publishing a port and removing a stale one happen under this directory lock, so a stale
// check can never remove a port published after it looked. Returns the lock (close to
// release) or -1.
static int lockDirectoryOf(const char* path)
{
    char lock[sizeof(sockaddr_un::sun_path) + 8];
    const char* slash = strrchr(path, '/');
    if (!slash) return -1;
    snprintf(lock, sizeof lock, "%.*s/%s", (int)(slash - path), path, LOCK_NAME);
    int fd = open(lock, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    while (flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(fd);
            return -1;
        }
    }
    return fd;
}

static int64_t nowMs() { return monotonicUs() / 1000; }

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
static int removeIfStaleLocked(const char* path)
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

static int removeIfStale(const char* path)
{
    int lock = lockDirectoryOf(path);
    if (lock < 0) return 0;
    int removed = removeIfStaleLocked(path);
    close(lock);
    return removed;
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
    int lock = ok ? lockDirectoryOf(port->path) : -1;
    if (lock < 0) ok = 0;
    for (int attempt = 0; ok && attempt < 2; attempt++) {
        if (link(tmp, port->path) == 0) break;
        if (errno != EEXIST || attempt == 1 || !removeIfStaleLocked(port->path)) ok = 0;
    }
    if (lock >= 0) close(lock);
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
    int lock = lockDirectoryOf(port->path);
    if (lstat(port->path, &st) == 0 && st.st_dev == port->dev && st.st_ino == port->ino)
        unlink(port->path);
    if (lock >= 0) close(lock);
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
    int64_t deadline = nowMs() + TAKE_BUDGET_MS;
    while (nowMs() < deadline) {
        int c = accept4(port->fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return -1;
        }
        if (receiveRecord(c, record, size)) return c;
        close(c);
    }
    return -1;
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

// Empties one port directory of stale sockets (none that a live owner listens on) and,
// once nothing else is left in it, removes its lock and the directory itself.
static void removePortDirectory(const char* basePath, int base, const char* name)
{
    int fd = openat(base, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st;
    DIR* d = (fstat(fd, &st) == 0 && st.st_uid == geteuid()) ? fdopendir(fd) : nullptr;
    if (!d) {
        close(fd);
        return;
    }
    int others = 0;
    while (dirent* e = readdir(d)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0 || strcmp(e->d_name, LOCK_NAME) == 0)
            continue;
        char path[sizeof(sockaddr_un::sun_path)];
        int m = snprintf(path, sizeof path, "%s/%s/%s", basePath, name, e->d_name);
        struct stat f;
        int stale = m > 0 && (size_t)m < sizeof path && fstatat(fd, e->d_name, &f, AT_SYMLINK_NOFOLLOW) == 0 &&
                    S_ISSOCK(f.st_mode) && removeIfStale(path);
        if (!stale) others = 1;
    }
    closedir(d);
    if (others) return;
    fd = openat(base, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    unlinkat(fd, LOCK_NAME, 0);
    close(fd);
    unlinkat(base, name, AT_REMOVEDIR);
}

void portRemoveStaleDirectories()
{
    char path[sizeof(sockaddr_un::sun_path)];
    if (!baseDirectory(path, sizeof path)) return;
    int base = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* d = base >= 0 ? fdopendir(base) : nullptr;
    if (!d) {
        if (base >= 0) close(base);
        return;
    }
    while (dirent* e = readdir(d)) {
        long pid = parsePid(e->d_name);
        struct stat st;
        // Only a directory (no link) of this user, named by a process that no longer exists.
        if (!pid || pid == portOwner() || fstatat(base, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
            continue;
        if (kill((pid_t)pid, 0) != 0 && errno == ESRCH) removePortDirectory(path, base, e->d_name);
    }
    closedir(d);
}

void portRemoveOwnDirectory()
{
    char path[sizeof(sockaddr_un::sun_path)];
    if (!baseDirectory(path, sizeof path)) return;
    int base = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (base < 0) return;
    char name[24];
    snprintf(name, sizeof name, "%ld", portOwner());
    removePortDirectory(path, base, name);
    close(base);
}
