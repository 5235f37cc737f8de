#include "programming/ProgrammingOptions.h"

#include "device/DeviceCommand.h"
#include "settings/Config.h"
#include "settings/DecimalText.h"

namespace {

constexpr const char* kSection = "Programming";
// The value fields hold at most this many characters.
constexpr std::size_t kBitFieldLength = 255;

const std::array<ProgrammingStep, 6> kRunOrder = {{
    {DeviceCommand::EraseFlash, "Очистить FLASH", "Стирание FLASH - "},
    {DeviceCommand::WriteData, "Записать данные", "Запись данных - "},
    {DeviceCommand::WriteFuseBits, "Записать биты Fuse", "Запись битов Fuse - "},
    {DeviceCommand::WriteFuseExBits, "Записать биты FuseEx", "Запись битов FuseEx - "},
    {DeviceCommand::VerifyData, "Проверить данные", "Проверка данных - "},
    {DeviceCommand::WriteLockBits, "Записать биты Lock", "Запись битов Lock - "},
}};

const std::array<BitField, 3> kBitFields = {{
    {DeviceCommand::WriteLockBits, "Пустое поле битов Lock",
     "Неверное значение битов Lock: число от 0 до 255 (десятичное или 0x..)",
     &ProgrammingOptions::lockBits},
    {DeviceCommand::WriteFuseBits, "Пустое поле битов Fuse",
     "Неверное значение битов Fuse: число от 0 до 255 (десятичное или 0x..)",
     &ProgrammingOptions::fuseBits},
    {DeviceCommand::WriteFuseExBits, "Пустое поле битов FuseEx",
     "Неверное значение битов FuseEx: число от 0 до 255 (десятичное или 0x..)",
     &ProgrammingOptions::fuseBitsEx},
}};

constexpr std::int32_t kMaxBitValue = 255;

std::string SignedDecimal(std::uint32_t word) {
    return std::to_string(static_cast<std::int32_t>(word));
}

}  // namespace

const std::array<ProgrammingStep, 6>& RunOrder() {
    return kRunOrder;
}

const ProgrammingStep* FindStep(std::uint32_t bit) {
    for (const ProgrammingStep& step : kRunOrder) {
        if (step.bit == bit) {
            return &step;
        }
    }
    return nullptr;
}

bool CarriesImage(std::uint32_t step) {
    return step == DeviceCommand::WriteData || step == DeviceCommand::VerifyData;
}

const std::array<BitField, 3>& BitFields() {
    return kBitFields;
}

bool ReadBitValue(const std::string& text, std::int32_t* value) {
    unsigned long long number = 0;
    if (!ReadWholeNumber(text, kMaxBitValue, &number)) {
        return false;
    }
    *value = static_cast<std::int32_t>(number);
    return true;
}

const char* ReadBitFields(const std::array<std::string, 3>& texts, ProgrammingOptions* options,
                          std::size_t* field) {
    for (std::size_t i = 0; i < kBitFields.size(); ++i) {
        const BitField& bits = kBitFields[i];
        if (!options->Has(bits.step)) {
            continue;
        }
        const std::string text = Trim(texts[i], 0, kBitFieldLength);
        const char* message = text.empty()                                   ? bits.emptyMessage
                              : !ReadBitValue(text, &(options->*bits.value)) ? bits.badValueMessage
                                                                             : nullptr;
        if (message != nullptr) {
            if (field != nullptr) {
                *field = i;
            }
            return message;
        }
    }
    return nullptr;
}

const char* CheckBitValues(const ProgrammingOptions& options) {
    for (const BitField& bits : kBitFields) {
        const std::int32_t value = options.*bits.value;
        if (options.Has(bits.step) && (value < 0 || value > kMaxBitValue)) {
            return bits.badValueMessage;
        }
    }
    return nullptr;
}

ProgrammingOptions ReadProgrammingOptions(const CConfig& config) {
    ProgrammingOptions options;
    options.mode = static_cast<std::uint32_t>(config.GetInt(kSection, "Mode", 0));
    options.steps = static_cast<std::uint32_t>(config.GetInt(kSection, "UseMask", 0));
    options.lockBits = config.GetInt(kSection, "LockBits", 0);
    options.fuseBits = config.GetInt(kSection, "FuseBits", 0);
    options.fuseBitsEx = config.GetInt(kSection, "FuseBitsEx", 0);
    options.fileName = config.GetString(kSection, "FileName");
    return options;
}

void WriteProgrammingOptions(CConfig& config, const ProgrammingOptions& options) {
    config.SetValue(kSection, "Mode", SignedDecimal(options.mode).c_str());
    config.SetValue(kSection, "UseMask", SignedDecimal(options.steps).c_str());
    config.SetValue(kSection, "LockBits", std::to_string(options.lockBits).c_str());
    config.SetValue(kSection, "FuseBits", std::to_string(options.fuseBits).c_str());
    config.SetValue(kSection, "FuseBitsEx", std::to_string(options.fuseBitsEx).c_str());
    config.SetValue(kSection, "FileName", options.fileName.c_str());
}
