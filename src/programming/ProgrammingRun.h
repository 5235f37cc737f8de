#pragma once
// A programming run: the checked steps, one control request each, in the fixed order erase,
// write, fuse, extended fuse, verify, lock, each only while every step before it succeeded;
// the report; and the restart of the unit (closed and opened again on the same type and number)
// after every run that reached the steps. It knows nothing of windows: the programming dialog
// drives it, and so can a command-line front end, each with its own IProgressMonitor.
//
// Threads: Execute runs on the caller's thread (the user-interface thread in the program) and
// sends the short requests there. Write and verify each run on a CProgrammingWorker thread
// while the monitor polls progress on the caller's thread; Execute returns only after the
// worker has ended.

#include <cstdint>
#include <string>
#include <vector>

#include "device/DeviceCommand.h"
#include "programming/BinaryDump.h"
#include "programming/ProgrammingOptions.h"

class CVXDevice;
class IProgressMonitor;

struct ProgrammingOutcome {
    enum class Status {
        NothingToDo,      // no step bit set: nothing was sent, the unit was not restarted
        BadBitValue,      // a checked bit step's value is not 0-255: nothing was sent
        NoFileName,       // write or verify checked without a file: nothing was sent
        CannotLoadImage,  // the file was refused, or some of its records: nothing was sent
        Ran,              // the steps ran and the unit was restarted; report holds the outcome
    };
    struct StepResult {
        std::uint32_t step;
        int result;  // 0 success, else the driver's error code, or 1 for a failed request
    };

    Status status = Status::NothingToDo;
    // Why a run stopped before its steps ("Выберите файл", "Невозможно загрузить данные из
    // файла" and on a second line why); UTF-8, lines separated by CR LF; empty otherwise.
    std::string message;
    std::vector<StepResult> steps;  // the steps that ran, in run order
    int result = 0;                 // the run's: 0, or the failing step's result
    bool unitLost = false;          // the channel lost the open unit while the steps ran
    bool restartFailed = false;     // the unit could not be opened again
    std::string report;             // UTF-8, lines ending CR LF (MakeProgrammingReport)
};

// The report of a run that reached its steps, shown by the dialog and printed by tavrin-cli:
//  - every checked step in run order: its label and "OK" or "ОШИБКА" when it ran, "не
//    выполнено" when an earlier failure skipped it ("Запись битов Lock - не выполнено");
//  - after a failure or a lost unit an empty line, then "Устройство отключено" when the unit
//    went away, then "Код ошибки - N" when a step failed;
//  - "Рестарт - ОШИБКА", without a line end, when the unit could not be opened again.
std::string MakeProgrammingReport(std::uint32_t checkedSteps, const ProgrammingOutcome& outcome);

// Whether a run of these options may start, decided before anything is sent: Status::Ran when
// it may (the image, when write or verify is checked, then loaded whole into image), else the
// status and message of the run that stops there. An image with any record refused stops it:
// holes in it would be written, and verified, as erased FLASH.
ProgrammingOutcome PrepareRun(const ProgrammingOptions& options, CBinaryDump& image);

// The request of one step: the command, the step's own value (lock, fuse or extended fuse),
// the mode word, and for write and verify the image from address 0 to its size.
DeviceCommand MakeStepCommand(std::uint32_t step, const ProgrammingOptions& options,
                              const CBinaryDump& image);

class CProgrammingRun {
public:
    // The outcome of a step whose request the channel could not complete.
    static constexpr int kRequestFailed = 1;
    // A request cut off by the unit's going away ends on the control connection, and the
    // channel's reader notices the loss on its own connection a moment later: after a request
    // that did not complete, the run waits this long for the channel to tell a lost unit.
    static constexpr int kLossSettleMs = 300;

    explicit CProgrammingRun(CVXDevice& device);

    // Runs the steps checked in options (see the header comment) once PrepareRun lets it; the
    // image is loaded afresh from options.fileName when write or verify is checked.
    ProgrammingOutcome Execute(const ProgrammingOptions& options, IProgressMonitor& monitor);

    const CBinaryDump& GetImage() const { return m_image; }

private:
    int RunShortStep(std::uint32_t step, const ProgrammingOptions& options);
    int RunImageStep(std::uint32_t step, const ProgrammingOptions& options,
                     IProgressMonitor& monitor);
    // Whether the channel lost the unit that was open when the run began.
    bool UnitWentAway(bool wasOpen) const;
    // Closes the channel and opens the unit that was open before; false when that fails.
    bool Restart();

    CVXDevice& m_device;
    CBinaryDump m_image;
    bool m_requestFailed = false;  // the last step's request did not complete
};
