// monitor: the receive thread of the window, with standard output in place of the traffic list.
//
// Ctrl+C and SIGTERM are blocked in every thread (the mask is set before the channel starts its
// reader) and taken by the main thread between its checks, so that the end is always the same
// orderly one: the receive thread stops, the capture and the log are closed whole.

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>

#include "app/PacketLogLine.h"
#include "app/ReceiveThread.h"
#include "cli/CaptureFile.h"
#include "cli/Commands.h"
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
    CMonitorSink(CLogFile& log, CCaptureFile& capture, std::optional<long long> limit)
        : m_log(log), m_capture(capture), m_limit(limit) {}

    void PacketReceived(const CPacket& packet) override {
        if (IsDone()) {
            return;  // past the count: the command ends without it
        }
        // One line for both, so that the output and the log agree to the second.
        const std::string line = FormatPacketLogLine(Now(), false, packet);
        PrintLine(line);
        m_log.WriteLine(line);
        m_capture.Write(false, packet);
        m_count.fetch_add(1);
    }
    void DeviceLost() override { m_lost.store(true); }

    bool IsDone() const { return m_limit && m_count.load() >= *m_limit; }
    bool IsLost() const { return m_lost.load(); }
    long long GetCount() const { return m_count.load(); }

private:
    // The local time, worked out once a second rather than for each of thousands of packets.
    const std::tm& Now() {
        const std::time_t now = std::time(nullptr);
        if (now != m_stampTime) {
            m_stampTime = now;
            m_stamp = LocalTimeNow();
        }
        return m_stamp;
    }

    std::time_t m_stampTime = -1;
    std::tm m_stamp{};
    CLogFile& m_log;
    CCaptureFile& m_capture;
    std::optional<long long> m_limit;
    std::atomic<long long> m_count{0};
    std::atomic<bool> m_lost{false};
};

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

// Waits up to the interval for Ctrl+C or SIGTERM; true when one came.
bool TakeStopSignal(const sigset_t& set, Clock::duration interval) {
    const auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(interval).count();
    timespec wait{static_cast<time_t>(nanos / 1000000000), static_cast<long>(nanos % 1000000000)};
    return sigtimedwait(&set, nullptr, &wait) > 0;
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
        return Fail(kBadInput, "Невозможно открыть файл журнала " + options.log);
    }
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
    const sigset_t stopSignals = StopSignals();
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &stopSignals, &previous);

    int code = kSuccess;
    std::unique_ptr<CVXDevice> channel = MakeChannel(options.unit, device, &code);
    if (!channel) {
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return code;
    }
    CMonitorSink sink(log, capture, options.count);
    CLogFile noLog;  // the sink logs, so that the log stops at the count as the output does
    // The receiver is there before the unit opens: a unit that sends at once must not fill the
    // channel's queue before anybody takes from it.
    CReceiveThread receiver(*channel, noLog, sink);
    receiver.Start();
    if (!OpenNamedUnit(*channel, options.unit, &code)) {
        receiver.Stop();
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return code;
    }

    const auto started = Clock::now();
    const auto deadline = options.seconds
                              ? started + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(*options.seconds))
                              : Clock::time_point::max();
    while (!sink.IsDone() && !sink.IsLost()) {
        const auto now = Clock::now();
        if (now >= deadline) {
            break;
        }
        if (TakeStopSignal(stopSignals,
                           std::min<Clock::duration>(kCheckInterval, deadline - now))) {
            break;
        }
        std::fflush(stdout);
        log.Flush();
        capture.Flush();
    }
    receiver.Stop();
    channel->Close();
    std::fflush(stdout);
    capture.Close();
    log.Close();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);

    if (sink.IsLost() && !sink.IsDone()) {
        return Fail(kFailed, "Устройство отключено!!! (" + options.unit + ")");
    }
    if (options.count && !sink.IsDone() && Clock::now() >= deadline) {
        return Fail(kFailed, "Получено пакетов: " + std::to_string(sink.GetCount()) + " из " +
                                 std::to_string(*options.count));
    }
    return kSuccess;
}

}  // namespace cli
