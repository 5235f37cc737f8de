// Threads on POSIX: std::thread, whose handle is let go by join.

#include "device/wirekit/Thread.h"

#include <cerrno>
#include <system_error>

#include "device/wirekit/Exception.h"
#include "device/wirekit/Platform.h"

namespace Wirekit::Win32 {

CThread::CThread() = default;

CThread::~CThread() {
    // The handle is let go once, whether the thread ended by itself or not. The derived class
    // has stopped and joined its thread before we get here; if it has not, we must not wait.
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id() || m_running.load()) {
            m_thread.detach();
        } else {
            m_thread.join();
        }
    }
}

void CThread::Start() {
    if (m_running.load()) {
        throw CException("CThread::Start()",
                         "Thread already running - you can only call Start() once!");
    }
    if (m_thread.joinable()) {
        m_thread.join();  // the previous run has ended; only its handle is left
    }
    m_running.store(true);
    try {
        m_thread = std::thread(&CThread::Entry, this);
    } catch (const std::system_error& error) {
        m_running.store(false);
        int code = error.code().value() != 0 ? error.code().value() : EAGAIN;
        throw CWin32Exception("CThread::Start() - _beginthreadex", code);
    }
}

std::uint32_t CThread::Join() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) {
        m_thread.join();
    }
    return kWaitObject0;
}

}  // namespace Wirekit::Win32
