#pragma once
// The traffic log: one time-stamped line per event, appended to a file and flushed at once.
//
// Line: "[DD.MM.YYYY hh:mm:ss] - " + message text, then each byte as two upper-case hex digits,
// then CR LF. The stamp and the text together are cut at 16,383 bytes, never overrun.
// A log that is not open swallows every Write, so callers write unconditionally.
// Write may be called from several threads at once: each line goes out as one unit.
//
// A line is written whole or not at all: it is formatted into one buffer and handed to the
// system in one write (CAppendFile). When the disk is full the write may stop part way; the part
// is cut off again, and should even that fail, the next line starts with a CR LF of its own so
// that it is never glued to the broken one; of a block of lines cut short, the lines that went
// out whole stay. A failed write does not stop the traffic: Write still returns 1, and
// IsWriteFailing and HasLostLines tell a front end that wants to say so.
// A front end that logs thousands of lines a second may turn off the write per line; lines then
// gather and go out together (whole lines only) on Flush, Close or every 64 KiB.

#include <ctime>
#include <functional>
#include <string>

#include "device/wirekit/CriticalSection.h"
#include "settings/AppendFile.h"

// The local time now, as the stamps take it, and the local time of another moment.
std::tm LocalTimeNow();
std::tm LocalTimeOf(std::time_t time);
// The same to the millisecond, for stamps that show milliseconds.
struct LogTime {
    LogTime() = default;
    LogTime(const std::tm& localTime, int ms = 0) : local(localTime), milliseconds(ms) {}
    std::tm local{};
    int milliseconds = 0;  // 0 to 999
};
LogTime LocalLogTimeNow();
// The local time of a moment given in milliseconds since 1970-01-01 00:00 UTC.
LogTime LocalLogTimeAt(long long milliseconds);
// One line as Write makes it, without its CR LF: the stamp for when, the text and the bytes.
// With milliseconds from 0 to 999 the stamp ends ".mmm" ("[DD.MM.YYYY hh:mm:ss.mmm] - ");
// -1 gives the stamp without them, which readers of existing logs expect.
std::string FormatLogLine(const std::tm& when, const char* text, int count,
                          const unsigned char* bytes, int milliseconds = -1);

class CLogFile {
public:
    static constexpr int kTextBufferSize = 16384;

    CLogFile();
    // Opens the name in the executable's directory at once.
    explicit CLogFile(const char* name);
    ~CLogFile();

    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    // Closes any open file first. A non-null name replaces the stored one. With the flag, the
    // stored name is taken relative to the executable's directory, unless it is an absolute path;
    // without it, the name is used as it stands. The file is created or appended to.
    int Open(const char* name, bool inExecutableDirectory);
    // Always 1. Bytes may be null (or the count 0 or less): the line then has no hex digits.
    int Write(const char* text, int count, const unsigned char* bytes);
    // Writes a line made by FormatLogLine (the caller's stamp), adding CR LF. Always 1.
    int WriteLine(const std::string& line);
    // Each line is flushed at once unless this is turned off; a front end that writes many
    // lines a second then calls Flush itself (Close flushes too).
    void SetFlushEachLine(bool flush);
    void Flush();
    void Close();

    bool IsOpen() const { return m_file.IsOpen(); }
    const std::string& GetDirectory() const { return m_directory; }
    const std::string& GetFileName() const { return m_fileName; }
    // The path the last Open that named a file tried (the directory joined when asked).
    const std::string& GetPath() const { return m_path; }
    // True from a write that failed until one that works. Any thread.
    bool IsWriteFailing() const;
    // True once a line was lost since the log was opened, whether or not writing works again.
    bool HasLostLines() const;
    // Off by default: the log writes on once writing works again, past the lines it lost. A
    // front end that ends at the first loss turns it on, so that the file holds every line up to
    // the loss and none after it.
    void SetStopAfterLoss(bool stop);
    // The system's reason why the last Open, or the last write that failed, failed; empty when
    // none has.
    std::string GetErrorText() const;
    // The local time of the stamps comes from here; tests put a fixed clock in.
    void SetClock(std::function<LogTime()> clock);
    // Off by default: stamps without milliseconds. Any thread.
    void SetMilliseconds(bool milliseconds);

private:
    // Lines held back while flushing each line is off; written once this much has gathered.
    static constexpr std::size_t kPendingLimit = 64 * 1024;

    // Under the lock.
    void Append(const std::string& line);
    void WritePending();

    CAppendFile m_file;
    bool m_writeFailing = false;
    bool m_linesLost = false;
    std::string m_directory;
    std::string m_fileName;
    std::string m_path;
    mutable Wirekit::Win32::CCriticalSection m_lock;
    std::function<LogTime()> m_clock;
    bool m_milliseconds = false;
    bool m_flushEachLine = true;
    bool m_stopAfterLoss = false;
    std::string m_pending;  // whole lines with their CR LF, not yet handed to the system
};
