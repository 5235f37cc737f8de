#include "settings/LogFile.h"

#include <algorithm>
#include <cstdio>

#include "settings/PathUtil.h"

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

std::string FormatLogLine(const std::tm& when, const char* text, int count,
                          const unsigned char* bytes) {
    char head[CLogFile::kTextBufferSize];
    // snprintf cuts an over-long message at the buffer's end instead of running past it.
    int length = std::snprintf(head, sizeof head, "[%02d.%02d.%04d %02d:%02d:%02d] - %s",
                               when.tm_mday, when.tm_mon + 1, when.tm_year + 1900, when.tm_hour,
                               when.tm_min, when.tm_sec, text != nullptr ? text : "");
    const std::size_t headLength =
        std::min<std::size_t>(length < 0 ? 0 : static_cast<std::size_t>(length), sizeof head - 1);
    std::string line;
    line.reserve(headLength + 2 * static_cast<std::size_t>(std::max(count, 0)) + 2);
    line.assign(head, headLength);
    static const char kDigits[] = "0123456789ABCDEF";
    if (bytes != nullptr && count > 0) {
        for (int i = 0; i < count; ++i) {
            line.push_back(kDigits[bytes[i] >> 4]);
            line.push_back(kDigits[bytes[i] & 0x0F]);
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
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
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
    m_file = std::fopen(path.c_str(), "ab");
    return m_file != nullptr ? 1 : 0;
}

int CLogFile::Write(const char* text, int count, const unsigned char* bytes) {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    if (m_file == nullptr) {
        return 1;
    }
    std::string line = FormatLogLine(m_clock(), text, count, bytes);
    line.push_back('\r');
    line.push_back('\n');
    // Write errors are not the caller's concern: the log must never stop the traffic.
    std::fwrite(line.data(), 1, line.size(), m_file);
    if (m_flushEachLine) {
        std::fflush(m_file);
    }
    return 1;
}

int CLogFile::WriteLine(const std::string& line) {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    if (m_file == nullptr) {
        return 1;
    }
    std::fwrite(line.data(), 1, line.size(), m_file);
    std::fwrite("\r\n", 1, 2, m_file);
    if (m_flushEachLine) {
        std::fflush(m_file);
    }
    return 1;
}

void CLogFile::SetFlushEachLine(bool flush) {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    m_flushEachLine = flush;
}

void CLogFile::Flush() {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    if (m_file != nullptr) {
        std::fflush(m_file);
    }
}
