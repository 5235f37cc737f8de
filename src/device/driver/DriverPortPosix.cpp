// The POSIX backend of the driver port: units are SOCK_SEQPACKET sockets in a directory, spoken
// to as device/driver/DriverProtocol.h describes.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

#include "device/DeviceCommand.h"
#include "device/driver/DriverPort.h"
#include "device/driver/DriverProtocol.h"
#include "device/driver/UnitSocket.h"

namespace VxDriver {
namespace {

using namespace VxProtocol;

// How long a unit may take to answer a hello before the open counts as failed.
constexpr int kAnswerTimeoutMs = 2000;
// The host's send buffer on a data connection holds only a few frames, so that a write waits
// until the unit has (nearly) taken the frame, as a write to the driver does.
constexpr int kDataSendBuffer = 4096;

// Connects to the unit and says hello; the socket, or -1 when the unit refuses or is absent.
int SayHello(const std::string& path, std::uint32_t kind, std::uint32_t token,
             std::uint32_t* answerToken) {
    int fd = VxSocket::Connect(path);
    if (fd < 0) {
        return -1;
    }
    unsigned char message[kHelloSize];
    EncodeTriple(message, kMagic, kind, token);
    unsigned char answer[kHelloSize];
    if (VxSocket::SendMessage(fd, message, sizeof message, kAnswerTimeoutMs) &&
        VxSocket::ReceiveMessage(fd, answer, sizeof answer, kAnswerTimeoutMs) == kHelloSize) {
        std::uint32_t magic = 0, status = 0;
        DecodeTriple(answer, &magic, &status, answerToken);
        if (magic == kMagic && status == kGranted) {
            return fd;
        }
    }
    ::close(fd);
    return -1;
}

class CPosixConnection : public CDriverConnection {
public:
    CPosixConnection(int fd, std::string path, std::uint32_t token)
        : m_fd(fd), m_path(std::move(path)), m_token(token) {}
    ~CPosixConnection() override { ::close(m_fd); }

    ReadResult Read(unsigned char* buffer, int size, const CEvent& cancel, const CEvent& stop,
                    Milliseconds timeout) override {
        const int limit = timeout > 0x7FFFFFFFu ? VxSocket::kNoLimit : static_cast<int>(timeout);
        // The clock is read only for a read that has to wait with a limit: the reader takes
        // the frames that are there with reads that never wait, one for every frame.
        std::chrono::steady_clock::time_point start{};
        for (;;) {
            ssize_t got = ::recv(m_fd, buffer, static_cast<std::size_t>(size), MSG_DONTWAIT);
            if (got > 0) {
                return {static_cast<int>(got), 0};
            }
            if (got == 0 || errno == ECONNRESET || errno == ENOTCONN) {
                return {0, kErrorGone};
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                return {0, kErrorFailed};
            }
            int left = limit;
            if (limit > 0) {
                const auto now = std::chrono::steady_clock::now();
                if (start == std::chrono::steady_clock::time_point{}) {
                    start = now;
                }
                auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(now - start);
                left = std::max(0, limit - static_cast<int>(spent.count()));
            }
            auto wait = left == 0 ? VxSocket::kTimedOut
                                  : VxSocket::WaitFd(m_fd, POLLIN,
                                                     {cancel.GetHandle(), stop.GetHandle()}, left);
            if (wait == VxSocket::kTimedOut) {
                return {0, kErrorTimeout};
            }
            if (wait == VxSocket::kWoken) {
                return {0, kErrorCancelled};
            }
            if (wait == VxSocket::kFailed) {
                return {0, kErrorFailed};
            }
        }
    }

    int Write(const unsigned char* bytes, int count, Milliseconds timeout) override {
        int limit = timeout > 0x7FFFFFFFu ? VxSocket::kNoLimit : static_cast<int>(timeout);
        return VxSocket::SendMessage(m_fd, bytes, static_cast<std::size_t>(count), limit) ? count
                                                                                          : -1;
    }

    int Control(std::uint32_t code, const unsigned char* in, int inLength, unsigned char* out,
                int outLength, const CEvent& abort) override;

    void Shutdown() override { ::shutdown(m_fd, SHUT_RDWR); }

private:
    int m_fd;
    std::string m_path;
    std::uint32_t m_token;
};

int CPosixConnection::Control(std::uint32_t code, const unsigned char* in, int inLength,
                              unsigned char* out, int outLength, const CEvent& abort) {
    if (inLength < 0 || outLength < 0) {
        return -1;
    }
    // Each request has a connection of its own, so a progress query never waits behind the
    // write request that another thread has outstanding.
    std::uint32_t token = 0;
    int fd = SayHello(m_path, kControl, m_token, &token);
    if (fd < 0) {
        return -1;
    }
    int wake = abort.GetHandle();
    auto send = [fd, wake](const unsigned char* bytes, int count) {
        return VxSocket::SendMessage(fd, bytes, static_cast<std::size_t>(count), VxSocket::kNoLimit,
                                     {wake});
    };
    auto receive = [fd, wake](unsigned char* buffer, int size) {
        return VxSocket::ReceiveMessage(fd, buffer, static_cast<std::size_t>(size),
                                        VxSocket::kNoLimit, {wake});
    };
    int result = -1;
    if (SendRequest(code, in, inLength, outLength, send)) {
        result = ReceiveReply(code, out, outLength, receive);
    }
    ::close(fd);
    return result;
}

class CPosixPort : public CDriverPort {
public:
    explicit CPosixPort(std::string directory) : m_directory(std::move(directory)) {}

    std::unique_ptr<CDriverConnection> Open(const char* typeName, int number) override {
        if (typeName == nullptr) {
            return nullptr;
        }
        std::string path = VxSocket::UnitPath(m_directory, typeName, number);
        std::uint32_t token = 0;
        int fd = SayHello(path, kOpen, 0, &token);
        if (fd < 0) {
            return nullptr;
        }
        int size = kDataSendBuffer;
        ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
        return std::make_unique<CPosixConnection>(fd, path, token);
    }

    // Something serves the unit's socket. The simulator removes the socket when the unit is
    // unplugged, but one that was killed leaves its sockets behind with nobody listening.
    bool IsPresent(const char* typeName, int number) override {
        return typeName != nullptr &&
               VxSocket::IsListening(VxSocket::UnitPath(m_directory, typeName, number));
    }

private:
    std::string m_directory;
};

}  // namespace

std::unique_ptr<CDriverPort> CreateSystemDriverPort(const std::string& directory) {
    return std::make_unique<CPosixPort>(directory);
}

void WriteDebugOutput(const char* line) {
    std::fputs(line, stderr);
}

}  // namespace VxDriver
