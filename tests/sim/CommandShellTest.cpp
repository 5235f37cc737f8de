#include <gtest/gtest.h>

#include "device/SimFixture.h"
#include "sim/CommandShell.h"
#include "sim/LineBuffer.h"
#include "sim/VxsimOptions.h"

namespace {

using vxsim::CommandShell;

struct ShellCase {
    const char* line;
    const char* answer;  // the whole answer, or its start when it ends in "*"
    bool quit;
    const char* listAfter;  // what "list" shows afterwards, or null
};

void PrintTo(const ShellCase& c, std::ostream* out) {
    *out << '"' << c.line << '"';
}

class ShellTest : public SimFixture, public ::testing::WithParamInterface<ShellCase> {
protected:
    ShellTest() : m_shell(m_sim) { m_sim.AddUnit(0, 0); }

    CommandShell m_shell;
};

TEST_P(ShellTest, AnswersEachCommand) {
    const ShellCase& c = GetParam();
    bool quit = false;
    std::string answer = m_shell.Execute(c.line, &quit);
    std::string expected = c.answer;
    if (!expected.empty() && expected.back() == '*') {
        expected.pop_back();
        EXPECT_EQ(answer.substr(0, expected.size()), expected) << answer;
        EXPECT_TRUE(answer.size() > 1 && answer.back() == '\n');
    } else {
        EXPECT_EQ(answer, expected);
    }
    EXPECT_EQ(quit, c.quit);
    if (c.listAfter != nullptr) {
        EXPECT_EQ(m_shell.Execute("list", &quit), c.listAfter);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ShellTest,
    ::testing::Values(ShellCase{"   ", "", false, nullptr},
                      ShellCase{"help", "commands:\n*", false, nullptr},
                      ShellCase{"list", "USB0 plugged closed single\nOK\n", false, nullptr},
                      ShellCase{"quit", "OK\n", true, nullptr},
                      ShellCase{"send USB0 0A0102", "ERROR USB0 is not open*", false, nullptr},
                      ShellCase{"send USB0 0G", "ERROR not an even number*", false, nullptr},
                      ShellCase{"send USB0", "ERROR usage: send UNIT HEX\n", false, nullptr},
                      ShellCase{"send USB10 0A", "ERROR usage: send UNIT HEX\n", false, nullptr},
                      ShellCase{"frame USB0 ", "ERROR usage: frame UNIT HEX\n", false, nullptr},
                      ShellCase{"unplug USB0", "OK\n", false, "USB0 unplugged closed single\nOK\n"},
                      ShellCase{"unplug PCI5", "ERROR cannot unplug PCI5\n", false, nullptr},
                      ShellCase{"add PCI3", "OK\n", false,
                                "USB0 plugged closed single\nPCI3 plugged closed single\nOK\n"},
                      ShellCase{"add USB0", "ERROR cannot add USB0\n", false, nullptr},
                      ShellCase{"framing all split", "OK\n", false,
                                "USB0 plugged closed split\nOK\n"},
                      ShellCase{"framing USB0 double", "ERROR usage*", false, nullptr},
                      ShellCase{"echo maybe", "ERROR unknown command*", false, nullptr},
                      ShellCase{"status 100", "OK\n", false, nullptr},
                      ShellCase{"fail USB0 5", "OK\n", false, nullptr},
                      ShellCase{"fail USB0 0", "ERROR usage: fail*", false, nullptr},
                      ShellCase{"requests USB0", "OK\n", false, nullptr},
                      ShellCase{"requests PCI5", "ERROR no unit PCI5\n", false, nullptr},
                      ShellCase{"requests", "ERROR usage: requests UNIT\n", false, nullptr},
                      ShellCase{"flash USB0 0x1FFFE 2", "FFFF\nOK\n", false, nullptr},
                      ShellCase{"flash USB0 0x1FFFF 2", "ERROR past the end*", false, nullptr},
                      ShellCase{"flash USB0 0 0", "ERROR usage: flash*", false, nullptr},
                      ShellCase{"flash USB0 -1 2", "ERROR usage: flash*", false, nullptr},
                      ShellCase{"status -5", "ERROR unknown command*", false, nullptr},
                      ShellCase{"replay USB0", "ERROR usage: replay*", false, nullptr},
                      ShellCase{"replay USB0 f -1", "ERROR usage: replay*", false, nullptr},
                      ShellCase{"replay USB0 f loop 2", "ERROR usage: replay*", false, nullptr},
                      ShellCase{"replay USB0 stop", "ERROR USB0 plays no*", false, nullptr},
                      ShellCase{"replay USB0 no 2", "ERROR no: Невозможно*", false, nullptr}));

TEST_F(ShellTest, SendReachesTheOpenHostAndFramesShowWhatItWrote) {
    ASSERT_EQ(m_device.Open(0, 0), 1);
    bool quit = false;
    EXPECT_EQ(m_shell.Execute("send USB0 0a0102", &quit), "OK\n");
    EXPECT_EQ(m_shell.Execute("frame USB0 0305FF", &quit), "OK\n");
    CPacket packet;
    ASSERT_TRUE(Receive(&packet));
    EXPECT_EQ(packet.GetCommand(), 0x0A);
    ASSERT_TRUE(Receive(&packet));
    EXPECT_EQ(packet.GetCommand(), 0x05);
    ASSERT_EQ(m_shell.Execute("echo off", &quit), "OK\n");
    ASSERT_EQ(packet.FromHexText("4101"), 1);
    ASSERT_EQ(m_device.SendPacket(&packet), 1);
    ASSERT_TRUE(m_sim.WaitFrames(0, 0, 1, 2000));
    EXPECT_EQ(m_shell.Execute("frames USB0", &quit), "034101" + std::string(122, '0') + "\nOK\n");
    EXPECT_FALSE(Receive(&packet, 200)) << "no echo";
}

// What reached the unit, seen from outside: one line per programming request, in order, and
// the FLASH bytes, 32 a line.
TEST_F(ShellTest, RequestsAndFlashShowWhatTheHostAsked) {
    ASSERT_EQ(m_device.Open(0, 0), 1);
    m_sim.SetProgrammingSpeed(1 << 24);
    std::vector<unsigned char> image(40);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<unsigned char>(i);
    }
    DeviceCommand write;
    write.command = DeviceCommand::WriteData;
    write.SetData(image.data(), image.size());
    DeviceCommand lock;
    lock.command = DeviceCommand::WriteLockBits;
    lock.lockBits = 0xC0;
    lock.mode = 1;
    DeviceCommand odd;
    odd.command = 0x40;
    odd.fuseBits = 0x12;
    for (DeviceCommand* command : {&write, &lock, &odd}) {
        ASSERT_EQ(m_device.ExecuteCommand(command), 0);
    }
    bool quit = false;
    EXPECT_EQ(m_shell.Execute("requests USB0", &quit),
              "write mode=0x00 value=0x00 0x0000-0x0027\n"
              "lock mode=0x01 value=0xC0\n"
              "command=0x40 mode=0x00 value=0x00 fuse=0x12\n"
              "OK\n");
    EXPECT_EQ(m_shell.Execute("flash USB0 0 34", &quit),
              "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\n"
              "2021\nOK\n");
}

// The unit keeps every request's head, but the data of the newest only within its budget:
// a long session of writes does not grow the simulator without bound.
TEST_F(ShellTest, RequestDataIsKeptWithinABudget) {
    ASSERT_EQ(m_device.Open(0, 0), 1);
    m_sim.SetProgrammingSpeed(1 << 24);
    m_sim.SetRequestDataBudget(10000);
    std::vector<unsigned char> image(4000, 0xA5);
    DeviceCommand verify;
    verify.command = DeviceCommand::VerifyData;
    verify.SetData(image.data(), image.size());
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(m_device.ExecuteCommand(&verify), 0);
    }
    const std::vector<DeviceCommand> seen = m_sim.GetCommands(0, 0);
    ASSERT_EQ(seen.size(), 5u);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].dataLength, 4000u) << i;
        EXPECT_EQ(seen[i].data.size(), i < 3 ? 0u : 4000u) << i;
    }
}

struct OptionsCase {
    std::vector<const char*> args;
    bool ok;
    const char* error;
};

void PrintTo(const OptionsCase& c, std::ostream* out) {
    for (const char* arg : c.args) {
        *out << arg << ' ';
    }
}

class OptionsTest : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(OptionsTest, ParsesOrSaysWhatIsWrong) {
    const OptionsCase& c = GetParam();
    std::vector<const char*> argv{"vxsim"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    vxsim::VxsimOptions options;
    std::string error;
    EXPECT_EQ(
        vxsim::ParseVxsimOptions(static_cast<int>(argv.size()), argv.data(), &options, &error),
        c.ok);
    EXPECT_EQ(error, c.error);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, OptionsTest,
    ::testing::Values(
        OptionsCase{{"--help"}, true, ""},
        OptionsCase{{"--unit", "USB0"}, false, "--dir is required"},
        OptionsCase{{"--dir"}, false, "--dir: 1 required TEXT missing"},
        OptionsCase{
            {"--dir", "/d", "--unit", "PCI0:double"}, false, "bad value for --unit: PCI0:double"},
        OptionsCase{{"--dir", "/d", "--status", "-1"}, false, "bad value for --status: -1"},
        OptionsCase{{"--dir", "/d", "--speed", "0"}, false, "bad value for --speed: 0"},
        OptionsCase{
            {"--dir", "/d", "--flash-size", "12k"}, false, "bad value for --flash-size: 12k"},
        OptionsCase{{"--dir", "/d", "--echo", "maybe"}, false, "bad value for --echo: maybe"},
        OptionsCase{{"--dir", "/d", "--verbose"},
                    false,
                    "The following argument was not expected: --verbose"},
        OptionsCase{{"--dir=/d", "--unit=USB0", "--status=5"}, true, ""},
        OptionsCase{{"--dir", "/d", "--unit", "USB0", "--replay", "f", "--replay-speed", "inf"},
                    false,
                    "bad value for --replay-speed: inf (0, or from 0.001 to 1000000)"},
        OptionsCase{{"--dir", "/d", "--unit", "USB0", "--replay-loop"},
                    false,
                    "--replay-speed and --replay-loop need --replay FILE"},
        OptionsCase{{"--dir", "/d", "--unit", "USB0", "--unit", "USB1", "--replay", "f"},
                    false,
                    "--replay needs exactly one --unit, the one that plays the capture (add "
                    "others with the add command)"},
        OptionsCase{{"--dir", "/d", "--unit", "USB0", "--replay", "f", "--replay-speed", "0.5",
                     "--replay-loop"},
                    true,
                    ""}));

TEST(OptionsTest, KeepsWhatItWasGiven) {
    const char* argv[] = {"vxsim",     "--dir",        "/d",       "--unit",    "PCI9:split",
                          "--no-echo", "--split",      "--status", "250",       "--speed",
                          "1000",      "--flash-size", "4096",     "--no-stdin"};
    vxsim::VxsimOptions options;
    std::string error;
    ASSERT_TRUE(vxsim::ParseVxsimOptions(14, argv, &options, &error)) << error;
    EXPECT_EQ(options.directory, "/d");
    ASSERT_EQ(options.units.size(), 1u);
    EXPECT_EQ(options.units[0].typeIndex, 1);
    EXPECT_EQ(options.units[0].number, 9);
    EXPECT_TRUE(options.units[0].split);
    EXPECT_FALSE(options.echo);
    EXPECT_TRUE(options.split);
    EXPECT_EQ(options.statusMs, 250);
    EXPECT_EQ(options.speed, 1000);
    EXPECT_EQ(options.flashSize, 4096);
    EXPECT_FALSE(options.readStdin);
}

// However the bytes come in pieces, the same lines come out; a line past the limit, complete or
// not, ends the source, and what came before it still counts.
TEST(LineBuffer, GivesTheSameLinesHoweverTheBytesArrive) {
    const std::string text = "list\r\n\nsend USB0 0A\n" + std::string(100, 'x') + "\npartial";
    const std::vector<std::string> expected = {"list", "", "send USB0 0A", std::string(100, 'x')};
    for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{7}, text.size()}) {
        vxsim::LineBuffer buffer(100);
        std::vector<std::string> lines;
        std::string line;
        for (std::size_t at = 0; at < text.size(); at += piece) {
            buffer.Append(text.data() + at, std::min(piece, text.size() - at));
            while (buffer.Next(&line)) {
                lines.push_back(line);
            }
        }
        EXPECT_EQ(lines, expected) << piece;
        EXPECT_FALSE(buffer.IsOverlong());
    }
    for (const std::string& overlong : {std::string(101, 'y') + "\n", std::string(5000, 'y')}) {
        vxsim::LineBuffer buffer(100);
        std::string line;
        buffer.Append("ok\n", 3);
        ASSERT_TRUE(buffer.Next(&line));
        for (char c : overlong) {
            buffer.Append(&c, 1);
            EXPECT_FALSE(buffer.Next(&line));
        }
        buffer.Append("more\n", 5);
        EXPECT_FALSE(buffer.Next(&line));
        EXPECT_TRUE(buffer.IsOverlong());
    }
}

}  // namespace
