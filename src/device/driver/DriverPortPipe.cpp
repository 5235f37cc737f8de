// The simulator's units on Windows: named pipes in message mode (\\.\pipe\...\VXUSB0) that
// speak the unit protocol of device/driver/DriverProtocol.h, as the sockets do on POSIX. The
// data path is the driver backend's own (CWin32Connection); only opening and the control
// requests differ: a hello first, and each control request on a pipe connection of its own.

#include <chrono>
#include <cstring>

#include "device/driver/DriverProtocol.h"
#include "device/driver/UnitSocket.h"
#include "device/driver/Win32Connection.h"

namespace VxDriver {
namespace {

using namespace VxProtocol;

// How long a unit may take to accept a connection and to answer a hello.
constexpr DWORD kAnswerTimeoutMs = 2000;

// The ways a pipe says that the unit has closed it.
bool IsPipeGone(DWORD error) {
    return error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED ||
           error == ERROR_NO_DATA;
}

// Connects to the unit's pipe in message mode, waiting while all its instances are taken (the
// unit makes the next one as it accepts). INVALID_HANDLE_VALUE when there is no such unit.
HANDLE ConnectPipe(const std::string& path) {
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + std::chrono::milliseconds(kAnswerTimeoutMs);
    for (;;) {
        HANDLE pipe = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            DWORD mode = PIPE_READMODE_MESSAGE;
            if (::SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr)) {
                return pipe;
            }
            ::CloseHandle(pipe);
            return INVALID_HANDLE_VALUE;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (::GetLastError() != ERROR_PIPE_BUSY || left.count() <= 0) {
            return INVALID_HANDLE_VALUE;
        }
        ::WaitNamedPipeA(path.c_str(), static_cast<DWORD>(left.count()));
    }
}

// One message written to or read from the pipe, through a block of its own; its length, or
// -1 on failure, time-out, a wake-up, or a message longer than count.
long Transfer(HANDLE pipe, bool write, unsigned char* bytes, int count,
              const std::vector<HANDLE>& wake, DWORD timeoutMs) {
    auto block = std::make_unique<CIoBlock>(static_cast<std::size_t>(count));
    if (write) {
        std::memcpy(block->bytes.data(), bytes, static_cast<std::size_t>(count));
    }
    OVERLAPPED* overlapped = block->Prepare();
    BOOL issued =
        write
            ? ::WriteFile(pipe, block->bytes.data(), static_cast<DWORD>(count), nullptr, overlapped)
            : ::ReadFile(pipe, block->bytes.data(), static_cast<DWORD>(count), nullptr, overlapped);
    IoOutcome outcome = Await(pipe, block, issued, wake, timeoutMs);
    if (!outcome.done) {
        return -1;
    }
    if (!write) {
        std::memcpy(bytes, block->bytes.data(), outcome.bytes);
    }
    return static_cast<long>(outcome.bytes);
}

// Connects and says hello; the pipe, or INVALID_HANDLE_VALUE when the unit refuses or is absent.
HANDLE SayHello(const std::string& path, std::uint32_t kind, std::uint32_t token,
                std::uint32_t* answerToken) {
    HANDLE pipe = ConnectPipe(path);
    if (pipe == INVALID_HANDLE_VALUE) {
        return pipe;
    }
    unsigned char message[kHelloSize];
    EncodeTriple(message, kMagic, kind, token);
    unsigned char answer[kHelloSize];
    if (Transfer(pipe, true, message, kHelloSize, {}, kAnswerTimeoutMs) == kHelloSize &&
        Transfer(pipe, false, answer, kHelloSize, {}, kAnswerTimeoutMs) == kHelloSize) {
        std::uint32_t magic = 0, status = 0;
        DecodeTriple(answer, &magic, &status, answerToken);
        if (magic == kMagic && status == kGranted) {
            return pipe;
        }
    }
    ::CloseHandle(pipe);
    return INVALID_HANDLE_VALUE;
}

class CPipeConnection : public CWin32Connection {
public:
    CPipeConnection(HANDLE pipe, std::string path, std::uint32_t token)
        : CWin32Connection(pipe, IsPipeGone), m_path(std::move(path)), m_token(token) {}

    // Any thread. Each request has a pipe connection of its own, so a progress query never
    // waits behind the write request that another thread has outstanding. Blocks without limit
    // until the unit answers, closes the connection, or abort or Shutdown cut it short.
    int Control(std::uint32_t code, const unsigned char* in, int inLength, unsigned char* out,
                int outLength, const CEvent& abort) override {
        if (inLength < 0 || outLength < 0) {
            return -1;
        }
        std::uint32_t token = 0;
        HANDLE pipe = SayHello(m_path, kControl, m_token, &token);
        if (pipe == INVALID_HANDLE_VALUE) {
            return -1;
        }
        std::vector<HANDLE> wake{abort.GetHandle(), GetShutdownEvent()};
        auto send = [&](const unsigned char* bytes, int count) {
            return Transfer(pipe, true, const_cast<unsigned char*>(bytes), count, wake, INFINITE) ==
                   count;
        };
        auto receive = [&](unsigned char* buffer, int size) {
            return Transfer(pipe, false, buffer, size, wake, INFINITE);
        };
        int result = -1;
        if (SendRequest(code, in, inLength, outLength, send)) {
            result = ReceiveReply(code, out, outLength, receive);
        }
        ::CloseHandle(pipe);
        return result;
    }

private:
    std::string m_path;
    std::uint32_t m_token;
};

class CPipePort : public CDriverPort {
public:
    explicit CPipePort(std::string prefix) : m_prefix(std::move(prefix)) {}

    // Synchronous, at most about 4 s (the pipe's instances busy, then the unit's answer).
    // Null when there is no such unit or it is open elsewhere.
    std::unique_ptr<CDriverConnection> Open(const char* typeName, int number) override {
        if (typeName == nullptr) {
            return nullptr;
        }
        std::string path = VxSocket::UnitPath(m_prefix, typeName, number);
        std::uint32_t token = 0;
        HANDLE pipe = SayHello(path, kOpen, 0, &token);
        if (pipe == INVALID_HANDLE_VALUE) {
            return nullptr;
        }
        return std::make_unique<CPipeConnection>(pipe, path, token);
    }

private:
    std::string m_prefix;
};

}  // namespace

std::unique_ptr<CDriverPort> CreatePipeDriverPort(const std::string& prefix) {
    return std::make_unique<CPipePort>(prefix);
}

}  // namespace VxDriver
