// Events on Windows: unnamed system events, waited on with WaitForSingleObject and
// WaitForMultipleObjects.

#include <vector>

#include "device/wirekit/Event.h"
#include "device/wirekit/Exception.h"
#include "device/wirekit/WindowsApi.h"

namespace Wirekit::Win32 {

CEvent::CEvent(SecurityAttributes* securityAttributes, bool manualReset, bool initiallySignalled)
    : m_handle(::CreateEventA(static_cast<LPSECURITY_ATTRIBUTES>(securityAttributes),
                              manualReset ? TRUE : FALSE, initiallySignalled ? TRUE : FALSE,
                              nullptr)),
      m_manualReset(manualReset) {
    if (m_handle == kNoHandle) {
        throw CWin32Exception("CEvent::Create()", LastSystemError());
    }
}

CEvent::~CEvent() {
    ::CloseHandle(m_handle);
}

bool CEvent::Wait(Milliseconds timeout) const {
    DWORD result = ::WaitForSingleObject(m_handle, timeout);
    if (result == WAIT_OBJECT_0) {
        return true;
    }
    if (result == WAIT_TIMEOUT) {
        return false;
    }
    // WAIT_FAILED, or WAIT_ABANDONED, which an event never gives but the call may.
    throw CWin32Exception("CEvent::Wait() - WaitForSingleObject", LastSystemError());
}

void CEvent::Set() {
    if (!::SetEvent(m_handle)) {
        throw CWin32Exception("CEvent::Set()", LastSystemError());
    }
}

void CEvent::Reset() {
    if (!::ResetEvent(m_handle)) {
        throw CWin32Exception("CEvent::Reset()", LastSystemError());
    }
}

std::uint32_t WaitForAny(std::initializer_list<const CEvent*> events,
                         std::initializer_list<SystemHandle> readable, Milliseconds timeout) {
    // Here the other handles are anything the system can wait on (an overlapped request's
    // event, a process); the system wait takes at most MAXIMUM_WAIT_OBJECTS of them.
    std::vector<HANDLE> handles;
    handles.reserve(events.size() + readable.size());
    for (const CEvent* event : events) {
        handles.push_back(event->GetHandle());
    }
    handles.insert(handles.end(), readable.begin(), readable.end());
    if (handles.empty() || handles.size() > MAXIMUM_WAIT_OBJECTS) {
        throw CWin32Exception("WaitForAny", ERROR_INVALID_PARAMETER);
    }
    DWORD result = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(),
                                            FALSE, timeout);
    if (result == WAIT_TIMEOUT) {
        return kWaitTimeout;
    }
    if (result < WAIT_OBJECT_0 + handles.size()) {
        return kWaitObject0 + (result - WAIT_OBJECT_0);
    }
    throw CWin32Exception("WaitForAny", LastSystemError());
}

}  // namespace Wirekit::Win32
