#include "settings/LogFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

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

}  // namespace

std::tm LocalTimeNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
}

namespace {

// "[DD.MM.YYYY hh:mm:ss] - " for a time whose fields have no more digits than that; false
// for anything else, which snprintf then writes as it comes.
bool AppendStamp(const std::tm& when, std::string* line) {
    const int fields[] = {when.tm_mday, when.tm_mon + 1, when.tm_hour, when.tm_min, when.tm_sec};
    for (int field : fields) {
        if (field < 0 || field > 99) {
            return false;
        }
    }
    const int year = when.tm_year + 1900;
    if (year < 0 || year > 9999) {
        return false;
    }
    char stamp[] = "[DD.MM.YYYY hh:mm:ss] - ";
    auto two = [&stamp](int at, int value) {
        stamp[at] = static_cast<char>('0' + value / 10);
        stamp[at + 1] = static_cast<char>('0' + value % 10);
    };
    two(1, when.tm_mday);
    two(4, when.tm_mon + 1);
    two(7, year / 100);
    two(9, year % 100);
    two(12, when.tm_hour);
    two(15, when.tm_min);
    two(18, when.tm_sec);
    line->append(stamp, sizeof stamp - 1);
    return true;
}

}  // namespace

std::string FormatLogLine(const std::tm& when, const char* text, int count,
                          const unsigned char* bytes) {
    // The stamp and the text together are cut at the message buffer's size less its NUL.
    constexpr std::size_t kHeadLimit = CLogFile::kTextBufferSize - 1;
    if (text == nullptr) {
        text = "";
    }
    const std::size_t textLength = std::strlen(text);
    std::string line;
    line.reserve(std::min(kHeadLimit, 32 + textLength) +
                 2 * static_cast<std::size_t>(std::max(count, 0)) + 2);
    if (AppendStamp(when, &line)) {
        line.append(text, std::min(textLength, kHeadLimit - line.size()));
    } else {
        char head[CLogFile::kTextBufferSize];
        // snprintf cuts an over-long message at the buffer's end instead of running past it.
        int length = std::snprintf(head, sizeof head, "[%02d.%02d.%04d %02d:%02d:%02d] - %s",
                                   when.tm_mday, when.tm_mon + 1, when.tm_year + 1900, when.tm_hour,
                                   when.tm_min, when.tm_sec, text);
        line.assign(head, std::min<std::size_t>(length < 0 ? 0 : static_cast<std::size_t>(length),
                                                kHeadLimit));
    }
    static const char kDigits[] = "0123456789ABCDEF";
    if (bytes != nullptr && count > 0) {
        const std::size_t start = line.size();
        line.resize(start + 2 * static_cast<std::size_t>(count));
        char* out = &line[start];
        for (int i = 0; i < count; ++i) {
            *out++ = kDigits[bytes[i] >> 4];
            *out++ = kDigits[bytes[i] & 0x0F];
        }
    }
    return line;
}

CLogFile::CLogFile() : m_directory(PathUtil::ExecutableDirectory()), m_clock(LocalTimeNow) {}

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
        WritePending();
        CloseFile(m_file);
        m_file = -1;
    }
    m_pending.clear();
    m_lineBroken = false;
}

void CLogFile::SetClock(std::function<std::tm()> clock) {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    m_clock = clock ? std::move(clock) : std::function<std::tm()>(LocalTimeNow);
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
    Append(FormatLogLine(m_clock(), text, count, bytes));
    return 1;
}

int CLogFile::WriteLine(const std::string& line) {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    if (m_file < 0) {
        return 1;
    }
    Append(line);
    return 1;
}

void CLogFile::SetFlushEachLine(bool flush) {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    m_flushEachLine = flush;
    if (flush) {
        WritePending();
    }
}

void CLogFile::Flush() {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    WritePending();
}

void CLogFile::Append(const std::string& line) {
    m_pending += line;
    m_pending += "\r\n";
    if (m_flushEachLine || m_pending.size() >= kPendingLimit) {
        WritePending();
    }
}

void CLogFile::WritePending() {
    if (m_pending.empty() || m_file < 0) {
        return;
    }
    if (m_lineBroken) {
        m_pending.insert(0, "\r\n");
    }
    long long written = WriteOnce(m_file, m_pending);
    if (written == static_cast<long long>(m_pending.size())) {
        m_lineBroken = false;
    } else if (written > 0) {
        // Cut short (the disk is full): the file now ends in the part that went out, which is
        // cut off again. Only then is the end looked for, not before every line.
        long long end = EndOf(m_file);
        if (end < written || !CutBackTo(m_file, end - written)) {
            m_lineBroken = true;  // a part of the lines stays in the file
        }
    }
    // Nothing written, or the part cut off again: the file ends as it did before, and the lines
    // are lost whole.
    m_pending.clear();
}
