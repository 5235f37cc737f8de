// monitor: the receive thread of the window, with standard output in place of the traffic list.
//
// Ctrl+C, SIGTERM, SIGHUP and SIGPIPE are blocked in every thread (CStopSignals) and taken by
// the main thread between its checks, so that the end is always the same orderly one: the
// receive thread stops, the capture and the log are closed whole. So is a closed output (the
// reader of a pipe went away). A log, capture or output that stops being written ends the
// command with code 1: what came after would be missing from it.

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>

#include "app/PacketLogLine.h"
#include "app/ReceiveThread.h"
#include "app/TrafficText.h"
#include "capture/CaptureFile.h"
#include "cli/Commands.h"
#include "cli/StopSignals.h"
#include "device/VXDevice.h"
#include "settings/LogFile.h"

namespace cli {

namespace {

using Clock = std::chrono::steady_clock;

// How often the main thread looks at the count, the time and the signals, and pushes the
// output on.
constexpr auto kCheckInterval = std::chrono::milliseconds(50);

// Receive thread: prints, logs and captures each packet up to the count.
class CMonitorSink : public IReceiveSink {
public:
    CMonitorSink(CLogFile& log, CCaptureFile& capture, std::optional<long long> limit,
                 bool milliseconds)
        : m_log(log), m_capture(capture), m_limit(limit), m_milliseconds(milliseconds) {}

    void PacketReceived(const CPacket& packet) override {
        if (IsDone()) {
            return;  // past the count: the command ends without it
        }
        // One moment for the output, the log and the capture, so that they agree.
        const std::int64_t micros = std::chrono::duration_cast<std::chrono::microseconds>(
                                        std::chrono::system_clock::now().time_since_epoch())
                                        .count();
        const LogTime now = Stamp(micros / 1000);
        const std::string line =
            FormatPacketLogLine(now.local, false, packet, m_milliseconds ? now.milliseconds : -1);
        if (!PrintLine(line) && m_outputError.load() == 0) {
            m_outputError.store(errno != 0 ? errno : EIO);
        }
        m_log.WriteLine(line);
        m_capture.Write(false, packet, micros);
        m_count.fetch_add(1);
    }
    void DeviceLost() override { m_lost.store(true); }

    bool IsDone() const { return m_limit && m_count.load() >= *m_limit; }
    bool IsLost() const { return m_lost.load(); }
    long long GetCount() const { return m_count.load(); }
    // The error of the first print that failed, 0 while none has.
    int GetOutputError() const { return m_outputError.load(); }

private:
    // The local time of a moment in milliseconds since 1970: its calendar fields worked out
    // once a second rather than for each of thousands of packets.
    LogTime Stamp(long long now) {
        if (now / 1000 != m_stampSecond) {
            m_stampSecond = now / 1000;
            m_stamp = LocalLogTimeAt(now).local;
        }
        return LogTime(m_stamp, static_cast<int>(now % 1000));
    }

    long long m_stampSecond = -1;
    std::tm m_stamp{};
    CLogFile& m_log;
    CCaptureFile& m_capture;
    std::optional<long long> m_limit;
    bool m_milliseconds;
    std::atomic<long long> m_count{0};
    std::atomic<bool> m_lost{false};
    std::atomic<int> m_outputError{0};
};

// Why the watch ended, and the command's code and message for it.
struct WatchEnd {
    int code = kSuccess;
    std::string message;
};

// The output, the log and the capture are pushed on and looked at every check. A reader of the
// output that went away ends the watch as a signal does; any other output, log or capture that
// stops being written ends it with code 1, since what follows would be lost.
std::optional<WatchEnd> PushFiles(CLogFile& log, CCaptureFile& capture, const std::string& logPath,
                                  const CMonitorSink& sink) {
    const int flushError = std::fflush(stdout) != 0 ? errno : 0;
    const int outputError = flushError != 0 ? flushError : sink.GetOutputError();
    log.Flush();
    capture.Flush();
    if (log.HasLostLines()) {
        return WatchEnd{kFailed, LogNotWrittenText(log.GetErrorText()) + " (" + logPath + ")"};
    }
    if (capture.HasLostRecords()) {
        return WatchEnd{kFailed, capture.GetWriteProblem()};
    }
    if (outputError == EPIPE) {
        return WatchEnd{};
    }
    if (outputError != 0) {
        return WatchEnd{kFailed, "Вывод не пишется: " + CErrorText(outputError)};
    }
    return std::nullopt;
}

// Until the count, the time, a stop signal, a lost unit or a file that is not written.
WatchEnd Watch(const MonitorOptions& options, CMonitorSink& sink, CLogFile& log,
               CCaptureFile& capture, CStopSignals& signals) {
    const auto deadline = options.seconds
                              ? Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                   std::chrono::duration<double>(*options.seconds))
                              : Clock::time_point::max();
    while (!sink.IsDone() && !sink.IsLost()) {
        const auto now = Clock::now();
        if (now >= deadline) {
            break;
        }
        if (signals.Take(std::min<Clock::duration>(kCheckInterval, deadline - now)) != 0) {
            break;
        }
        if (auto end = PushFiles(log, capture, options.log, sink)) {
            return *end;
        }
    }
    if (sink.IsLost() && !sink.IsDone()) {
        return {kFailed, "Устройство отключено!!! (" + options.unit + ")"};
    }
    if (options.count && !sink.IsDone() && Clock::now() >= deadline) {
        return {kFailed, "Получено пакетов: " + std::to_string(sink.GetCount()) + " из " +
                             std::to_string(*options.count)};
    }
    return {};
}

}  // namespace

int RunMonitor(const DeviceOptions& device, const MonitorOptions& options) {
    if (options.count && *options.count <= 0) {
        return Fail(kBadInput, "--count: нужно число больше 0");
    }
    if (options.seconds && *options.seconds <= 0) {
        return Fail(kBadInput, "--seconds: нужно число больше 0");
    }
    CLogFile log;
    if (!options.log.empty() && !log.Open(options.log.c_str(), false)) {
        return Fail(kBadInput, CannotOpenLogText(options.log, log.GetErrorText()));
    }
    log.SetStopAfterLoss(true);   // the command ends there
    log.SetFlushEachLine(false);  // flushed with the output below, every check
    CCaptureFile capture;
    std::string error;
    if (!options.pcap.empty() && !capture.Open(options.pcap, &error)) {
        return Fail(kBadInput, error);
    }
    // Lines to a file or a pipe go out in large blocks (and at every check below); a terminal
    // keeps its line buffering.
    if (!::isatty(STDOUT_FILENO)) {
        std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    }
    CStopSignals signals;  // before the channel starts its reader

    int code = kSuccess;
    std::unique_ptr<CVXDevice> channel = MakeChannel(options.unit, device, &code);
    if (!channel) {
        return code;
    }
    CMonitorSink sink(log, capture, options.count, ResolveMilliseconds(options.milliseconds));
    CLogFile noLog;  // the sink logs, so that the log stops at the count as the output does
    // The receiver is there before the unit opens: a unit that sends at once must not fill the
    // channel's queue before anybody takes from it.
    CReceiveThread receiver(*channel, noLog, sink);
    receiver.Start();
    if (!OpenNamedUnit(*channel, options.unit, &code)) {
        receiver.Stop();
        return code;
    }

    WatchEnd end = Watch(options, sink, log, capture, signals);
    receiver.Stop();
    channel->Close();
    // The last lines go out whole, or the end says they did not.
    const std::optional<WatchEnd> last = PushFiles(log, capture, options.log, sink);
    if (end.code == kSuccess && last) {
        end = *last;
    }
    capture.Close();
    log.Close();
    if (const long long refused = channel->GetRefusedFrames(); refused > 0) {
        Warn(RefusedFramesText(refused) + ". " + kRefusedFramesReason);
    }
    return end.code == kSuccess ? kSuccess : Fail(end.code, end.message);
}

}  // namespace cli
