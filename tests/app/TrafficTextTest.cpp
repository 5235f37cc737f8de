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
    std::string data;
};

class PacketTexts : public ::testing::TestWithParam<DataCase> {};

TEST_P(PacketTexts, LengthAndDataColumns) {
    const DataCase& c = GetParam();
    CPacket packet;
    ASSERT_TRUE(packet.SetPacket(static_cast<unsigned char>(c.command), c.payload.data(),
                                 static_cast<int>(c.payload.size())));
    EXPECT_EQ(FormatPacketLength(packet), c.length);
    EXPECT_EQ(FormatPacketData(packet), c.data);
}

INSTANTIATE_TEST_SUITE_P(Lines, PacketTexts,
                         ::testing::Values(DataCase{0x10, {0x01, 0xAB}, "4", "04:10:01:AB"},
                                           DataCase{0x05, {}, "2", "02:05"},
                                           DataCase{0x21, {0x00, 0xFF}, "4", "04:21:00:FF"},
                                           DataCase{0xFF, {0x0a}, "3", "03:FF:0A"}));

// The first field is the length modulo 256; the column holds every byte, however long.
TEST(PacketTexts, LongPayloadWrapsTheLengthField) {
    for (int length : {253, 254, 300, 1000}) {
        std::vector<unsigned char> payload = Counting(length);
        CPacket packet;
        ASSERT_TRUE(packet.SetPacket(0x42, payload.data(), length));
        const std::string data = FormatPacketData(packet);
        char first[3];
        ByteToHex(static_cast<unsigned char>((length + 2) % 256), first);
        EXPECT_EQ(data.substr(0, 5), std::string(first) + ":42") << length;
        EXPECT_EQ(data.size(), static_cast<std::size_t>(length + 2) * 3 - 1);
        EXPECT_EQ(FormatPacketLength(packet), std::to_string(length + 2));
        char last[3];
        ByteToHex(payload.back(), last);
        EXPECT_EQ(data.substr(data.size() - 3), std::string(":") + last);
    }
}

// Every payload size up to well past the 1023-character cut: the tip is the text with CR LF
// after each 48th character, and nothing else.
TEST(TooltipText, BreaksEvery48CharactersAndCutsAt1023) {
    for (int length = 0; length <= 400; ++length) {
        std::vector<unsigned char> payload = Counting(length);
        CPacket packet;
        ASSERT_TRUE(packet.SetPacket(0x33, payload.data(), length));
        const std::string data = FormatPacketData(packet);
        const std::string tip = BreakTooltipText(data);
        const std::string shown = data.substr(0, 1023);
        std::string joined;
        std::size_t breaks = 0;
        for (std::size_t at = 0; at < tip.size();) {
            std::size_t end = tip.find("\r\n", at);
            if (end == std::string::npos) {
                joined += tip.substr(at);
                break;
            }
            EXPECT_EQ(end - at, 48u) << length;
            joined += tip.substr(at, end - at);
            ++breaks;
            at = end + 2;
        }
        EXPECT_EQ(joined, shown) << length;
        EXPECT_EQ(breaks, shown.size() / 48) << length;
    }
}

TEST(TooltipText, FifteenPayloadBytesBreakAfterTheSixteenthField) {
    std::vector<unsigned char> payload(15, 0xAB);
    CPacket packet;
    ASSERT_TRUE(packet.SetPacket(0x01, payload.data(), 14));
    EXPECT_EQ(BreakTooltipText(FormatPacketData(packet)).find('\r'), std::string::npos);
    ASSERT_TRUE(packet.SetPacket(0x01, payload.data(), 15));
    EXPECT_EQ(BreakTooltipText(FormatPacketData(packet)),
              "11:01:AB:AB:AB:AB:AB:AB:AB:AB:AB:AB:AB:AB:AB:AB:\r\nAB");
}

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
                                           LogCase{true, 0xAB, 2, "SEND: 04 AB "},
                                           LogCase{false, 0x10, 253, "RECV: FF 10 "},
                                           LogCase{true, 0x10, 254, "SEND: 100 10 "},
                                           LogCase{false, 0x01, 1000, "RECV: 3EA 01 "}));

struct TitleCase {
    bool open;
    int type;
    int number;
    std::string title;
    bool programming;
};

class Title : public ::testing::TestWithParam<TitleCase> {};

TEST_P(Title, NamesTheOpenUnitAndOffersProgrammingOnlyForPci) {
    const TitleCase& c = GetParam();
    EXPECT_EQ(MakeTitle(c.open, c.type, c.number), c.title);
    EXPECT_EQ(IsProgrammingEnabled(c.open, c.type), c.programming);
}

INSTANTIATE_TEST_SUITE_P(
    Units, Title,
    ::testing::Values(TitleCase{true, 0, 0, "Tavrin - Устройство USB [ 0 ] ", false},
                      TitleCase{true, 1, 9, "Tavrin - Устройство PCI [ 9 ] ", true},
                      TitleCase{false, 1, 9, "Tavrin", false},
                      TitleCase{false, -1, -1, "Tavrin", false}));

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

INSTANTIATE_TEST_SUITE_P(Settings, ConfiguredDevice,
                         ::testing::Values(ChoiceCase{"0", "0", nullptr, true, 0, 0, true},
                                           ChoiceCase{"1", "3", "1", true, 1, 3, false},
                                           ChoiceCase{"1", "3", "-4", true, 1, 3, false},
                                           ChoiceCase{"1", "3", "0", true, 1, 3, true},
                                           ChoiceCase{"1", "3", "x", true, 1, 3, true},
                                           ChoiceCase{"2", "0", nullptr, false, 0, 0, true},
                                           ChoiceCase{"-1", "0", nullptr, false, 0, 0, true},
                                           ChoiceCase{"0", "-5", nullptr, false, 0, 0, true},
                                           ChoiceCase{"", "0", nullptr, false, 0, 0, true},
                                           ChoiceCase{nullptr, "0", nullptr, false, 0, 0, true},
                                           ChoiceCase{"0", "", nullptr, false, 0, 0, true},
                                           ChoiceCase{"0", nullptr, nullptr, false, 0, 0, true},
                                           // not a number reads as 0, a valid type index
                                           ChoiceCase{"abc", "0", nullptr, true, 0, 0, true},
                                           ChoiceCase{"1x", "2z", nullptr, true, 1, 2, true},
                                           ChoiceCase{"99999999999", "0", nullptr, false, 0, 0,
                                                      true}));

}  // namespace
