#include "capture/TrafficFile.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "app/PacketLogLine.h"
#include "capture/WallClock.h"
#include "packet/Packet.h"
#include "settings/AppendFile.h"
#include "settings/LogFile.h"

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
    const LogTime time = StampTimeOf(record.time, localTime);
    CPacket packet;
    packet.SetPacket(record.command, record.payload.data(),
                     static_cast<int>(record.payload.size()));
    return FormatPacketLogLine(time.local, record.sent, packet,
                               milliseconds ? time.milliseconds : -1);
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
