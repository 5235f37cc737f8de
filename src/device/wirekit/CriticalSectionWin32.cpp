// The critical section on Windows: the system's own, initialised in place.

#include <new>

#include "device/wirekit/CriticalSection.h"
#include "device/wirekit/WindowsApi.h"

namespace Wirekit::Win32 {
namespace {

static_assert(sizeof(CRITICAL_SECTION) <= 40 && alignof(CRITICAL_SECTION) <= 8,
              "CCriticalSection holds too little room for the system's critical section");

CRITICAL_SECTION* Section(unsigned char* storage) {
    return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}

}  // namespace

CCriticalSection::CCriticalSection() {
    // Cannot fail on any Windows this program runs on (it never raises since Vista).
    ::InitializeCriticalSection(new (m_section) CRITICAL_SECTION);
}

CCriticalSection::~CCriticalSection() {
    ::DeleteCriticalSection(Section(m_section));
}

void CCriticalSection::Enter() {
    ::EnterCriticalSection(Section(m_section));
}

void CCriticalSection::Leave() {
    ::LeaveCriticalSection(Section(m_section));
}

}  // namespace Wirekit::Win32
