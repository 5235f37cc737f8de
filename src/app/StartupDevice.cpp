#include "app/StartupDevice.h"

#include <string>

#include "device/driver/DriverPort.h"
#include "settings/Config.h"

namespace {

// -1 for an absent or empty value; the settings' own decimal reading otherwise.
int ReadUnitSetting(const CConfig& config, const char* key) {
    std::string text;
    config.GetValue("Main", key, text);
    return text.empty() ? -1 : config.GetInt("Main", key, -1);
}

}  // namespace

DeviceChoice ChooseConfiguredDevice(const CConfig& config) {
    DeviceChoice choice;
    choice.typeIndex = ReadUnitSetting(config, "DeviceType");
    choice.number = ReadUnitSetting(config, "DeviceNumber");
    choice.singleFrame = config.GetInt("Main", "SplittablePacketMode", 0) == 0;
    choice.open = (choice.typeIndex == 0 || choice.typeIndex == 1) && choice.number >= 0;
    return choice;
}

std::string ConfiguredDeviceDirectory(const CConfig& config) {
    return config.GetString("Driver", "Directory", VxDriver::kDefaultDirectory);
}
