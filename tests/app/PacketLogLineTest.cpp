#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/PacketLogLine.h"
#include "packet/Packet.h"
#include "support/PacketBytes.h"

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

}  // namespace
