#include "capture/WallClock.h"

#include <utility>

#include "settings/LogFile.h"

namespace {

constexpr std::int64_t kMicrosPerSecond = 1000000;
constexpr std::int64_t kSecondsPerDay = 86400;

// Local time minus UTC at a moment, in seconds, by this machine's zone.
std::int64_t OffsetAt(std::int64_t utcSeconds) {
    const std::tm local = LocalTimeOf(static_cast<std::time_t>(utcSeconds));
    return CivilSecondsOf(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, local.tm_sec) -
           utcSeconds;
}

}  // namespace

std::int64_t FloorDivide(std::int64_t value, std::int64_t size) {
    return value / size - (value % size < 0 ? 1 : 0);
}

LogTime StampTimeOf(std::int64_t micros, bool wallClock) {
    const std::int64_t milliseconds = FloorDivide(micros, 1000);
    if (!wallClock) {
        return LocalLogTimeAt(milliseconds);
    }
    const std::int64_t seconds = FloorDivide(milliseconds, 1000);
    return LogTime(CivilTimeOf(seconds), static_cast<int>(milliseconds - seconds * 1000));
}

std::tm CivilTimeOf(std::int64_t seconds) {
    const std::int64_t days = FloorDivide(seconds, kSecondsPerDay);
    const std::int64_t inDay = seconds - days * kSecondsPerDay;
    const std::int64_t z = days + 719468;
    const std::int64_t era = FloorDivide(z, 146097);
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;  // from March
    std::tm civil{};
    civil.tm_mday = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    civil.tm_mon = static_cast<int>(monthIndex < 10 ? monthIndex + 2 : monthIndex - 10);
    civil.tm_year = static_cast<int>(yearOfEra + era * 400 + (civil.tm_mon <= 1 ? 1 : 0) - 1900);
    civil.tm_hour = static_cast<int>(inDay / 3600);
    civil.tm_min = static_cast<int>(inDay / 60 % 60);
    civil.tm_sec = static_cast<int>(inDay % 60);
    return civil;
}

std::int64_t CivilSecondsOf(int year, int month, int day, int hour, int minute, int second) {
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
    return days * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

void CWallClockToUtc::ProbeDay(std::int64_t day) {
    m_day = day;
    m_offsetBefore = OffsetAt((day - 1) * kSecondsPerDay);
    m_offsetAfter = OffsetAt((day + 2) * kSecondsPerDay);
}

std::int64_t CWallClockToUtc::Convert(std::int64_t wallMicros) {
    const std::int64_t wallSeconds = FloorDivide(wallMicros, kMicrosPerSecond);
    if (const std::int64_t day = FloorDivide(wallSeconds, kSecondsPerDay); day != m_day) {
        ProbeDay(day);
    }
    // The moments this wall-clock time can name: one per offset that is in force at it.
    std::int64_t first = wallMicros - m_offsetBefore * kMicrosPerSecond;
    std::int64_t second = wallMicros - m_offsetAfter * kMicrosPerSecond;
    if (first > second) {
        std::swap(first, second);
    }
    const auto valid = [&](std::int64_t utcMicros) {
        const std::int64_t offset = (wallMicros - utcMicros) / kMicrosPerSecond;
        return OffsetAt(FloorDivide(utcMicros, kMicrosPerSecond)) == offset;
    };
    std::int64_t utc = wallMicros - m_offsetBefore * kMicrosPerSecond;  // a skipped time's
    if (first == second) {
        utc = first;
    } else if (valid(first) && valid(second)) {
        utc = first >= m_previous ? first : second;
    } else if (valid(first)) {
        utc = first;
    } else if (valid(second)) {
        utc = second;
    }
    m_previous = utc;
    return utc;
}
