#include <gtest/gtest.h>

#include <algorithm>
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

// Polls as the progress window does, once every interval, and records what it saw.
class PollingMonitor : public IProgressMonitor {
public:
    void ShowProgress(CStepProgress& progress) override {
        titles.push_back(progress.GetTitle());
        ranges.push_back(progress.GetRange());
        values.emplace_back();
        for (int polls = 0;; ++polls) {
            std::this_thread::sleep_for(std::chrono::milliseconds(CStepProgress::kPollIntervalMs));
            if (polls == 1 && beforeSecondPoll) {
                beforeSecondPoll();
            }
            const int value = progress.Poll();
            if (value < 0) {
                workerDoneWhenClosed = progress.IsWorkerDone();
                return;
            }
            values.back().push_back(value);
        }
    }
    void AwaitWorker(CStepProgress& progress) override {
        awaited = true;
        IProgressMonitor::AwaitWorker(progress);
    }

    std::function<void()> beforeSecondPoll;
    std::vector<std::string> titles;
    std::vector<int> ranges;
    std::vector<std::vector<int>> values;  // one list per step
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
        ProgrammingOutcome outcome = m_run.Execute(options, m_monitor);
        return outcome;
    }
    // Opens of the unit since the run began: 1 after a restart.
    int Reopened() const { return m_sim.CountOpens(1, 2) - m_opensBefore; }
    std::vector<std::uint32_t> Sent() const {
        std::vector<std::uint32_t> commands;
        for (const DeviceCommand& command : m_sim.GetCommands(1, 2)) {
            commands.push_back(command.command);
        }
        return commands;
    }
    static std::string Firmware() { return SourcePath("examples/firmware.hex").string(); }

    CProgrammingRun m_run{m_device};
    PollingMonitor m_monitor;
    int m_opensBefore = 0;
};

enum class Fault { None, FailNext5, RejectNext, RefuseReopen, Unerased };
enum class File { None, Firmware, AllInvalid, Missing };

struct RunCase {
    const char* name;
    std::uint32_t steps;
    std::uint32_t mode;
    File file;
    Fault fault;
    Status status;
    std::vector<std::uint32_t> sent;  // commands the unit received, in order
    const char* report;
};

void PrintTo(const RunCase& c, std::ostream* out) {
    *out << c.name;
}

class RunTable : public ProgrammingRunTest, public ::testing::WithParamInterface<RunCase> {};

// What reaches the unit and what the report says; every run that reaches the steps restarts
// the unit, every other run leaves it alone.
TEST_P(RunTable, SendsTheCheckedStepsAndReports) {
    const RunCase& c = GetParam();
    ProgrammingOptions options;
    options.steps = c.steps;
    options.mode = c.mode;
    options.lockBits = 3;
    options.fuseBits = 0xE1;
    options.fuseBitsEx = 0xFD;
    switch (c.file) {
        case File::Firmware:
            options.fileName = Firmware();
            break;
        case File::AllInvalid:
            options.fileName =
                m_dir.Write("bad.hex", HexRecord(0, 0, {1, 2, 3}, 0) + "\r\n:10zz\r\n" + kHexEnd);
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
    EXPECT_EQ(outcome.report, c.report);
    const bool ran = c.status == Status::Ran;
    EXPECT_EQ(Reopened(), ran && !outcome.restartFailed ? 1 : 0);
    EXPECT_EQ(m_device.IsOpen(), !outcome.restartFailed);
    EXPECT_EQ(outcome.restartFailed, c.fault == Fault::RefuseReopen);
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
                "Стирание FLASH - ОШИБКА\r\n\r\nКод ошибки - 5\r\n"},
        // The ATmega103 has no extended fuse byte: the unit refuses that step.
        RunCase{"AtMega103",
                0x3F,
                1,
                File::Firmware,
                Fault::None,
                Status::Ran,
                {1, 2, 8, 16},
                "Стирание FLASH - OK\r\nЗапись данных - OK\r\nЗапись битов Fuse - OK\r\n"
                "Запись битов FuseEx - ОШИБКА\r\n\r\nКод ошибки - 4\r\n"},
        RunCase{"AllRecordsInvalid",
                0x02,
                0,
                File::AllInvalid,
                Fault::None,
                Status::Ran,
                {},
                "Запись данных - ОШИБКА\r\n\r\nКод ошибки - 1\r\n"},
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
                "Стирание FLASH - ОШИБКА\r\n\r\nКод ошибки - 1\r\n"},
        RunCase{"OnlyAnUnknownBit", 0x40, 0, File::None, Fault::None, Status::Ran, {}, ""},
        RunCase{"ReopenRefused",
                0x04,
                0,
                File::None,
                Fault::RefuseReopen,
                Status::Ran,
                {4},
                "Запись битов Lock - OK\r\nРестарт - ОШИБКА"},
        RunCase{"NoFileName", 0x21, 0, File::None, Fault::None, Status::NoFileName, {}, ""},
        RunCase{
            "FileRefused", 0x06, 0, File::Missing, Fault::None, Status::CannotLoadImage, {}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgrammingRunTexts, MessagesForRunsThatStopEarly) {
    EXPECT_STREQ(StatusMessage(Status::NoFileName), "Выберите файл");
    EXPECT_STREQ(StatusMessage(Status::CannotLoadImage), "Невозможно загрузить данные из файла");
    EXPECT_EQ(StatusMessage(Status::Ran), nullptr);
    EXPECT_EQ(StatusMessage(Status::NothingToDo), nullptr);
}

// Erase, write and verify of the example image, paced so that the display sees the write
// grow; afterwards the FLASH holds the image and the unit has been restarted.
TEST_F(ProgrammingRunTest, ErasesWritesAndVerifiesTheExampleImage) {
    CBinaryDump image;
    ASSERT_EQ(image.LoadHex(Firmware().c_str()), 1);
    const int size = image.GetSize();
    m_sim.SetProgrammingSpeed(size * 2);  // half a second each
    ProgrammingOptions options;
    options.steps = 0x23;
    options.fileName = Firmware();
    ProgrammingOutcome outcome = Run(options);
    EXPECT_EQ(outcome.report,
              "Стирание FLASH - OK\r\nЗапись данных - OK\r\nПроверка данных - OK\r\n");
    EXPECT_EQ(m_monitor.titles, (std::vector<std::string>{"Запись данных", "Проверка данных"}));
    EXPECT_EQ(m_monitor.ranges, (std::vector<int>{size, size}));
    EXPECT_TRUE(m_monitor.workerDoneWhenClosed);
    EXPECT_FALSE(m_monitor.awaited);
    ASSERT_EQ(m_monitor.values.size(), 2u);
    for (const std::vector<int>& values : m_monitor.values) {
        EXPECT_GE(values.size(), 3u) << "progress must be seen growing, not jump to the end";
        EXPECT_TRUE(std::is_sorted(values.begin(), values.end()))
            << ::testing::PrintToString(values);
        EXPECT_LT(values.front(), values.back());
        EXPECT_GE(values.front(), 0);
        EXPECT_LE(values.back(), size);
    }
    const std::vector<unsigned char> flash = m_sim.GetFlash(1, 2);
    EXPECT_TRUE(std::equal(image.GetData(), image.GetData() + size, flash.begin()));
    EXPECT_TRUE(
        std::all_of(flash.begin() + size, flash.end(), [](unsigned char b) { return b == 0xFF; }));
    EXPECT_EQ(Reopened(), 1);
    auto sent = m_sim.GetCommands(1, 2);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].dataLength, static_cast<std::uint32_t>(size));
    EXPECT_EQ(sent[2].data, sent[1].data);
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

// The unit goes away in the middle of the write: the step fails, the unit cannot be opened
// again, and the run ends promptly.
TEST_F(ProgrammingRunTest, UnitUnpluggedDuringTheWrite) {
    m_sim.SetProgrammingSpeed(4 * 1024);
    m_sim.UnplugDuringProgramming(1, 2, 1024);
    ProgrammingOptions options;
    options.steps = 0x27;  // erase, write, lock, verify
    options.fileName = Firmware();
    const auto start = std::chrono::steady_clock::now();
    ProgrammingOutcome outcome = Run(options);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(outcome.report,
              "Стирание FLASH - OK\r\nЗапись данных - ОШИБКА\r\n\r\nКод ошибки - 1\r\n"
              "Рестарт - ОШИБКА");
    EXPECT_FALSE(m_device.IsOpen());
    EXPECT_EQ(Sent(), (std::vector<std::uint32_t>{1, 2}));
}

}  // namespace
