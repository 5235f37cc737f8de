#include "settings/AppendFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include "device/wirekit/Exception.h"
#endif

namespace {

int OpenForAppending(const std::string& path, bool truncate) {
#ifdef _WIN32
    return _open(
        path.c_str(),
        _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT | (truncate ? _O_TRUNC : 0),
        _S_IREAD | _S_IWRITE);
#else
    return ::open(path.c_str(),
                  O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : 0), 0666);
#endif
}

void CloseFile(int file) {
#ifdef _WIN32
    _close(file);
#else
    ::close(file);
#endif
}

// The file's size, where an appended block begins; -1 when it cannot be told.
long long EndOf(int file) {
#ifdef _WIN32
    return _lseeki64(file, 0, SEEK_END);
#else
    return static_cast<long long>(::lseek(file, 0, SEEK_END));
#endif
}

// One write: the bytes that went out, or -1 with errno set.
long long WriteOnce(int file, const char* bytes, std::size_t count) {
#ifdef _WIN32
    return _write(file, bytes, static_cast<unsigned>(count));
#else
    return static_cast<long long>(::write(file, bytes, count));
#endif
}

bool CutBackTo(int file, long long size) {
#ifdef _WIN32
    return _chsize_s(file, size) == 0;
#else
    return ::ftruncate(file, static_cast<off_t>(size)) == 0;
#endif
}

}  // namespace

std::string CErrorText(int error) {
#ifdef _WIN32
    char buffer[512] = {};
    if (strerror_s(buffer, sizeof buffer, error) != 0 || buffer[0] == '\0') {
        return "error " + std::to_string(error);
    }
    return buffer;
#else
    return Wirekit::Win32::SystemErrorText(error);
#endif
}

CAppendFile::~CAppendFile() {
    Close();
}

bool CAppendFile::Open(const std::string& path, bool truncate) {
    Close();
    m_file = OpenForAppending(path, truncate);
    m_error = m_file >= 0 ? 0 : errno;
    return m_file >= 0;
}

void CAppendFile::Close() {
    if (m_file >= 0) {
        CloseFile(m_file);
        m_file = -1;
    }
    m_endsInPart = false;
}

std::string CAppendFile::GetErrorText() const {
    return m_error != 0 ? CErrorText(m_error) : std::string();
}

bool CAppendFile::Write(const std::string& bytes, const WholePart& wholePart) {
    if (m_file < 0) {
        return false;
    }
    // A write cut short by a signal goes on; one cut short by a full disk ends with the next
    // write, which then says why.
    std::size_t written = 0;
    while (written < bytes.size()) {
        const long long n = WriteOnce(m_file, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            m_error = n < 0 ? errno : EIO;
            break;
        }
    }
    if (written == bytes.size()) {
        m_endsInPart = false;
        return true;
    }
    const std::size_t kept = wholePart && written > 0 ? std::min(wholePart(written), written) : 0;
    if (written > kept) {
        // Only now is the end looked for, not before every block.
        const long long end = EndOf(m_file);
        const auto cut = static_cast<long long>(written - kept);
        m_endsInPart = end < cut || !CutBackTo(m_file, end - cut);
    } else if (written > 0) {
        m_endsInPart = false;  // it stopped right after a whole block
    }
    return false;
}
