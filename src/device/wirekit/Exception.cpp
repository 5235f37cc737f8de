#include "device/wirekit/Exception.h"

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

}  // namespace Wirekit::Win32
