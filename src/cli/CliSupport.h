#pragma once
// What every tavrin-cli command shares: exit codes, one-line messages on standard error, and
// the unit with its folder and framing chosen as the window chooses them.

#include <memory>
#include <optional>
#include <string>

class CVXDevice;

namespace cli {

enum ExitCode : int {
    kSuccess = 0,
    kFailed = 1,    // the device or a step failed
    kBadInput = 2,  // bad usage or input
};

// "tavrin-cli: <message>" and a line end on standard error; returns code.
int Fail(int code, const std::string& message);
// The same line for something the user should know at the end of a run that worked.
void Warn(const std::string& message);

// Where the units are and how packets are framed. An empty directory means the settings' (or
// the system's default); without split the settings' "SplittablePacketMode" decides.
struct DeviceOptions {
    std::string directory;
    bool split = false;
};

// The folder the units are looked for in: the option, else [Driver] "Directory" of Tavrin.ini
// in the current folder, else the system's default.
std::string ResolveDirectory(const DeviceOptions& options);
// Single framing unless the option or the settings ask for split framing.
bool ResolveSingleFrame(const DeviceOptions& options);
// Stamps with milliseconds when the option or [Main] "LogMilliseconds" of Tavrin.ini in the
// current folder asks for them.
bool ResolveMilliseconds(bool option);

// The unit's name ("USB0".."PCI9") read into type index and number; false with a message for
// anything else.
bool ReadUnit(const std::string& name, int* typeIndex, int* number, std::string* error);

// A channel to the named unit, open in the framing chosen, or null after a message on standard
// error (*code then says which: 2 for a name that is no unit, 1 for one that cannot be opened).
std::unique_ptr<CVXDevice> OpenUnit(const std::string& unit, const DeviceOptions& options,
                                    int* code);
// The same in two steps, for a command whose receiver must be there before the unit opens:
// a channel in the framing chosen, not yet open (null after a message for a name that is no
// unit), and the opening of the named unit on it (false after a message, *code set).
std::unique_ptr<CVXDevice> MakeChannel(const std::string& unit, const DeviceOptions& options,
                                       int* code);
bool OpenNamedUnit(CVXDevice& channel, const std::string& unit, int* code);

// Writes the line and a line end to standard output; false when the output failed (errno says
// why).
bool PrintLine(const std::string& line);

// Numbers given to options, read whole: nothing for other text, or a number outside
// [min, max]. A count or a time must never be taken for "end now" or "wait for ever".
// Decimal digits, an optional sign.
std::optional<long long> ReadWholeNumber(const std::string& text, long long min, long long max);

}  // namespace cli
