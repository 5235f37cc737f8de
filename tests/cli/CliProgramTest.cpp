// program against the simulator: the FLASH after a run, the report as the dialog shows it, and
// a failing step.

#include <algorithm>

#include "CliSupport.h"
#include "programming/BinaryDump.h"

namespace {

class CliProgram : public CliTest {
protected:
    void SetUp() override { ASSERT_TRUE(m_sim.AddUnit(1, 0)); }
};

TEST_F(CliProgram, WritesTheImageAndPrintsTheDialogsReport) {
    const std::string image = Source("examples/firmware.hex");
    const CliResult result =
        Run({"program", "PCI0", "--hex", image, "--erase", "--write", "--verify"});
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out, "Стирание FLASH - OK\nЗапись данных - OK\nПроверка данных - OK\n");
    EXPECT_EQ(result.err, "") << "no progress bar when standard error is no terminal";

    CBinaryDump dump;
    ASSERT_EQ(dump.LoadHex(image.c_str()), 1);
    const std::vector<unsigned char> flash = m_sim.GetFlash(1, 0);
    ASSERT_GE(flash.size(), static_cast<std::size_t>(dump.GetSize()));
    EXPECT_TRUE(std::equal(dump.GetData(), dump.GetData() + dump.GetSize(), flash.begin()));
    EXPECT_TRUE(std::all_of(flash.begin() + dump.GetSize(), flash.end(), [](unsigned char b) {
        return b == 0xFF;
    })) << "the rest stays erased";
    EXPECT_EQ(m_sim.CountOpens(1, 0), 2) << "the unit is opened again after the run";
}

TEST_F(CliProgram, RunsTheBitStepsInTheDialogsOrderWithTheirValues) {
    const CliResult result =
        Run({"program", "PCI0", "--lock", "0x3C", "--fuse", "225", "--fuse-ex", "0xFD"});
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out,
              "Запись битов Fuse - OK\nЗапись битов FuseEx - OK\nЗапись битов Lock - OK\n");
    const vxsim::Fuses fuses = m_sim.GetFuses(1, 0);
    EXPECT_EQ(fuses.lockBits, 0x3Cu);
    EXPECT_EQ(fuses.fuseBits, 225u);
    EXPECT_EQ(fuses.extendedFuseBits, 0xFDu);
}

struct FailCase {
    const char* why;
    std::vector<std::string> args;
    int code;            // the driver's result code the simulator answers with; -1: the unit
                         // goes away during the write
    const char* report;  // what standard output must be
};
void PrintTo(const FailCase& c, std::ostream* out) {
    *out << c.why;
}

class CliProgramFailure : public CliProgram, public ::testing::WithParamInterface<FailCase> {};

TEST_P(CliProgramFailure, EndsWithCodeOneAndTheReportWithTheErrorCode) {
    const FailCase& c = GetParam();
    std::vector<std::string> args{"program", "PCI0", "--hex", Source("examples/firmware.hex")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    if (c.code > 0) {
        m_sim.FailNextCommand(1, 0, c.code);
    } else if (c.code < 0) {
        m_sim.UnplugDuringProgramming(1, 0, 256);
    }
    const CliResult result = Run(args);
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.out, c.report);
    EXPECT_TRUE(IsOneLineMessage(result.err));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, CliProgramFailure,
    ::testing::Values(FailCase{"erase fails, nothing after it runs",
                               {"--erase", "--write", "--verify"},
                               5,
                               "Стирание FLASH - ОШИБКА\nЗапись данных - не выполнено\n"
                               "Проверка данных - не выполнено\n\nКод ошибки - 5\n"},
                      FailCase{"verify of an image never written",
                               {"--verify"},
                               0,
                               "Проверка данных - ОШИБКА\n\nКод ошибки - 3\n"},
                      FailCase{"extended fuses refused in ATmega103 mode",
                               {"--fuse", "1", "--fuse-ex", "1", "--lock", "1", "--atmega103"},
                               0,
                               "Запись битов Fuse - OK\nЗапись битов FuseEx - ОШИБКА\n"
                               "Запись битов Lock - не выполнено\n\nКод ошибки - 4\n"},
                      FailCase{"the unit unplugged during the write",
                               {"--write", "--verify"},
                               -1,
                               "Запись данных - ОШИБКА\nПроверка данных - не выполнено\n\n"
                               "Устройство отключено\nКод ошибки - 1\nРестарт - ОШИБКА\n"}));

}  // namespace
