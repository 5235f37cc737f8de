// Frames per second through the two framings, and packets per second through the queue
// between two threads (the reader thread and the receive thread of the program).

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>
#include <vector>

#include "packet/Packet.h"

namespace {

void MakePacket(CPacket& packet, int length) {
    std::vector<unsigned char> data(length);
    for (int i = 0; i < length; ++i) {
        data[i] = static_cast<unsigned char>(i);
    }
    packet.SetPacket(0x10, data.data(), length);
}

void BM_SplitCutAndReassemble(benchmark::State& state) {
    CPacket packet;
    MakePacket(packet, static_cast<int>(state.range(0)));
    CPacket assembled;
    unsigned char frame[CPacket::kMaxFrameSize];
    std::int64_t frames = 0;
    for (auto _ : state) {
        for (int i = 0; i < packet.GetChunkCount(); ++i) {
            packet.GetFrame(i, frame, sizeof frame);
            assembled.AppendFrame(frame);
        }
        frames += packet.GetChunkCount();
        benchmark::DoNotOptimize(assembled.GetState());
    }
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SplitCutAndReassemble)->Arg(60)->Arg(1024)->Arg(15299);

void BM_SingleCutAndReassemble(benchmark::State& state) {
    CPacket packet;
    MakePacket(packet, static_cast<int>(state.range(0)));
    CPacket assembled;
    unsigned char frame[256];
    for (auto _ : state) {
        packet.GetSingleFrame(frame, sizeof frame);
        assembled.AppendSingleFrame(frame);
        benchmark::DoNotOptimize(assembled.GetState());
    }
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SingleCutAndReassemble)->Arg(62)->Arg(253);

// One thread puts a burst of packets while another takes them; counts what was taken.
void BM_QueueBetweenTwoThreads(benchmark::State& state) {
    constexpr int kBurst = 20000;
    CPacket packet;
    MakePacket(packet, static_cast<int>(state.range(0)));
    std::int64_t taken = 0;
    std::int64_t put = 0;
    for (auto _ : state) {
        CPacketFifo fifo;
        fifo.Allocate(10);
        std::atomic<bool> done{false};
        std::thread producer([&] {
            for (int i = 0; i < kBurst; ++i) {
                fifo.Put(&packet);
            }
            done = true;
        });
        CPacket out;
        for (;;) {
            bool finished = done.load();
            while (fifo.Get(&out)) {
                ++taken;
            }
            if (finished) {
                break;
            }
        }
        producer.join();
        put += kBurst;
    }
    state.counters["put/s"] =
        benchmark::Counter(static_cast<double>(put), benchmark::Counter::kIsRate);
    state.counters["taken/s"] =
        benchmark::Counter(static_cast<double>(taken), benchmark::Counter::kIsRate);
    state.counters["lost%"] = 100.0 * static_cast<double>(put - taken) / static_cast<double>(put);
}
BENCHMARK(BM_QueueBetweenTwoThreads)->Arg(64)->Arg(15299)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
