#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/PacketLogLine.h"
#include "packet/Packet.h"
#include "settings/LogFile.h"
#include "support/PacketBytes.h"
#include "support/TempFiles.h"

namespace {

struct LogCase {
    bool sent;
    int command;
    int length;
    std::string text;
};
void PrintTo(const LogCase& c, std::ostream* out) {
    *out << '"' << c.text << '"';
}

class LogText : public ::testing::TestWithParam<LogCase> {};

TEST_P(LogText, DirectionLengthAndCommand) {
    const LogCase& c = GetParam();
    std::vector<unsigned char> payload = Bytes(c.length);
    CPacket packet;
    ASSERT_TRUE(packet.SetPacket(static_cast<unsigned char>(c.command), payload.data(), c.length));
    EXPECT_EQ(FormatLogText(c.sent, packet), c.text);
}

INSTANTIATE_TEST_SUITE_P(Lines, LogText,
                         ::testing::Values(LogCase{false, 0x05, 0, "RECV: 02 05 "},
                                           LogCase{true, 0xAB, 253, "SEND: FF AB "},
                                           LogCase{false, 0x10, 254, "RECV: 100 10 "},
                                           LogCase{true, 0x01, 1000, "SEND: 3EA 01 "}));

// What a front end prints is the log file's line, stamp included, without its CR LF.
TEST(LogLine, IsTheLogFilesLine) {
    TempDir dir;
    const std::string path = (dir.Path() / "traffic.log").string();
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 7;
    when.tm_hour = 9;
    when.tm_min = 5;
    when.tm_sec = 3;
    CPacket packet;
    const std::vector<unsigned char> payload = Bytes(3, 0xFD);
    ASSERT_TRUE(packet.SetPacket(0x0A, payload.data(), 3));
    CLogFile log;
    log.SetClock([when] { return when; });
    ASSERT_EQ(log.Open(path.c_str(), false), 1);
    WritePacketLog(log, false, packet);
    log.Close();
    const std::string line = FormatPacketLogLine(when, false, packet);
    EXPECT_EQ(line, "[07.12.2026 09:05:03] - RECV: 05 0A FDFEFF");
    EXPECT_EQ(ReadBytes(path), line + "\r\n");
}

}  // namespace
