// The log file reader: the lines CLogFile writes for packets (app/PacketLogLine.h),
//   [DD.MM.YYYY hh:mm:ss] - RECV: LL CC PAYLOAD
//   [DD.MM.YYYY hh:mm:ss.mmm] - SEND: LL CC PAYLOAD
// where LL is the payload's length + 2 in hexadecimal, at least two digits, and CC the
// command. Nothing else is a line of a Tavrin log; empty lines are passed over.

#include <algorithm>
#include <cstdio>

#include "capture/TrafficFile.h"
#include "capture/WallClock.h"

namespace {

constexpr std::int64_t kMicrosPerSecond = 1000000;
// More digits than any length a packet has (15301 is 3BC5).
constexpr std::size_t kMaxLengthDigits = 6;

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// count decimal digits at text[at]; false unless they are all there.
bool ReadDigits(std::string_view text, std::size_t at, std::size_t count, int* value) {
    if (at + count > text.size()) {
        return false;
    }
    *value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        *value = *value * 10 + (text[i] - '0');
    }
    return true;
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

struct Stamp {
    std::int64_t micros = 0;
    std::size_t end = 0;  // where the text after "] - " begins
};

// The stamp at the line's start and the " - " after it; "" or what is wrong.
std::string ReadStamp(std::string_view line, Stamp* stamp) {
    // [DD.MM.YYYY hh:mm:ss] or [DD.MM.YYYY hh:mm:ss.mmm]
    static const std::string_view kShape = "[00.00.0000 00:00:00";
    int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0, millis = 0;
    bool shaped = line.size() >= kShape.size();
    for (std::size_t i = 0; shaped && i < kShape.size(); ++i) {
        shaped = kShape[i] == '0' ? line[i] >= '0' && line[i] <= '9' : line[i] == kShape[i];
    }
    std::size_t at = kShape.size();
    if (shaped && at < line.size() && line[at] == '.') {
        shaped = ReadDigits(line, at + 1, 3, &millis);
        at += 4;
    }
    shaped = shaped && line.substr(at, 4) == "] - ";
    if (!shaped) {
        return "нет отметки времени «[дд.мм.гггг чч:мм:сс] - » в начале строки";
    }
    ReadDigits(line, 1, 2, &day);
    ReadDigits(line, 4, 2, &month);
    ReadDigits(line, 7, 4, &year);
    ReadDigits(line, 12, 2, &hour);
    ReadDigits(line, 15, 2, &minute);
    ReadDigits(line, 18, 2, &second);
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        return "неверная дата или время «" + std::string(line.substr(1, at - 1)) + "»";
    }
    const std::int64_t seconds = CivilSecondsOf(year, month, day, hour, minute, second);
    stamp->micros = seconds * kMicrosPerSecond + millis * 1000;
    stamp->end = at + 4;
    return "";
}

// The word up to the next space (at most 16 characters), to show what was found.
std::string WordAt(std::string_view text, std::size_t at) {
    const std::size_t end = std::min(text.find(' ', at), at + 16);
    return std::string(text.substr(at, end - at));
}

// What follows the stamp: "RECV: LL CC PAYLOAD" or "SEND: ..."; "" or what is wrong.
std::string ReadPacketText(std::string_view text, TrafficRecord* record) {
    const bool sent = text.substr(0, 6) == "SEND: ";
    if (!sent && text.substr(0, 6) != "RECV: ") {
        return "после отметки времени нет «RECV: » или «SEND: »";
    }
    std::size_t at = 6;
    std::size_t length = 0;
    std::size_t digits = 0;
    for (; at + digits < text.size() && HexValue(text[at + digits]) >= 0; ++digits) {
        length = length * 16 + static_cast<std::size_t>(HexValue(text[at + digits]));
    }
    if (digits < 2 || digits > kMaxLengthDigits || at + digits >= text.size() ||
        text[at + digits] != ' ') {
        return "неверная длина пакета «" + WordAt(text, at) + "»";
    }
    const std::string lengthText(text.substr(at, digits));
    at += digits + 1;
    if (at + 3 > text.size() || HexValue(text[at]) < 0 || HexValue(text[at + 1]) < 0 ||
        text[at + 2] != ' ') {
        return "неверная команда «" + WordAt(text, at) + "»";
    }
    const auto command =
        static_cast<unsigned char>(HexValue(text[at]) * 16 + HexValue(text[at + 1]));
    at += 3;
    const std::string_view hex = text.substr(at);
    if (hex.size() % 2 != 0 ||
        hex.find_first_not_of("0123456789ABCDEFabcdef") != std::string_view::npos) {
        return "данные пакета не записаны парами шестнадцатеричных цифр";
    }
    const std::size_t payload = hex.size() / 2;
    if (length != payload + 2) {
        char expected[24];
        std::snprintf(expected, sizeof expected, "%02X", static_cast<unsigned>(payload + 2));
        return "неверная длина пакета: " + lengthText + ", а данных " + std::to_string(payload) +
               " байт (должно быть " + expected + ")";
    }
    if (std::string fault = RecordPacketFault(command, payload); !fault.empty()) {
        return fault;
    }
    record->sent = sent;
    record->command = command;
    record->payload.resize(payload);
    for (std::size_t i = 0; i < payload; ++i) {
        record->payload[i] =
            static_cast<unsigned char>(HexValue(hex[2 * i]) * 16 + HexValue(hex[2 * i + 1]));
    }
    return "";
}

// One line without its line end; "" or what is wrong.
std::string ReadLine(std::string_view line, TrafficRecord* record) {
    Stamp stamp;
    if (std::string fault = ReadStamp(line, &stamp); !fault.empty()) {
        return fault;
    }
    record->time = stamp.micros;
    return ReadPacketText(line.substr(stamp.end), record);
}

}  // namespace

bool ParseLog(std::string_view text, TrafficFile* file, std::string* error) {
    *file = TrafficFile{};
    file->kind = TrafficFileKind::Log;
    std::size_t number = 0;
    for (std::size_t start = 0; start < text.size();) {
        ++number;
        const std::size_t end = text.find('\n', start);
        const bool ended = end != std::string_view::npos;
        std::string_view line = text.substr(start, ended ? end - start : std::string_view::npos);
        start = ended ? end + 1 : text.size();
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        TrafficRecord record;
        const std::string fault = ReadLine(line, &record);
        const auto name = [number] { return "Строка " + std::to_string(number) + ": "; };
        if (!fault.empty() && !ended) {
            file->cutShort = name() + "файл кончается посреди строки; прочитано записей: " +
                             std::to_string(file->records.size());
            return true;
        }
        if (!fault.empty()) {
            *error = name() + fault;
            file->records.clear();
            return false;
        }
        file->records.push_back(std::move(record));
    }
    return true;
}
