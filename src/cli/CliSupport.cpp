#include "cli/CliSupport.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "app/StartupDevice.h"
#include "app/TrafficSettings.h"
#include "device/UnitName.h"
#include "device/VXDevice.h"
#include "settings/Config.h"

namespace cli {

int Fail(int code, const std::string& message) {
    Warn(message);
    return code;
}

void Warn(const std::string& message) {
    std::fprintf(stderr, "tavrin-cli: %s\n", message.c_str());
}

std::string ResolveDirectory(const DeviceOptions& options) {
    if (!options.directory.empty()) {
        return options.directory;
    }
    CConfig config;
    config.Load(kSettingsFileName);
    return ConfiguredDeviceDirectory(config);
}

bool ResolveSingleFrame(const DeviceOptions& options) {
    if (options.split) {
        return false;
    }
    CConfig config;
    config.Load(kSettingsFileName);
    return ChooseConfiguredDevice(config).singleFrame;
}

bool ResolveMilliseconds(bool option) {
    if (option) {
        return true;
    }
    CConfig config;
    config.Load(kSettingsFileName);
    return ReadLogMilliseconds(config);
}

bool ReadUnit(const std::string& name, int* typeIndex, int* number, std::string* error) {
    if (ParseUnitName(name, typeIndex, number)) {
        return true;
    }
    *error = "Неизвестное устройство \"" + name + "\" (ожидается USB0…USB9 или PCI0…PCI9)";
    return false;
}

std::unique_ptr<CVXDevice> MakeChannel(const std::string& unit, const DeviceOptions& options,
                                       int* code) {
    int typeIndex = 0;
    int number = 0;
    std::string error;
    if (!ReadUnit(unit, &typeIndex, &number, &error)) {
        *code = Fail(kBadInput, error);
        return nullptr;
    }
    auto device = std::make_unique<CVXDevice>(ResolveDirectory(options));
    device->SetSingleFrameMode(ResolveSingleFrame(options));
    *code = kSuccess;
    return device;
}

bool OpenNamedUnit(CVXDevice& channel, const std::string& unit, int* code) {
    int typeIndex = 0;
    int number = 0;
    std::string error;
    if (!ReadUnit(unit, &typeIndex, &number, &error)) {
        *code = Fail(kBadInput, error);
        return false;
    }
    if (!channel.Open(static_cast<unsigned>(typeIndex), number)) {
        *code = Fail(kFailed, "Невозможно открыть устройство " + unit);
        return false;
    }
    *code = kSuccess;
    return true;
}

std::unique_ptr<CVXDevice> OpenUnit(const std::string& unit, const DeviceOptions& options,
                                    int* code) {
    std::unique_ptr<CVXDevice> device = MakeChannel(unit, options, code);
    if (!device || !OpenNamedUnit(*device, unit, code)) {
        return nullptr;
    }
    return device;
}

bool PrintLine(const std::string& line) {
    return std::fwrite(line.data(), 1, line.size(), stdout) == line.size() &&
           std::fputc('\n', stdout) != EOF;
}

std::optional<long long> ReadWholeNumber(const std::string& text, long long min, long long max) {
    const std::size_t digits = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (text.size() <= digits ||
        text.find_first_not_of("0123456789", digits) != std::string::npos) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

}  // namespace cli
