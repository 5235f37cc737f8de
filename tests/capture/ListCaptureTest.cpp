// A traffic list saved as a capture: log times turned into UTC by this machine's zone, and a
// save that cannot be done whole leaves nothing behind.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "capture/ListCapture.h"
#include "capture/WallClock.h"
#include "support/TempFiles.h"
#include "support/TimeZone.h"

namespace {

constexpr std::int64_t kMicros = 1000000;

std::int64_t At(int year, int month, int day, int hour, int minute) {
    return CivilSecondsOf(year, month, day, hour, minute, 0) * kMicros;
}

}  // namespace

// Berlin, 2026: summer time from 29 March 02:00 (skipped to 03:00) to 25 October 03:00 (put
// back to 02:00). One converter takes the lines in the order of a log.
TEST(WallClockToUtc, FollowsTheZoneThroughSkippedAndRepeatedHours) {
#ifdef _WIN32
    GTEST_SKIP() << "the C library on Windows knows no rules for summer time in TZ";
#endif
    ZoneScope zone("CET-1CEST,M3.5.0,M10.5.0/3");  // Berlin's rules, without a zone database
    const struct {
        std::int64_t wall, utc;
    } lines[] = {
        {At(2026, 1, 10, 10, 0), At(2026, 1, 10, 9, 0)},        // winter, +1
        {At(2026, 3, 29, 2, 30), At(2026, 3, 29, 1, 30)},       // skipped: the offset before
        {At(2026, 7, 1, 10, 0) + 7, At(2026, 7, 1, 8, 0) + 7},  // summer, +2, microseconds kept
        {At(2026, 10, 25, 2, 30), At(2026, 10, 25, 0, 30)},     // repeated hour, first time
        {At(2026, 10, 25, 2, 50), At(2026, 10, 25, 0, 50)},
        {At(2026, 10, 25, 2, 10), At(2026, 10, 25, 1, 10)},  // back in the hour: second time
        {At(2026, 10, 25, 2, 40), At(2026, 10, 25, 1, 40)},
        {At(2026, 10, 25, 3, 0), At(2026, 10, 25, 2, 0)},
    };
    CWallClockToUtc toUtc;
    for (const auto& line : lines) {
        EXPECT_EQ(toUtc.Convert(line.wall), line.utc) << line.wall;
    }
}

// A save that fails names the path and the reason, and nothing is said to be there that is not:
// no file at a folder that does not exist, the old file untouched when a line cannot be written.
TEST(SaveLinesAsCapture, FailureLeavesNoFileAndKeepsTheOldOne) {
    TempDir dir;
    CTrafficStore lines;
    const unsigned char payload[] = {1, 2, 3};
    ASSERT_TRUE(lines.Append({At(2026, 12, 7, 10, 0), true, 0x11, 3, payload}));

    std::string error;
    const std::string missing = dir.File("no-folder/list.pcap");
    EXPECT_FALSE(SaveLinesAsCapture(lines, TrafficClock::Utc, missing, &error));
    EXPECT_EQ(error.rfind("Невозможно сохранить захват " + missing + ": ", 0), 0u) << error;
    EXPECT_FALSE(std::filesystem::exists(missing));

    const std::string old = dir.Write("old.pcap", "old bytes");
    ASSERT_TRUE(lines.Append({-1, false, 0x22, 0, payload}));  // before 1970: no capture holds it
    EXPECT_FALSE(SaveLinesAsCapture(lines, TrafficClock::Utc, old, &error));
    EXPECT_NE(error.find("строка 2 списка"), std::string::npos) << error;
    EXPECT_EQ(ReadBytes(old), "old bytes");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
}
