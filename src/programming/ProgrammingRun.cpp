#include "programming/ProgrammingRun.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "device/VXDevice.h"
#include "device/wirekit/Exception.h"
#include "programming/ProgrammingWorker.h"
#include "programming/ProgressMonitor.h"
#include "programming/StepProgress.h"

namespace {

const char* const kLineEnd = "\r\n";

// How often the run looks whether the channel has lost its unit, while it waits for that.
constexpr int kLossPollMs = 10;

const char* StepTitle(std::uint32_t step) {
    return step == DeviceCommand::WriteData ? "Запись данных" : "Проверка данных";
}

}  // namespace

ProgrammingOutcome PrepareRun(const ProgrammingOptions& options, CBinaryDump& image) {
    ProgrammingOutcome outcome;
    if (options.steps == 0) {
        return outcome;
    }
    if (const char* message = CheckBitValues(options)) {
        outcome.status = ProgrammingOutcome::Status::BadBitValue;
        outcome.message = message;
        return outcome;
    }
    if (options.Has(DeviceCommand::WriteData) || options.Has(DeviceCommand::VerifyData)) {
        if (options.fileName.empty()) {
            outcome.status = ProgrammingOutcome::Status::NoFileName;
            outcome.message = "Выберите файл";
            return outcome;
        }
        image.LoadHex(options.fileName.c_str());
        if (!image.GetLoadReport().IsWhole()) {
            outcome.status = ProgrammingOutcome::Status::CannotLoadImage;
            outcome.message = "Невозможно загрузить данные из файла";
            const std::string why = image.GetLoadReport().Describe();
            if (!why.empty()) {
                outcome.message += kLineEnd + why;
            }
            return outcome;
        }
    }
    outcome.status = ProgrammingOutcome::Status::Ran;
    return outcome;
}

DeviceCommand MakeStepCommand(std::uint32_t step, const ProgrammingOptions& options,
                              const CBinaryDump& image) {
    DeviceCommand command;
    command.command = step;
    command.mode = options.mode;
    switch (step) {
        case DeviceCommand::WriteLockBits:
            command.lockBits = static_cast<std::uint32_t>(options.lockBits);
            break;
        case DeviceCommand::WriteFuseBits:
            command.fuseBits = static_cast<std::uint32_t>(options.fuseBits);
            break;
        case DeviceCommand::WriteFuseExBits:
            command.extendedFuseBits = static_cast<std::uint32_t>(options.fuseBitsEx);
            break;
        case DeviceCommand::WriteData:
        case DeviceCommand::VerifyData:
            if (image.GetData() != nullptr && image.GetSize() > 0) {
                command.SetData(image.GetData(), static_cast<std::size_t>(image.GetSize()));
            }
            break;
        default:
            break;
    }
    return command;
}

std::string MakeProgrammingReport(std::uint32_t checkedSteps, const ProgrammingOutcome& outcome) {
    std::string report;
    for (const ProgrammingStep& step : RunOrder()) {
        if ((checkedSteps & step.bit) == 0) {
            continue;
        }
        auto ran = std::find_if(outcome.steps.begin(), outcome.steps.end(),
                                [&step](const auto& done) { return done.step == step.bit; });
        report += step.reportLabel;
        if (ran == outcome.steps.end()) {
            report += "не выполнено";
        } else {
            report += ran->result == 0 ? "OK" : "ОШИБКА";
        }
        report += kLineEnd;
    }
    if (outcome.result != 0 || outcome.unitLost) {
        report += kLineEnd;
    }
    if (outcome.unitLost) {
        report += std::string("Устройство отключено") + kLineEnd;
    }
    if (outcome.result != 0) {
        report += "Код ошибки - " + std::to_string(outcome.result) + kLineEnd;
    }
    if (outcome.restartFailed) {
        report += "Рестарт - ОШИБКА";
    }
    return report;
}

CProgrammingRun::CProgrammingRun(CVXDevice& device) : m_device(device) {}

ProgrammingOutcome CProgrammingRun::Execute(const ProgrammingOptions& options,
                                            IProgressMonitor& monitor) {
    ProgrammingOutcome outcome = PrepareRun(options, m_image);
    if (outcome.status != ProgrammingOutcome::Status::Ran) {
        return outcome;
    }
    const bool wasOpen = m_device.IsOpen();
    m_requestFailed = false;
    for (const ProgrammingStep& step : RunOrder()) {
        if (outcome.result != 0 || !options.Has(step.bit)) {
            continue;
        }
        outcome.result = CarriesImage(step.bit) ? RunImageStep(step.bit, options, monitor)
                                                : RunShortStep(step.bit, options);
        outcome.steps.push_back({step.bit, outcome.result});
    }
    outcome.unitLost = UnitWentAway(wasOpen);
    outcome.restartFailed = !Restart();
    outcome.report = MakeProgrammingReport(options.steps, outcome);
    return outcome;
}

// Nothing in the run closes the channel before the restart: a channel closed by then closed
// itself, because its unit went away.
bool CProgrammingRun::UnitWentAway(bool wasOpen) const {
    if (!wasOpen) {
        return false;
    }
    if (m_requestFailed) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kLossSettleMs);
        while (m_device.IsOpen() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kLossPollMs));
        }
    }
    return !m_device.IsOpen();
}

// A request the channel could not complete counts as failed, as it does for write and verify;
// otherwise the driver's verdict stands.
int CProgrammingRun::RunShortStep(std::uint32_t step, const ProgrammingOptions& options) {
    DeviceCommand command = MakeStepCommand(step, options, m_image);
    m_requestFailed = m_device.ExecuteCommand(&command) != 0;
    return m_requestFailed ? kRequestFailed : command.result;
}

int CProgrammingRun::RunImageStep(std::uint32_t step, const ProgrammingOptions& options,
                                  IProgressMonitor& monitor) {
    m_requestFailed = false;
    if (m_image.GetSize() <= 0) {
        return kRequestFailed;  // every record of the file was invalid: nothing to send
    }
    CProgrammingWorker worker(m_device, MakeStepCommand(step, options, m_image));
    CStepProgress progress(m_device, worker, StepTitle(step), m_image.GetSize());
    try {
        worker.Start();
    } catch (const Wirekit::Win32::CException&) {
        return kRequestFailed;  // no thread to send it on: nothing was sent
    }
    monitor.ShowProgress(progress);
    if (!worker.IsDone()) {
        monitor.AwaitWorker(progress);
    }
    worker.Join();
    m_requestFailed = !worker.IsAnswered();
    return worker.GetResult();
}

bool CProgrammingRun::Restart() {
    const int typeIndex = m_device.GetTypeIndex();
    const int number = m_device.GetNumber();
    m_device.Close();
    return typeIndex >= 0 && m_device.Open(static_cast<unsigned>(typeIndex), number) == 1;
}
