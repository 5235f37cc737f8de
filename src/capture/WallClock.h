#pragma once
// Times without a time zone. A Tavrin log stamps its lines with the local clock of the machine
// that wrote it and names no zone, so its times are kept as written: microseconds since
// 1970-01-01 00:00:00 of the calendar, as if that clock were UTC (the "wall clock"). A capture
// needs UTC; CWallClockToUtc turns wall-clock times into UTC with this machine's time zone.

#include <cstdint>
#include <ctime>

struct LogTime;

// Whole units of size in value, rounded down also below 0.
std::int64_t FloorDivide(std::int64_t value, std::int64_t size);

// The calendar date and time of seconds since 1970-01-01 00:00:00, in no time zone.
std::tm CivilTimeOf(std::int64_t seconds);
// The seconds since 1970-01-01 00:00:00 of a calendar date and time (month 1 to 12), in no
// time zone; the Gregorian calendar carried back before its start.
std::int64_t CivilSecondsOf(int year, int month, int day, int hour, int minute, int second);

// The time a stamp shows for microseconds since 1970, to the millisecond: a UTC time in this
// machine's local time, a wall-clock time (wallClock) as it stands.
LogTime StampTimeOf(std::int64_t micros, bool wallClock);

// Wall-clock times in the order a log holds them, turned into UTC with the time zone of this
// machine (its rules for each date, summer time included). Where the clock was put back (the
// hour repeated at the end of summer time) a wall-clock time names two moments: the earlier one
// is taken unless it would come before the previous line's, so that a log running through the
// repeated hour keeps its order. A time the clock skipped (the hour lost when summer time
// begins) is read with the offset in force before the change, as the clock that wrote it, not
// yet put forward, would have meant it.
//
// Assumes no two changes of the zone's offset within three days, as everywhere today.
class CWallClockToUtc {
public:
    std::int64_t Convert(std::int64_t wallMicros);

private:
    // The zone's offsets (local minus UTC, in seconds) a day before and a day after the wall
    // day; found once a day of lines.
    void ProbeDay(std::int64_t day);

    std::int64_t m_day = INT64_MIN;
    std::int64_t m_offsetBefore = 0;
    std::int64_t m_offsetAfter = 0;
    std::int64_t m_previous = INT64_MIN;  // the last UTC time given, in microseconds
};
