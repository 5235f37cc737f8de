#pragma once
// vxsim's command line.

#include <string>
#include <vector>

#include "sim/Replay.h"
#include "sim/Simulator.h"

namespace vxsim {

struct UnitOption {
    int typeIndex = 0;
    int number = 0;
    bool split = false;
};

struct VxsimOptions {
    std::string directory;
    std::vector<UnitOption> units;
    bool echo = true;
    bool split = false;  // every unit
    int statusMs = 0;
    int flashSize = kDefaultFlashSize;
    int speed = kDefaultProgrammingSpeed;
    bool readStdin = true;
    bool help = false;
    std::string command;  // --ctl: send this to a running vxsim instead of serving
    // --replay: the one unit given plays this capture; its records, read before serving.
    std::string replayFile;
    ReplayOptions replay;
    std::vector<TrafficRecord> replayRecords;
};

// False with a message in error when the arguments are not understood.
bool ParseVxsimOptions(int argc, const char* const* argv, VxsimOptions* options,
                       std::string* error);

const char* VxsimUsage();

// The program: parses the arguments and reads the capture to replay, then serves (serve) or
// sends one command to the vxsim that serves (client), each the system's own; the exit status
// (2 for arguments not understood, and for a capture that cannot be replayed).
using VxsimMode = int (*)(const VxsimOptions& options);
int RunVxsim(int argc, const char* const* argv, VxsimMode serve, VxsimMode client);

// Applies the options to the simulator and adds the units, the replaying one with its capture;
// says on standard output which units it serves, on standard error which one it cannot serve
// (then false).
bool SetUpSimulator(Simulator& simulator, const VxsimOptions& options);

// Name of the control socket in the served directory.
inline constexpr const char* kControlSocketName = "vxsim.ctl";

}  // namespace vxsim
