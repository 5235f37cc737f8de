// What a thread does on every system; ThreadPosix.cpp and ThreadWin32.cpp start and join it.

#include "device/wirekit/Thread.h"
#include "device/wirekit/Exception.h"

namespace Wirekit::Win32 {

int CThread::Entry() {
    int code = 0;
    try {
        code = Run();
    } catch (...) {
        // Nothing above this frame catches: the process ends, as an unhandled exception on a
        // thread ends it on every platform.
        m_running.store(false);
        throw CWin32Exception("Thread", LastSystemError());
    }
    m_running.store(false);
    return code;
}

}  // namespace Wirekit::Win32
