#pragma once

#include <mutex>

namespace Wirekit::Win32 {

// A lock that the same thread may enter again, as the system's critical section allows.
class CCriticalSection {
public:
    CCriticalSection() = default;
    ~CCriticalSection() = default;

    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void Enter() { m_mutex.lock(); }
    void Leave() { m_mutex.unlock(); }

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
    std::recursive_mutex m_mutex;
};

}  // namespace Wirekit::Win32
