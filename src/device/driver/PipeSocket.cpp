// The units' sockets on Windows: named pipes in message mode. A descriptor is this file's own
// number for a pipe instance (one that listens for the next client, or a connected one) or for
// a waker event.
//
// Poll issues the requests it waits for (ConnectNamedPipe on a listening instance, one ReadFile
// ahead on a connected one) on the thread that polls, the engine's, and Receive and Accept take
// what those requests brought. Sends are overlapped writes waited for by the sending thread.

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "device/driver/DriverProtocol.h"
#include "device/driver/UnitSocket.h"
#include "device/driver/Win32Connection.h"

namespace VxSocket {
namespace {

using VxDriver::CIoBlock;
using VxDriver::IoBlockPtr;

// Host to unit: room for a few frames only, so that the host's write waits until the unit has
// (nearly) taken its frame, as a write to the driver does. Unit to host: generous.
constexpr DWORD kInBufferSize = 4096;
constexpr DWORD kOutBufferSize = 65536;
// The longest message either side sends (a control request's chunk).
constexpr std::size_t kMessageSize = VxProtocol::kMaxChunk;

struct Endpoint {
    enum Kind { kWaker, kListener, kPipe };

    Endpoint(Kind kind, HANDLE handle, std::size_t bufferSize)
        : kind(kind), handle(handle), io(std::make_unique<CIoBlock>(bufferSize)) {}
    ~Endpoint();
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;

    const Kind kind;
    HANDLE handle;     // the pipe instance (a listener's changes as it accepts)
    IoBlockPtr io;     // the request below; the waker's event
    std::string path;  // a listener's pipe name, for its next instance
    // Touched by the polling thread only, except refusing (ShutdownRead, any thread).
    bool outstanding = false;  // the ConnectNamedPipe or ReadFile is pending
    bool ready = false;        // a client has connected, or a message or the end has come
    bool ended = false;        // the connection has ended (its read failed)
    DWORD bytes = 0;           // of the message that has come
    std::atomic<bool> refusing{false};
};

Endpoint::~Endpoint() {
    if (outstanding && io) {
        // Issued by the polling thread, which may not be this one.
        ::CancelIoEx(handle, &io->overlapped);
        if (::WaitForSingleObject(io->event.GetHandle(), VxDriver::kLetGoMs) != WAIT_OBJECT_0) {
            static_cast<void>(io.release());  // the system still holds it: never free it
        }
    }
    if (handle != INVALID_HANDLE_VALUE) {
        ::CloseHandle(handle);
    }
}

using EndpointPtr = std::shared_ptr<Endpoint>;

// The descriptors; numbers are never used twice, so a stale one finds nothing.
struct Table {
    std::mutex lock;
    std::unordered_map<int, EndpointPtr> endpoints;
    int next = 1;
};

Table& Endpoints() {
    static Table table;
    return table;
}

int Add(EndpointPtr endpoint) {
    Table& table = Endpoints();
    std::lock_guard<std::mutex> lock(table.lock);
    int fd = table.next++;
    table.endpoints.emplace(fd, std::move(endpoint));
    return fd;
}

EndpointPtr Find(int fd) {
    Table& table = Endpoints();
    std::lock_guard<std::mutex> lock(table.lock);
    auto it = table.endpoints.find(fd);
    return it != table.endpoints.end() ? it->second : nullptr;
}

// One more instance of the pipe. Not the first-instance kind: an unplugged unit's instances may
// still be going (a poll in progress holds them) when the unit is plugged again.
HANDLE NewInstance(const std::string& path) {
    return ::CreateNamedPipeA(
        path.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
        PIPE_UNLIMITED_INSTANCES, kOutBufferSize, kInBufferSize, 0, nullptr);
}

// Notes how the request ended: a read's message (or the connection's end), a connect.
void Finish(Endpoint& endpoint, BOOL succeeded) {
    endpoint.outstanding = false;
    endpoint.ready = true;
    if (endpoint.kind == Endpoint::kPipe) {
        // Read errors end the connection (a message too long for the buffer is no error).
        endpoint.ended = !succeeded;
    }
}

// The rest of a message longer than the buffer: read and dropped, its bytes counted. The writer
// is in the middle of sending it, so each read completes soon. False when the pipe fails.
bool DropRestOfMessage(Endpoint& endpoint) {
    auto block = std::make_unique<CIoBlock>(kMessageSize);
    for (;;) {
        BOOL done = ::ReadFile(endpoint.handle, block->bytes.data(),
                               static_cast<DWORD>(block->bytes.size()), nullptr, block->Prepare());
        DWORD error = done ? 0 : ::GetLastError();
        if (!done && error != ERROR_MORE_DATA && error != ERROR_IO_PENDING) {
            return false;
        }
        DWORD got = 0;
        done = ::GetOverlappedResult(endpoint.handle, &block->overlapped, &got, TRUE);
        endpoint.bytes += got;
        if (done) {
            return true;
        }
        if (::GetLastError() != ERROR_MORE_DATA) {
            return false;
        }
    }
}

// Takes the result of a read or connect that has completed. A message longer than the buffer
// is a message all the same: its length is its whole length.
void Complete(Endpoint& endpoint) {
    endpoint.bytes = 0;
    BOOL succeeded =
        ::GetOverlappedResult(endpoint.handle, &endpoint.io->overlapped, &endpoint.bytes, FALSE);
    if (!succeeded && endpoint.kind == Endpoint::kPipe && ::GetLastError() == ERROR_MORE_DATA) {
        succeeded = DropRestOfMessage(endpoint);
    }
    Finish(endpoint, succeeded);
}

// Takes the result of the request if it has completed.
void Check(Endpoint& endpoint) {
    if (endpoint.kind == Endpoint::kWaker) {
        endpoint.ready = endpoint.io->event.Wait(0);
        return;
    }
    if (!endpoint.outstanding || !endpoint.io->event.Wait(0)) {
        return;
    }
    Complete(endpoint);
}

void StartRead(Endpoint& endpoint) {
    endpoint.bytes = 0;
    BOOL done =
        ::ReadFile(endpoint.handle, endpoint.io->bytes.data(),
                   static_cast<DWORD>(endpoint.io->bytes.size()), nullptr, endpoint.io->Prepare());
    DWORD error = done ? 0 : ::GetLastError();
    if (done || error == ERROR_MORE_DATA) {
        Complete(endpoint);
    } else if (error == ERROR_IO_PENDING) {
        endpoint.outstanding = true;
    } else {
        Finish(endpoint, FALSE);
    }
}

// Issues the request the endpoint waits for, unless it is out or has brought something.
void Arm(Endpoint& endpoint) {
    if (endpoint.outstanding || endpoint.ready) {
        return;
    }
    if (endpoint.kind == Endpoint::kPipe && !endpoint.ended && !endpoint.refusing.load()) {
        StartRead(endpoint);
    } else if (endpoint.kind == Endpoint::kListener) {
        if (endpoint.handle == INVALID_HANDLE_VALUE) {
            endpoint.handle = NewInstance(endpoint.path);
            if (endpoint.handle == INVALID_HANDLE_VALUE) {
                return;  // tried again at the next poll
            }
        }
        if (::ConnectNamedPipe(endpoint.handle, endpoint.io->Prepare())) {
            Finish(endpoint, TRUE);
        } else if (::GetLastError() == ERROR_IO_PENDING) {
            endpoint.outstanding = true;
        } else {
            // Connected already (ERROR_PIPE_CONNECTED), or the client has come and gone: the
            // instance is handed over either way, and a gone client reads as ended.
            Finish(endpoint, TRUE);
        }
    }
}

}  // namespace

bool IsPipePrefix(const std::string& directory) {
    static const char kPipe[] = "\\\\.\\pipe\\";
    const std::size_t length = sizeof kPipe - 1;
    if (directory.size() < length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        char c = directory[i] == '/' ? '\\' : directory[i];
        if (std::tolower(static_cast<unsigned char>(c)) != kPipe[i]) {
            return false;
        }
    }
    return true;
}

int Listen(const std::string& path) {
    HANDLE instance = NewInstance(path);
    if (instance == INVALID_HANDLE_VALUE) {
        return -1;
    }
    auto endpoint = std::make_shared<Endpoint>(Endpoint::kListener, instance, 0);
    endpoint->path = path;
    return Add(std::move(endpoint));
}

int Accept(int listener) {
    EndpointPtr endpoint = Find(listener);
    if (!endpoint || endpoint->kind != Endpoint::kListener) {
        return -1;
    }
    Check(*endpoint);
    if (!endpoint->ready) {
        return -1;
    }
    // A new instance listens before the connected one is handed over, so that clients find one.
    HANDLE connected = endpoint->handle;
    endpoint->handle = NewInstance(endpoint->path);
    endpoint->ready = false;
    return Add(std::make_shared<Endpoint>(Endpoint::kPipe, connected, kMessageSize));
}

long Receive(int fd, void* buffer, std::size_t size) {
    EndpointPtr endpoint = Find(fd);
    if (!endpoint || endpoint->kind != Endpoint::kPipe) {
        return kEnded;
    }
    Check(*endpoint);
    Arm(*endpoint);  // a message that has come already is taken at once
    if (!endpoint->ready) {
        return kNothingYet;
    }
    if (endpoint->ended) {
        return kEnded;
    }
    endpoint->ready = false;
    std::size_t count =
        std::min({static_cast<std::size_t>(endpoint->bytes), size, endpoint->io->bytes.size()});
    std::memcpy(buffer, endpoint->io->bytes.data(), count);
    return static_cast<long>(endpoint->bytes);
}

bool SendMessage(int fd, const void* bytes, std::size_t count, int timeoutMs,
                 std::initializer_list<int> wake) {
    EndpointPtr endpoint = Find(fd);
    if (!endpoint || endpoint->kind != Endpoint::kPipe) {
        return false;
    }
    std::vector<HANDLE> wakeHandles;
    for (int waker : wake) {
        if (EndpointPtr found = Find(waker)) {
            wakeHandles.push_back(found->io->event.GetHandle());
        }
    }
    auto block = std::make_unique<CIoBlock>(count);
    std::memcpy(block->bytes.data(), bytes, count);
    BOOL issued = ::WriteFile(endpoint->handle, block->bytes.data(), static_cast<DWORD>(count),
                              nullptr, block->Prepare());
    VxDriver::IoOutcome outcome =
        VxDriver::Await(endpoint->handle, block, issued, wakeHandles,
                        timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    return outcome.done && outcome.bytes == count;
}

void ShutdownRead(int fd) {
    if (EndpointPtr endpoint = Find(fd)) {
        endpoint->refusing.store(true);
    }
}

bool PeerHasGone(int fd) {
    EndpointPtr endpoint = Find(fd);
    if (!endpoint || endpoint->kind != Endpoint::kPipe) {
        return true;
    }
    Check(*endpoint);
    if (endpoint->ready) {
        return true;
    }
    // A pipe whose client has closed still gives the messages it left; only once they are read
    // does it say so. So: gone, or at least something to read.
    DWORD waiting = 0;
    if (!::PeekNamedPipe(endpoint->handle, nullptr, 0, nullptr, &waiting, nullptr)) {
        // Gone. The read outstanding on the pipe ends now, but its end may not be seen yet:
        // wait for it, so that the caller's Receive reads the end rather than "nothing yet".
        if (endpoint->outstanding) {
            endpoint->io->event.Wait(VxDriver::kLetGoMs);
            Check(*endpoint);
        }
        return true;
    }
    return waiting > 0;
}

void Close(int fd) {
    EndpointPtr endpoint;
    {
        Table& table = Endpoints();
        std::lock_guard<std::mutex> lock(table.lock);
        auto it = table.endpoints.find(fd);
        if (it == table.endpoints.end()) {
            return;
        }
        endpoint = std::move(it->second);
        table.endpoints.erase(it);
    }
    // The instance closes here, or when a Poll in progress lets go of it.
}

void RemoveUnit(const std::string&) {
    // A pipe's name goes with its last instance.
}

int CreateWaker() {
    return Add(std::make_shared<Endpoint>(Endpoint::kWaker, INVALID_HANDLE_VALUE, 0));
}

void Wake(int waker) {
    if (EndpointPtr endpoint = Find(waker)) {
        endpoint->io->event.Set();
    }
}

void DrainWaker(int waker) {
    if (EndpointPtr endpoint = Find(waker)) {
        endpoint->io->event.Reset();
    }
}

int Poll(std::vector<PollEntry>& entries, int timeoutMs) {
    std::vector<EndpointPtr> held;  // keeps each endpoint alive while it is waited on
    held.reserve(entries.size());
    bool writing = false;  // the room to send is looked at again after a short wait
    auto collect = [&] {
        int ready = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (held[i]) {
                Check(*held[i]);
            }
            // A closed descriptor counts as ready, as poll reports it on POSIX.
            entries[i].ready = !entries[i].write && (!held[i] || held[i]->ready);
            ready += entries[i].ready ? 1 : 0;
        }
        return ready;
    };
    for (PollEntry& entry : entries) {
        writing = writing || entry.write;
        held.push_back(entry.write ? EndpointPtr() : Find(entry.fd));
        if (held.back()) {
            Arm(*held.back());
        }
    }
    int ready = collect();
    if (ready > 0 || timeoutMs == 0) {
        return ready;
    }
    std::vector<HANDLE> events;
    for (const EndpointPtr& endpoint : held) {
        if (endpoint && (endpoint->kind == Endpoint::kWaker || endpoint->outstanding)) {
            events.push_back(endpoint->io->event.GetHandle());
        }
    }
    DWORD wait = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    if (writing) {
        wait = std::min<DWORD>(wait, 10);
    }
    if (events.size() > MAXIMUM_WAIT_OBJECTS) {
        // More than one system wait can take (many units at once): wait on the first ones
        // (the waker is first) for a short while and look at all of them after.
        events.resize(MAXIMUM_WAIT_OBJECTS);
        wait = std::min<DWORD>(wait, 10);
    }
    if (events.empty()) {
        ::Sleep(wait == INFINITE ? 10 : std::min<DWORD>(wait, 10));
    } else {
        ::WaitForMultipleObjects(static_cast<DWORD>(events.size()), events.data(), FALSE, wait);
    }
    return collect();
}

}  // namespace VxSocket
