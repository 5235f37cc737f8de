// The system's error texts on POSIX: strerror_r, and errno as the last error.

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "device/wirekit/Exception.h"

namespace Wirekit::Win32 {

namespace {

// strerror_r comes in two flavours; each overload takes the result of one of them.
[[maybe_unused]] const char* PickText(int result, const char* buffer) {
    return result == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char* PickText(const char* result, const char*) {
    return result;
}

}  // namespace

std::string SystemErrorText(int error) {
    // Each call has its own buffer, so threads never share one. At most 511 characters.
    char buffer[512] = {};
    const char* text = PickText(strerror_r(error, buffer, sizeof buffer), buffer);
    if (text == nullptr || *text == '\0') {
        // No text for the code, and asking again would only fail the same way: say the number.
        std::snprintf(buffer, sizeof buffer, "Unknown error %d", error);
        text = buffer;
    }
    return std::string(text).substr(0, 511);
}

int LastSystemError() {
    return errno;
}

}  // namespace Wirekit::Win32
