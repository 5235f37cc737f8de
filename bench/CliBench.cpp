// tavrin-cli monitor keeping up with a unit at USB full speed (19,000 packets a second of 62
// payload bytes, as bursts every millisecond), its lines going to a file and to a log file.
// Counts what it printed against what the simulator sent, and the processor time the program
// used (user + system, from wait4) per second of the run. The reference in the same run is the
// same program printing to a file without a log: the channel, the receive thread and the
// output alone, so the ratio is what the log adds.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "packet/Packet.h"
#include "sim/Simulator.h"
#include "support/TempFiles.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRate = 19000;
constexpr int kPackets = 3 * kRate;

struct Outcome {
    int sent = 0;
    long long lines = 0;
    double cpuSeconds = 0;
    double wallSeconds = 0;
    int exitCode = -1;  // 0: the monitor counted every packet
};

long long CountLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    long long lines = 0;
    std::string line;
    while (std::getline(in, line)) {
        ++lines;
    }
    return lines;
}

// Runs the monitor on a fresh simulator while kPackets are sent at kRate.
Outcome Run(bool writeFiles) {
    TempDir dir;
    const std::string units = dir.Path().string();
    vxsim::Simulator sim(units);
    sim.AddUnit(0, 0);
    sim.SetEcho(false);
    const std::string out = (dir.Path() / "out.txt").string();
    const std::string log = (dir.Path() / "monitor.log").string();
    std::vector<std::string> args{
        TAVRIN_CLI_PATH,          "--dir",     units, "monitor", "USB0", "--count",
        std::to_string(kPackets), "--seconds", "30"};
    if (writeFiles) {
        args.insert(args.end(), {"--log", log});
    }
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    Outcome outcome;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        return outcome;
    }
    posix_spawn_file_actions_destroy(&actions);
    sim.WaitOpen(0, 0, true, 5000);

    std::vector<unsigned char> data(62, 0x5A);
    CPacket packet;
    packet.SetPacket(0x31, data.data(), static_cast<int>(data.size()));
    const auto start = Clock::now();
    for (int i = 0; i < kPackets; ++i) {
        if (i % (kRate / 1000) == 0) {
            std::this_thread::sleep_until(start + std::chrono::milliseconds(1000LL * i / kRate));
        }
        outcome.sent += sim.SendPacket(0, 0, packet) ? 1 : 0;
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    outcome.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 +
                         usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    outcome.lines = CountLines(out);
    if (writeFiles && CountLines(log) != outcome.lines) {
        outcome.lines = -1;  // the log must hold every line too
    }
    return outcome;
}

void MonitorUsbFullSpeed(benchmark::State& state) {
    for (auto _ : state) {
        const Outcome reference = Run(false);
        const Outcome monitor = Run(true);
        state.counters["sent"] = monitor.sent;
        state.counters["lost"] = static_cast<double>(monitor.sent - monitor.lines);
        state.counters["packets/s"] = monitor.lines / monitor.wallSeconds;
        state.counters["cores"] = monitor.cpuSeconds / monitor.wallSeconds;
        state.counters["exit"] = monitor.exitCode;
        state.counters["reference cores"] = reference.cpuSeconds / reference.wallSeconds;
        state.counters["reference lost"] = static_cast<double>(reference.sent - reference.lines);
        state.counters["cpu/reference"] = monitor.cpuSeconds / reference.cpuSeconds;
    }
}

BENCHMARK(MonitorUsbFullSpeed)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
