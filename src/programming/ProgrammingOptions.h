#pragma once
// What a programming run is asked to do: the steps, the mode word sent with every request, the
// three bit values and the firmware image file. The programming dialog edits them; the main
// window reads them from the settings' [Programming] section before the dialog and writes them
// back after it. Also the step table that the dialog, the run and its report share.

#include <array>
#include <cstdint>
#include <string>

class CConfig;

struct ProgrammingOptions {
    // "Mode". Bit 0x01 is the ATmega103; every bit goes with every request as it stands.
    std::uint32_t mode = 0;
    // "UseMask": one bit per step (ProgrammingStep::bit). Bits that name no step are kept.
    std::uint32_t steps = 0;
    std::int32_t lockBits = 0;
    std::int32_t fuseBits = 0;
    std::int32_t fuseBitsEx = 0;
    // The Intel HEX file, as the settings file holds it (a local path).
    std::string fileName;

    bool Has(std::uint32_t step) const { return (steps & step) != 0; }
};

inline constexpr std::uint32_t kModeAtMega103 = 0x01;

struct ProgrammingStep {
    std::uint32_t bit;        // also the command its request carries (DeviceCommand::Code)
    const char* caption;      // its check box, UTF-8
    const char* reportLabel;  // its report line before "OK" or "ОШИБКА", UTF-8
};

// The six steps in the order a run takes them: erase, write, fuse, extended fuse, verify, and
// the lock bits last, after the image has been verified.
const std::array<ProgrammingStep, 6>& RunOrder();
// The step of this bit; null for a bit that names none.
const ProgrammingStep* FindStep(std::uint32_t bit);
// Write and verify carry the image; they need a file and run on a worker thread.
bool CarriesImage(std::uint32_t step);

// A value field of a bit step, in the order the dialog reads them: lock, fuse, extended fuse.
struct BitField {
    std::uint32_t step;
    const char* emptyMessage;     // shown when the step is checked and its field is blank, UTF-8
    const char* badValueMessage;  // ... and when it holds anything but a bit value, UTF-8
    std::int32_t ProgrammingOptions::*value;
};
const std::array<BitField, 3>& BitFields();

// A bit value as a field or an option holds it: a whole number 0-255, decimal or hexadecimal
// after "0x" (or "0X"), blanks around it allowed. False for anything else (a sign, other
// characters, a larger number), value untouched then.
bool ReadBitValue(const std::string& text, std::int32_t* value);

// Reads the texts of the three value fields (in BitFields order) into options, for the steps
// checked in options->steps only (only the first 255 characters of a text count). Returns null
// when every checked field was read; otherwise the message of the first checked field that is
// blank or holds no bit value, with its index in *field when field is not null. That value and
// the ones after it keep theirs then.
const char* ReadBitFields(const std::array<std::string, 3>& texts, ProgrammingOptions* options,
                          std::size_t* field = nullptr);
// The message of the first checked bit step whose value is not 0-255 (values read from the
// settings file are not checked when read); null when there is none.
const char* CheckBitValues(const ProgrammingOptions& options);

// The six [Programming] keys; absent or empty integers read as 0, an absent file name as empty.
ProgrammingOptions ReadProgrammingOptions(const CConfig& config);
// Writes them back in the order "Mode", "UseMask", "LockBits", "FuseBits", "FuseBitsEx",
// "FileName", the words as signed decimal text. Does not save the file.
void WriteProgrammingOptions(CConfig& config, const ProgrammingOptions& options);
