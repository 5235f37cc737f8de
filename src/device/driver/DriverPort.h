#pragma once
// The driver port: what the device channel needs from the VX kernel driver, behind one small
// interface so that each operating system has its own backend file: DriverPortPosix.cpp (the
// simulator's sockets), DriverPortWin32.cpp (the kernel driver's device objects over
// CreateFile/ReadFile/WriteFile/DeviceIoControl) and DriverPortPipe.cpp (the simulator's
// pipes on Windows). Nothing here knows about packets; a frame is just bytes.

#include <cstdint>
#include <memory>
#include <string>

#include "device/wirekit/Event.h"
#include "device/wirekit/Platform.h"

namespace VxDriver {

using Wirekit::Win32::CEvent;
using Wirekit::Win32::Milliseconds;

// Outcome of one read: bytes > 0 with error 0, or bytes 0 with an error. kErrorGone (the
// system's "access denied", 5) means that the unit has gone away; kErrorCancelled that one of
// the events given to the read was signalled first; kErrorTimeout that no frame came within the
// read's time limit.
struct ReadResult {
    int bytes = 0;
    int error = 0;
};
inline constexpr int kErrorCancelled = 0;
inline constexpr int kErrorGone = 5;
inline constexpr int kErrorFailed = 31;  // any other failure ("device not functioning")
inline constexpr int kErrorTimeout = 1460;  // the system's "time-out"

// One open unit. Read and Write are used by one thread each (the reader thread and the
// sender); Control and Shutdown may be called from any thread at any time, also while Read,
// Write or another Control is in progress. Destroying the object closes the handle; the
// device channel does that only when no other thread uses the object.
class CDriverConnection {
public:
    virtual ~CDriverConnection() = default;

    // Blocks until one frame arrives (its bytes, at most size, are stored in buffer), the unit
    // goes away (kErrorGone), one of the two events is signalled (kErrorCancelled; the events
    // are not cleared) or the time-out passes (kErrorTimeout; kInfinite: no limit). A time-out
    // of 0 takes a frame only when one is there already. A frame longer than size is cut to
    // size.
    virtual ReadResult Read(unsigned char* buffer, int size, const CEvent& cancel,
                            const CEvent& stop, Milliseconds timeout) = 0;

    // Writes one frame. Blocks until the unit has taken it or the time-out passes. Returns the
    // number of bytes written, or -1 on time-out or failure (then nothing of the frame was
    // sent, and the caller's buffer is free again when this returns).
    virtual int Write(const unsigned char* bytes, int count, Milliseconds timeout) = 0;

    // One control request (0x222004 or 0x222008) with its input and output buffers. Blocks,
    // without a time limit, until the driver answers, the unit goes away or the connection is
    // shut down, or the abort event is signalled. Returns the number of output bytes the driver
    // wrote, or -1 when the request failed. Served concurrently with Read, Write and another
    // Control: a progress query is answered while a write request is outstanding.
    virtual int Control(std::uint32_t code, const unsigned char* in, int inLength,
                        unsigned char* out, int outLength, const CEvent& abort) = 0;

    // Ends the connection at once: the unit is free for another open, and Read, Write and
    // Control in progress or to come fail. The handle itself stays valid until destruction.
    virtual void Shutdown() = 0;
};

class CDriverPort {
public:
    virtual ~CDriverPort() = default;

    // Opens the unit of the given type name ("USB", "PCI") and number for exclusive use.
    // Synchronous; returns null when there is no such unit or it is open elsewhere.
    virtual std::unique_ptr<CDriverConnection> Open(const char* typeName, int number) = 0;
    // Whether the unit is attached at all, open elsewhere or not: after a failed Open it tells
    // a busy unit from an absent one. Synchronous and quick; any thread. A backend that cannot
    // tell says false, so a busy unit there looks absent.
    virtual bool IsPresent(const char* typeName, int number) {
        (void)typeName;
        (void)number;
        return false;
    }
};

// The system's backend for the units named by directory + "VX<type><n>". On POSIX the units
// are the simulator's sockets in that directory. On Windows the directory is a prefix: a pipe
// prefix (\\.\pipe\... ) names the simulator's pipes; anything else, and above all the
// default \\.\, names the kernel driver's device objects (\\.\VXUSB0).
std::unique_ptr<CDriverPort> CreateSystemDriverPort(const std::string& directory);

// Where units are looked for unless the settings say otherwise: the kernel driver's objects.
#ifdef _WIN32
inline constexpr const char* kDefaultDirectory = "\\\\.\\";
#else
inline constexpr const char* kDefaultDirectory = "/dev";
#endif

// Writes a diagnostic line to the system's debugger output (OutputDebugString on Windows,
// standard error on POSIX). Any thread.
void WriteDebugOutput(const char* line);

// Control request codes.
inline constexpr std::uint32_t kIoctlProgram = 0x222004;   // DeviceCommand in and out
inline constexpr std::uint32_t kIoctlProgress = 0x222008;  // 4-byte progress count out

}  // namespace VxDriver
