#pragma once
// The overlapped I/O that the two Windows backends of the driver port share: the kernel
// driver's device objects (DriverPortWin32.cpp) and the simulator's pipes (DriverPortPipe.cpp).
// Included only by those two files (it brings in <windows.h>).
//
// Every request is issued and waited for by the same thread, which also cancels it (CancelIo
// cancels only the calling thread's requests), and it is never left behind with memory that
// may be freed: a request that will not let go even after it was cancelled keeps its block
// for good.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "device/driver/DriverPort.h"
#include "device/wirekit/Event.h"
#include "device/wirekit/WindowsApi.h"

namespace VxDriver {

// One overlapped request: its record, its own manual-reset event and the bytes it carries,
// in one block on the heap, so that a request the system still holds can outlive its caller.
struct CIoBlock {
    explicit CIoBlock(std::size_t size) : bytes(size) {}

    // A fresh record (offset 0) on the block's event, the event cleared.
    OVERLAPPED* Prepare();

    OVERLAPPED overlapped{};
    Wirekit::Win32::CManualResetEvent event{false};
    std::vector<unsigned char> bytes;
};
using IoBlockPtr = std::unique_ptr<CIoBlock>;

// How an overlapped request ended.
struct IoOutcome {
    bool done = false;  // it succeeded; bytes were transferred
    DWORD bytes = 0;
    DWORD error = 0;        // else the system's error (ERROR_OPERATION_ABORTED when cut short)
    bool cutShort = false;  // a wake handle or the time-out ended the wait first
};

// How long a cancelled request may take to let go of its block before the block is given up.
inline constexpr DWORD kLetGoMs = 1000;

// Waits for the request that this thread has just issued on file with block (issued: what
// ReadFile, WriteFile or DeviceIoControl returned), up to timeoutMs (INFINITE: no limit) or
// until one of wake is signalled. Then a request still pending is cancelled and waited for
// up to kLetGoMs; if the system still holds it, block is released and never freed (a leak,
// rather than memory written to after it was freed). A request that completed in the meantime
// counts as done.
IoOutcome Await(HANDLE file, IoBlockPtr& block, BOOL issued, const std::vector<HANDLE>& wake,
                DWORD timeoutMs);

// An open unit's handle with its reads and writes (the data path, the same for the driver and
// for the pipes). The derived class adds the control requests.
class CWin32Connection : public CDriverConnection {
public:
    ~CWin32Connection() override;

    // Reader thread. One overlapped ReadFile of 16384 bytes, waited for up to the time-out;
    // the cancel and stop events and Shutdown cancel it, as does the time-out passing (a read
    // that completed meanwhile still counts). A read error that isGone names (the driver's
    // ERROR_ACCESS_DENIED, a pipe's end) means that the unit has gone away.
    ReadResult Read(unsigned char* buffer, int size, const CEvent& cancel, const CEvent& stop,
                    Milliseconds timeout) override;
    // Sender's thread. One overlapped WriteFile of the frame, waited for up to timeout; after
    // that it is cancelled, and if it was not taken the write fails. The frame travels in a
    // block of the connection's own, so the caller's buffer is free when this returns.
    int Write(const unsigned char* bytes, int count, Milliseconds timeout) override;
    // Any thread: ends the reads, writes and control requests in progress or to come. The
    // handle is closed by the destructor.
    void Shutdown() override;

protected:
    using GoneTest = bool (*)(DWORD error);
    CWin32Connection(HANDLE handle, GoneTest isGone);

    HANDLE GetHandle() const { return m_handle; }
    HANDLE GetShutdownEvent() const { return m_shutdown.GetHandle(); }

private:
    static constexpr std::size_t kReadSize = 16384;
    IoOutcome ReadOnce(const CEvent& cancel, const CEvent& stop, DWORD timeoutMs);

    HANDLE m_handle;
    GoneTest m_isGone;
    Wirekit::Win32::CManualResetEvent m_shutdown{false};
    IoBlockPtr m_read;   // reader thread only
    IoBlockPtr m_write;  // sender only
};

// The simulator's units on Windows (DriverPortPipe.cpp).
std::unique_ptr<CDriverPort> CreatePipeDriverPort(const std::string& prefix);

}  // namespace VxDriver
