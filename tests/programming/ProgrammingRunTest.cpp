#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "device/SimFixture.h"
#include "programming/ProgrammingRun.h"
#include "programming/ProgressMonitor.h"
#include "programming/StepProgress.h"
#include "support/HexFiles.h"

namespace {

using Status = ProgrammingOutcome::Status;

// Polls as the progress window does, once every interval, until the poll says stop.
class PollingMonitor : public IProgressMonitor {
public:
    void ShowProgress(CStepProgress& progress) override {
        for (int polls = 0;; ++polls) {
            std::this_thread::sleep_for(std::chrono::milliseconds(CStepProgress::kPollIntervalMs));
            if (polls == 1 && beforeSecondPoll) {
                beforeSecondPoll();
            }
            if (progress.Poll() < 0) {
                workerDoneWhenClosed = progress.IsWorkerDone();
                return;
            }
        }
    }
    void AwaitWorker(CStepProgress& progress) override {
        awaited = true;
        IProgressMonitor::AwaitWorker(progress);
    }

    std::function<void()> beforeSecondPoll;
    bool workerDoneWhenClosed = false;
    bool awaited = false;
};

class ProgrammingRunTest : public SimFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(AddAndOpen(1, 2));
        m_sim.SetProgrammingSpeed(1 << 24);
    }

    ProgrammingOutcome Run(const ProgrammingOptions& options) {
        m_opensBefore = m_sim.CountOpens(1, 2);
        return m_run.Execute(options, m_monitor);
    }
    // Opens of the unit since the run began: 1 after a restart.
    int Reopened() const { return m_sim.CountOpens(1, 2) - m_opensBefore; }
    static std::string Firmware() { return SourcePath("examples/firmware.hex").string(); }

    CProgrammingRun m_run{m_device};
    PollingMonitor m_monitor;
    int m_opensBefore = 0;
};

enum class Fault { None, FailNext5, RejectNext, RefuseReopen, Unerased, UnplugMidWrite };
enum class File { None, Firmware, OneBadRecord, Missing };

struct RunCase {
    const char* name;
    std::uint32_t steps;
    std::uint32_t mode;
    File file;
    Fault fault;
    Status status;
    std::vector<std::uint32_t> sent;  // commands the unit received, in order
    const char* text;                 // the report, or the message of a run that stopped early
    std::int32_t lockBits = 3;
};

void PrintTo(const RunCase& c, std::ostream* out) {
    *out << c.name;
}

class RunTable : public ProgrammingRunTest, public ::testing::WithParamInterface<RunCase> {};

// What reaches the unit and what the user is told; every run that reaches the steps restarts
// the unit, every other run leaves it alone.
TEST_P(RunTable, SendsTheCheckedStepsAndReports) {
    const RunCase& c = GetParam();
    ProgrammingOptions options;
    options.steps = c.steps;
    options.mode = c.mode;
    options.lockBits = c.lockBits;
    options.fuseBits = 0xE1;
    options.fuseBitsEx = 0xFD;
    switch (c.file) {
        case File::Firmware:
            options.fileName = Firmware();
            break;
        case File::OneBadRecord:
            options.fileName =
                m_dir.Write("bad.hex", HexRecord(0, 0, {1, 2, 3}) + "\r\n" +
                                           HexRecord(3, 0, {4, 5, 6}, 0) + "\r\n" + kHexEnd);
            break;
        case File::Missing:
            options.fileName = m_dir.File("missing.hex");
            break;
        case File::None:
            break;
    }
    switch (c.fault) {
        case Fault::FailNext5:
            m_sim.FailNextCommand(1, 2, 5);
            break;
        case Fault::RejectNext:
            m_sim.RejectNextControl(1, 2);
            break;
        case Fault::RefuseReopen:
            m_sim.RefuseNextOpen(1, 2);
            break;
        case Fault::UnplugMidWrite:
            m_sim.UnplugDuringProgramming(1, 2, 256);
            break;
        case Fault::Unerased: {
            DeviceCommand write;
            write.command = DeviceCommand::WriteData;
            std::vector<unsigned char> zeros(64, 0x00);
            write.SetData(zeros.data(), zeros.size());
            ASSERT_EQ(m_device.ExecuteCommand(&write), 0);
            ASSERT_EQ(write.result, 0);
            break;
        }
        case Fault::None:
            break;
    }
    const std::size_t before = m_sim.GetCommands(1, 2).size();
    ProgrammingOutcome outcome = Run(options);
    EXPECT_EQ(outcome.status, c.status);
    std::vector<DeviceCommand> sent = m_sim.GetCommands(1, 2);
    sent.erase(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(before));
    std::vector<std::uint32_t> commands;
    for (const DeviceCommand& command : sent) {
        commands.push_back(command.command);
        // Each request carries its own value only, the image only for write and verify, and
        // the whole mode word.
        const std::uint32_t code = command.command;
        EXPECT_EQ(command.lockBits, code == 4 ? 3u : 0u) << code;
        EXPECT_EQ(command.fuseBits, code == 8 ? 0xE1u : 0u) << code;
        EXPECT_EQ(command.extendedFuseBits, code == 16 ? 0xFDu : 0u) << code;
        EXPECT_EQ(command.dataLength > 0, code == 2 || code == 32) << code;
        EXPECT_EQ(command.mode, c.mode) << code;
    }
    EXPECT_EQ(commands, c.sent);
    EXPECT_EQ(outcome.status == Status::Ran ? outcome.report : outcome.message, c.text);
    const bool ran = c.status == Status::Ran;
    EXPECT_EQ(Reopened(), ran && !outcome.restartFailed ? 1 : 0);
    EXPECT_EQ(m_device.IsOpen(), !outcome.restartFailed);
    const bool unplugged = c.fault == Fault::UnplugMidWrite;
    EXPECT_EQ(outcome.unitLost, unplugged);
    EXPECT_EQ(outcome.restartFailed, c.fault == Fault::RefuseReopen || unplugged);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RunTable,
    ::testing::Values(
        RunCase{"Nothing", 0, 0, File::None, Fault::None, Status::NothingToDo, {}, ""},
        RunCase{"LockOnly",
                0x04,
                0,
                File::None,
                Fault::None,
                Status::Ran,
                {4},
                "Запись битов Lock - OK\r\n"},
        RunCase{"AllBitsInRunOrder",
                0x1D,
                0,
                File::None,
                Fault::None,
                Status::Ran,
                {1, 8, 16, 4},
                "Стирание FLASH - OK\r\nЗапись битов Fuse - OK\r\nЗапись битов FuseEx - OK\r\n"
                "Запись битов Lock - OK\r\n"},
        RunCase{"AllSixEraseFails",
                0x3F,
                0,
                File::Firmware,
                Fault::FailNext5,
                Status::Ran,
                {1},
                "Стирание FLASH - ОШИБКА\r\nЗапись данных - не выполнено\r\n"
                "Запись битов Fuse - не выполнено\r\nЗапись битов FuseEx - не выполнено\r\n"
                "Проверка данных - не выполнено\r\nЗапись битов Lock - не выполнено\r\n"
                "\r\nКод ошибки - 5\r\n"},
        // The ATmega103 has no extended fuse byte: the unit refuses that step.
        RunCase{"AtMega103",
                0x3F,
                1,
                File::Firmware,
                Fault::None,
                Status::Ran,
                {1, 2, 8, 16},
                "Стирание FLASH - OK\r\nЗапись данных - OK\r\nЗапись битов Fuse - OK\r\n"
                "Запись битов FuseEx - ОШИБКА\r\nПроверка данных - не выполнено\r\n"
                "Запись битов Lock - не выполнено\r\n\r\nКод ошибки - 4\r\n"},
        // A hole where the record was would be written, and verified, as erased FLASH.
        RunCase{"OneRecordRefused",
                0x23,
                0,
                File::OneBadRecord,
                Fault::None,
                Status::CannotLoadImage,
                {},
                "Невозможно загрузить данные из файла\r\nСтрока 2: неверная контрольная сумма"},
        RunCase{"VerifyOverUnerased",
                0x22,
                0,
                File::Firmware,
                Fault::Unerased,
                Status::Ran,
                {2, 32},
                "Запись данных - OK\r\nПроверка данных - ОШИБКА\r\n\r\nКод ошибки - 3\r\n"},
        // A request the channel could not complete is a failure, not "OK".
        RunCase{"EraseRejected",
                0x05,
                0,
                File::None,
                Fault::RejectNext,
                Status::Ran,
                {},
                "Стирание FLASH - ОШИБКА\r\nЗапись битов Lock - не выполнено\r\n\r\nКод ошибки - "
                "1\r\n"},
        // The unit goes away in the middle of the write: the channel's loss is told, not
        // guessed from the code, and no restart can find it.
        RunCase{"UnplugMidWrite",
                0x26,
                0,
                File::Firmware,
                Fault::UnplugMidWrite,
                Status::Ran,
                {2},
                "Запись данных - ОШИБКА\r\nПроверка данных - не выполнено\r\n"
                "Запись битов Lock - не выполнено\r\n\r\nУстройство отключено\r\n"
                "Код ошибки - 1\r\nРестарт - ОШИБКА"},
        RunCase{"ReopenRefused",
                0x04,
                0,
                File::None,
                Fault::RefuseReopen,
                Status::Ran,
                {4},
                "Запись битов Lock - OK\r\nРестарт - ОШИБКА"},
        RunCase{"NoFileName",
                0x21,
                0,
                File::None,
                Fault::None,
                Status::NoFileName,
                {},
                "Выберите файл"},
        RunCase{"FileRefused",
                0x06,
                0,
                File::Missing,
                Fault::None,
                Status::CannotLoadImage,
                {},
                "Невозможно загрузить данные из файла\r\nФайл не удаётся прочитать"},
        // A value from the settings file that no field would take is refused, not cut to a
        // byte and sent.
        RunCase{"LockOutOfRange",
                0x05,
                0,
                File::None,
                Fault::None,
                Status::BadBitValue,
                {},
                "Неверное значение битов Lock: число от 0 до 255 (десятичное или 0x..)",
                300}),
    [](const auto& info) { return std::string(info.param.name); });

// What the run cannot be made to do on the simulator: the unit gone after its last step, and
// a steps word with a bit that names no step.
TEST(ProgrammingReport, LostUnitWithoutAFailureAndBitsOfNoStep) {
    ProgrammingOutcome outcome;
    outcome.steps = {{DeviceCommand::EraseFlash, 0}, {DeviceCommand::WriteLockBits, 0}};
    outcome.unitLost = true;
    outcome.restartFailed = true;
    EXPECT_EQ(MakeProgrammingReport(0x45, outcome),
              "Стирание FLASH - OK\r\nЗапись битов Lock - OK\r\n\r\nУстройство отключено\r\n"
              "Рестарт - ОШИБКА");
}

// The progress query fails while the write goes on: the display closes, but the run waits
// for the write to end before it reports and restarts the unit, so the write is not cut off.
TEST_F(ProgrammingRunTest, WaitsForTheWorkerWhenTheProgressQueryFails) {
    m_sim.SetProgrammingSpeed(8 * 1024);  // the image takes about half a second
    m_monitor.beforeSecondPoll = [this] {
        // The write has reached the unit; the next request is the display's progress query.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (m_sim.GetCommands(1, 2).empty() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        m_sim.RejectNextControl(1, 2);
    };
    ProgrammingOptions options;
    options.steps = DeviceCommand::WriteData;
    options.fileName = Firmware();
    ProgrammingOutcome outcome = Run(options);
    EXPECT_FALSE(m_monitor.workerDoneWhenClosed);
    EXPECT_TRUE(m_monitor.awaited);
    EXPECT_EQ(outcome.report, "Запись данных - OK\r\n");
    EXPECT_EQ(Reopened(), 1);
}

}  // namespace
