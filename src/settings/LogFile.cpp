#include "settings/LogFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "settings/PathUtil.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// The file is used through the system's descriptors rather than a buffered stream: a stream
// that fails part way keeps the rest of its buffer and writes it before the next line.
int OpenForAppending(const std::string& path) {
#ifdef _WIN32
    return _open(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                 _S_IREAD | _S_IWRITE);
#else
    return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
#endif
}

void CloseFile(int file) {
#ifdef _WIN32
    _close(file);
#else
    ::close(file);
#endif
}

// The file's size, where an appended line begins; -1 when it cannot be told.
long long EndOf(int file) {
#ifdef _WIN32
    return _lseeki64(file, 0, SEEK_END);
#else
    return static_cast<long long>(::lseek(file, 0, SEEK_END));
#endif
}

// One write, never repeated for the rest: the bytes that went out, or -1.
long long WriteOnce(int file, const std::string& bytes) {
#ifdef _WIN32
    return _write(file, bytes.data(), static_cast<unsigned>(bytes.size()));
#else
    ssize_t written;
    do {
        written = ::write(file, bytes.data(), bytes.size());
    } while (written < 0 && errno == EINTR);
    return static_cast<long long>(written);
#endif
}

bool CutBackTo(int file, long long size) {
#ifdef _WIN32
    return _chsize_s(file, size) == 0;
#else
    return ::ftruncate(file, static_cast<off_t>(size)) == 0;
#endif
}

std::tm LocalTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
}

}  // namespace

CLogFile::CLogFile() : m_directory(PathUtil::ExecutableDirectory()), m_clock(LocalTime) {}

CLogFile::CLogFile(const char* name) : CLogFile() {
    if (name != nullptr) {
        Open(name, true);
    }
}

CLogFile::~CLogFile() {
    Close();
}

void CLogFile::Close() {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    if (m_file >= 0) {
        CloseFile(m_file);
        m_file = -1;
    }
    m_lineBroken = false;
}

void CLogFile::SetClock(std::function<std::tm()> clock) {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    m_clock = clock ? std::move(clock) : std::function<std::tm()>(LocalTime);
}

int CLogFile::Open(const char* name, bool inExecutableDirectory) {
    // Taking the lock here too costs nothing and keeps a late Write off a closing file.
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    Close();
    if (name != nullptr) {
        m_fileName = name;
    }
    if (m_fileName.empty()) {
        return 0;
    }
    std::string path = inExecutableDirectory ? PathUtil::Join(m_directory, m_fileName) : m_fileName;
    m_file = OpenForAppending(path);
    return m_file >= 0 ? 1 : 0;
}

int CLogFile::Write(const char* text, int count, const unsigned char* bytes) {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    if (m_file < 0) {
        return 1;
    }
    std::tm now = m_clock();
    char stamp[kTextBufferSize];
    // snprintf cuts an over-long message at the buffer's end instead of running past it.
    int length = std::snprintf(stamp, sizeof stamp, "[%02d.%02d.%04d %02d:%02d:%02d] - %s",
                               now.tm_mday, now.tm_mon + 1, now.tm_year + 1900, now.tm_hour,
                               now.tm_min, now.tm_sec, text != nullptr ? text : "");
    std::size_t stampLength =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(length, 0)), sizeof stamp - 1);
    std::size_t hexLength = bytes != nullptr && count > 0 ? 2 * static_cast<std::size_t>(count) : 0;
    std::string line;
    line.reserve(2 + stampLength + hexLength + 2);
    if (m_lineBroken) {
        line += "\r\n";
    }
    line.append(stamp, stampLength);
    static const char kDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < hexLength / 2; ++i) {
        line.push_back(kDigits[bytes[i] >> 4]);
        line.push_back(kDigits[bytes[i] & 0x0F]);
    }
    line += "\r\n";
    AppendWhole(line);
    return 1;
}

void CLogFile::AppendWhole(const std::string& line) {
    long long end = EndOf(m_file);
    long long written = WriteOnce(m_file, line);
    if (written == static_cast<long long>(line.size())) {
        m_lineBroken = false;
    } else if (written > 0 && (end < 0 || !CutBackTo(m_file, end))) {
        m_lineBroken = true;  // a part of the line stays in the file
    }
    // Nothing written, or the part cut off again: the file ends as it did before.
}
