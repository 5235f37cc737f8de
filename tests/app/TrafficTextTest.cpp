#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/TrafficText.h"
#include "packet/Packet.h"
#include "settings/Config.h"

namespace {

std::vector<unsigned char> Counting(int count) {
    std::vector<unsigned char> bytes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i * 7 + 1);
    }
    return bytes;
}

struct DataCase {
    int command;
    std::vector<unsigned char> payload;
    std::string length;
    std::string dataStart;  // the whole text for short packets
};
void PrintTo(const DataCase& c, std::ostream* out) {
    *out << c.payload.size() << " payload bytes";
}

class PacketTexts : public ::testing::TestWithParam<DataCase> {};

// The first field is the length modulo 256; the column holds every byte, however long.
TEST_P(PacketTexts, LengthAndDataColumns) {
    const DataCase& c = GetParam();
    CPacket packet;
    ASSERT_TRUE(packet.SetPacket(static_cast<unsigned char>(c.command), c.payload.data(),
                                 static_cast<int>(c.payload.size())));
    const std::string data = FormatPacketData(packet);
    EXPECT_EQ(FormatPacketLength(packet), c.length);
    EXPECT_EQ(data.substr(0, c.dataStart.size()), c.dataStart);
    EXPECT_EQ(data.size(), (c.payload.size() + 2) * 3 - 1);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PacketTexts,
    ::testing::Values(DataCase{0x10, {0x01, 0xAB}, "4", "04:10:01:AB"},
                      DataCase{0x05, {}, "2", "02:05"}, DataCase{0xFF, {0x0a}, "3", "03:FF:0A"},
                      DataCase{0x42, std::vector<unsigned char>(253, 0xAB), "255", "FF:42:AB"},
                      DataCase{0x42, std::vector<unsigned char>(254, 0xAB), "256", "00:42:AB"},
                      DataCase{0x42, std::vector<unsigned char>(1000, 0xAB), "1002", "EA:42:AB"}));

struct TipCase {
    int payload;
    std::size_t breaks;
    std::size_t shown;  // characters of the data text the tip keeps
};
void PrintTo(const TipCase& c, std::ostream* out) {
    *out << c.payload << " payload bytes";
}

class TooltipText : public ::testing::TestWithParam<TipCase> {};

// The tip is the data text cut to 1023 characters, with CR LF after each 48th and nothing else.
TEST_P(TooltipText, BreaksEvery48CharactersAndCutsAt1023) {
    const TipCase& c = GetParam();
    std::vector<unsigned char> payload = Counting(c.payload);
    CPacket packet;
    ASSERT_TRUE(packet.SetPacket(0x33, payload.data(), c.payload));
    const std::string data = FormatPacketData(packet);
    std::string tip = BreakTooltipText(data);
    std::size_t breaks = 0;
    for (std::size_t at = tip.find("\r\n"); at != std::string::npos; at = tip.find("\r\n", at)) {
        EXPECT_EQ(at, 48 * ++breaks);
        tip.erase(at, 2);
    }
    EXPECT_EQ(breaks, c.breaks);
    EXPECT_EQ(tip, data.substr(0, c.shown));
}

INSTANTIATE_TEST_SUITE_P(Lengths, TooltipText,
                         ::testing::Values(TipCase{0, 0, 5}, TipCase{14, 0, 47}, TipCase{15, 1, 50},
                                           TipCase{31, 2, 98}, TipCase{339, 21, 1022},
                                           TipCase{340, 21, 1023}, TipCase{400, 21, 1023}));

TEST(LineTime, DayMonthYearThenTime) {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 6;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_sec = 7;
    local.tm_isdst = -1;
    EXPECT_EQ(FormatLineTime(std::mktime(&local)), "06.12.2026 09:05:07");
}

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
    std::vector<unsigned char> payload = Counting(c.length);
    CPacket packet;
    ASSERT_TRUE(packet.SetPacket(static_cast<unsigned char>(c.command), payload.data(), c.length));
    EXPECT_EQ(FormatLogText(c.sent, packet), c.text);
}

INSTANTIATE_TEST_SUITE_P(Lines, LogText,
                         ::testing::Values(LogCase{false, 0x05, 0, "RECV: 02 05 "},
                                           LogCase{true, 0xAB, 253, "SEND: FF AB "},
                                           LogCase{false, 0x10, 254, "RECV: 100 10 "},
                                           LogCase{true, 0x01, 1000, "SEND: 3EA 01 "}));

TEST(FollowRule, OnlyWhenTheLastLineIsSelected) {
    struct {
        int count, selected;
        bool follow;
    } cases[] = {{0, -1, false}, {1, -1, false}, {1, 0, true},
                 {5, 3, false},  {5, 4, true},   {5, -1, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(ShouldFollow(c.count, c.selected), c.follow) << c.count << " " << c.selected;
    }
}

struct ChoiceCase {
    const char* type;  // null: key absent
    const char* number;
    const char* splittable;
    bool open;
    int expectedType;
    int expectedNumber;
    bool singleFrame;
};
void PrintTo(const ChoiceCase& c, std::ostream* out) {
    for (const char* value : {c.type, c.number, c.splittable}) {
        *out << (value != nullptr ? "\"" + std::string(value) + "\" " : "absent ");
    }
}

class ConfiguredDevice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ConfiguredDevice, OpensOnlyAValidUnit) {
    const ChoiceCase& c = GetParam();
    CConfig config;
    const std::pair<const char*, const char*> keys[] = {
        {"DeviceType", c.type}, {"DeviceNumber", c.number}, {"SplittablePacketMode", c.splittable}};
    for (const auto& [key, value] : keys) {
        if (value != nullptr) {
            config.SetValue("Main", key, value);
        }
    }
    DeviceChoice choice = ChooseConfiguredDevice(config);
    EXPECT_EQ(choice.open, c.open);
    EXPECT_EQ(choice.singleFrame, c.singleFrame);
    if (c.open) {
        EXPECT_EQ(choice.typeIndex, c.expectedType);
        EXPECT_EQ(choice.number, c.expectedNumber);
    }
}

// Start-up itself (the window against the simulator) covers 2, -1, empty, "abc" and -5.
INSTANTIATE_TEST_SUITE_P(Settings, ConfiguredDevice,
                         ::testing::Values(ChoiceCase{"1", "3", "-4", true, 1, 3, false},
                                           ChoiceCase{"1", "3", "0", true, 1, 3, true},
                                           ChoiceCase{"1", "3", "x", true, 1, 3, true},
                                           ChoiceCase{nullptr, "0", nullptr, false, 0, 0, true},
                                           ChoiceCase{"0", "", nullptr, false, 0, 0, true},
                                           ChoiceCase{"0", nullptr, nullptr, false, 0, 0, true},
                                           ChoiceCase{"1x", "2z", nullptr, true, 1, 2, true},
                                           ChoiceCase{"99999999999", "0", nullptr, false, 0, 0,
                                                      true}));

}  // namespace
