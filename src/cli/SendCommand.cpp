// send: one packet as the window sends it (built first, so that bad input never touches the
// unit), its "SEND: …" line, and optionally the first packet that comes back.

#include <chrono>

#include "app/PacketLogLine.h"
#include "cli/CaptureFile.h"
#include "cli/Commands.h"
#include "device/VXDevice.h"
#include "packet/Packet.h"
#include "settings/LogFile.h"

namespace cli {

namespace {

using Clock = std::chrono::steady_clock;

// The first packet within the time (with a command, the first with that command); false when
// none came or the unit went away.
bool TakeReply(CVXDevice& channel, int timeoutMs, std::optional<int> command, CPacket* reply) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        if (channel.TakePacket(reply)) {
            if (!command || reply->GetCommand() == *command) {
                return true;
            }
            continue;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || !channel.IsOpen()) {
            return false;
        }
        channel.WaitPacket(static_cast<std::uint32_t>(left));
    }
}

}  // namespace

int RunSend(const DeviceOptions& device, const SendOptions& options) {
    CPacket packet;
    std::string error;
    if (!BuildRequestedPacket(options.packet, &packet, &error)) {
        return Fail(kBadInput, error);
    }
    if (packet.GetCommand() == 0) {
        return Fail(kBadInput, "Команда 00 не образует пакета");  // the channel would refuse it
    }
    if (options.waitReplyMs && *options.waitReplyMs < 0) {
        return Fail(kBadInput, "--wait-reply: нужно число миллисекунд, не меньше 0");
    }
    CLogFile log;
    if (!options.log.empty() && !log.Open(options.log.c_str(), false)) {
        return Fail(kBadInput, "Невозможно открыть файл журнала " + options.log);
    }
    CCaptureFile capture;
    if (!options.pcap.empty() && !capture.Open(options.pcap, &error)) {
        return Fail(kBadInput, error);
    }
    int code = kSuccess;
    std::unique_ptr<CVXDevice> channel = OpenUnit(options.unit, device, &code);
    if (!channel) {
        return code;
    }
    if (!channel->SendPacket(&packet)) {
        return Fail(kFailed, "Невозможно отправить пакет");
    }
    PrintLine(FormatPacketLogLine(LocalTimeNow(), true, packet));
    WritePacketLog(log, true, packet);
    capture.Write(true, packet);
    if (!options.waitReplyMs) {
        return kSuccess;
    }
    CPacket reply;
    if (!TakeReply(*channel, *options.waitReplyMs, options.replyCommand, &reply)) {
        return Fail(kFailed, channel->IsOpen()
                                 ? "Нет ответа за " + std::to_string(*options.waitReplyMs) + " мс"
                                 : "Устройство отключено!!! (" + options.unit + ")");
    }
    PrintLine(FormatPacketLogLine(LocalTimeNow(), false, reply));
    WritePacketLog(log, false, reply);
    capture.Write(false, reply);
    return kSuccess;
}

}  // namespace cli
