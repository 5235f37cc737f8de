#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#ifdef _WIN32
#include "device/wirekit/WindowsApi.h"
#else
#include "support/FileSizeLimit.h"
#endif
#include "settings/LogFile.h"
#include "support/TempFiles.h"
#include "support/TimeZone.h"

namespace {

// The running test program, found another way than the code under test finds it.
std::filesystem::path ExecutablePath() {
#ifdef _WIN32
    wchar_t path[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::wstring(path, length));
#else
    return std::filesystem::read_symlink("/proc/self/exe");
#endif
}

std::tm FixedTime() {
    std::tm time{};
    time.tm_mday = 2;
    time.tm_mon = 0;
    time.tm_year = 2026 - 1900;
    time.tm_hour = 3;
    time.tm_min = 4;
    time.tm_sec = 5;
    return time;
}

const char kStamp[] = "[02.01.2026 03:04:05] - ";

struct LineCase {
    const char* name;
    std::string text;
    std::vector<unsigned char> bytes;
    std::string expected;  // after the stamp
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const LineCase& c, std::ostream* os) {
    *os << "" << c.name;
}

// A log open in a scratch directory, its clock fixed at kStamp.
class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_log.Open(m_dir.File("t.log").c_str(), false), 1);
        m_log.SetClock(FixedTime);
    }
    std::string Content() const { return ReadBytes(m_dir.File("t.log")); }

    TempDir m_dir;
    CLogFile m_log;
};

class LogLine : public LogTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LogLine, HasTheExactForm) {
    const LineCase& c = GetParam();
    EXPECT_EQ(m_log.Write(c.text.c_str(), static_cast<int>(c.bytes.size()), c.bytes.data()), 1);
    EXPECT_EQ(Content(), kStamp + c.expected + "\r\n");
}

const LineCase kLines[] = {
    {"UpperCaseHex", "RECV: 05 10 ", {0x01, 0xab, 0x00, 0xff}, "RECV: 05 10 01AB00FF"},
    {"EmptyPayloadEndsWithSpace", "SEND: 02 05 ", {}, "SEND: 02 05 "},
    {"PercentSignsInTextStayLiteral", "100% %s %d", {0x0a}, "100% %s %d0A"},
    {"Cp1251Text", "\xcf\xf0\xe8\xe5\xec", {}, "\xcf\xf0\xe8\xe5\xec"},
};

INSTANTIATE_TEST_SUITE_P(Lines, LogLine, ::testing::ValuesIn(kLines),
                         [](const auto& info) { return std::string(info.param.name); });

struct StampCase {
    const char* name;
    int day, month, year, hour, minute, second;
    const char* expected;
    int milliseconds = -1;  // none: the stamp readers of existing logs expect
};

// Two digits a field, four the year, as printf's "%02d" and "%04d" give them: a field that
// needs more digits gets them rather than being cut or wrapped.
class LogStamp : public ::testing::TestWithParam<StampCase> {};

TEST_P(LogStamp, IsPrintfsFormOfTheFields) {
    const StampCase& c = GetParam();
    std::tm when{};
    when.tm_mday = c.day;
    when.tm_mon = c.month - 1;
    when.tm_year = c.year - 1900;
    when.tm_hour = c.hour;
    when.tm_min = c.minute;
    when.tm_sec = c.second;
    const unsigned char bytes[] = {0x0F};
    EXPECT_EQ(FormatLogLine(when, "RECV: 03 01 ", 1, bytes, c.milliseconds),
              std::string(c.expected) + "RECV: 03 01 0F");
}

const StampCase kStamps[] = {
    {"Ordinary", 7, 12, 2026, 23, 59, 58, "[07.12.2026 23:59:58] - "},
    {"EarlyYear", 5, 3, 987, 4, 5, 6, "[05.03.0987 04:05:06] - "},
    {"FiveDigitYear", 5, 3, 12026, 4, 5, 6, "[05.03.12026 04:05:06] - "},
    {"Milliseconds", 7, 12, 2026, 11, 34, 15, "[07.12.2026 11:34:15.123] - ", 123},
    {"NoMilliseconds", 7, 12, 2026, 11, 34, 15, "[07.12.2026 11:34:15.000] - ", 0},
    {"MillisecondsPastTwoDigits", 5, 3, 2026, 4, 5, 100, "[05.03.2026 04:05:100.009] - ", 9},
};

INSTANTIATE_TEST_SUITE_P(Stamps, LogStamp, ::testing::ValuesIn(kStamps),
                         [](const auto& info) { return std::string(info.param.name); });

// Without a clock of the test's making the stamp is the local time of the write; a zone five
// hours east of UTC tells local time from UTC.
TEST(LogFile, StampComesFromTheLocalClock) {
    ZoneScope zone("XYZ-5");
    TempDir dir;
    CLogFile log;
    ASSERT_EQ(log.Open(dir.File("t.log").c_str(), false), 1);
    auto line = [](std::time_t time) {
        char text[40];
        std::strftime(text, sizeof text, "[%d.%m.%Y %H:%M:%S] - x\r\n", std::localtime(&time));
        return std::string(text);
    };
    std::string before = line(std::time(nullptr));
    log.Write("x", 0, nullptr);
    std::string after = line(std::time(nullptr));
    std::string written = ReadBytes(dir.File("t.log"));
    EXPECT_TRUE(written == before || written == after) << written;
}

// Milliseconds only when asked for: the stamp stays the one readers of existing logs expect.
TEST_F(LogTest, MillisecondsWhenAsked) {
    m_log.SetClock([] { return LogTime(FixedTime(), 45); });
    m_log.Write("a", 0, nullptr);
    m_log.SetMilliseconds(true);
    m_log.Write("b", 0, nullptr);
    EXPECT_EQ(Content(), std::string(kStamp) + "a\r\n[02.01.2026 03:04:05.045] - b\r\n");
}

TEST_F(LogTest, OverlongTextIsCutAtTheBuffer) {
    std::string text(100000, 'm');
    unsigned char bytes[] = {0xde, 0xad};
    m_log.Write(text.c_str(), 2, bytes);
    std::string line = Content();
    std::size_t kept = CLogFile::kTextBufferSize - 1;
    ASSERT_EQ(line.size(), kept + 4 + 2);
    EXPECT_EQ(line.substr(0, sizeof kStamp - 1), kStamp);
    EXPECT_EQ(line.substr(kept), "DEAD\r\n");
}

TEST(LogFile, ClosedLogWritesNothing) {
    TempDir dir;
    CLogFile log;
    EXPECT_EQ(log.Write("x", 0, nullptr), 1);
    EXPECT_EQ(log.Open("", true), 0);
    EXPECT_EQ(log.Open(dir.File("no/such/dir.log").c_str(), false), 0);
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.GetPath(), dir.File("no/such/dir.log"));
    EXPECT_FALSE(log.GetErrorText().empty()) << "the system's reason";
    unsigned char byte = 1;
    EXPECT_EQ(log.Write("x", 1, &byte), 1);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(LogFile, ReopeningAppends) {
    TempDir dir;
    std::string path = dir.Write("t.log", "old\r\n");
    {
        CLogFile log;
        log.SetClock(FixedTime);
        ASSERT_EQ(log.Open(path.c_str(), false), 1);
        log.Write("a", 0, nullptr);
        // No name keeps the stored one; the line goes to the same file.
        ASSERT_EQ(log.Open(nullptr, false), 1);
        log.Write("b", 0, nullptr);
    }
    std::string s = kStamp;
    EXPECT_EQ(ReadBytes(path), "old\r\n" + s + "a\r\n" + s + "b\r\n");
}

TEST(LogFile, NamesAreTakenFromTheExecutableDirectory) {
    CLogFile log;
    std::filesystem::path exe = ExecutablePath();
    EXPECT_EQ(log.GetDirectory(), exe.parent_path().string());

    std::string name = "LogFileTest-" + std::to_string(ProcessId()) + ".log";
    std::filesystem::path inExeDir = exe.parent_path() / name;
    {
        CLogFile named(name.c_str());
        EXPECT_TRUE(named.IsOpen());
    }
    EXPECT_TRUE(std::filesystem::exists(inExeDir));
    std::filesystem::remove(inExeDir);

    TempDir dir;
    std::string absolute = dir.File("abs.log");
    ASSERT_EQ(log.Open(absolute.c_str(), true), 1);
    log.Write("x", 0, nullptr);
    EXPECT_FALSE(ReadBytes(absolute).empty());
}

TEST_F(LogTest, LinesOfTwoThreadsNeverMix) {
    constexpr int kLines = 10000;
    auto writer = [this](const char* text, unsigned char fill) {
        std::vector<unsigned char> bytes(40, fill);
        for (int i = 0; i < kLines; ++i) {
            m_log.Write(text, static_cast<int>(bytes.size()), bytes.data());
        }
    };
    std::thread receive(writer, "RECV: 2A 01 ", 0x11);
    std::thread send(writer, "SEND: 2A 02 ", 0xEE);
    receive.join();
    send.join();

    // Both kinds of line have the same length, so every line must sit at a multiple of it.
    std::string recv = kStamp + std::string("RECV: 2A 01 ") + std::string(80, '1') + "\r\n";
    std::string sent = kStamp + std::string("SEND: 2A 02 ") + std::string(80, 'E') + "\r\n";
    std::string content = Content();
    ASSERT_EQ(content.size(), 2 * kLines * recv.size());
    int recvCount = 0;
    for (std::size_t at = 0; at < content.size(); at += recv.size()) {
        std::string line = content.substr(at, recv.size());
        ASSERT_TRUE(line == recv || line == sent) << line;
        recvCount += line == recv;
    }
    EXPECT_EQ(recvCount, kLines);
}

#ifndef _WIN32
// A line that finds no room leaves no part of itself behind, however much room there was:
// once room comes back the next line stands on its own, and nothing has stopped the writer.
// Meanwhile the log says that it is not written, and why.
TEST_F(LogTest, ALineIsWrittenWholeOrNotAtAll) {
    m_log.Write("first", 0, nullptr);
    EXPECT_FALSE(m_log.IsWriteFailing());
    const std::string before = Content();
    const std::vector<unsigned char> payload(40, 0x5A);
    const std::string lost = kStamp + std::string("RECV: 2A 01 ") + std::string(80, 'A');
    for (std::size_t room : {std::size_t{0}, std::size_t{1}, std::size_t{30}, lost.size() + 1}) {
        FileSizeLimit limit(before.size() + room);
        if (!limit.IsSet()) {
            GTEST_SKIP() << "the file size limit cannot be set here";
        }
        EXPECT_EQ(m_log.Write("RECV: 2A 01 ", static_cast<int>(payload.size()), payload.data()), 1);
        EXPECT_EQ(Content(), before) << room << " bytes of room";
        EXPECT_TRUE(m_log.IsWriteFailing()) << room;
        EXPECT_EQ(m_log.GetErrorText(), CErrorText(EFBIG)) << room;
    }
    m_log.Write("SEND: 02 05 ", 0, nullptr);
    EXPECT_EQ(Content(), before + kStamp + "SEND: 02 05 \r\n");
    EXPECT_FALSE(m_log.IsWriteFailing());
    EXPECT_TRUE(m_log.HasLostLines());
}

// Lines gathered in a block (a fast front end's way) meet a full disk: the lines that fit stay
// whole, the rest is lost whole. Once there is room again the log writes on, unless it was
// told to stop at the first loss (tavrin-cli ends there).
TEST_F(LogTest, OfABlockCutShortTheWholeLinesStay) {
    const std::string line = kStamp + std::string("RECV: 02 01 ") + "\r\n";
    for (bool stopAfterLoss : {false, true}) {
        ASSERT_EQ(m_log.Open(m_dir.File(stopAfterLoss ? "stop.log" : "on.log").c_str(), false), 1);
        m_log.SetStopAfterLoss(stopAfterLoss);
        m_log.SetFlushEachLine(false);
        for (int i = 0; i < 5; ++i) {
            m_log.Write("RECV: 02 01 ", 0, nullptr);
        }
        {
            FileSizeLimit limit(2 * line.size() + 10);
            ASSERT_TRUE(limit.IsSet());
            m_log.Flush();
        }
        const std::string path = m_dir.File(stopAfterLoss ? "stop.log" : "on.log");
        EXPECT_EQ(ReadBytes(path), line + line) << stopAfterLoss;
        EXPECT_TRUE(m_log.HasLostLines());
        m_log.Write("RECV: 02 01 ", 0, nullptr);
        m_log.Flush();
        EXPECT_EQ(ReadBytes(path), stopAfterLoss ? line + line : line + line + line);
    }
}

// A device that refuses every byte (a full disk that never empties): each line is dropped, and
// Write still reports nothing to its caller.
TEST(LogFile, ADeviceThatRefusesEveryWriteIsNoFailure) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    CLogFile log;
    ASSERT_EQ(log.Open("/dev/full", false), 1);
    unsigned char byte = 1;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(log.Write("RECV: 03 01 ", 1, &byte), 1);
    }
    EXPECT_TRUE(log.IsOpen());
    EXPECT_TRUE(log.IsWriteFailing());
    EXPECT_EQ(log.GetErrorText(), CErrorText(ENOSPC));
}
#endif

}  // namespace
