// Throughput of the device channel: packets per second from the simulator through the reader
// thread to TakePacket, with a consumer that keeps up, against the raw rate of 64-byte frames
// over a bare SOCK_SEQPACKET socket pair (one poll and one read per frame).
//
// And what the receive path costs: the channel's reader thread and the receive thread (which
// writes every packet to a log file, flushed per line) at the USB full-speed rate of 19,000
// 62-byte packets a second, evenly paced and in bursts every millisecond, as the CPU time of
// those two threads (the simulator's and the benchmark's own are not counted) as a share of
// one core over the run.

#include <benchmark/benchmark.h>
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
#include "settings/LogFile.h"
#include "sim/Simulator.h"
#include "support/TempFiles.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Frames per second through a socket pair, read one poll + read at a time.
double RawFramesPerSecond(int frames) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair) != 0) {
        return 0;
    }
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
    double rate = got / Seconds(Clock::now() - start);
    writer.join();
    ::close(pair[0]);
    ::close(pair[1]);
    return rate;
}

struct Outcome {
    int sent = 0;
    int received = 0;
    double seconds = 0;
};

// Sends count packets of payload bytes from the simulator (paced to framesPerSecond when that is
// not 0; a multiple of 1000) and counts what a consumer thread takes from the channel.
Outcome Run(bool split, int payload, int count, int framesPerSecond) {
    TempDir dir;
    vxsim::Simulator sim(dir.Path().string());
    sim.AddUnit(1, 0);
    sim.SetEcho(false);
    sim.SetFraming(1, 0, split ? vxsim::Framing::Split : vxsim::Framing::Single);
    CVXDevice device(dir.Path().string());
    device.SetSingleFrameMode(!split);
    Outcome outcome;
    if (!device.Open(1, 0)) {
        return outcome;
    }
    std::atomic<int> received{0};
    std::atomic<bool> done{false};
    Clock::time_point lastTake{};
    std::atomic<bool> started{false};
    std::thread consumer([&] {
        CPacket packet;
        device.WaitPacket(0);
        started = true;
        while (!done.load()) {
            device.WaitPacket(50);
            while (device.TakePacket(&packet)) {
                lastTake = Clock::now();
                ++received;
            }
        }
    });
    while (!started.load()) {
        std::this_thread::yield();  // a receiver that has not started yet is no receiver
    }
    std::vector<unsigned char> data(static_cast<std::size_t>(payload), 0x5A);
    CPacket packet;
    packet.SetPacket(0x31, data.data(), payload);
    int framesPerPacket = split ? packet.GetChunkCount() : 1;
    auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        if (framesPerSecond > 0 && i * framesPerPacket % (framesPerSecond / 1000) == 0) {
            // As a USB full-speed bulk pipe delivers: a burst of frames every millisecond.
            std::this_thread::sleep_until(
                start + std::chrono::milliseconds(1000LL * i * framesPerPacket / framesPerSecond));
        }
        outcome.sent += sim.SendPacket(1, 0, packet) ? 1 : 0;
    }
    // Wait until the consumer has everything, or nothing more comes.
    int last = -1;
    while (received.load() < outcome.sent && received.load() != last) {
        last = received.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    done = true;
    consumer.join();
    outcome.seconds = Seconds(lastTake - start);
    outcome.received = received.load();
    return outcome;
}

void Report(benchmark::State& state, const Outcome& outcome, int framesPerPacket) {
    double packets = outcome.received / outcome.seconds;
    state.counters["packets/s"] = packets;
    state.counters["frames/s"] = packets * framesPerPacket;
    state.counters["lost"] = outcome.sent - outcome.received;
}

void RawSeqpacket(benchmark::State& state) {
    for (auto _ : state) {
        state.counters["frames/s"] = RawFramesPerSecond(200000);
    }
}

// The channel at full speed, with the raw rate measured in the same run for the ratio.
void ChannelSingle64(benchmark::State& state) {
    for (auto _ : state) {
        double raw = RawFramesPerSecond(200000);
        Outcome outcome = Run(false, 62, 200000, 0);
        Report(state, outcome, 1);
        state.counters["raw frames/s"] = raw;
        state.counters["channel/raw"] = outcome.received / outcome.seconds / raw;
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
