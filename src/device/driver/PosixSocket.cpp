// The units' sockets on POSIX: Unix-domain SOCK_SEQPACKET sockets, and eventfds to wake a poll.

#include <fcntl.h>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

#include "device/driver/UnitSocket.h"

namespace VxSocket {
namespace {

using Clock = std::chrono::steady_clock;

bool MakeAddress(const std::string& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address->sun_path) {
        return false;
    }
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

int Remaining(int timeoutMs, Clock::time_point start) {
    if (timeoutMs < 0) {
        return -1;
    }
    auto spent =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    return spent >= timeoutMs ? 0 : timeoutMs - static_cast<int>(spent);
}

// recv gives 0 both for an empty message and at the end of the connection. The end comes only
// once the peer has gone and nothing is left to read: while the peer is there, or while more
// bytes wait, the 0 was an empty message.
long EmptyOrEnded(int fd) {
    pollfd entry{fd, POLLIN | POLLRDHUP, 0};
    bool gone = ::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLHUP | POLLRDHUP | POLLERR)) != 0;
    int waiting = 0;
    if (!gone || (::ioctl(fd, SIOCINQ, &waiting) == 0 && waiting > 0)) {
        return 0;
    }
    return kEnded;
}

// One descriptor held back for the moment when the process has no other: a connection that
// cannot be accepted would keep its listener ready, and a poll on it would spin. With the
// spare it is accepted and closed at once (the peer reads the end), and the poll rests.
std::mutex g_spareLock;
int g_spare = -1;

void KeepSpare() {
    std::lock_guard<std::mutex> lock(g_spareLock);
    if (g_spare < 0) {
        g_spare = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    }
}

// False when there is no spare, or no connection was waiting after all.
bool TurnAwayOne(int listener) {
    std::lock_guard<std::mutex> lock(g_spareLock);
    if (g_spare < 0) {
        return false;
    }
    ::close(g_spare);
    int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
    }
    g_spare = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    return fd >= 0;
}

}  // namespace

int Connect(const std::string& path) {
    sockaddr_un address;
    if (!MakeAddress(path, &address)) {
        return -1;
    }
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    int result;
    do {
        result = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

PathUse ExaminePath(const std::string& path, int type) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? PathUse::kFree : PathUse::kOther;
    }
    if (!S_ISSOCK(info.st_mode)) {
        return PathUse::kOther;
    }
    sockaddr_un address;
    int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (!MakeAddress(path, &address) || fd < 0) {
        Close(fd);
        return PathUse::kLive;  // cannot tell: left alone
    }
    int result;
    do {
        result = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    // Only a refused connection tells that nobody listens; anything else (a full backlog,
    // another type of socket, no permission) belongs to someone.
    bool stale = result != 0 && errno == ECONNREFUSED;
    ::close(fd);
    return stale ? PathUse::kStale : PathUse::kLive;
}

bool IsListening(const std::string& path) {
    return ExaminePath(path, SOCK_SEQPACKET) == PathUse::kLive;
}

int ListenAt(const std::string& path, int type, int backlog) {
    sockaddr_un address;
    PathUse use = ExaminePath(path, type);
    if (!MakeAddress(path, &address) || use == PathUse::kLive || use == PathUse::kOther) {
        return -1;
    }
    int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return -1;
    }
    if (use == PathUse::kStale) {
        ::unlink(path.c_str());
    }
    // Owner-only before it listens, so that nobody else connects in between whatever the umask.
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    if (::chmod(path.c_str(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, backlog) != 0) {
        ::close(fd);
        ::unlink(path.c_str());
        return -1;
    }
    KeepSpare();
    return fd;
}

int Listen(const std::string& path) {
    return ListenAt(path, SOCK_SEQPACKET, 16);
}

WaitResult WaitFd(int fd, short events, std::initializer_list<int> wake, int timeoutMs) {
    pollfd entries[4];
    nfds_t count = 0;
    entries[count++] = {fd, events, 0};
    for (int handle : wake) {
        if (count < 4) {
            entries[count++] = {handle, POLLIN, 0};
        }
    }
    auto start = Clock::now();
    for (;;) {
        int ready = ::poll(entries, count, Remaining(timeoutMs, start));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return kFailed;
        }
        if (ready == 0) {
            return kTimedOut;
        }
        for (nfds_t i = 1; i < count; ++i) {
            if (entries[i].revents != 0) {
                return kWoken;
            }
        }
        return kReady;
    }
}

bool SendMessage(int fd, const void* bytes, std::size_t count, int timeoutMs,
                 std::initializer_list<int> wake) {
    auto start = Clock::now();
    for (;;) {
        ssize_t sent = ::send(fd, bytes, count, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent >= 0) {
            return static_cast<std::size_t>(sent) == count;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return false;
        }
        int left = Remaining(timeoutMs, start);
        if (left == 0 || WaitFd(fd, POLLOUT, wake, left) != kReady) {
            return false;
        }
    }
}

long ReceiveMessage(int fd, void* buffer, std::size_t size, int timeoutMs,
                    std::initializer_list<int> wake) {
    auto start = Clock::now();
    for (;;) {
        ssize_t got = ::recv(fd, buffer, size, MSG_DONTWAIT);
        if (got >= 0) {
            return static_cast<long>(got);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return errno == ECONNRESET ? 0 : -1;
        }
        int left = Remaining(timeoutMs, start);
        if (left == 0 || WaitFd(fd, POLLIN, wake, left) != kReady) {
            return -1;
        }
    }
}

int Accept(int listener) {
    for (;;) {
        int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            return fd;
        }
        if (errno == EMFILE || errno == ENFILE) {
            if (!TurnAwayOne(listener)) {
                return -1;
            }
        } else if (errno != EINTR) {
            return -1;
        }
    }
}

long Receive(int fd, void* buffer, std::size_t size) {
    for (;;) {
        // MSG_TRUNC: the length of the whole message, also of one longer than the buffer.
        ssize_t got = ::recv(fd, buffer, size, MSG_DONTWAIT | MSG_TRUNC);
        if (got > 0) {
            return static_cast<long>(got);
        }
        if (got == 0) {
            return EmptyOrEnded(fd);
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return kNothingYet;
        }
        if (errno != EINTR) {
            return kEnded;
        }
    }
}

void ShutdownRead(int fd) {
    ::shutdown(fd, SHUT_RD);
}

bool PeerHasGone(int fd) {
    pollfd entry{fd, POLLIN | POLLRDHUP, 0};
    return ::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLHUP | POLLRDHUP | POLLERR)) != 0;
}

void Close(int fd) {
    if (fd >= 0) {
        ::close(fd);
    }
}

void RemoveUnit(const std::string& path) {
    ::unlink(path.c_str());
}

int CreateWaker() {
    return ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

void Wake(int waker) {
    eventfd_write(waker, 1);
}

void DrainWaker(int waker) {
    eventfd_t value;
    eventfd_read(waker, &value);
}

int Poll(std::vector<PollEntry>& entries, int timeoutMs) {
    std::vector<pollfd> fds;
    fds.reserve(entries.size());
    for (const PollEntry& entry : entries) {
        fds.push_back({entry.fd, static_cast<short>(entry.write ? POLLOUT : POLLIN), 0});
    }
    int ready = ::poll(fds.data(), fds.size(), timeoutMs);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i].ready = ready > 0 && fds[i].revents != 0;
    }
    return ready;
}

}  // namespace VxSocket
