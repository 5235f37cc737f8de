#pragma once
// The few system types that the Wirekit headers expose. Callers use these names only, so that
// the Win32 backend can be added beside the POSIX one without touching them.

#include <cstdint>

namespace Wirekit::Win32 {

#ifdef _WIN32
using SystemHandle = void*;  // HANDLE
#else
using SystemHandle = int;  // a file descriptor (an eventfd for events, a socket for devices)
#endif

// The empty handle value.
#ifdef _WIN32
inline const SystemHandle kNoHandle = nullptr;
#else
inline constexpr SystemHandle kNoHandle = -1;
#endif

// Time-outs are unsigned milliseconds; all bits set means no limit.
using Milliseconds = std::uint32_t;
inline constexpr Milliseconds kInfinite = 0xFFFFFFFFu;

// Results of the waits, with the values the system's waits use.
inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 258;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFFu;

// Stands for the system's security attributes record; only null is ever passed.
using SecurityAttributes = void;

}  // namespace Wirekit::Win32
