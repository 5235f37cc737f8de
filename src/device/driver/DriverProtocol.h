#pragma once
// The messages between the driver port and a unit that the simulator serves (or anything else
// that stands in for the driver). Both sides include this header; nothing else defines the
// format.
//
// A unit is a Unix-domain SOCK_SEQPACKET socket named VX<type><n> (VXUSB0 ... VXPCI9) in the
// configured directory on POSIX, and a named pipe in message mode named by the configured
// prefix (\\.\pipe\...\VXUSB0) on Windows; device/driver/UnitSocket.h makes both. One message
// is one record; all integers are 32-bit little-endian.
//
// Every connection begins with a hello from the host and the unit's answer:
//   host -> unit  Hello  {magic, kind, token}           12 bytes
//   unit -> host  Answer {magic, status, token}         12 bytes
// kind kOpen asks for the data connection: granted (status kGranted, token = a fresh token that
// names this open) or refused (kBusy: the unit is already open). Only one data connection per
// unit exists at a time; the unit frees itself when that connection ends.
// kind kControl presents the token of the open data connection (kGranted or kBadToken).
//
// Data connection, after the answer: every message in either direction is one wire frame, at
// most kMaxFrame bytes. End of file from the unit means the unit has gone away.
//
// Control connection, after the answer: requests and replies, one at a time:
//   host -> unit  RequestHead {code, inLength, outLength} then inLength bytes
//   unit -> host  ReplyHead   {code, status, outLength}   then outLength bytes
// The head and the bytes travel in messages of at most kMaxChunk bytes: the head message
// carries the first bytes after the head, continuation messages carry the rest. status 0 means
// the request succeeded, anything else that it failed (as a failed DeviceIoControl). For
// kIoctlProgram the input is a DeviceCommand (at most 32 + 1 MiB bytes) and the reply carries
// its 32-byte head with the result field filled in; for kIoctlProgress the reply carries the
// 4-byte progress count. The unit closes the control connections of an open when the data
// connection ends, so a request outstanding at that moment fails.

#include <cstdint>
#include <functional>

namespace VxProtocol {

inline constexpr std::uint32_t kMagic = 0x31445856;  // "VXD1"
inline constexpr int kHelloSize = 12;
inline constexpr int kHeadSize = 12;
inline constexpr int kMaxFrame = 16384;
inline constexpr int kMaxChunk = 32768;

enum HelloKind : std::uint32_t { kOpen = 1, kControl = 2 };
enum AnswerStatus : std::uint32_t { kGranted = 0, kBusy = 1, kBadToken = 2 };

// Hello, answer and the heads: three 32-bit values.
void EncodeTriple(unsigned char* out, std::uint32_t a, std::uint32_t b, std::uint32_t c);
void DecodeTriple(const unsigned char* in, std::uint32_t* a, std::uint32_t* b, std::uint32_t* c);

// The host's half of a control request, over whatever carries the messages. send takes one
// message (false: the connection failed); receive fills at most size bytes with the next
// message and returns its length (<= 0: the connection failed).
using SendFunction = std::function<bool(const unsigned char* bytes, int count)>;
using ReceiveFunction = std::function<long(unsigned char* buffer, int size)>;
// Sends the request head and its input in messages of at most kMaxChunk bytes.
bool SendRequest(std::uint32_t code, const unsigned char* in, int inLength, int outLength,
                 const SendFunction& send);
// Receives the reply into out: the number of output bytes, or -1 when the request failed.
int ReceiveReply(std::uint32_t code, unsigned char* out, int outLength,
                 const ReceiveFunction& receive);

}  // namespace VxProtocol
