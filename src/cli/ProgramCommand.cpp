// program: the programming dialog's run, with a text bar for its progress and its report on
// standard output.
//
// Once the unit is opened, Ctrl+C, SIGTERM and SIGHUP are blocked in every thread (the mask is
// set before the channel starts its reader) and taken by a watcher thread that only says, once,
// that the run cannot be stopped: a write or verify cut off leaves the chip neither erased nor
// programmed, and the driver request cannot be withdrawn safely. The run ends as it would have.

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "cli/Commands.h"
#include "cli/TerminalProgress.h"
#include "device/VXDevice.h"
#include "programming/ProgrammingRun.h"

namespace cli {

namespace {

// How long the watcher waits for a signal before it looks whether the run has ended, in ms.
constexpr long kWatchSliceMs = 100;

// Builds the run's options from the command line; null when every bit value given is one, else
// the message of the first that is not (the window's own).
const char* MakeRunOptions(const ProgramOptions& options, ProgrammingOptions* run) {
    run->fileName = options.hexFile;
    run->mode = options.atMega103 ? kModeAtMega103 : 0;
    const auto check = [run](bool on, std::uint32_t step) {
        if (on) {
            run->steps |= step;
        }
    };
    check(options.erase, DeviceCommand::EraseFlash);
    check(options.write, DeviceCommand::WriteData);
    check(options.verify, DeviceCommand::VerifyData);
    std::array<std::string, 3> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        check(options.bitTexts[i].has_value(), BitFields()[i].step);
        texts[i] = options.bitTexts[i].value_or("");
    }
    return ReadBitFields(texts, run);
}

// The report as lines on standard output (it is kept with CR LF for the dialog's box).
std::string WithoutCarriageReturns(const std::string& text) {
    std::string lines;
    for (char c : text) {
        if (c != '\r') {
            lines += c;
        }
    }
    return lines;
}

void PrintReport(const std::string& report) {
    std::string text = WithoutCarriageReturns(report);
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    PrintLine(text);
}

// Blocks the stop signals in the calling thread (and the threads it starts from then on) and
// answers them with one notice until destroyed. The signals stay blocked afterwards: one that
// comes while the command finishes is dropped with the process rather than cutting it short.
class CUninterruptibleRun {
public:
    CUninterruptibleRun() {
        sigemptyset(&m_signals);
        sigaddset(&m_signals, SIGINT);
        sigaddset(&m_signals, SIGTERM);
        sigaddset(&m_signals, SIGHUP);
        pthread_sigmask(SIG_BLOCK, &m_signals, nullptr);
        m_watcher = std::thread([this] { Watch(); });
    }
    ~CUninterruptibleRun() {
        m_ended.store(true);
        m_watcher.join();
    }
    CUninterruptibleRun(const CUninterruptibleRun&) = delete;
    CUninterruptibleRun& operator=(const CUninterruptibleRun&) = delete;

private:
    void Watch() {
        bool told = false;
        const timespec slice{0, kWatchSliceMs * 1000000};
        while (!m_ended.load()) {
            if (sigtimedwait(&m_signals, nullptr, &slice) > 0 && !told) {
                told = true;
                // A terminal may show the progress bar on this line: the notice gets its own.
                std::fputs(::isatty(STDERR_FILENO) == 1 ? "\n" : "", stderr);
                Fail(kSuccess, "Программирование нельзя прервать: дождитесь окончания");
            }
        }
    }

    sigset_t m_signals;
    std::atomic<bool> m_ended{false};
    std::thread m_watcher;
};

}  // namespace

int RunProgram(const DeviceOptions& device, const ProgramOptions& options) {
    ProgrammingOptions run;
    if (const char* message = MakeRunOptions(options, &run)) {
        return Fail(kBadInput, message);
    }
    if (run.steps == 0) {
        return Fail(kBadInput,
                    "Не выбрано ни одного шага (--erase, --write, --verify, --lock, --fuse, "
                    "--fuse-ex)");
    }
    // The values and the file are tried before the unit is touched: what the window would
    // refuse is bad input, whatever the unit.
    CBinaryDump image;
    const ProgrammingOutcome ready = PrepareRun(run, image);
    if (ready.status != ProgrammingOutcome::Status::Ran) {
        return Fail(kBadInput, WithoutCarriageReturns(ready.message));
    }
    CUninterruptibleRun uninterruptible;
    int code = kSuccess;
    std::unique_ptr<CVXDevice> channel = OpenUnit(options.unit, device, &code);
    if (!channel) {
        return code;
    }
    CProgrammingRun programming(*channel);
    CTerminalProgress progress(stderr, ::isatty(STDERR_FILENO) == 1);
    const ProgrammingOutcome outcome = programming.Execute(run, progress);
    if (!outcome.message.empty()) {
        // The file changed under us since it was tried.
        return Fail(kBadInput, WithoutCarriageReturns(outcome.message));
    }
    PrintReport(outcome.report);
    if (outcome.unitLost) {
        return Fail(kFailed,
                    "Программирование не удалось: устройство " + options.unit + " отключено");
    }
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
