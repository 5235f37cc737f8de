#pragma once

#ifndef _WIN32
#include <atomic>
#include <mutex>
#include <thread>
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
    // As the system's critical section with a spin count: a thread that finds the lock taken
    // tries again for a moment before it sleeps. The sections it guards are short (a packet
    // copied into or out of the received queue), and a sleep and a wake-up cost more than the
    // wait, many times over, when the reader and the receiver meet on it
    // (CriticalSectionPosix.cpp).
    CCriticalSection() = default;
    ~CCriticalSection() = default;
    void Enter();
    void Leave();
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
    std::mutex m_mutex;
    std::atomic<std::thread::id> m_owner{};
    int m_depth = 0;  // entries of the owner; touched by the owner only
#endif
};

}  // namespace Wirekit::Win32
