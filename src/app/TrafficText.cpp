#include "app/TrafficText.h"

#include <cstdio>

#include "capture/WallClock.h"
#include "packet/Packet.h"
#include "settings/LogFile.h"

namespace {

constexpr std::size_t kTooltipLineLength = 48;
constexpr std::size_t kTooltipMaxText = 1023;

}  // namespace

std::string FormatLineTime(std::int64_t micros, TrafficClock clock) {
    const LogTime time = StampTimeOf(micros, clock == TrafficClock::WallClock);
    const std::tm& local = time.local;
    char text[64];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d.%03d", local.tm_mday,
                  local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                  time.milliseconds);
    return text;
}

std::string FormatPacketLength(const TrafficLine& line) {
    return std::to_string(line.length + 2);
}

std::string FormatPacketData(const TrafficLine& line) {
    const int length = line.length;
    std::string text;
    text.resize(static_cast<std::size_t>(length + 2) * 3 - 1);
    char digits[3];
    ByteToHex(static_cast<unsigned char>((length + 2) % 256), digits);
    text[0] = digits[0];
    text[1] = digits[1];
    ByteToHex(line.command, digits);
    text[2] = ':';
    text[3] = digits[0];
    text[4] = digits[1];
    for (int i = 0; i < length; ++i) {
        std::size_t at = static_cast<std::size_t>(i + 2) * 3;
        ByteToHex(line.payload[i], digits);
        text[at - 1] = ':';
        text[at] = digits[0];
        text[at + 1] = digits[1];
    }
    return text;
}

std::string BreakTooltipText(std::string_view data) {
    data = data.substr(0, kTooltipMaxText);
    std::string tip;
    tip.reserve(data.size() + data.size() / kTooltipLineLength * 2 + 2);
    for (std::size_t at = 0; at < data.size(); at += kTooltipLineLength) {
        std::string_view line = data.substr(at, kTooltipLineLength);
        tip.append(line);
        if (line.size() == kTooltipLineLength) {
            tip.append("\r\n");
        }
    }
    return tip;
}

std::string MakeTooltipText(const TrafficLine& line, TrafficClock clock) {
    return FormatLineTime(line.time, clock) + "\r\n" + BreakTooltipText(FormatPacketData(line));
}

CellTextFit FitCellText(std::string_view text, const std::function<double(char)>& advance,
                        double ellipsis, double width) {
    double total = 0;
    for (char character : text) {
        total += advance(character);
    }
    if (total <= width) {
        return {text.size(), false};
    }
    std::size_t fit = 0;
    for (double used = 0; fit < text.size(); ++fit) {
        used += advance(text[fit]);
        if (used + ellipsis > width) {
            break;
        }
    }
    // fit < size here: the whole text did not fit. Back to the end of the field it cuts into.
    if (text.find(':') != std::string_view::npos && text[fit] != ':') {
        const std::size_t colon = text.rfind(':', fit);
        fit = colon == std::string_view::npos ? 0 : colon;
    }
    return {fit, true};
}

bool ShouldFollow(int lineCount, int selectedLine) {
    return lineCount > 0 && selectedLine == lineCount - 1;
}

std::string ListBoundText(std::size_t kept, bool logComplete) {
    return "В списке последние " + std::to_string(kept) + " строк" +
           (logComplete ? ", журнал полный" : "");
}

std::string RefusedFramesText(long long count) {
    return "Отброшено кадров: " + std::to_string(count);
}

const char kRefusedFramesReason[] = "Кадры не подходят к режиму (SplittablePacketMode)";
