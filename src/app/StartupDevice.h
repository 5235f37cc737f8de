#pragma once
// Which unit start-up opens, read from the settings.

class CConfig;

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
