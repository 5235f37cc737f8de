#pragma once

#include <initializer_list>

#include "device/wirekit/Platform.h"

namespace Wirekit::Win32 {

// An unnamed system event. Its handle can be waited on together with other handles
// (WaitForAny below), device handles included. Safe to set, reset and wait from any thread.
class CEvent {
public:
    // Throws CWin32Exception ("CEvent::Create()") when the system refuses the event.
    CEvent(SecurityAttributes* securityAttributes, bool manualReset, bool initiallySignalled);
    virtual ~CEvent();

    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    // True when the event is (or becomes) signalled within the time-out, false when the time
    // passes. A time-out of 0 tests without waiting; kInfinite waits without limit. An
    // auto-reset event is cleared by the wait that sees it.
    bool Wait(Milliseconds timeout) const;
    void Set();
    void Reset();

    SystemHandle GetHandle() const { return m_handle; }
    bool IsManualReset() const { return m_manualReset; }

private:
    SystemHandle m_handle;
    bool m_manualReset;
};

class CManualResetEvent : public CEvent {
public:
    explicit CManualResetEvent(bool initiallySignalled);
    ~CManualResetEvent() override;
};

// Waits until one of the events is signalled or one of the other handles is ready: on POSIX a
// descriptor with something to read (a device socket with a frame or an end-of-file), on
// Windows any handle the system can wait on (at most 64 handles in all there). Returns kWaitObject0
// + the index of the first one that is ready, counting the events first and the handles after them,
// or kWaitTimeout. An auto-reset event that ends the wait is cleared by it. Throws CWin32Exception
// (where "WaitForAny") when the system wait fails.
std::uint32_t WaitForAny(std::initializer_list<const CEvent*> events,
                         std::initializer_list<SystemHandle> readable, Milliseconds timeout);
std::uint32_t WaitForAny(std::initializer_list<const CEvent*> events, Milliseconds timeout);

}  // namespace Wirekit::Win32
