#pragma once
// The texts the main window and the traffic list show, and the small decisions behind them.
// No window code here: the widgets call these and only paint the result.

#include <ctime>
#include <string>
#include <string_view>

class CConfig;
class CLogFile;
class CPacket;

// Column 0 of a traffic line: "dd.mm.yyyy hh:mm:ss" in local time.
std::string FormatLineTime(std::time_t time);
// Column 1: payload length + 2 in decimal.
std::string FormatPacketLength(const CPacket& packet);
// Column 2: (payload length + 2) modulo 256, the command and every payload byte, two
// upper-case digits each, joined by colons: "04:10:01:AB".
std::string FormatPacketData(const CPacket& packet);
// The tool tip of a line: its data text cut to 1023 characters, with CR LF after every 48th
// character (also after the last one when the length is a multiple of 48), so a tip line shows
// 16 fields.
std::string BreakTooltipText(std::string_view data);

// The log line's message text: "RECV: %02X %02X " or "SEND: %02X %02X " with the payload length
// + 2 and the command (a length of 254 or more gives more than two digits).
std::string FormatLogText(bool sent, const CPacket& packet);
// Writes that text and the payload as one line of the log.
void WritePacketLog(CLogFile& log, bool sent, const CPacket& packet);

// The main window's title: "Tavrin", and while a unit is open
// " - Устройство USB [ 0 ] " after it (note the trailing blank).
std::string MakeTitle(bool open, int typeIndex, int number);
// "Программирование" is offered only for an open PCI unit.
bool IsProgrammingEnabled(bool open, int typeIndex);

// A new line is followed (selected and scrolled to) when the list already has lines and the
// last of them is the selected one.
bool ShouldFollow(int lineCount, int selectedLine);

// What start-up does with the settings' [Main] "DeviceType" and "DeviceNumber" (an absent or
// empty value counts as -1, anything else is read as a decimal number, "abc" as 0) and
// "SplittablePacketMode" (0 when absent; any other value selects split framing).
struct DeviceChoice {
    bool open = false;  // false: open nothing and say nothing
    int typeIndex = -1;
    int number = -1;
    bool singleFrame = true;
};
DeviceChoice ChooseConfiguredDevice(const CConfig& config);
