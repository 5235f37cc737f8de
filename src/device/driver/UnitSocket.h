#pragma once
// The units' sockets: how the simulator serves units and how the POSIX driver port reaches
// them, in one place for both. Descriptors are ints; -1 is none.
//
// POSIX (PosixSocket.cpp): Unix-domain SOCK_SEQPACKET sockets named VX<type><n> in a
// directory. Windows (PipeSocket.cpp): named pipes in message mode, named by a prefix such as
// \\.\pipe\vx\ (VXUSB0 after it); the descriptors there are this layer's own numbers for pipe
// instances and events. Either way one message is one record, as device/driver/DriverProtocol.h
// describes.

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

namespace VxSocket {

inline constexpr int kNoLimit = -1;

// The path of a unit: the directory (or pipe prefix) + "VX" + type name + number, joined with
// the system's separator unless the directory already ends with one.
inline std::string UnitPath(const std::string& directory, const char* typeName, int number) {
#ifdef _WIN32
    const char separator = '\\';
    bool ends = !directory.empty() && (directory.back() == '\\' || directory.back() == '/');
#else
    const char separator = '/';
    bool ends = !directory.empty() && directory.back() == '/';
#endif
    return directory + (ends ? "" : std::string(1, separator)) + "VX" + typeName +
           std::to_string(number);
}

#ifdef _WIN32
// True for a pipe prefix (\\.\pipe\..., either slash), which names the simulator's units.
bool IsPipePrefix(const std::string& directory);
#endif

// --- The serving side (the simulator's engine), on both systems. ---

// A listening socket (pipe) at path, or -1. POSIX: owner-only (0600) whatever the umask; a
// stale socket there (one nobody listens on) is replaced, and anything else there (a live
// socket, a file) is left alone, and the result is -1. Windows: the pipe gets one more
// instance, as a stale one may still be closing.
int Listen(const std::string& path);
// A connection waiting on a listening descriptor, or -1 when none is waiting. POSIX: at the
// descriptor limit a waiting connection is closed at once (its peer reads the end).
int Accept(int listener);
inline constexpr long kNothingYet = -1;
inline constexpr long kEnded = -2;
// Receives one message without waiting and keeps its first size bytes in buffer. Returns the
// message's whole length: 0 for an empty message, more than size for one that did not fit (the
// rest of it is dropped). kEnded when the connection has ended (or failed), kNothingYet when
// nothing has come yet. (POSIX: empty messages that a peer sent just before it closed, with
// nothing after them, read as the end.)
long Receive(int fd, void* buffer, std::size_t size);
// Sends one message, waiting up to timeoutMs for room (kNoLimit: no limit) or until one of the
// wake descriptors is readable. False on time-out, wake-up or failure.
bool SendMessage(int fd, const void* bytes, std::size_t count, int timeoutMs,
                 std::initializer_list<int> wake = {});
// The peer's sends fail from now on, while this side still sends (POSIX). A pipe has no such
// half-close: on Windows the messages are no longer taken, so the peer's sends stall.
void ShutdownRead(int fd);
// True when the peer may have closed the connection with messages still unread: a Receive
// loop will then reach the end. (On Windows also true while messages wait to be read.)
bool PeerHasGone(int fd);
void Close(int fd);
// Removes what Listen left behind at path once its descriptor is closed (the socket file).
void RemoveUnit(const std::string& path);

// A descriptor that Poll sees as ready while it is woken, until drained.
int CreateWaker();
void Wake(int waker);
void DrainWaker(int waker);

struct PollEntry {
    int fd;
    bool ready;  // set by Poll: something to accept or receive, or the connection has ended
    // Wait for room to send instead (ready: room, or the connection has ended). Windows does
    // not watch for room: there such an entry is never ready and cuts the wait to 10 ms.
    bool write = false;
};
// Waits until one of the entries is ready or timeoutMs passes (kNoLimit: none). The number of
// ready entries, 0 on time-out, -1 on failure.
int Poll(std::vector<PollEntry>& entries, int timeoutMs);

#ifndef _WIN32
enum class PathUse { kFree, kStale, kLive, kOther };
// What is at path: nothing, a socket of the type (SOCK_SEQPACKET, SOCK_STREAM) that nobody
// listens on, one that somebody does (or that cannot be told), or something else.
PathUse ExaminePath(const std::string& path, int type);
// Listen for a socket of the type with a backlog; Listen is ListenAt(path, SOCK_SEQPACKET, 16).
int ListenAt(const std::string& path, int type, int backlog);

// --- The connecting side (the POSIX driver port). ---

enum WaitResult { kReady = 1, kTimedOut = 0, kWoken = -1, kFailed = -2 };

// A connected SOCK_SEQPACKET socket (close-on-exec), or -1.
int Connect(const std::string& path);
// True when a server listens at path (it takes connections, or its backlog is full). A socket
// file left behind by a server that has gone refuses connections: false. Does not wait.
bool IsListening(const std::string& path);

// Waits until fd is ready for events (POLLIN or POLLOUT; hang-up and errors count as ready),
// one of the wake descriptors (eventfds) is readable, or timeoutMs passes (kNoLimit: none).
// Wake descriptors are only polled, never read.
WaitResult WaitFd(int fd, short events, std::initializer_list<int> wake, int timeoutMs);

// Receives one message of at most size bytes, waiting up to timeoutMs. Returns its length, 0 at
// end of file, -1 on time-out, wake-up or failure.
long ReceiveMessage(int fd, void* buffer, std::size_t size, int timeoutMs,
                    std::initializer_list<int> wake = {});
#endif

}  // namespace VxSocket
