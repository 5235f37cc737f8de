#pragma once
// Which unit start-up opens, and where units are looked for, read from the settings.

#include <string>

class CConfig;

// The settings file, in the current directory.
inline constexpr const char* kSettingsFileName = "Tavrin.ini";

// What start-up does with the settings' [Main] "DeviceType" and "DeviceNumber" (an absent or
// empty value counts as -1, anything else is read as a decimal number, "abc" as 0) and
// "SplittablePacketMode" (0 when absent; any other value selects split framing).
struct DeviceChoice {
    bool open = false;  // false: open nothing and say nothing
    int typeIndex = -1;
    int number = -1;
    bool singleFrame = true;
};
DeviceChoice ChooseConfiguredDevice(const CConfig& config);

// Where the units are looked for: [Driver] "Directory", else the kernel driver's place (/dev;
// on Windows the device objects' prefix). The only setting that exists for this port's sake.
std::string ConfiguredDeviceDirectory(const CConfig& config);
