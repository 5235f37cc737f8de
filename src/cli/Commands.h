#pragma once
// The tavrin-cli commands, each given its parsed options; each returns the exit code (see
// cli::ExitCode) after saying what went wrong on standard error.

#include <array>
#include <optional>
#include <string>

#include "cli/CliSupport.h"
#include "cli/PacketRequest.h"

namespace cli {

// list: the units present, free or busy, one line each ("USB0 Свободно").
int RunList(const DeviceOptions& device);

struct MonitorOptions {
    std::string unit;
    std::optional<long long> count;  // stop after this many packets
    std::optional<double> seconds;   // stop after this long
    std::string log;                 // append the lines to this log file
    std::string pcap;                // write a capture file
    bool milliseconds = false;       // stamps with milliseconds, whatever the settings say
};
// monitor: every received packet as its log line until the count, the time, Ctrl+C or SIGTERM
// (0); the unit lost, or the time up before the count (1).
int RunMonitor(const DeviceOptions& device, const MonitorOptions& options);

struct SendOptions {
    std::string unit;
    PacketRequest packet;
    std::optional<int> waitReplyMs;
    std::optional<int> replyCommand;  // with a wait: only a packet with this command replies
    std::string log;
    std::string pcap;
};
// send: the packet and its "SEND: …" line; with a wait, the first packet received within it
// (with a reply command, the first with that command; the others are passed over).
int RunSend(const DeviceOptions& device, const SendOptions& options);

struct ProgramOptions {
    std::string unit;
    std::string hexFile;
    bool erase = false;
    bool write = false;
    bool verify = false;
    // The bit values as typed (lock, fuse, extended fuse); each given one checks its step.
    std::array<std::optional<std::string>, 3> bitTexts;
    bool atMega103 = false;
};
// program: the programming run and its report; 1 when a step or the restart failed, 2 for a
// bit value or an image the window would refuse too (nothing is sent then). Ctrl+C, SIGTERM and
// SIGHUP do not stop a run once it has begun: a step cut off would leave the chip half written.
int RunProgram(const DeviceOptions& device, const ProgramOptions& options);

// show: the packets of a capture or a Tavrin log file as log lines (stamps in local time, to
// the second or the millisecond), both directions; 2 for a file the reader refuses, 1 after the records before
// the cut of a file that ends inside a record or line.
int RunShow(const std::string& path, bool milliseconds);

}  // namespace cli
