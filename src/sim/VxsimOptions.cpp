#include "sim/VxsimOptions.h"

#include <CLI/CLI.hpp>

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace vxsim {
namespace {

bool ParseCount(const char* text, int minimum, int* out) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < minimum || value > INT_MAX) {
        return false;
    }
    *out = static_cast<int>(value);
    return true;
}

// "USB0" or "USB0:split" / "USB0:single".
bool ParseUnitOption(const std::string& text, UnitOption* unit) {
    std::string name = text.substr(0, text.find(':'));
    std::string framing = name.size() < text.size() ? text.substr(name.size() + 1) : "single";
    if (!ParseUnitName(name, &unit->typeIndex, &unit->number) ||
        (framing != "single" && framing != "split")) {
        return false;
    }
    unit->split = framing == "split";
    return true;
}

bool ReadReplaySpeedOption(const std::string& speedText, VxsimOptions* options,
                           std::string* error) {
    const std::optional<double> speed = ReadReplaySpeed(speedText);
    if (!speed) {
        *error = "bad value for --replay-speed: " + speedText + " (0, or from 0.001 to 1000000)";
        return false;
    }
    options->replay.speed = *speed;
    return true;
}

// The capture to replay, read and checked against the unit's framing before anything is made.
bool ReadCapture(VxsimOptions* options) {
    if (options->replayFile.empty()) {
        return true;
    }
    std::string error, note;
    if (!ReadReplayFile(options->replayFile, &options->replayRecords, &error, &note)) {
        std::fprintf(stderr, "vxsim: %s\n", error.c_str());
        return false;
    }
    if (!note.empty()) {
        std::fprintf(stderr, "vxsim: %s\n", note.c_str());
    }
    const bool single = !options->split && !options->units.front().split;
    error = Replay(options->replayRecords, options->replay).CheckFraming(single);
    if (!error.empty()) {
        std::fprintf(stderr, "vxsim: %s: %s\n", options->replayFile.c_str(), error.c_str());
        return false;
    }
    return true;
}

}  // namespace

const char* VxsimUsage() {
    return "usage: vxsim --dir DIR --unit UNIT [--unit UNIT ...] [options]\n"
           "       vxsim --dir DIR --ctl COMMAND\n"
           "\n"
           "Simulates VX units (USB0..USB9, PCI0..PCI9) as sockets VX<UNIT> in DIR, for Tavrin\n"
           "([Driver] Directory = DIR) and for tests. Commands come on standard input and on the\n"
           "control socket DIR/vxsim.ctl (see 'help'); the sockets are removed on exit.\n"
           "On Windows DIR is a pipe prefix (\\\\.\\pipe\\vx\\): units and control are pipes.\n"
           "\n"
           "options:\n"
           "  --dir DIR            directory for the unit sockets (must exist)\n"
           "  --unit UNIT[:split]  serve this unit; ':split' gives it split framing\n"
           "  --split              split framing for every unit (default: single framing)\n"
           "  --echo on|off        answer every packet from the host with itself (default on)\n"
           "  --no-echo            the same as --echo off\n"
           "  --status MS          send a status packet (command 0x53) every MS milliseconds\n"
           "  --flash-size BYTES   FLASH size of each unit (default 131072, at most 16777216)\n"
           "  --speed BYTES        programming speed in bytes per second (default 65536)\n"
           "  --no-stdin           do not read commands from standard input\n"
           "  --replay FILE        the unit (give one --unit) plays this capture (or Tavrin log)\n"
           "                       to each host that opens it: the packets it holds as received,\n"
           "                       spaced as recorded; the host's packets are compared with the\n"
           "                       ones it holds as sent, the first difference reported; no echo\n"
           "                       and no status packets from that unit\n"
           "  --replay-speed X     the recorded gaps divided by X (default 1; 0: no gaps, as fast\n"
           "                       as the host reads; else from 0.001 to 1000000)\n"
           "  --replay-loop        start the capture over after its last packet\n"
           "  --ctl COMMAND        send COMMAND to the vxsim serving DIR, print its answer, exit\n"
           "  --help               this text\n"
           "\n"
           "Standard input at end of file is simply no longer read; vxsim runs until 'quit',\n"
           "Ctrl+C or SIGTERM. Each unit keeps the last 8 MiB of frames from the host for\n"
           "'frames' (older frames are dropped), and the last 16384 programming requests for\n"
           "'requests', the data of the newest within 4 MiB. A frame longer than 16384 bytes is\n"
           "reported on standard error. A command line may be 65536 bytes long; a control\n"
           "client that sends a longer one, or sends commands while over 1 MiB of its answers\n"
           "is unread, is disconnected; at most 64 control connections are open at once. vxsim\n"
           "never waits for a host: past 256 KiB of frames a host has not read, the unit drops\n"
           "its frames and 'list' counts them. The sockets are the user's alone (mode 0600), and\n"
           "a folder that another vxsim serves is refused (exit code 2).\n";
}

bool ParseVxsimOptions(int argc, const char* const* argv, VxsimOptions* options,
                       std::string* error) {
    // CLI11 takes the command line apart; the values are checked here, as strictly as before
    // (whole decimal numbers, known unit names), with the messages vxsim has always given.
    CLI::App app("vxsim");
    app.set_help_flag();                     // --help prints vxsim's own text
    app.allow_windows_style_options(false);  // "/d" is a folder, not an option, on Windows too
    app.add_flag("-h,--help", options->help);
    app.add_option("--dir", options->directory);
    std::vector<std::string> units;
    app.add_option("--unit", units)->allow_extra_args(false);
    app.add_flag("--split", options->split);
    std::string echo, status, flashSize, speed;
    CLI::Option* echoOption = app.add_option("--echo", echo);
    CLI::Option* noEcho = app.add_flag("--no-echo");
    CLI::Option* statusOption = app.add_option("--status", status);
    CLI::Option* flashOption = app.add_option("--flash-size", flashSize);
    CLI::Option* speedOption = app.add_option("--speed", speed);
    CLI::Option* noStdin = app.add_flag("--no-stdin");
    app.add_option("--ctl", options->command);
    std::string replaySpeed;
    CLI::Option* replayOption = app.add_option("--replay", options->replayFile);
    CLI::Option* speedOfReplay = app.add_option("--replay-speed", replaySpeed);
    CLI::Option* loopOption = app.add_flag("--replay-loop", options->replay.loop);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& failure) {
        *error = failure.what();
        return false;
    }
    auto bad = [error](const char* option, const std::string& value) {
        *error = std::string("bad value for ") + option + ": " + value;
        return false;
    };
    for (const std::string& text : units) {
        UnitOption unit;
        if (!ParseUnitOption(text, &unit)) {
            return bad("--unit", text);
        }
        options->units.push_back(unit);
    }
    if (*echoOption && echo != "on" && echo != "off") {
        return bad("--echo", echo);
    }
    // --echo and --no-echo: the last one given counts.
    for (const CLI::Option* given : app.parse_order()) {
        if (given == echoOption || given == noEcho) {
            options->echo = given == echoOption && echo == "on";
        }
    }
    if (*statusOption && !ParseCount(status.c_str(), 0, &options->statusMs)) {
        return bad("--status", status);
    }
    if (*flashOption && (!ParseCount(flashSize.c_str(), 1, &options->flashSize) ||
                         options->flashSize > kMaxFlashSize)) {
        return bad("--flash-size", flashSize);
    }
    if (*speedOption && !ParseCount(speed.c_str(), 1, &options->speed)) {
        return bad("--speed", speed);
    }
    if (*speedOfReplay && !ReadReplaySpeedOption(replaySpeed, options, error)) {
        return false;
    }
    if ((*speedOfReplay || *loopOption) && !*replayOption) {
        *error = "--replay-speed and --replay-loop need --replay FILE";
        return false;
    }
    if (*replayOption && options->units.size() != 1) {
        *error =
            "--replay needs exactly one --unit, the one that plays the capture (add others "
            "with the add command)";
        return false;
    }
    options->readStdin = !*noStdin;
    if (!options->help && options->directory.empty()) {
        *error = "--dir is required";
        return false;
    }
    return true;
}

int RunVxsim(int argc, const char* const* argv, VxsimMode serve, VxsimMode client) {
    VxsimOptions options;
    std::string error;
    if (!ParseVxsimOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "vxsim: %s\n\n%s", error.c_str(), VxsimUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(VxsimUsage(), stdout);
        return 0;
    }
    if (!options.command.empty()) {
        return client(options);
    }
    return ReadCapture(&options) ? serve(options) : 2;
}

bool SetUpSimulator(Simulator& simulator, const VxsimOptions& options) {
    if (!simulator.SetFlashSize(options.flashSize)) {
        std::fprintf(stderr, "vxsim: no FLASH of %d bytes\n", options.flashSize);
        return false;
    }
    simulator.SetReport([](const std::string& line) {
        std::fprintf(stderr, "vxsim: %s\n", line.c_str());
        std::fflush(stderr);
    });
    simulator.SetProgrammingSpeed(options.speed);
    simulator.SetEcho(options.echo);
    simulator.SetFramingAll(options.split ? Framing::Split : Framing::Single);
    simulator.SetStatusPeriod(static_cast<std::uint32_t>(options.statusMs));
    std::string names;
    for (const UnitOption& unit : options.units) {
        if (!simulator.AddUnit(unit.typeIndex, unit.number)) {
            std::fprintf(stderr, "vxsim: cannot serve %s in %s\n",
                         UnitName(unit.typeIndex, unit.number).c_str(), options.directory.c_str());
            return false;
        }
        if (unit.split) {
            simulator.SetFraming(unit.typeIndex, unit.number, Framing::Split);
        }
        names += " " + UnitName(unit.typeIndex, unit.number);
    }
    std::string error;
    if (!options.replayFile.empty() &&
        !simulator.StartReplay(options.units.front().typeIndex, options.units.front().number,
                               std::make_unique<Replay>(options.replayRecords, options.replay),
                               &error)) {
        std::fprintf(stderr, "vxsim: %s: %s\n", options.replayFile.c_str(), error.c_str());
        return false;
    }
    std::printf("vxsim: serving%s in %s\n", names.empty() ? " no units" : names.c_str(),
                options.directory.c_str());
    std::fflush(stdout);
    return true;
}

}  // namespace vxsim
