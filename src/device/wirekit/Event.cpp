// What the events are on every system; EventPosix.cpp and EventWin32.cpp hold the rest.

#include "device/wirekit/Event.h"

namespace Wirekit::Win32 {

CManualResetEvent::CManualResetEvent(bool initiallySignalled)
    : CEvent(nullptr, true, initiallySignalled) {}

CManualResetEvent::~CManualResetEvent() = default;

std::uint32_t WaitForAny(std::initializer_list<const CEvent*> events, Milliseconds timeout) {
    return WaitForAny(events, {}, timeout);
}

}  // namespace Wirekit::Win32
