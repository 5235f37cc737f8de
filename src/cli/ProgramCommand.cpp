// program: the programming dialog's run, with a text bar for its progress and its report on
// standard output.

#include <unistd.h>

#include <cstdio>

#include "cli/Commands.h"
#include "cli/TerminalProgress.h"
#include "device/VXDevice.h"
#include "programming/ProgrammingRun.h"

namespace cli {

namespace {

ProgrammingOptions MakeRunOptions(const ProgramOptions& options) {
    ProgrammingOptions run;
    run.fileName = options.hexFile;
    run.mode = options.atMega103 ? kModeAtMega103 : 0;
    const auto check = [&run](bool on, std::uint32_t step) {
        if (on) {
            run.steps |= step;
        }
    };
    check(options.erase, DeviceCommand::EraseFlash);
    check(options.write, DeviceCommand::WriteData);
    check(options.verify, DeviceCommand::VerifyData);
    check(options.lockBits.has_value(), DeviceCommand::WriteLockBits);
    check(options.fuseBits.has_value(), DeviceCommand::WriteFuseBits);
    check(options.fuseBitsEx.has_value(), DeviceCommand::WriteFuseExBits);
    run.lockBits = options.lockBits.value_or(0);
    run.fuseBits = options.fuseBits.value_or(0);
    run.fuseBitsEx = options.fuseBitsEx.value_or(0);
    return run;
}

// The report as lines on standard output (it is kept with CR LF for the dialog's box).
void PrintReport(const std::string& report) {
    std::string text;
    for (char c : report) {
        if (c != '\r') {
            text += c;
        }
    }
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    PrintLine(text);
}

}  // namespace

int RunProgram(const DeviceOptions& device, const ProgramOptions& options) {
    const ProgrammingOptions run = MakeRunOptions(options);
    if (run.steps == 0) {
        return Fail(kBadInput,
                    "Не выбрано ни одного шага (--erase, --write, --verify, --lock, --fuse, "
                    "--fuse-ex)");
    }
    // The file is tried before the unit is touched: a bad file is bad input, whatever the unit.
    if (run.Has(DeviceCommand::WriteData) || run.Has(DeviceCommand::VerifyData)) {
        CBinaryDump image;
        if (run.fileName.empty()) {
            return Fail(kBadInput, StatusMessage(ProgrammingOutcome::Status::NoFileName));
        }
        if (!image.LoadHex(run.fileName.c_str())) {
            return Fail(kBadInput,
                        std::string(StatusMessage(ProgrammingOutcome::Status::CannotLoadImage)) +
                            " " + run.fileName);
        }
    }
    int code = kSuccess;
    std::unique_ptr<CVXDevice> channel = OpenUnit(options.unit, device, &code);
    if (!channel) {
        return code;
    }
    CProgrammingRun programming(*channel);
    CTerminalProgress progress(stderr, ::isatty(STDERR_FILENO) == 1);
    const ProgrammingOutcome outcome = programming.Execute(run, progress);
    if (const char* message = StatusMessage(outcome.status)) {
        return Fail(kBadInput, message);  // the file changed under us since it was tried
    }
    PrintReport(outcome.report);
    if (outcome.result != 0) {
        return Fail(kFailed,
                    "Программирование не удалось, код ошибки " + std::to_string(outcome.result));
    }
    if (outcome.restartFailed) {
        return Fail(kFailed, "Невозможно снова открыть устройство " + options.unit);
    }
    return kSuccess;
}

}  // namespace cli
