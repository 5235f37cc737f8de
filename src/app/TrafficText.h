#pragma once
// The texts of a traffic line (time, length, data, tool tip) and the follow rule of the list.
// No window code here: the traffic list calls these and only paints the result.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/TrafficStore.h"

// Column 0 of a traffic line: "dd.mm.yyyy hh:mm:ss.mmm" for a time in microseconds since
// 1970-01-01 00:00: a UTC time in local time, a wall-clock time as it stands.
std::string FormatLineTime(std::int64_t micros, TrafficClock clock = TrafficClock::Utc);
// Column 1: payload length + 2 in decimal.
std::string FormatPacketLength(const TrafficLine& line);
// Column 2: (payload length + 2) modulo 256, the command and every payload byte, two
// upper-case digits each, joined by colons: "04:10:01:AB".
std::string FormatPacketData(const TrafficLine& line);
// The data text cut to 1023 characters, with CR LF after every 48th character (also after the
// last one when the length is a multiple of 48), so a tip line shows 16 fields.
std::string BreakTooltipText(std::string_view data);
// The tool tip of a line: its time, CR LF, then its broken data text.
std::string MakeTooltipText(const TrafficLine& line, TrafficClock clock = TrafficClock::Utc);

// How much of a cell's text to show in a cell width wide, given each character's advance and
// the ellipsis's (in any one unit, pixels for the list). The whole text when it fits; else the
// longest start that leaves room for the ellipsis after it, cut back to the end of a whole field
// (before a colon) so that no byte shows half, or at any character in a text without colons.
struct CellTextFit {
    std::size_t length = 0;
    bool elided = false;  // the ellipsis follows
};
CellTextFit FitCellText(std::string_view text, const std::function<double(char)>& advance,
                        double ellipsis, double width);

// A new line is followed (selected and scrolled to) when the list already has lines and the
// last of them is the selected one.
bool ShouldFollow(int lineCount, int selectedLine);

// What the status bar says once the bound has taken lines from the list: "В списке последние
// N строк, журнал полный", N the lines the list holds; the log's part only while a log is
// written whole (without one, or with lines lost, nothing holds every packet).
std::string ListBoundText(std::size_t kept, bool logComplete);

// Frames the framing in force refused since the unit opened: "Отброшено кадров: N".
std::string RefusedFramesText(long long count);
// Their likely reason, said once: the unit frames its packets the other way.
extern const char kRefusedFramesReason[];
