// The critical section on POSIX: a mutex that the owner may enter again, and that a thread
// finding it taken tries again for a while before it sleeps.

#include "device/wirekit/CriticalSection.h"

namespace Wirekit::Win32 {
namespace {

// How often Enter tries the lock again before it sleeps: a few microseconds, longer than any
// section the program holds the lock for, far shorter than a sleep and a wake-up.
constexpr int kSpinCount = 100;

void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

}  // namespace

void CCriticalSection::Enter() {
    const std::thread::id self = std::this_thread::get_id();
    // Only this thread ever stores its own id here, so it reads its own store or another id.
    if (m_owner.load(std::memory_order_relaxed) == self) {
        ++m_depth;
        return;
    }
    bool taken = false;
    for (int i = 0; i < kSpinCount && !taken; ++i) {
        taken = m_mutex.try_lock();
        if (!taken) {
            CpuRelax();
        }
    }
    if (!taken) {
        m_mutex.lock();
    }
    m_owner.store(self, std::memory_order_relaxed);
    m_depth = 1;
}

void CCriticalSection::Leave() {
    if (--m_depth > 0) {
        return;
    }
    m_owner.store(std::thread::id(), std::memory_order_relaxed);
    m_mutex.unlock();
}

}  // namespace Wirekit::Win32
