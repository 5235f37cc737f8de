// The Windows backend of the driver port over the VX kernel driver: the unit is the device
// object \\.\VX<type><n>, opened for reading and writing, unshared, existing only, overlapped.
// Reads, writes and the two control requests are overlapped requests, each with its own
// event (Win32Connection.h); a progress query is served while a write request waits on
// another thread, as the driver serves requests on one handle concurrently.
//
// The same file holds the overlapped data path that the simulator's pipes use too
// (DriverPortPipe.cpp), so that the tests under Wine run this very code against the pipes.

#include <algorithm>
#include <cstring>

#include "device/driver/UnitSocket.h"
#include "device/driver/Win32Connection.h"

namespace VxDriver {

OVERLAPPED* CIoBlock::Prepare() {
    overlapped = OVERLAPPED{};
    overlapped.hEvent = event.GetHandle();
    event.Reset();
    return &overlapped;
}

IoOutcome Await(HANDLE file, IoBlockPtr& block, BOOL issued, const std::vector<HANDLE>& wake,
                DWORD timeoutMs) {
    IoOutcome outcome;
    if (!issued) {
        DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING) {
            outcome.error = error;  // refused at once; nothing is outstanding
            return outcome;
        }
        std::vector<HANDLE> handles{block->event.GetHandle()};
        handles.insert(handles.end(), wake.begin(), wake.end());
        DWORD which = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(),
                                               FALSE, timeoutMs);
        if (which != WAIT_OBJECT_0) {
            outcome.cutShort = true;
            ::CancelIo(file);
            if (::WaitForSingleObject(block->event.GetHandle(), kLetGoMs) != WAIT_OBJECT_0) {
                // The system did not give the block back: never free it.
                static_cast<void>(block.release());
                outcome.error = ERROR_OPERATION_ABORTED;
                return outcome;
            }
        }
    }
    DWORD bytes = 0;
    outcome.done = ::GetOverlappedResult(file, &block->overlapped, &bytes, TRUE) != FALSE;
    outcome.error = outcome.done ? 0 : ::GetLastError();
    outcome.bytes = bytes;  // also what a read of a longer message took (ERROR_MORE_DATA)
    return outcome;
}

CWin32Connection::CWin32Connection(HANDLE handle, GoneTest isGone)
    : m_handle(handle), m_isGone(isGone) {}

CWin32Connection::~CWin32Connection() {
    // Nothing is outstanding: every request was waited out (or its block given up) by the
    // thread that issued it.
    ::CloseHandle(m_handle);
}

IoOutcome CWin32Connection::ReadOnce(const CEvent& cancel, const CEvent& stop, DWORD timeoutMs) {
    if (!m_read) {
        m_read = std::make_unique<CIoBlock>(kReadSize);
    }
    BOOL issued = ::ReadFile(m_handle, m_read->bytes.data(), static_cast<DWORD>(kReadSize), nullptr,
                             m_read->Prepare());
    return Await(m_handle, m_read, issued,
                 {cancel.GetHandle(), stop.GetHandle(), GetShutdownEvent()}, timeoutMs);
}

ReadResult CWin32Connection::Read(unsigned char* buffer, int size, const CEvent& cancel,
                                  const CEvent& stop, Milliseconds timeout) {
    const DWORD limit = timeout == Wirekit::Win32::kInfinite ? INFINITE : timeout;
    IoOutcome outcome = ReadOnce(cancel, stop, limit);
    if ((outcome.done || outcome.error == ERROR_MORE_DATA) && outcome.bytes > 0 && m_read) {
        int count = std::min(static_cast<int>(outcome.bytes), size);
        std::memcpy(buffer, m_read->bytes.data(), static_cast<std::size_t>(count));
        // A message longer than the read (only a pipe has them): the rest is read and dropped,
        // so that it does not pass for the next frame.
        while (outcome.error == ERROR_MORE_DATA && m_read) {
            outcome = ReadOnce(cancel, stop, INFINITE);
        }
        return {count, 0};
    }
    if (outcome.done) {
        return {0, kErrorFailed};  // an empty read carries no frame
    }
    if (outcome.cutShort) {
        // Woken, or the time-out passed first (then no wake handle is signalled).
        auto isSet = [](const CEvent& event) { return event.IsManualReset() && event.Wait(0); };
        bool woken = isSet(cancel) || isSet(stop) || m_shutdown.Wait(0);
        return {0, woken || limit == INFINITE ? kErrorCancelled : kErrorTimeout};
    }
    return {0, m_isGone(outcome.error) ? kErrorGone : kErrorFailed};
}

int CWin32Connection::Write(const unsigned char* bytes, int count, Milliseconds timeout) {
    if (bytes == nullptr || count <= 0 || m_shutdown.Wait(0)) {
        return -1;
    }
    if (!m_write) {
        m_write = std::make_unique<CIoBlock>(0);
    }
    m_write->bytes.assign(bytes, bytes + count);
    BOOL issued = ::WriteFile(m_handle, m_write->bytes.data(), static_cast<DWORD>(count), nullptr,
                              m_write->Prepare());
    IoOutcome outcome = Await(m_handle, m_write, issued, {GetShutdownEvent()}, timeout);
    return outcome.done ? static_cast<int>(outcome.bytes) : -1;
}

void CWin32Connection::Shutdown() {
    m_shutdown.Set();
}

namespace {

// The driver's only sign that the unit has gone away.
bool IsDriverGone(DWORD error) {
    return error == ERROR_ACCESS_DENIED;
}

class CKernelConnection : public CWin32Connection {
public:
    explicit CKernelConnection(HANDLE handle) : CWin32Connection(handle, IsDriverGone) {}

    // Any thread, also while a read, a write or another request is outstanding. Blocks without
    // limit until the driver completes the request, abort or Shutdown cut it short (it is then
    // cancelled). The request goes with one buffer as input and output, as long as the longer
    // of the two (a DeviceCommand comes back whole; the caller gets outLength bytes of it).
    int Control(std::uint32_t code, const unsigned char* in, int inLength, unsigned char* out,
                int outLength, const CEvent& abort) override {
        if (inLength < 0 || outLength < 0 || (inLength > 0 && in == nullptr) ||
            (outLength > 0 && out == nullptr)) {
            return -1;
        }
        int size = std::max(inLength, outLength);
        auto block = std::make_unique<CIoBlock>(static_cast<std::size_t>(size));
        if (inLength > 0) {
            std::memcpy(block->bytes.data(), in, static_cast<std::size_t>(inLength));
        }
        void* buffer = size > 0 ? block->bytes.data() : nullptr;
        BOOL issued = ::DeviceIoControl(GetHandle(), code, inLength > 0 ? buffer : nullptr,
                                        static_cast<DWORD>(inLength), buffer,
                                        static_cast<DWORD>(size), nullptr, block->Prepare());
        IoOutcome outcome =
            Await(GetHandle(), block, issued, {abort.GetHandle(), GetShutdownEvent()}, INFINITE);
        if (!outcome.done) {
            return -1;
        }
        int count = std::min(static_cast<int>(outcome.bytes), outLength);
        if (count > 0) {
            std::memcpy(out, block->bytes.data(), static_cast<std::size_t>(count));
        }
        return count;
    }
};

class CKernelDriverPort : public CDriverPort {
public:
    explicit CKernelDriverPort(std::string prefix) : m_prefix(std::move(prefix)) {}

    // Synchronous. Null when there is no such device object, it is open elsewhere (no
    // sharing), or the driver refuses.
    std::unique_ptr<CDriverConnection> Open(const char* typeName, int number) override {
        if (typeName == nullptr) {
            return nullptr;
        }
        std::string path = VxSocket::UnitPath(m_prefix, typeName, number);
        HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return nullptr;
        }
        return std::make_unique<CKernelConnection>(handle);
    }

private:
    std::string m_prefix;
};

}  // namespace

std::unique_ptr<CDriverPort> CreateSystemDriverPort(const std::string& directory) {
    if (VxSocket::IsPipePrefix(directory)) {
        return CreatePipeDriverPort(directory);
    }
    return std::make_unique<CKernelDriverPort>(directory.empty() ? kDefaultDirectory : directory);
}

void WriteDebugOutput(const char* line) {
    ::OutputDebugStringA(line);
}

}  // namespace VxDriver
