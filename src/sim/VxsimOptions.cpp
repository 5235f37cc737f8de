#include "sim/VxsimOptions.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
           "  --ctl COMMAND        send COMMAND to the vxsim serving DIR, print its answer, exit\n"
           "  --help               this text\n"
           "\n"
           "Standard input at end of file is simply no longer read; vxsim runs until 'quit',\n"
           "Ctrl+C or SIGTERM. Each unit keeps the last 8 MiB of frames from the host for\n"
           "'frames' (older frames are dropped); a frame longer than 16384 bytes is reported on\n"
           "standard error. A command line may be 65536 bytes long; a control client that sends\n"
           "a longer one, or sends commands while over 1 MiB of its answers is unread, is\n"
           "disconnected.\n";
}

bool ParseVxsimOptions(int argc, const char* const* argv, VxsimOptions* options,
                       std::string* error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool takesValue = arg == "--dir" || arg == "--unit" || arg == "--echo" ||
                          arg == "--status" || arg == "--flash-size" || arg == "--speed" ||
                          arg == "--ctl";
        if (takesValue && value == nullptr) {
            *error = arg + " needs a value";
            return false;
        }
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            options->help = true;
        } else if (arg == "--dir") {
            options->directory = value;
        } else if (arg == "--unit") {
            UnitOption unit;
            ok = ParseUnitOption(value, &unit);
            options->units.push_back(unit);
        } else if (arg == "--split") {
            options->split = true;
        } else if (arg == "--echo") {
            ok = std::strcmp(value, "on") == 0 || std::strcmp(value, "off") == 0;
            options->echo = std::strcmp(value, "on") == 0;
        } else if (arg == "--no-echo") {
            options->echo = false;
        } else if (arg == "--status") {
            ok = ParseCount(value, 0, &options->statusMs);
        } else if (arg == "--flash-size") {
            ok = ParseCount(value, 1, &options->flashSize) && options->flashSize <= kMaxFlashSize;
        } else if (arg == "--speed") {
            ok = ParseCount(value, 1, &options->speed);
        } else if (arg == "--no-stdin") {
            options->readStdin = false;
        } else if (arg == "--ctl") {
            options->command = value;
        } else {
            *error = "unknown option " + arg;
            return false;
        }
        if (!ok) {
            *error = "bad value for " + arg + ": " + value;
            return false;
        }
        i += takesValue ? 1 : 0;
    }
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
    return options.command.empty() ? serve(options) : client(options);
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
    std::printf("vxsim: serving%s in %s\n", names.empty() ? " no units" : names.c_str(),
                options.directory.c_str());
    std::fflush(stdout);
    return true;
}

}  // namespace vxsim
