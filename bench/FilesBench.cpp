// The program's file readers on the largest files they meet: a HEX file at the size limit,
// a 1 MiB packet script file and a settings file with 1,000 keys.

#include <benchmark/benchmark.h>

#include "packet/PacketTable.h"
#include "programming/BinaryDump.h"
#include "settings/Config.h"
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

}  // namespace

BENCHMARK_MAIN();
