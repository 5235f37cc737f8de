#pragma once

#include <string>

namespace Wirekit::Win32 {

// A failure of this library: where names the operation that failed, message says what went
// wrong. The only exceptions the program throws.
class CException {
public:
    CException(const std::string& where, const std::string& message);
    virtual ~CException();

    CException(const CException&) = default;
    CException& operator=(const CException&) = default;

    virtual std::string GetWhere() const;
    virtual std::string GetMessage() const;

private:
    std::string m_where;
    std::string m_message;
};

// A failed system call: the message is the system's own text for the error code.
class CWin32Exception : public CException {
public:
    CWin32Exception(const std::string& where, int error);
    ~CWin32Exception() override;

    CWin32Exception(const CWin32Exception&) = default;
    CWin32Exception& operator=(const CWin32Exception&) = default;

    int GetError() const;

private:
    int m_error;
};

// The system's text for an error code, never empty, at most 511 characters. Safe to call from
// any thread. When the system has no text for the code, the text of why the lookup failed.
std::string SystemErrorText(int error);

// The calling thread's last system error (errno on POSIX, GetLastError on Windows).
int LastSystemError();

}  // namespace Wirekit::Win32
