// list and send against the simulator: what the unit receives, frame for frame, and the codes
// and messages of what cannot be sent.

#include <csignal>
#include <filesystem>
#include <fstream>

#include "CliSupport.h"
#include "device/VXDevice.h"
#include "device/WireFrames.h"
#include "packet/Packet.h"

namespace {

// The frames the unit must receive for the packet written as hex text.
std::vector<std::vector<unsigned char>> FramesOf(const std::string& hex, bool single, bool usb) {
    CPacket packet;
    EXPECT_TRUE(packet.FromHexText(hex.c_str())) << hex;
    std::vector<std::vector<unsigned char>> frames;
    WriteWireFrames(packet, single, usb, [&](const unsigned char* frame, int length) {
        frames.emplace_back(frame, frame + length);
        return true;
    });
    return frames;
}

TEST_F(CliTest, ListShowsTheUnitsPresentFreeOrBusy) {
    ASSERT_TRUE(m_sim.AddUnit(0, 0));
    ASSERT_TRUE(m_sim.AddUnit(0, 3));
    ASSERT_TRUE(m_sim.AddUnit(1, 9));
    CVXDevice other(m_units);  // another program holds USB3
    ASSERT_EQ(other.Open(0, 3), 1);
    const CliResult result = Run({"list"});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out, "USB0 Свободно\nUSB3 Занято\nPCI9 Свободно\n");
    EXPECT_TRUE(m_sim.WaitOpen(0, 0, false, 2000)) << "a probed unit is closed again";
    EXPECT_EQ(m_sim.CountOpens(0, 0), 1);

    m_sim.Unplug(0, 0);
    EXPECT_EQ(Run({"list"}).out, "USB3 Занято\nPCI9 Свободно\n");
}

// A simulator that was killed leaves its sockets behind with nobody listening: no unit there.
TEST(CliList, TheSocketsOfAKilledSimulatorAreNoUnits) {
    TempDir dir;
    const std::string units = dir.Path().string();
    CChildProcess vxsim({VXSIM_PATH, "--dir", units, "--unit", "USB0", "--unit", "PCI2"});
    ASSERT_NE(vxsim.ReadUntil("vxsim: serving").find("USB0"), std::string::npos);
    vxsim.Signal(SIGKILL);
    vxsim.Wait();
    ASSERT_TRUE(std::filesystem::exists(dir.File("VXUSB0")));
    const CliResult result = RunCli({"--dir", units, "list"});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out, "");
}

struct SendCase {
    const char* why;
    std::vector<std::string> args;  // after "send UNIT"
    const char* hex;                // the packet the unit must get
};
void PrintTo(const SendCase& c, std::ostream* out) {
    *out << c.why;
}

// Packet files of the test's own, in Windows-1251 (ж = E6, "Канал" = CA E0 ED E0 EB), in
// UTF-8 ("Канал" in two-byte characters; я and с begin with the same byte), and one whose
// record is an odd number of digits.
const char kCyrillicFile[] = "$\xE6 30 &\xCA\xE0\xED\xE0\xEB& ; \xEA\xE0\xED\xE0\xEB\r\n$k 31\r\n";
const char kUtf8File[] = "; канал\r\n$k 32 &Канал& 00\r\n$я 33\r\n$с 34\r\n";
const char kOddFile[] = "$o 0A 1 &x&\r\n";

// Arguments: "@name" is a file of the test's scratch folder, "%path" one of the sources.
class CliFiles : public CliTest {
protected:
    void SetUp() override {
        std::ofstream(Scratch("cyrillic.kad"), std::ios::binary) << kCyrillicFile;
        std::ofstream(Scratch("utf8.kad"), std::ios::binary) << kUtf8File;
        std::ofstream(Scratch("odd.kad"), std::ios::binary) << kOddFile;
    }
    std::vector<std::string> Arguments(std::vector<std::string> args) {
        for (std::string& arg : args) {
            arg = arg.rfind("@", 0) == 0   ? Scratch(arg.substr(1))
                  : arg.rfind("%", 0) == 0 ? Source(arg.substr(1))
                                           : arg;
        }
        return args;
    }
};

class CliSend : public CliFiles, public ::testing::WithParamInterface<SendCase> {};

TEST_P(CliSend, PutsThePacketOnTheWireAsTheWindowDoes) {
    const SendCase& c = GetParam();
    ASSERT_TRUE(m_sim.AddUnit(0, 0));
    m_sim.SetEcho(false);
    std::vector<std::string> args{"send", "USB0"};
    for (const std::string& arg : Arguments(c.args)) {
        args.push_back(arg);
    }
    const CliResult result = Run(args);
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.err, "");
    ASSERT_TRUE(m_sim.WaitFrames(0, 0, 1, 2000));
    EXPECT_EQ(m_sim.GetFrames(0, 0), FramesOf(c.hex, true, true));
    CPacket packet;
    packet.FromHexText(c.hex);
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 1U) << result.out;
    std::string payload = std::string(c.hex).substr(2);
    char head[32];
    std::snprintf(head, sizeof head, "SEND: %02X %s ",
                  static_cast<unsigned>(packet.GetLength() + 2),
                  std::string(c.hex).substr(0, 2).c_str());
    EXPECT_EQ(WithoutStamp(lines[0]), head + payload);
}

INSTANTIATE_TEST_SUITE_P(
    Packets, CliSend,
    ::testing::Values(
        // How hex text, keys and values are read is the window-free tests' tables; here each
        // way of naming a packet once.
        SendCase{"hex text", {"--hex", "0a 01\t02"}, "0A0102"},
        SendCase{"record with parameters",
                 {"--file", "%examples/memory.kad", "--key", "w", "--param", "Адрес=01F0",
                  "--param", "Значение=5a"},
                 "1101F05A"},
        SendCase{"Cyrillic key and name in Windows-1251",
                 {"--file", "@cyrillic.kad", "--key", "ж", "--param", "Канал=07"},
                 "3007"},
        SendCase{"Cyrillic key as 0xNN",
                 {"--file", "@cyrillic.kad", "--key", "0xE6", "--param", "Канал=01"},
                 "3001"},
        SendCase{"name in a UTF-8 file",
                 {"--file", "@utf8.kad", "--key", "k", "--param", "Канал=05"},
                 "320500"},
        SendCase{"Cyrillic key of a UTF-8 file", {"--file", "@utf8.kad", "--key", "с"}, "34"}));

TEST_F(CliTest, SendSplitsFramesWhenAskedOrWhenTheSettingsSaySo) {
    ASSERT_TRUE(m_sim.AddUnit(1, 0));
    m_sim.SetFraming(1, 0, vxsim::Framing::Split);
    m_sim.SetEcho(false);
    const std::string hex = "05" + std::string(2 * 100, 'A');  // two split frames
    ASSERT_EQ(Run({"--split", "send", "PCI0", "--hex", hex}).code, 0);
    ASSERT_TRUE(m_sim.WaitFrames(1, 0, 2, 2000));
    EXPECT_EQ(m_sim.GetFrames(1, 0), FramesOf(hex, false, false));

    // No --dir and no --split: Tavrin.ini in the current folder names both, as for the window.
    m_sim.ClearFrames(1, 0);
    std::ofstream(Scratch("Tavrin.ini"), std::ios::binary)
        << "[Main]\r\nSplittablePacketMode=1\r\n[Driver]\r\nDirectory=" << m_units << "\r\n";
    const CliResult result = RunCli({"send", "PCI0", "--hex", hex}, m_dir.Path().string());
    ASSERT_EQ(result.code, 0) << result.err;
    ASSERT_TRUE(m_sim.WaitFrames(1, 0, 2, 2000));
    EXPECT_EQ(m_sim.GetFrames(1, 0), FramesOf(hex, false, false));
}

TEST_F(CliTest, SendPrintsAndLogsTheReplyOrFailsWithoutOne) {
    ASSERT_TRUE(m_sim.AddUnit(0, 1));
    const std::string log = Scratch("send.log");
    const CliResult echoed =
        Run({"send", "USB1", "--hex", "0A0102", "--wait-reply", "3000", "--log", log});
    ASSERT_EQ(echoed.code, 0) << echoed.err;
    std::vector<std::string> lines = Lines(echoed.out);
    ASSERT_EQ(lines.size(), 2U) << echoed.out;
    EXPECT_EQ(WithoutStamp(lines[0]), "SEND: 04 0A 0102");
    EXPECT_EQ(WithoutStamp(lines[1]), "RECV: 04 0A 0102");
    const std::string logText = ReadBytes(log);
    ASSERT_EQ(Lines(logText).size(), 2U) << logText;
    EXPECT_EQ(WithoutStamp(Lines(logText)[0]), "SEND: 04 0A 0102");
    EXPECT_EQ(WithoutStamp(Lines(logText)[1]), "RECV: 04 0A 0102");
    EXPECT_EQ(logText.substr(logText.size() - 2), "\r\n");

    m_sim.SetEcho(false);
    const CliResult silent = Run({"send", "USB1", "--hex", "0B", "--wait-reply", "200"});
    EXPECT_EQ(silent.code, 1);
    EXPECT_EQ(Lines(silent.out).size(), 1U) << "the packet went: " << silent.out;
    EXPECT_TRUE(IsOneLineMessage(silent.err));
    EXPECT_NE(silent.err.find("200"), std::string::npos) << silent.err;
}

// With --reply-command the wait passes over packets of other commands (the unit's status
// packets, every millisecond here) and takes the first with that command.
TEST_F(CliTest, SendWaitsForTheReplyCommand) {
    ASSERT_TRUE(m_sim.AddUnit(0, 1));
    m_sim.SetStatusPeriod(1);
    const CliResult echoed =
        Run({"send", "USB1", "--hex", "0A0102", "--wait-reply", "3000", "--reply-command", "0a"});
    ASSERT_EQ(echoed.code, 0) << echoed.err;
    const std::vector<std::string> lines = Lines(echoed.out);
    ASSERT_EQ(lines.size(), 2U) << echoed.out;
    EXPECT_EQ(WithoutStamp(lines[1]), "RECV: 04 0A 0102");

    const CliResult none =
        Run({"send", "USB1", "--hex", "0B", "--wait-reply", "300", "--reply-command", "0x7E"});
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(Lines(none.out).size(), 1U) << none.out;
    EXPECT_TRUE(IsOneLineMessage(none.err));
}

class CliSendSignal : public CliTest, public ::testing::WithParamInterface<int> {};

// A stop signal while waiting for the reply: the command ends in order, says that the wait was
// cut short (code 1: no reply came), and its log and capture hold the sent packet whole.
TEST_P(CliSendSignal, EndsTheWaitInOrder) {
    ASSERT_TRUE(m_sim.AddUnit(0, 0));
    m_sim.SetEcho(false);
    const std::string log = Scratch("wait.log");
    const std::string pcap = Scratch("wait.pcap");
    CChildProcess send({CLI_PATH, "--dir", m_units, "send", "USB0", "--hex", "0A0102",
                        "--wait-reply", "20000", "--log", log, "--pcap", pcap},
                       m_dir.Path().string());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (ReadBytes(log).empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    send.Signal(GetParam());
    EXPECT_EQ(send.Wait(5000), 1) << send.Err();
    EXPECT_TRUE(IsOneLineMessage(send.Err()));
    EXPECT_NE(send.Err().find("прервано"), std::string::npos) << send.Err();
    ASSERT_EQ(Lines(ReadBytes(log)).size(), 1U);
    EXPECT_EQ(WithoutStamp(Lines(ReadBytes(log))[0]), "SEND: 04 0A 0102");
    EXPECT_EQ(ReadCapture(pcap), std::vector<std::string>{"010A0102"});
}

INSTANTIATE_TEST_SUITE_P(Signals, CliSendSignal,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGPIPE));

struct RefusalCase {
    const char* why;
    std::vector<std::string> args;
    int code;
    const char* message;
};
void PrintTo(const RefusalCase& c, std::ostream* out) {
    *out << c.why;
}

class CliRefusal : public CliFiles, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(CliRefusal, SendsNothingAndSaysWhy) {
    const RefusalCase& c = GetParam();
    ASSERT_TRUE(m_sim.AddUnit(0, 0));
    CVXDevice other(m_units);
    ASSERT_TRUE(m_sim.AddUnit(0, 2));
    ASSERT_EQ(other.Open(0, 2), 1);
    const CliResult result = Run(Arguments(c.args));
    EXPECT_EQ(result.code, c.code);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(IsOneLineMessage(result.err));
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_TRUE(m_sim.GetFrames(0, 0).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, CliRefusal,
    ::testing::Values(
        RefusalCase{"missing parameter",
                    {"send", "USB0", "--file", "%examples/memory.kad", "--key", "w", "--param",
                     "Адрес=0000"},
                    2,
                    "Значение"},
        RefusalCase{"parameter the record lacks",
                    {"send", "USB0", "--file", "%examples/memory.kad", "--key", "f", "--param",
                     "Адрес=0000"},
                    2,
                    "Адрес"},
        RefusalCase{
            "parameter without a value",
            {"send", "USB0", "--file", "%examples/memory.kad", "--key", "r", "--param", "Адрес"},
            2,
            "Адрес"},
        RefusalCase{
            "value that is no hex",
            {"send", "USB0", "--file", "%examples/memory.kad", "--key", "r", "--param", "Адрес=XY"},
            2,
            "Параметр «Адрес»: допустимы только шестнадцатеричные цифры"},
        RefusalCase{"mistyped value named before a missing one",
                    {"send", "USB0", "--file", "%examples/memory.kad", "--key", "w", "--param",
                     "Адрес=1F0"},
                    2,
                    "Параметр «Адрес»: нечётное число цифр"},
        RefusalCase{"record of odd digits",
                    {"send", "USB0", "--file", "@odd.kad", "--key", "o", "--param", "x=FF"},
                    2,
                    "Неверный формат пакета"},
        RefusalCase{"unknown key",
                    {"send", "USB0", "--file", "%examples/memory.kad", "--key", "z"},
                    2,
                    "Не определен пакет"},
        RefusalCase{"two characters for a key",
                    {"send", "USB0", "--file", "%examples/memory.kad", "--key", "rw"},
                    2,
                    "rw"},
        RefusalCase{"key outside the code page",
                    {"send", "USB0", "--file", "%examples/memory.kad", "--key", "☃"},
                    2,
                    "☃"},
        RefusalCase{"no such file",
                    {"send", "USB0", "--file", "absent.kad", "--key", "r"},
                    2,
                    "absent.kad"},
        RefusalCase{"hex text of odd digits",
                    {"send", "USB0", "--hex", "0A012"},
                    2,
                    "--hex: нечётное число цифр"},
        RefusalCase{"empty hex text", {"send", "USB0", "--hex", " "}, 2, "Неверный формат пакета"},
        RefusalCase{"absent unit", {"send", "USB5", "--hex", "01"}, 1, "USB5"},
        RefusalCase{"busy unit", {"send", "USB2", "--hex", "01"}, 1, "USB2"},
        RefusalCase{"too long for single framing",
                    {"send", "USB0", "--hex", "01" + std::string(2 * 254, '0')},
                    1,
                    "Невозможно отправить пакет"}));

}  // namespace
