#include "capture/TrafficFile.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <memory>

#include "app/PacketLogLine.h"
#include "packet/Packet.h"
#include "settings/AppendFile.h"
#include "settings/LogFile.h"

namespace {

constexpr std::int64_t kMicrosPerSecond = 1000000;

// Whole units of size in value, rounded down also below 0.
std::int64_t FloorDivide(std::int64_t value, std::int64_t size) {
    return value / size - (value % size < 0 ? 1 : 0);
}

// The date and time of a count of seconds since 1970-01-01 00:00:00, in no time zone.
std::tm CivilTime(std::int64_t seconds) {
    const std::int64_t days = FloorDivide(seconds, 86400);
    const std::int64_t inDay = seconds - days * 86400;
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

}  // namespace

std::string RecordPacketFault(unsigned char command, std::size_t payloadLength) {
    if (command == 0) {
        return "команда 00 не образует пакета";
    }
    if (payloadLength > static_cast<std::size_t>(CPacket::kMaxSplitPayload)) {
        return "данных " + std::to_string(payloadLength) + " байт, больше, чем вмещает пакет (" +
               std::to_string(CPacket::kMaxSplitPayload) + ")";
    }
    return "";
}

bool MakeRecordPacket(const TrafficRecord& record, CPacket* packet) {
    return RecordPacketFault(record.command, record.payload.size()).empty() &&
           packet->SetPacket(record.command, record.payload.data(),
                             static_cast<int>(record.payload.size())) == 1;
}

std::string FormatTrafficLine(const TrafficRecord& record, bool localTime, bool milliseconds) {
    const std::int64_t seconds = FloorDivide(record.time, kMicrosPerSecond);
    const int ms = static_cast<int>((record.time - seconds * kMicrosPerSecond) / 1000);
    CPacket packet;
    packet.SetPacket(record.command, record.payload.data(),
                     static_cast<int>(record.payload.size()));
    return FormatPacketLogLine(
        localTime ? CivilTime(seconds) : LocalTimeOf(static_cast<std::time_t>(seconds)),
        record.sent, packet, milliseconds ? ms : -1);
}

bool ParseTrafficFile(std::string_view bytes, TrafficFile* file, std::string* error) {
    if (bytes.empty()) {
        *error = "Файл пуст: в нём нет ни захвата, ни строк журнала";
        return false;
    }
    if (bytes.front() == '[') {
        return ParseLog(bytes, file, error);
    }
    return ParseCapture(bytes, file, error);
}

bool ReadTrafficFile(const std::string& path, TrafficFile* file, std::string* error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream(std::fopen(path.c_str(), "rb"),
                                                           &std::fclose);
    if (!stream) {
        *error = "Невозможно открыть файл: " + CErrorText(errno);
        return false;
    }
    std::string bytes;
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stream.get())) > 0) {
        bytes.append(buffer, got);
    }
    if (std::ferror(stream.get())) {
        *error = "Невозможно прочитать файл: " + CErrorText(errno);
        return false;
    }
    return ParseTrafficFile(bytes, file, error);
}
