// The system's error texts on Windows: FormatMessage over the system message table, and
// GetLastError as the last error. The text is the system's own, line end included.

#include <cstdio>

#include "device/wirekit/Exception.h"
#include "device/wirekit/WindowsApi.h"

namespace Wirekit::Win32 {
namespace {

// The system's text for code (at most 511 characters, default language), or false with the
// lookup's own error in lookupError.
bool LookUp(DWORD code, std::string* text, DWORD* lookupError) {
    char buffer[512];  // each call its own, so threads never share one
    DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr);
    if (length == 0) {
        *lookupError = ::GetLastError();
        return false;
    }
    text->assign(buffer, length);
    return true;
}

}  // namespace

std::string SystemErrorText(int error) {
    std::string text;
    DWORD lookupError = 0;
    if (LookUp(static_cast<DWORD>(error), &text, &lookupError)) {
        return text;
    }
    // No text for the code: the text of why the lookup failed ("cannot find message text ...").
    // One more lookup at most; if that fails too, the number is all there is to say.
    DWORD secondError = 0;
    if (lookupError != static_cast<DWORD>(error) && LookUp(lookupError, &text, &secondError)) {
        return text;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "Unknown error %d", error);
    return buffer;
}

int LastSystemError() {
    return static_cast<int>(::GetLastError());
}

}  // namespace Wirekit::Win32
