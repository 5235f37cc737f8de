// program against the vxsim program, seen from outside as a user sees it: what reached the unit
// ("requests"), what its FLASH holds ("flash"), and what tavrin-cli said and returned.

#include <signal.h>

#include <chrono>
#include <thread>

#include "CliSupport.h"
#include "programming/BinaryDump.h"
#include "support/PacketBytes.h"

namespace {

class CliAgainstVxsim : public ::testing::Test {
protected:
    void SetUp() override { StartVxsim({}); }
    void TearDown() override {
        m_vxsim->Signal(SIGTERM);
        EXPECT_EQ(m_vxsim->Wait(), 0);
    }

    void StartVxsim(const std::vector<std::string>& options) {
        std::vector<std::string> args{VXSIM_PATH, "--dir", Dir(), "--unit", "PCI0", "--no-stdin"};
        args.insert(args.end(), options.begin(), options.end());
        m_vxsim = std::make_unique<CChildProcess>(args);
        ASSERT_NE(m_vxsim->ReadUntil("vxsim:").find("serving PCI0"), std::string::npos);
    }
    void RestartVxsim(const std::vector<std::string>& options) {
        TearDown();
        StartVxsim(options);
    }
    // vxsim --ctl COMMAND: its answer.
    std::string Ctl(const std::string& command) {
        CChildProcess client({VXSIM_PATH, "--dir", Dir(), "--ctl", command});
        EXPECT_EQ(client.Wait(5000), 0) << command << ": " << client.Out();
        return client.Out();
    }
    // tavrin-cli program PCI0 with these options, on vxsim's folder.
    std::vector<std::string> Program(std::vector<std::string> options) {
        options.insert(options.begin(), {"--dir", Dir(), "program", "PCI0"});
        return options;
    }
    CliResult Run(const std::vector<std::string>& options) {
        return RunCli(Program(options), Dir());
    }
    std::string Dir() const { return m_dir.Path().string(); }
    std::string Firmware() const { return SourcePath("examples/firmware.hex").string(); }

    TempDir m_dir;
    std::unique_ptr<CChildProcess> m_vxsim;
};

struct RefusalCase {
    const char* why;
    std::vector<std::string> args;  // "DAMAGED" stands for a file with one bad checksum
    std::string err;
};
void PrintTo(const RefusalCase& c, std::ostream* out) {
    *out << c.why;
}

class CliProgramRefusal : public CliAgainstVxsim,
                          public ::testing::WithParamInterface<RefusalCase> {};

// What the window would refuse ends the command with code 2 and the window's message, and
// nothing reaches the unit.
TEST_P(CliProgramRefusal, SendsNothing) {
    std::vector<std::string> args = GetParam().args;
    for (std::string& arg : args) {
        if (arg == "DAMAGED") {
            arg = m_dir.Write("damaged.hex",
                              ":0400000001020304F2\r\n:0400040005060708D9\r\n"
                              ":00000001FF\r\n");
        }
    }
    const CliResult result = Run(args);
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, GetParam().err);
    EXPECT_EQ(Ctl("requests PCI0"), "OK\n");
}

std::string BadValue(const std::string& bits) {
    return "tavrin-cli: Неверное значение битов " + bits +
           ": число от 0 до 255 (десятичное или 0x..)\n";
}

INSTANTIATE_TEST_SUITE_P(
    Values, CliProgramRefusal,
    ::testing::Values(RefusalCase{"hexadecimal without 0x", {"--lock", "FF"}, BadValue("Lock")},
                      RefusalCase{"negative", {"--erase", "--fuse-ex", "-1"}, BadValue("FuseEx")},
                      RefusalCase{"far too large", {"--fuse", "99999999999"}, BadValue("Fuse")},
                      RefusalCase{"a record with a bad checksum",
                                  {"--erase", "--write", "--hex", "DAMAGED"},
                                  "tavrin-cli: Невозможно загрузить данные из файла\n"
                                  "Строка 2: неверная контрольная сумма\n"},
                      RefusalCase{"no such file",
                                  {"--verify", "--hex", "absent.hex"},
                                  "tavrin-cli: Невозможно загрузить данные из файла\n"
                                  "Файл не удаётся прочитать\n"}));

// Ctrl+C, SIGTERM and SIGHUP during the write do not cut it off: the command says once that it
// cannot be stopped, and the run ends as it would have, the image written and verified.
TEST_F(CliAgainstVxsim, ProgrammingCannotBeInterrupted) {
    RestartVxsim({"--speed", "32768"});  // two seconds each for write and verify
    std::vector<std::string> args =
        Program({"--hex", Firmware(), "--erase", "--write", "--verify"});
    args.insert(args.begin(), CLI_PATH);
    CChildProcess cli(args, Dir());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (Ctl("requests PCI0").find("write") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGINT}) {
        cli.Signal(signal);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_EQ(cli.Wait(15000), 0) << cli.Err();
    EXPECT_EQ(cli.Out(), "Стирание FLASH - OK\nЗапись данных - OK\nПроверка данных - OK\n");
    EXPECT_EQ(cli.Err(), "tavrin-cli: Программирование нельзя прервать: дождитесь окончания\n");
    EXPECT_EQ(Ctl("requests PCI0"),
              "erase mode=0x00 value=0x00\n"
              "write mode=0x00 value=0x00 0x0000-0x100FF\n"
              "verify mode=0x00 value=0x00 0x0000-0x100FF\n"
              "OK\n");
    CBinaryDump image;
    ASSERT_EQ(image.LoadHex(Firmware()), 1);
    EXPECT_EQ(Ctl("flash PCI0 0x100F0 16"), HexOf(image.GetData() + 0x100F0, 16) + "\nOK\n");
}

}  // namespace
