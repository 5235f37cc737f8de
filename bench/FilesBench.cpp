// The program's file readers on the largest files they meet: a HEX file at the size limit,
// a 1 MiB packet script file and a settings file with 1,000 keys; and settings files far past
// anything hand-made (100,000 sections in 1.5 MB, 40,000 keys in one section), loaded against
// a linear reference measured in the same run: reading the same file's bytes.
//
// And the log as the receive thread writes it: a received 62-byte packet's line, flushed on its
// own, against the reference of handing a line of the same length to the system in one write.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "app/PacketLogLine.h"
#include "packet/Packet.h"
#include "packet/PacketTable.h"
#include "programming/BinaryDump.h"
#include "settings/Config.h"
#include "settings/LogFile.h"
#include "settings/PathUtil.h"
#include "support/HexFiles.h"
#include "support/TempFiles.h"

namespace {

void LoadLargestHex(benchmark::State& state) {
    TempDir dir;
    std::string path = dir.Write("max.hex", HexFileOfSize(CBinaryDump::kMaxFileSize));
    CBinaryDump dump;
    for (auto _ : state) {
        if (!dump.LoadHex(path.c_str())) {
            state.SkipWithError("refused");
        }
        benchmark::DoNotOptimize(dump.GetData());
    }
    state.SetBytesProcessed(state.iterations() * CBinaryDump::kMaxFileSize);
}
BENCHMARK(LoadLargestHex)->Unit(benchmark::kMillisecond);

void LogReceivedPacket(benchmark::State& state) {
    TempDir dir;
    CLogFile log;
    log.Open((dir.Path() / "bench.log").string().c_str(), false);
    unsigned char payload[62] = {0x12, 0x34};
    CPacket packet;
    packet.SetPacket(0x41, payload, sizeof payload);
    for (auto _ : state) {
        WritePacketLog(log, false, packet);
    }
}
BENCHMARK(LogReceivedPacket);

void WriteLineOfTheSameLength(benchmark::State& state) {
    TempDir dir;
    int file = ::open((dir.Path() / "bench.log").string().c_str(),
                      O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    const std::string line(160, 'A');  // "[DD.MM.YYYY hh:mm:ss] - RECV: 41 …" with 62 bytes in hex
    for (auto _ : state) {
        benchmark::DoNotOptimize(::write(file, line.data(), line.size()));
    }
    ::close(file);
}
BENCHMARK(WriteLineOfTheSameLength);

void LoadScriptFile(benchmark::State& state) {
    TempDir dir;
    std::string text = "; \xcf\xe0\xea\xe5\xf2\xfb\r\n";
    for (int key = 0; text.size() < (1u << 20); ++key) {
        text += "$" + std::string(1, static_cast<char>('a' + key % 26)) +
                " 10 &\xc0\xe4\xf0\xe5\xf1& 04 05 06 07 ; "
                "\xea\xee\xec\xec\xe5\xed\xf2\xe0\xf0\xe8\xe9\r\n";
    }
    std::string path = dir.Write("big.kad", text);
    CPacketTable table;
    for (auto _ : state) {
        table.Load(path.c_str(), "big.kad");
        benchmark::DoNotOptimize(table.GetCount());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
    state.counters["records"] = table.GetCount();
}
BENCHMARK(LoadScriptFile)->Unit(benchmark::kMillisecond);

std::string SettingsWithKeys(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i % 100 == 0) {
            text += "[Section" + std::to_string(i / 100) + "]\r\n; keys from " + std::to_string(i) +
                    "\r\n";
        }
        text += "Key" + std::to_string(i) + " = value " + std::to_string(i * 7) + "\r\n";
    }
    return text;
}

void LoadSettings(benchmark::State& state) {
    TempDir dir;
    std::string path = dir.Write("Tavrin.ini", SettingsWithKeys(1000));
    CConfig config;
    for (auto _ : state) {
        config.Load(path.c_str());
        benchmark::DoNotOptimize(config.GetSections().data());
    }
}
BENCHMARK(LoadSettings)->Unit(benchmark::kMicrosecond);

void SaveSettings(benchmark::State& state) {
    TempDir dir;
    CConfig config;
    config.Load(dir.Write("Tavrin.ini", SettingsWithKeys(1000)).c_str());
    for (auto _ : state) {
        if (!config.Save()) {
            state.SkipWithError("not saved");
        }
    }
}
BENCHMARK(SaveSettings)->Unit(benchmark::kMicrosecond);

// Seconds per read of the file's bytes, the least a reader of it can cost.
double ReadBytesSeconds(const std::string& path) {
    constexpr int kRounds = 20;
    std::string bytes;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRounds; ++i) {
        PathUtil::ReadFileBytes(path, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
           kRounds;
}

// Arg 0: one key in each of 100,000 sections; arg 1: 40,000 keys in one section. The counter
// "x_read" is the load's time over the time to read the bytes alone.
void LoadHugeSettings(benchmark::State& state) {
    std::string text;
    if (state.range(0) == 0) {
        for (int i = 0; i < 100000; ++i) {
            text += "[S" + std::to_string(i) + "]\r\nK=1\r\n";
        }
    } else {
        text = "[Main]\r\n";
        for (int i = 0; i < 40000; ++i) {
            text += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
        }
    }
    TempDir dir;
    std::string path = dir.Write("Tavrin.ini", text);
    double reference = ReadBytesSeconds(path);
    CConfig config;
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        config.Load(path.c_str());
        benchmark::DoNotOptimize(config.GetSections().data());
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["x_read"] = seconds / static_cast<double>(state.iterations()) / reference;
}
BENCHMARK(LoadHugeSettings)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
