#pragma once
// Small helpers over Unix-domain SOCK_SEQPACKET sockets, shared by the POSIX driver port and
// the simulator so that both read and write the unit messages the same way.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace VxSocket {

inline constexpr int kNoLimit = -1;

enum WaitResult { kReady = 1, kTimedOut = 0, kWoken = -1, kFailed = -2 };

// The socket path of a unit: directory + "/VX" + type name + number.
std::string UnitPath(const std::string& directory, const char* typeName, int number);

// A connected SOCK_SEQPACKET socket (close-on-exec), or -1.
int Connect(const std::string& path);
// A listening SOCK_SEQPACKET socket bound at path (a stale socket file there is replaced), or -1.
int Listen(const std::string& path);

// Waits until fd is ready for events (POLLIN or POLLOUT; hang-up and errors count as ready),
// one of the wake descriptors (eventfds) is readable, or timeoutMs passes (kNoLimit: none).
// Wake descriptors are only polled, never read.
WaitResult WaitFd(int fd, short events, std::initializer_list<int> wake, int timeoutMs);

// Sends one message, waiting up to timeoutMs for room. False on time-out, a wake-up or failure.
bool SendMessage(int fd, const void* bytes, std::size_t count, int timeoutMs,
                 std::initializer_list<int> wake = {});
// Receives one message of at most size bytes, waiting up to timeoutMs. Returns its length, 0 at
// end of file, -1 on time-out, wake-up or failure.
long ReceiveMessage(int fd, void* buffer, std::size_t size, int timeoutMs,
                    std::initializer_list<int> wake = {});

// Hello and answer of the unit protocol, encoded and decoded.
void EncodeTriple(unsigned char* out, std::uint32_t a, std::uint32_t b, std::uint32_t c);
void DecodeTriple(const unsigned char* in, std::uint32_t* a, std::uint32_t* b, std::uint32_t* c);

}  // namespace VxSocket
