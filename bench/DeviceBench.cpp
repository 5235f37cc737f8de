// Throughput of the device channel: packets per second through the reader thread to
// TakePacket, with a consumer that keeps up, against the raw rate of 64-byte frames over a bare
// SOCK_SEQPACKET socket pair (one poll and one read per frame, as the reader of a driver would),
// measured in the same run. In ChannelSingle64 the frames come from a bare unit that writes them
// with blocking sends, as the raw writer does, so the ratio is the channel's own. In
// SimulatorSingle64 they come from the simulator, whose sending thread and engine share the
// two processors with the channel; its rate is the simulator's and the channel's together.
// Both also give the CPU time each thread spent per packet (per frame for the raw reader), which
// varies less from run to run than the rates on a busy machine.
//
// And what the receive path costs: the channel's reader thread and the receive thread (which
// writes every packet to a log file, flushed per line) at the USB full-speed rate of 19,000
// 62-byte packets a second, evenly paced and in bursts every millisecond, as the CPU time of
// those two threads (the simulator's and the benchmark's own are not counted) as a share of
// one core over the run.
//
// Figures on 2 cores shared with other work (load 3 to 5, raw 230,000-280,000 frames/s), before
// and after the reader held the connection for all the frames that are ready and the two
// threads stopped waking each other when the other was not waiting: the two channels built
// with this benchmark and run in turns, five rounds of five runs, medians.
//                          before               after
//   ChannelSingle64        0.74 of raw          0.89 of raw
//     CPU a packet         2.55 + 1.09 us       2.23 + 0.79 us   (reader + receiver)
//   SimulatorSingle64      0.60 of raw          0.75 of raw
//     simulator's CPU      3.5 us a packet      2.2 us
// The raw reader takes 2.2 to 2.4 us a frame. What is left beyond the reads is the hand-over:
// with a queue of 9 packets, the reader and the receiver each sleep and are woken about once
// every 8 packets in a flood. (The earlier ChannelSingle64, fed by a simulator that refused
// nine packets in ten and counted only those it took, gave 0.58 in the same session.)

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ThreadCpu.h"
#include "app/ReceiveThread.h"
#include "device/VXDevice.h"
#include "device/driver/DriverProtocol.h"
#include "device/driver/UnitSocket.h"
#include "settings/LogFile.h"
#include "sim/Simulator.h"
#include "support/TempFiles.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFloodFrames = 200000;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

long long OwnCpuNs() {
    return ThreadCpuNs(static_cast<int>(::gettid()));
}

struct RawOutcome {
    double framesPerSecond = 0;
    double readerNsPerFrame = 0;
};

// Frames per second through a socket pair, read one poll + read at a time.
RawOutcome RawFrames(int frames) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair) != 0) {
        return {};
    }
    const long long cpuBefore = OwnCpuNs();
    auto start = Clock::now();
    std::thread writer([&] {
        unsigned char frame[64] = {64, 1};
        for (int i = 0; i < frames; ++i) {
            if (::send(pair[0], frame, sizeof frame, MSG_NOSIGNAL) != sizeof frame) {
                break;
            }
        }
    });
    unsigned char buffer[16384];
    int got = 0;
    while (got < frames) {
        pollfd entry{pair[1], POLLIN, 0};
        if (::poll(&entry, 1, 1000) <= 0 || ::read(pair[1], buffer, sizeof buffer) <= 0) {
            break;
        }
        ++got;
    }
    RawOutcome outcome;
    outcome.framesPerSecond = got / Seconds(Clock::now() - start);
    outcome.readerNsPerFrame = static_cast<double>(OwnCpuNs() - cpuBefore) / got;
    writer.join();
    ::close(pair[0]);
    ::close(pair[1]);
    return outcome;
}

// A unit with nothing behind it, VXPCI0 in the directory: it grants the host's open and then,
// once told, writes that many 64-byte single frames with blocking sends, as the raw writer does.
// The host closing the connection ends its sends.
class CBareUnit {
public:
    CBareUnit(const std::string& directory, int frames)
        : m_listener(VxSocket::Listen(VxSocket::UnitPath(directory, "PCI", 0))),
          m_thread([this, frames] { Serve(frames); }) {}
    ~CBareUnit() {
        m_stop = true;
        m_thread.join();
        VxSocket::Close(m_fd);
        VxSocket::Close(m_listener);
    }
    void Go() { m_go = true; }

private:
    // Waits until fd is readable; false when the unit is told to stop first.
    bool WaitReadable(int fd) {
        while (!m_stop.load()) {
            pollfd entry{fd, POLLIN, 0};
            if (::poll(&entry, 1, 100) > 0) {
                return true;
            }
        }
        return false;
    }

    void Serve(int frames) {
        if (m_listener < 0 || !WaitReadable(m_listener) ||
            (m_fd = VxSocket::Accept(m_listener)) < 0 || !WaitReadable(m_fd)) {
            return;
        }
        unsigned char hello[VxProtocol::kHelloSize];
        if (VxSocket::Receive(m_fd, hello, sizeof hello) != VxProtocol::kHelloSize) {
            return;
        }
        VxProtocol::EncodeTriple(hello, VxProtocol::kMagic, VxProtocol::kGranted, 1);
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
        if (::send(m_fd, hello, sizeof hello, MSG_NOSIGNAL) != sizeof hello) {
            return;
        }
        while (!m_go.load() && !m_stop.load()) {
            std::this_thread::yield();
        }
        unsigned char frame[64] = {64, 0x31};
        for (int i = 0; i < frames && !m_stop.load(); ++i) {
            if (::send(m_fd, frame, sizeof frame, MSG_NOSIGNAL) != sizeof frame) {
                return;
            }
        }
    }

    int m_listener;
    int m_fd = -1;
    std::atomic<bool> m_go{false};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Takes every packet from the channel on a thread of its own, as fast as they come.
class CConsumer {
public:
    explicit CConsumer(CVXDevice& device) : m_device(device) {
        m_thread = std::thread([this] { Consume(); });
        while (!m_started.load()) {
            std::this_thread::yield();  // a receiver that has not started yet is no receiver
        }
    }
    ~CConsumer() { Stop(); }

    // Waits until expected packets are in, or nothing more comes, and stops.
    void Finish(int expected) {
        int last = -1;
        while (m_received.load() < expected && m_received.load() != last) {
            last = m_received.load();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        Stop();
    }
    int Received() const { return m_received.load(); }
    Clock::time_point LastTake() const { return m_lastTake; }  // after Finish
    long long CpuNs() const { return m_cpuNs; }                // after Finish

private:
    void Stop() {
        m_done = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    void Consume() {
        CPacket packet;
        m_device.WaitPacket(0);
        const long long cpuBefore = OwnCpuNs();
        m_started = true;
        while (!m_done.load()) {
            m_device.WaitPacket(50);
            int taken = 0;
            while (m_device.TakePacket(&packet)) {
                ++taken;
            }
            if (taken > 0) {
                m_lastTake = Clock::now();
                m_received += taken;
            }
        }
        m_cpuNs = OwnCpuNs() - cpuBefore;
    }

    CVXDevice& m_device;
    std::atomic<int> m_received{0};
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_started{false};
    Clock::time_point m_lastTake{};
    long long m_cpuNs = 0;
    std::thread m_thread;
};

struct Outcome {
    int sent = 0;
    int received = 0;
    double seconds = 0;
    double readerNs = 0;    // CPU time of the channel's reader thread
    double receiverNs = 0;  // and of the consumer
    double unitNs = 0;      // and of the unit's side: the simulator's threads, or none
};

// A channel on the units in directory, its reader thread's id, unit PCI 0 open.
struct Channel {
    explicit Channel(const std::string& directory, bool single) {
        const std::set<int> before = ThreadIds();
        device = std::make_unique<CVXDevice>(directory);
        reader = NewThreads(before);
        device->SetSingleFrameMode(single);
        open = device->Open(1, 0) == 1;
    }
    std::unique_ptr<CVXDevice> device;
    std::set<int> reader;
    bool open = false;
};

// count 64-byte frames from a bare unit, taken by a consumer thread from the channel.
Outcome RunBare(int count) {
    TempDir dir;
    CBareUnit unit(dir.Path().string(), count);
    Channel channel(dir.Path().string(), true);
    Outcome outcome;
    if (!channel.open) {
        return outcome;
    }
    CConsumer consumer(*channel.device);
    const long long readerBefore = CpuNs(channel.reader);
    const auto start = Clock::now();
    unit.Go();
    outcome.sent = count;
    consumer.Finish(count);
    outcome.readerNs = static_cast<double>(CpuNs(channel.reader) - readerBefore);
    outcome.receiverNs = static_cast<double>(consumer.CpuNs());
    outcome.seconds = Seconds(consumer.LastTake() - start);
    outcome.received = consumer.Received();
    return outcome;
}

// Sends the packet from the simulator's unit PCI 0. A packet it refuses because its budget for
// frames the host has not taken is full is sent again a little later, as a unit that has to
// wait for the bus would: the rate is then that of every packet, not of the few taken between
// refusals. False when it is still refused after a second.
bool SendWhenTaken(vxsim::Simulator& sim, const CPacket& packet) {
    for (auto deadline = Clock::now() + std::chrono::seconds(1); Clock::now() < deadline;) {
        if (sim.SendPacket(1, 0, packet)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return false;
}

// Sends count packets of payload bytes from the simulator (paced to framesPerSecond when that is
// not 0; a multiple of 1000) and counts what a consumer thread takes from the channel.
Outcome Run(bool split, int payload, int count, int framesPerSecond) {
    TempDir dir;
    const std::set<int> before = ThreadIds();
    vxsim::Simulator sim(dir.Path().string());
    const std::set<int> engine = NewThreads(before);
    sim.AddUnit(1, 0);
    sim.SetEcho(false);
    sim.SetFraming(1, 0, split ? vxsim::Framing::Split : vxsim::Framing::Single);
    Channel channel(dir.Path().string(), !split);
    Outcome outcome;
    if (!channel.open) {
        return outcome;
    }
    CConsumer consumer(*channel.device);
    std::vector<unsigned char> data(static_cast<std::size_t>(payload), 0x5A);
    CPacket packet;
    packet.SetPacket(0x31, data.data(), payload);
    int framesPerPacket = split ? packet.GetChunkCount() : 1;
    const long long readerBefore = CpuNs(channel.reader);
    const long long unitBefore = CpuNs(engine) + OwnCpuNs();
    auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        if (framesPerSecond > 0 && i * framesPerPacket % (framesPerSecond / 1000) == 0) {
            // As a USB full-speed bulk pipe delivers: a burst of frames every millisecond.
            std::this_thread::sleep_until(
                start + std::chrono::milliseconds(1000LL * i * framesPerPacket / framesPerSecond));
        }
        outcome.sent += SendWhenTaken(sim, packet) ? 1 : 0;
    }
    outcome.unitNs = static_cast<double>(CpuNs(engine) + OwnCpuNs() - unitBefore);
    consumer.Finish(outcome.sent);
    outcome.readerNs = static_cast<double>(CpuNs(channel.reader) - readerBefore);
    outcome.receiverNs = static_cast<double>(consumer.CpuNs());
    outcome.seconds = Seconds(consumer.LastTake() - start);
    outcome.received = consumer.Received();
    return outcome;
}

void Report(benchmark::State& state, const Outcome& outcome, int framesPerPacket) {
    double packets = outcome.received / outcome.seconds;
    state.counters["packets/s"] = packets;
    state.counters["frames/s"] = packets * framesPerPacket;
    state.counters["lost"] = outcome.sent - outcome.received;
}

// CPU time per packet of the channel's two threads (and of the simulator's side), against the
// raw reader's per frame.
void ReportCpu(benchmark::State& state, const Outcome& outcome, const RawOutcome& raw) {
    const double received = outcome.received > 0 ? outcome.received : 1;
    const double channelNs = (outcome.readerNs + outcome.receiverNs) / received;
    state.counters["reader ns/pkt"] = outcome.readerNs / received;
    state.counters["receiver ns/pkt"] = outcome.receiverNs / received;
    state.counters["raw ns/frame"] = raw.readerNsPerFrame;
    state.counters["cpu raw/channel"] = raw.readerNsPerFrame / channelNs;
    if (outcome.unitNs > 0) {
        state.counters["simulator ns/pkt"] = outcome.unitNs / received;
    }
    state.counters["raw frames/s"] = raw.framesPerSecond;
    state.counters["channel/raw"] = outcome.received / outcome.seconds / raw.framesPerSecond;
}

void RawSeqpacket(benchmark::State& state) {
    for (auto _ : state) {
        state.counters["frames/s"] = RawFrames(kFloodFrames).framesPerSecond;
    }
}

// The channel at full speed from a unit that writes as the raw writer does, with the raw rate
// measured in the same run for the ratio.
void ChannelSingle64(benchmark::State& state) {
    for (auto _ : state) {
        RawOutcome raw = RawFrames(kFloodFrames);
        Outcome outcome = RunBare(kFloodFrames);
        Report(state, outcome, 1);
        ReportCpu(state, outcome, raw);
    }
}

// The same from the simulator: its sending thread and engine take their share of the processors.
void SimulatorSingle64(benchmark::State& state) {
    for (auto _ : state) {
        RawOutcome raw = RawFrames(kFloodFrames);
        Outcome outcome = Run(false, 62, kFloodFrames, 0);
        Report(state, outcome, 1);
        ReportCpu(state, outcome, raw);
        state.counters["sent"] = outcome.sent;
    }
}

void ChannelSplit15299(benchmark::State& state) {
    for (auto _ : state) {
        Outcome outcome = Run(true, CPacket::kMaxSplitPayload, 800, 0);
        Report(state, outcome, 255);
    }
}

// USB full-speed bulk: 19,000 frames a second for two seconds.
void ChannelUsbFullSpeed(benchmark::State& state) {
    for (auto _ : state) {
        Outcome outcome = Run(false, 62, 38000, 19000);
        Report(state, outcome, 1);
    }
}

class CCountingSink : public IReceiveSink {
public:
    void PacketReceived(const CPacket&) override { ++received; }
    void DeviceLost() override {}
    std::atomic<long> received{0};
};

long CountLines(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    long lines = 0;
    for (std::string line; std::getline(in, line);) {
        ++lines;
    }
    return lines;
}

// The channel and the receive thread with its log, fed seconds * rate packets: evenly paced,
// or (burst) each millisecond's packets at once.
void ReceivePath(benchmark::State& state, double seconds, int rate, bool burst) {
    TempDir dir;
    vxsim::Simulator sim(dir.Path().string());
    sim.AddUnit(0, 0);
    sim.SetEcho(false);
    CLogFile log;
    log.Open((dir.Path() / "bench.log").string().c_str(), false);
    CCountingSink sink;
    const std::set<int> before = ThreadIds();
    CVXDevice device(dir.Path().string());
    CReceiveThread receiver(device, log, sink);
    receiver.Start();
    if (!device.Open(0, 0)) {
        state.SkipWithError("the simulator's unit does not open");
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::set<int> program = NewThreads(before);
    const long total = static_cast<long>(seconds * rate);
    unsigned char payload[62] = {};
    const long long cpuBefore = CpuNs(program);
    std::vector<long long> threadBefore;
    std::vector<long long> slicesBefore;
    for (int id : program) {
        threadBefore.push_back(ThreadCpuNs(id));
        slicesBefore.push_back(ThreadSlices(id));
    }
    const auto start = Clock::now();
    long sent = 0;
    for (long i = 0; i < total; ++i) {
        if (!burst) {
            std::this_thread::sleep_until(start +
                                          std::chrono::nanoseconds(i * 1000000000LL / rate));
        } else if (i % (rate / 1000) == 0) {
            std::this_thread::sleep_until(start + std::chrono::milliseconds(i * 1000LL / rate));
        }
        std::memcpy(payload, &i, sizeof i);
        sent += sim.SendPacket(0, 0, 0x41, payload, sizeof payload) ? 1 : 0;
    }
    // Then until every packet is in, or nothing more comes (looked at every 100 ms); the share
    // of a core is taken over this whole time.
    long last = -1;
    while (sink.received.load() < sent && sink.received.load() != last) {
        last = sink.received.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const double wall = Seconds(Clock::now() - start);
    const double cpu = (CpuNs(program) - cpuBefore) / 1e9;
    // The reader's thread starts first, the receive thread second.
    int index = 0;
    for (int id : program) {
        const double share = (ThreadCpuNs(id) - threadBefore[index]) / 1e9 / wall;
        const std::string name = index == 0 ? "reader" : index == 1 ? "receiver" : "other";
        state.counters[name] = share;
        state.counters[name + " runs/ms"] =
            static_cast<double>(ThreadSlices(id) - slicesBefore[index]) / (wall * 1000);
        ++index;
    }
    receiver.Stop();
    device.Close();
    log.Close();
    state.counters["packets/s"] = sent / seconds;
    state.counters["CPU/core"] = cpu / wall;
    state.counters["lost"] = static_cast<double>(sent - sink.received.load());
    state.counters["log lines"] = static_cast<double>(CountLines(dir.Path() / "bench.log"));
    state.counters["threads"] = static_cast<double>(program.size());
}

void ReceivePathPaced(benchmark::State& state) {
    for (auto _ : state) {
        ReceivePath(state, 3, 19000, false);
    }
}

void ReceivePathBursts(benchmark::State& state) {
    for (auto _ : state) {
        ReceivePath(state, 3, 19000, true);
    }
}

BENCHMARK(RawSeqpacket)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
// These vary from run to run with the way the threads meet on the processors: five runs each,
// reported as mean, median and spread.
BENCHMARK(ChannelSingle64)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(SimulatorSingle64)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ChannelSplit15299)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ChannelUsbFullSpeed)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ReceivePathPaced)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ReceivePathBursts)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
