// send: one packet as the window sends it (built first, so that bad input never touches the
// unit), its "SEND: …" line, and optionally the first packet that comes back.

#include <algorithm>
#include <chrono>

#include "app/PacketLogLine.h"
#include "capture/CaptureFile.h"
#include "cli/Commands.h"
#include "cli/StopSignals.h"
#include "device/VXDevice.h"
#include "packet/Packet.h"
#include "settings/LogFile.h"

namespace cli {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait for the reply looks for a stop signal.
constexpr auto kSignalCheck = std::chrono::milliseconds(50);

// The first packet within the time (with a command, the first with that command); false when
// none came, the unit went away or a stop signal came (*signal then holds it).
bool TakeReply(CVXDevice& channel, int timeoutMs, std::optional<int> command,
               CStopSignals& signals, CPacket* reply, int* signal) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        if (channel.TakePacket(reply)) {
            if (!command || reply->GetCommand() == *command) {
                return true;
            }
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::min<Clock::duration>(deadline - Clock::now(), kSignalCheck));
        if (left.count() <= 0 || !channel.IsOpen() || (*signal = signals.Take({})) != 0) {
            return false;
        }
        channel.WaitPacket(static_cast<std::uint32_t>(left.count()));
    }
}

// A line of the exchange: printed, logged and captured. Code 1 with a message when the log or
// the capture cannot take it; a send is not reported as whole when its record is not.
int Record(bool sent, const CPacket& packet, CLogFile& log, CCaptureFile& capture,
           const std::string& logPath) {
    PrintLine(FormatPacketLogLine(LocalTimeNow(), sent, packet));
    WritePacketLog(log, sent, packet);
    capture.Write(sent, packet);
    capture.Flush();
    if (log.HasLostLines()) {
        return Fail(kFailed, LogNotWrittenText(log.GetErrorText()) + " (" + logPath + ")");
    }
    if (capture.HasLostRecords()) {
        return Fail(kFailed, capture.GetWriteProblem());
    }
    return kSuccess;
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
        return Fail(kBadInput, CannotOpenLogText(options.log, log.GetErrorText()));
    }
    log.SetStopAfterLoss(true);  // the command ends there
    CCaptureFile capture;
    if (!options.pcap.empty() && !capture.Open(options.pcap, &error)) {
        return Fail(kBadInput, error);
    }
    // A stop signal or a closed output ends the command here, with the files whole, not the
    // process mid-record; before the channel starts its reader.
    CStopSignals signals;
    int code = kSuccess;
    std::unique_ptr<CVXDevice> channel = OpenUnit(options.unit, device, &code);
    if (!channel) {
        return code;
    }
    if (!channel->SendPacket(&packet)) {
        return Fail(kFailed, "Невозможно отправить пакет");
    }
    if (int recorded = Record(true, packet, log, capture, options.log); recorded != kSuccess) {
        return recorded;
    }
    if (!options.waitReplyMs) {
        return kSuccess;
    }
    CPacket reply;
    int signal = 0;
    if (!TakeReply(*channel, *options.waitReplyMs, options.replyCommand, signals, &reply,
                   &signal)) {
        return Fail(kFailed, signal != 0
                                 ? "Ожидание ответа прервано сигналом " + std::to_string(signal)
                             : channel->IsOpen()
                                 ? "Нет ответа за " + std::to_string(*options.waitReplyMs) + " мс"
                                 : "Устройство отключено!!! (" + options.unit + ")");
    }
    return Record(false, reply, log, capture, options.log);
}

}  // namespace cli
