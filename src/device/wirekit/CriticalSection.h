#pragma once

#ifndef _WIN32
#include <mutex>
#endif

namespace Wirekit::Win32 {

// A lock that the same thread may enter again, as the system's critical section allows.
class CCriticalSection {
public:
#ifdef _WIN32
    // A system critical section (CriticalSectionWin32.cpp), held in place below so that this
    // header needs no <windows.h>.
    CCriticalSection();
    ~CCriticalSection();
    void Enter();
    void Leave();
#else
    CCriticalSection() = default;
    ~CCriticalSection() = default;
    void Enter() {
        m_mutex.lock();
    }
    void Leave() {
        m_mutex.unlock();
    }
#endif

    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    // Scoped entry: enters on construction, leaves on destruction.
    class Owner {
    public:
        explicit Owner(CCriticalSection& section) : m_section(section) { m_section.Enter(); }
        ~Owner() { m_section.Leave(); }

        Owner(const Owner&) = delete;
        Owner& operator=(const Owner&) = delete;

    private:
        CCriticalSection& m_section;
    };

private:
#ifdef _WIN32
    // The storage of a CRITICAL_SECTION (40 bytes on 64-bit Windows; the source file checks).
    alignas(8) unsigned char m_section[40];
#else
    std::recursive_mutex m_mutex;
#endif
};

}  // namespace Wirekit::Win32
