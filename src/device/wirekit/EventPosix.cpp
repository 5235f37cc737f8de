// Events on POSIX: an eventfd whose counter is above zero while the event is signalled. A
// manual-reset event is only polled; an auto-reset event is also read to zero by the waiter
// that sees it, and a waiter that loses that race waits again for the rest of its time-out.

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <vector>

#include "device/wirekit/Event.h"
#include "device/wirekit/Exception.h"

namespace Wirekit::Win32 {
namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until the deadline, as poll's time-out argument (-1 = no limit).
int PollTimeout(Milliseconds timeout, Clock::time_point start) {
    if (timeout == kInfinite) {
        return -1;
    }
    auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    auto left = static_cast<long long>(timeout) - elapsed;
    if (left <= 0) {
        return 0;
    }
    return left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left);
}

// Takes the signal of an auto-reset event; false when another waiter took it first.
bool Consume(SystemHandle handle) {
    eventfd_t value = 0;
    return eventfd_read(handle, &value) == 0;
}

}  // namespace

CEvent::CEvent(SecurityAttributes*, bool manualReset, bool initiallySignalled)
    : m_handle(eventfd(initiallySignalled ? 1 : 0, EFD_NONBLOCK | EFD_CLOEXEC)),
      m_manualReset(manualReset) {
    if (m_handle < 0) {
        throw CWin32Exception("CEvent::Create()", LastSystemError());
    }
}

CEvent::~CEvent() {
    ::close(m_handle);
}

bool CEvent::Wait(Milliseconds timeout) const {
    auto start = Clock::now();
    for (;;) {
        pollfd entry{m_handle, POLLIN, 0};
        int ready = ::poll(&entry, 1, PollTimeout(timeout, start));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw CWin32Exception("CEvent::Wait() - WaitForSingleObject", LastSystemError());
        }
        if (ready == 0) {
            return false;
        }
        if (m_manualReset || Consume(m_handle)) {
            return true;
        }
        if (PollTimeout(timeout, start) == 0) {
            return false;
        }
    }
}

void CEvent::Set() {
    if (eventfd_write(m_handle, 1) != 0) {
        throw CWin32Exception("CEvent::Set()", LastSystemError());
    }
}

void CEvent::Reset() {
    eventfd_t value = 0;
    if (eventfd_read(m_handle, &value) != 0 && errno != EAGAIN) {
        throw CWin32Exception("CEvent::Reset()", LastSystemError());
    }
}

std::uint32_t WaitForAny(std::initializer_list<const CEvent*> events,
                         std::initializer_list<SystemHandle> readable, Milliseconds timeout) {
    std::vector<pollfd> entries;
    entries.reserve(events.size() + readable.size());
    for (const CEvent* event : events) {
        entries.push_back({event->GetHandle(), POLLIN, 0});
    }
    for (SystemHandle handle : readable) {
        entries.push_back({handle, POLLIN, 0});
    }
    auto start = Clock::now();
    for (;;) {
        int ready = ::poll(entries.data(), entries.size(), PollTimeout(timeout, start));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw CWin32Exception("WaitForAny", LastSystemError());
        }
        if (ready == 0) {
            return kWaitTimeout;
        }
        std::uint32_t index = 0;
        for (const CEvent* event : events) {
            if (entries[index].revents != 0 &&
                (event->IsManualReset() || Consume(event->GetHandle()))) {
                return kWaitObject0 + index;
            }
            ++index;
        }
        for (std::size_t i = events.size(); i < entries.size(); ++i) {
            // Hang-up and errors count as ready: the reader learns what happened from its read.
            if (entries[i].revents != 0) {
                return kWaitObject0 + static_cast<std::uint32_t>(i);
            }
        }
        if (PollTimeout(timeout, start) == 0) {
            return kWaitTimeout;
        }
    }
}

}  // namespace Wirekit::Win32
