#include "settings/LogFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "settings/PathUtil.h"

std::tm LocalTimeOf(std::time_t time) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &time);
#else
    localtime_r(&time, &local);
#endif
    return local;
}

std::tm LocalTimeNow() {
    return LocalTimeOf(std::time(nullptr));
}

LogTime LocalLogTimeAt(long long milliseconds) {
    long long seconds = milliseconds / 1000;
    int rest = static_cast<int>(milliseconds % 1000);
    if (rest < 0) {  // before 1970: whole seconds rounded down
        rest += 1000;
        --seconds;
    }
    return LogTime(LocalTimeOf(static_cast<std::time_t>(seconds)), rest);
}

LogTime LocalLogTimeNow() {
    return LocalLogTimeAt(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count());
}

namespace {

// "[DD.MM.YYYY hh:mm:ss] - " (with ".mmm" after the seconds for milliseconds from 0 to 999)
// for a time whose fields have no more digits than that; false for anything else, which
// snprintf then writes as it comes.
bool AppendStamp(const std::tm& when, int milliseconds, std::string* line) {
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
    if (milliseconds < 0) {
        line->append(stamp, sizeof stamp - 1);
        return true;
    }
    line->append(stamp, 20);
    line->push_back('.');
    line->push_back(static_cast<char>('0' + milliseconds / 100));
    line->push_back(static_cast<char>('0' + milliseconds / 10 % 10));
    line->push_back(static_cast<char>('0' + milliseconds % 10));
    line->append(stamp + 20, sizeof stamp - 21);
    return true;
}

}  // namespace

std::string FormatLogLine(const std::tm& when, const char* text, int count,
                          const unsigned char* bytes, int milliseconds) {
    // The stamp and the text together are cut at the message buffer's size less its NUL.
    constexpr std::size_t kHeadLimit = CLogFile::kTextBufferSize - 1;
    if (text == nullptr) {
        text = "";
    }
    const std::size_t textLength = std::strlen(text);
    std::string line;
    line.reserve(std::min(kHeadLimit, 32 + textLength) +
                 2 * static_cast<std::size_t>(std::max(count, 0)) + 2);
    if (milliseconds > 999) {
        milliseconds = -1;
    }
    if (AppendStamp(when, milliseconds, &line)) {
        line.append(text, std::min(textLength, kHeadLimit - line.size()));
    } else {
        char head[CLogFile::kTextBufferSize];
        char fraction[8] = "";
        if (milliseconds >= 0) {
            std::snprintf(fraction, sizeof fraction, ".%03d", milliseconds);
        }
        // snprintf cuts an over-long message at the buffer's end instead of running past it.
        int length = std::snprintf(head, sizeof head, "[%02d.%02d.%04d %02d:%02d:%02d%s] - %s",
                                   when.tm_mday, when.tm_mon + 1, when.tm_year + 1900, when.tm_hour,
                                   when.tm_min, when.tm_sec, fraction, text);
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

CLogFile::CLogFile() : m_directory(PathUtil::ExecutableDirectory()), m_clock(LocalLogTimeNow) {}

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
    if (m_file.IsOpen()) {
        WritePending();
        m_file.Close();
    }
    m_pending.clear();
}

void CLogFile::SetClock(std::function<LogTime()> clock) {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    m_clock = clock ? std::move(clock) : std::function<LogTime()>(LocalLogTimeNow);
}

void CLogFile::SetMilliseconds(bool milliseconds) {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    m_milliseconds = milliseconds;
}

int CLogFile::Open(const char* name, bool inExecutableDirectory) {
    // Taking the lock here too costs nothing and keeps a late Write off a closing file.
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    Close();
    m_writeFailing = false;
    m_linesLost = false;
    if (name != nullptr) {
        m_fileName = name;
    }
    if (m_fileName.empty()) {
        m_path.clear();
        return 0;
    }
    m_path = inExecutableDirectory ? PathUtil::Join(m_directory, m_fileName) : m_fileName;
    return m_file.Open(m_path, false) ? 1 : 0;
}

std::string CLogFile::GetErrorText() const {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    return m_file.GetErrorText();
}

bool CLogFile::IsWriteFailing() const {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    return m_writeFailing;
}

bool CLogFile::HasLostLines() const {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    return m_linesLost;
}

int CLogFile::Write(const char* text, int count, const unsigned char* bytes) {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    if (m_file.IsOpen()) {
        const LogTime now = m_clock();
        Append(
            FormatLogLine(now.local, text, count, bytes, m_milliseconds ? now.milliseconds : -1));
    }
    return 1;
}

int CLogFile::WriteLine(const std::string& line) {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    if (m_file.IsOpen()) {
        Append(line);
    }
    return 1;
}

void CLogFile::SetFlushEachLine(bool flush) {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    m_flushEachLine = flush;
    if (flush) {
        WritePending();
    }
}

void CLogFile::SetStopAfterLoss(bool stop) {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    m_stopAfterLoss = stop;
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
    if (m_pending.empty() || !m_file.IsOpen()) {
        return;
    }
    if (m_linesLost && m_stopAfterLoss) {
        m_pending.clear();
        return;
    }
    if (m_file.EndsInPart()) {
        m_pending.insert(0, "\r\n");  // the next line is never glued to the broken one
    }
    // Every line goes out whole or not at all: after a write cut short, the lines that went out
    // whole stay, and the file ends after the last of them.
    const std::string& pending = m_pending;
    m_writeFailing = !m_file.Write(pending, [&pending](std::size_t written) -> std::size_t {
        const std::size_t lineEnd =
            written < 2 ? std::string::npos : pending.rfind("\r\n", written - 2);
        return lineEnd == std::string::npos ? 0 : lineEnd + 2;
    });
    m_linesLost = m_linesLost || m_writeFailing;
    m_pending.clear();
}
