#include "app/PacketLogLine.h"

#include <cstdio>

#include "packet/Packet.h"
#include "settings/LogFile.h"

std::string FormatLogText(bool sent, const CPacket& packet) {
    char text[48];
    std::snprintf(text, sizeof text, "%s: %02X %02X ", sent ? "SEND" : "RECV",
                  static_cast<unsigned>(packet.GetLength() + 2),
                  static_cast<unsigned>(packet.GetCommand()));
    return text;
}

void WritePacketLog(CLogFile& log, bool sent, const CPacket& packet) {
    const std::string text = FormatLogText(sent, packet);
    log.Write(text.c_str(), packet.GetLength(), packet.GetData());
}

std::string FormatPacketLogLine(const std::tm& when, bool sent, const CPacket& packet,
                                int milliseconds) {
    return FormatLogLine(when, FormatLogText(sent, packet).c_str(), packet.GetLength(),
                         packet.GetData(), milliseconds);
}

std::string CannotOpenLogText(const std::string& path, const std::string& reason) {
    return "Невозможно открыть файл журнала " + path + ": " + reason;
}

std::string LogNotWrittenText(const std::string& reason) {
    return "Журнал не пишется: " + reason;
}
