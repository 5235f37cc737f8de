// Threads on Windows: the C run-time's _beginthreadex, so that the run-time's per-thread state
// is set up for Run. The handle is closed once: when the object goes, or when Start runs the
// object again after its thread has ended.

#include <process.h>

#include <cerrno>

#include "device/wirekit/Exception.h"
#include "device/wirekit/Thread.h"
#include "device/wirekit/WindowsApi.h"

namespace Wirekit::Win32 {

CThread::CThread() = default;

CThread::~CThread() {
    // Closing the handle does not end the thread: a derived class that has not stopped and
    // joined its thread leaves it running, as the POSIX backend detaches it.
    if (m_handle != kNoHandle) {
        ::CloseHandle(m_handle);
    }
}

void CThread::Start() {
    if (m_running.load()) {
        throw CException("CThread::Start()",
                         "Thread already running - you can only call Start() once!");
    }
    if (m_handle != kNoHandle) {
        // The previous run has ended (Run returned); only its handle is left.
        ::WaitForSingleObject(m_handle, INFINITE);
        ::CloseHandle(m_handle);
        m_handle = kNoHandle;
    }
    m_running.store(true);
    std::uintptr_t handle = ::_beginthreadex(nullptr, 0, &CThread::EntryPoint, this, 0, nullptr);
    if (handle == 0) {
        int error = errno;
        m_running.store(false);
        throw CWin32Exception("CThread::Start() - _beginthreadex", error);
    }
    m_handle = reinterpret_cast<SystemHandle>(handle);
}

std::uint32_t CThread::Join() {
    if (m_handle == kNoHandle || ::GetThreadId(m_handle) == ::GetCurrentThreadId()) {
        return kWaitObject0;
    }
    return ::WaitForSingleObject(m_handle, INFINITE);
}

unsigned __stdcall CThread::EntryPoint(void* self) {
    return static_cast<unsigned>(static_cast<CThread*>(self)->Entry());
}

}  // namespace Wirekit::Win32
