#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "app/TrafficText.h"
#include "capture/WallClock.h"

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
    const TrafficLine line{0, false, static_cast<unsigned char>(c.command),
                           static_cast<int>(c.payload.size()), c.payload.data()};
    const std::string data = FormatPacketData(line);
    EXPECT_EQ(FormatPacketLength(line), c.length);
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

// The tip is the line's time, then the data text cut to 1023 characters, with CR LF after each
// 48th and nothing else.
TEST_P(TooltipText, BreaksEvery48CharactersAndCutsAt1023) {
    const TipCase& c = GetParam();
    std::vector<unsigned char> payload = Counting(c.payload);
    const TrafficLine line{1765000000123, false, 0x33, c.payload, payload.data()};
    const std::string data = FormatPacketData(line);
    std::string tip = MakeTooltipText(line);
    const std::string time = FormatLineTime(line.time) + "\r\n";
    ASSERT_EQ(tip.substr(0, time.size()), time);
    tip.erase(0, time.size());
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
                                           TipCase{339, 21, 1022}, TipCase{340, 21, 1023},
                                           TipCase{400, 21, 1023}));

// Local time to the millisecond, from the microseconds since 1970 (cut, not rounded).
TEST(LineTime, DayMonthYearTimeAndMilliseconds) {
    const struct {
        int year, month, day, hour, minute, second, milliseconds;
        const char* text;
    } cases[] = {{2026, 12, 7, 11, 34, 15, 123, "07.12.2026 11:34:15.123"},
                 {2000, 1, 1, 0, 0, 0, 999, "01.01.2000 00:00:00.999"}};
    for (const auto& c : cases) {
        std::tm local{};
        local.tm_year = c.year - 1900;
        local.tm_mon = c.month - 1;
        local.tm_mday = c.day;
        local.tm_hour = c.hour;
        local.tm_min = c.minute;
        local.tm_sec = c.second;
        local.tm_isdst = -1;
        const std::int64_t time =
            std::int64_t{std::mktime(&local)} * 1000000 + c.milliseconds * 1000 + 999;
        EXPECT_EQ(FormatLineTime(time), c.text);
    }
    // A log's time is shown as it was written, whatever this machine's zone.
    EXPECT_EQ(FormatLineTime(CivilSecondsOf(2026, 12, 7, 10, 0, 0) * 1000000 + 123456,
                             TrafficClock::WallClock),
              "07.12.2026 10:00:00.123");
}

// Every character one unit wide, the ellipsis one unit: a cut never leaves half a byte.
TEST(CellText, FitsWholeFieldsBeforeTheEllipsis) {
    struct {
        const char* text;
        double width;
        const char* shown;  // "..." stands for the ellipsis
    } cases[] = {{"04:10:01:AB", 11, "04:10:01:AB"},
                 {"04:10:01:AB", 10, "04:10:01..."},
                 {"04:10:01:AB", 7, "04:10..."},
                 {"04:10:01:AB", 0, "..."},
                 {"1002", 3, "10..."},
                 {"", 0, ""}};
    const auto unit = [](char) { return 1.0; };
    for (const auto& c : cases) {
        const std::string text = c.text;
        const CellTextFit fit = FitCellText(text, unit, 1, c.width);
        EXPECT_EQ(text.substr(0, fit.length) + (fit.elided ? "..." : ""), c.shown)
            << c.text << " in " << c.width;
    }
    // Wide letters take more room than digits.
    const auto wideF = [](char character) { return character == 'F' ? 3.0 : 1.0; };
    const CellTextFit fit = FitCellText("01:FF:02", wideF, 1, 9);
    EXPECT_EQ(fit.length, 2u);
    EXPECT_TRUE(fit.elided);
}

}  // namespace
