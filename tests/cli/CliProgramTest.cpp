// program against the simulator: the FLASH after a run, the report as the dialog shows it, and
// a run that fails.

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

// A failing step ends the command with code 1 and the report with the error code; which step
// fails how is the window-free run's table.
TEST_F(CliProgram, TheUnitUnpluggedDuringTheWriteEndsWithCodeOne) {
    m_sim.UnplugDuringProgramming(1, 0, 256);
    const CliResult result =
        Run({"program", "PCI0", "--hex", Source("examples/firmware.hex"), "--write", "--verify"});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.out,
              "Запись данных - ОШИБКА\nПроверка данных - не выполнено\n\n"
              "Устройство отключено\nКод ошибки - 1\nРестарт - ОШИБКА\n");
    EXPECT_TRUE(IsOneLineMessage(result.err));
}

}  // namespace
