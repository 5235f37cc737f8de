#include "device/wirekit/Exception.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace Wirekit::Win32 {

CException::CException(const std::string& where, const std::string& message)
    : m_where(where), m_message(message) {}

CException::~CException() = default;

std::string CException::GetWhere() const {
    return m_where;
}

std::string CException::GetMessage() const {
    return m_message;
}

CWin32Exception::CWin32Exception(const std::string& where, int error)
    : CException(where, SystemErrorText(error)), m_error(error) {}

CWin32Exception::~CWin32Exception() = default;

int CWin32Exception::GetError() const {
    return m_error;
}

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
