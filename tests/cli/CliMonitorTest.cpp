// monitor against the simulator: every packet in order on standard output, in the log and in
// the capture; the ends by count, by signal and by a lost unit; and the capture as tshark reads
// it with the dissector.

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "CliSupport.h"
#include "packet/Packet.h"
#ifndef _WIN32
#include "support/FileSizeLimit.h"
#endif

namespace {

struct SentPacket {
    unsigned char command;
    std::vector<unsigned char> payload;
};

// Packets of every size class the single framing carries, each different.
std::vector<SentPacket> MakePackets(int count) {
    std::vector<SentPacket> packets;
    for (int i = 0; i < count; ++i) {
        SentPacket packet{static_cast<unsigned char>(1 + i % 250), {}};
        const int length = (i * 37) % 200;
        for (int k = 0; k < length; ++k) {
            packet.payload.push_back(static_cast<unsigned char>(i + k));
        }
        packets.push_back(packet);
    }
    return packets;
}

std::string RecvText(const SentPacket& packet) {
    char head[32];
    std::snprintf(head, sizeof head, "RECV: %02X %02X ",
                  static_cast<unsigned>(packet.payload.size() + 2), packet.command);
    return head + HexOf(packet.payload);
}

// A received packet as ReadCapture gives its record.
std::string RecordText(const SentPacket& packet) {
    char head[8];
    std::snprintf(head, sizeof head, "00%02X", packet.command);
    return head + HexOf(packet.payload);
}

class CliMonitor : public CliTest {
protected:
    void SetUp() override { ASSERT_TRUE(m_sim.AddUnit(0, 0)); }

    std::unique_ptr<CChildProcess> StartMonitor(std::vector<std::string> args) {
        args.insert(args.begin(), {CLI_PATH, "--dir", m_units, "monitor", "USB0"});
        // An earlier command's close may not have reached the unit yet: wait for this open.
        const int opens = m_sim.CountOpens(0, 0);
        auto monitor = std::make_unique<CChildProcess>(args, m_dir.Path().string());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!(m_sim.CountOpens(0, 0) > opens && m_sim.IsOpen(0, 0)) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_TRUE(m_sim.IsOpen(0, 0)) << "the monitor opens its unit";
        return monitor;
    }
    // For a monitor that may end meanwhile: sends until the unit is let go.
    void SendWhileOpen(const std::vector<SentPacket>& packets) {
        for (const SentPacket& p : packets) {
            if (!m_sim.SendPacket(0, 0, p.command, p.payload.data(),
                                  static_cast<int>(p.payload.size()))) {
                return;
            }
        }
    }
    void SendAll(const std::vector<SentPacket>& packets) {
        for (const SentPacket& p : packets) {
            ASSERT_TRUE(m_sim.SendPacket(0, 0, p.command, p.payload.data(),
                                         static_cast<int>(p.payload.size())));
        }
    }
};

TEST_F(CliMonitor, PrintsLogsAndCapturesExactlyTheCountedPacketsInOrder) {
    const std::vector<SentPacket> packets = MakePackets(100);
    const std::string log = Scratch("monitor.log");
    const std::string pcap = Scratch("monitor.pcap");
    auto monitor = StartMonitor({"--count", "100", "--log", log, "--pcap", pcap, "--ms"});
    SendAll(packets);
    ASSERT_EQ(monitor->Wait(10000), 0) << monitor->Err();
    EXPECT_EQ(monitor->Err(), "");

    const std::vector<std::string> out = Lines(monitor->Out());
    const std::vector<std::string> logged = Lines(ReadBytes(log));
    ASSERT_EQ(out.size(), packets.size());
    ASSERT_EQ(logged.size(), packets.size());
    int linkType = 0;
    const std::vector<std::string> records = ReadCapture(pcap, &linkType);
    EXPECT_EQ(linkType, 147);
    ASSERT_EQ(records.size(), packets.size()) << records.back();
    for (std::size_t i = 0; i < packets.size(); ++i) {
        EXPECT_EQ(WithoutStamp(out[i]), RecvText(packets[i])) << i;
        EXPECT_EQ(WithoutStamp(logged[i]), RecvText(packets[i])) << i;
        EXPECT_EQ(records[i], RecordText(packets[i])) << i;
    }
    EXPECT_NE(ReadBytes(log).find("\r\n"), std::string::npos) << "log lines end in CR LF";
    // show gives the capture and the log back as the lines monitor printed, to the millisecond.
    for (const std::string& file : {pcap, log}) {
        const CliResult shown = Run({"show", file, "--ms"});
        EXPECT_EQ(shown.code, 0) << shown.err;
        EXPECT_EQ(Lines(shown.out), out) << file;
    }
}

// show refuses a damaged file (2) and shows what a file cut short holds up to the cut (1),
// each with the reader's message naming the file and the record.
TEST_F(CliMonitor, ShowSaysWhatIsWrongWithAFile) {
    const std::string pcap = Scratch("shown.pcap");
    auto monitor = StartMonitor({"--count", "3", "--pcap", pcap});
    SendAll(MakePackets(3));
    ASSERT_EQ(monitor->Wait(10000), 0) << monitor->Err();
    std::string bytes = ReadBytes(pcap);
    const std::string cut = Scratch("cut.pcap");
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() - 1);
    bytes[24 + (16 + 2) + (16 + 2 + 37) + 16] = 7;  // the third record's direction
    const std::string damaged = Scratch("damaged.pcap");
    std::ofstream(damaged, std::ios::binary) << bytes;

    const CliResult refused = Run({"show", damaged});
    EXPECT_EQ(refused.code, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err,
              "tavrin-cli: " + damaged +
                  ": Запись 3: неизвестное направление 7 (0 — принят, 1 — отправлен)\n");
    const CliResult partial = Run({"show", cut});
    EXPECT_EQ(partial.code, 1);
    const std::vector<std::string> printed = Lines(monitor->Out());
    EXPECT_EQ(Lines(partial.out), std::vector<std::string>(printed.begin(), printed.begin() + 2));
    EXPECT_EQ(partial.err, "tavrin-cli: " + cut +
                               ": Запись 3: файл кончается внутри записи; прочитано записей: 2\n");
}

class CliMonitorSignal : public CliMonitor, public ::testing::WithParamInterface<int> {};

TEST_P(CliMonitorSignal, EndsCleanlyWithTheFilesWhole) {
    const std::string log = Scratch("signal.log");
    const std::string pcap = Scratch("signal.pcap");
    auto monitor = StartMonitor({"--log", log, "--pcap", pcap});
    const std::vector<SentPacket> packets = MakePackets(5);
    SendAll(packets);
    ASSERT_EQ(Lines(monitor->ReadUntil("")).size(), 1U);  // the first line is out
    for (int i = 0; i < 4; ++i) {
        monitor->ReadUntil("");
    }
    monitor->Signal(GetParam());
    EXPECT_EQ(monitor->Wait(5000), 0) << monitor->Err();
    EXPECT_EQ(monitor->Err(), "");
    EXPECT_EQ(ReadCapture(pcap).size(), packets.size());
    EXPECT_EQ(Lines(ReadBytes(log)).size(), packets.size());
    EXPECT_TRUE(m_sim.WaitOpen(0, 0, false, 2000)) << "the unit is let go";
}

INSTANTIATE_TEST_SUITE_P(Signals, CliMonitorSignal,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGPIPE));

// The reader of the output goes away (`monitor … | head -1`): the monitor ends in order, every
// packet it took logged and captured whole.
TEST_F(CliMonitor, AClosedOutputEndsItInOrder) {
    const std::string log = Scratch("closed.log");
    const std::string pcap = Scratch("closed.pcap");
    auto monitor = StartMonitor({"--log", log, "--pcap", pcap});
    const std::vector<SentPacket> packets = MakePackets(40);
    SendAll({packets.begin(), packets.begin() + 5});
    ASSERT_EQ(Lines(monitor->ReadUntil("")).size(), 1U);
    monitor->CloseOutput();
    SendWhileOpen({packets.begin() + 5, packets.end()});
    EXPECT_EQ(monitor->Wait(5000), 0) << monitor->Err();
    EXPECT_EQ(monitor->Err(), "");
    const std::vector<std::string> logged = Lines(ReadBytes(log));
    ASSERT_GE(logged.size(), 5U);
    for (std::size_t i = 0; i < logged.size(); ++i) {
        EXPECT_EQ(WithoutStamp(logged[i]), RecvText(packets[i])) << i;
    }
    EXPECT_EQ(ReadCapture(pcap).size(), logged.size());
}

#ifndef _WIN32
// The disk fills up under the log and the capture: the monitor ends with code 1 and says so,
// and what the files hold is whole, in order: log lines, and records that libpcap reads.
TEST_F(CliMonitor, AFullDiskEndsItWithWholeFiles) {
    const std::string log = Scratch("full.log");
    const std::string pcap = Scratch("full.pcap");
    std::unique_ptr<CChildProcess> monitor;
    {
        FileSizeLimit limit(20000);  // the monitor inherits it
        ASSERT_TRUE(limit.IsSet());
        monitor = StartMonitor({"--log", log, "--pcap", pcap});
    }
    const std::vector<SentPacket> packets = MakePackets(300);
    SendWhileOpen(packets);
    EXPECT_EQ(monitor->Wait(10000), 1);
    EXPECT_TRUE(IsOneLineMessage(monitor->Err()));
    EXPECT_NE(monitor->Err().find("не пишется"), std::string::npos) << monitor->Err();
    const std::string text = ReadBytes(log);
    ASSERT_GE(text.size(), 2U);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    const std::vector<std::string> logged = Lines(text);
    for (std::size_t i = 0; i < logged.size(); ++i) {
        ASSERT_EQ(WithoutStamp(logged[i]), RecvText(packets[i])) << i;
    }
    const std::vector<std::string> records = ReadCapture(pcap);
    ASSERT_FALSE(records.empty());
    for (std::size_t i = 0; i < records.size(); ++i) {
        ASSERT_EQ(records[i], RecordText(packets[i])) << i;
    }
}
#endif

struct FileCase {
    const char* why;
    std::vector<std::string> args;  // "@name": in the scratch folder
    int code;
    const char* message;  // "@": the scratch folder
};
void PrintTo(const FileCase& c, std::ostream* out) {
    *out << c.why;
}

class CliFiles : public CliTest, public ::testing::WithParamInterface<FileCase> {};

// A log or a capture that cannot be opened is refused before anything starts (2); one that
// cannot be written ends the command with 1, however far it got. Either way it says why.
TEST_P(CliFiles, ThatCannotBeWrittenAreReported) {
    const FileCase& c = GetParam();
    ASSERT_TRUE(m_sim.AddUnit(0, 0));
    m_sim.SetEcho(false);
    std::vector<std::string> args = c.args;
    for (std::string& arg : args) {
        arg = arg.rfind("@", 0) == 0 ? Scratch(arg.substr(1)) : arg;
    }
    std::string message = c.message;
    if (const std::size_t at = message.find('@'); at != std::string::npos) {
        message.replace(at, 1, Scratch(""));
    }
    const CliResult result = Run(args);
    EXPECT_EQ(result.code, c.code);
    EXPECT_TRUE(IsOneLineMessage(result.err));
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    EXPECT_EQ(m_sim.GetFrames(0, 0).size(), c.code == 1 ? 1U : 0U);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CliFiles,
    ::testing::Values(FileCase{"monitor, log is a folder",
                               {"monitor", "USB0", "--log", "@"},
                               2,
                               "Невозможно открыть файл журнала @: "},
                      FileCase{"monitor, capture on a full device",
                               {"monitor", "USB0", "--pcap", "/dev/full"},
                               2,
                               "Невозможно создать файл захвата /dev/full: "},
                      FileCase{"send, log in a missing folder",
                               {"send", "USB0", "--hex", "01", "--log", "@no/such.log"},
                               2,
                               "no/such.log: "},
                      FileCase{"send, capture is a folder",
                               {"send", "USB0", "--hex", "01", "--pcap", "@"},
                               2,
                               "Невозможно создать файл захвата @: "},
                      FileCase{"send, log on a full device",
                               {"send", "USB0", "--hex", "01", "--log", "/dev/full"},
                               1,
                               "Журнал не пишется: "}));

// Frames the framing refuses are dropped; the monitor says how many at its end.
TEST_F(CliMonitor, ReportsTheRefusedFramesAtItsEnd) {
    auto monitor = StartMonitor({"--count", "1"});
    const unsigned char tooShort[] = {1};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(m_sim.SendFrame(0, 0, tooShort, sizeof tooShort));
    }
    SendAll(MakePackets(1));
    EXPECT_EQ(monitor->Wait(5000), 0);
    EXPECT_EQ(Lines(monitor->Out()).size(), 1U);
    const std::vector<std::string> err = Lines(monitor->Err());
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.back(),
              "tavrin-cli: Отброшено кадров: 3. Кадры не подходят к режиму (SplittablePacketMode)");
}

TEST_F(CliMonitor, EndsWithCodeOneWhenTheUnitGoesAway) {
    auto monitor = StartMonitor({});
    SendAll(MakePackets(3));
    ASSERT_TRUE(m_sim.Unplug(0, 0));
    EXPECT_EQ(monitor->Wait(5000), 1);
    EXPECT_EQ(Lines(monitor->Out()).size(), 3U) << "the packets before the loss are printed";
    EXPECT_TRUE(IsOneLineMessage(monitor->Err()));
    EXPECT_NE(monitor->Err().find("Устройство отключено"), std::string::npos) << monitor->Err();
}

TEST_F(CliMonitor, EndsAfterItsTimeWithCodeOneOnlyWhenTheCountIsShort) {
    auto timed = StartMonitor({"--seconds", "0.3"});
    EXPECT_EQ(timed->Wait(5000), 0) << timed->Err();
    EXPECT_EQ(timed->Out(), "");

    auto counted = StartMonitor({"--seconds", "0.3", "--count", "2"});
    SendAll(MakePackets(1));
    EXPECT_EQ(counted->Wait(5000), 1);
    EXPECT_TRUE(IsOneLineMessage(counted->Err()));
    EXPECT_NE(counted->Err().find("1 из 2"), std::string::npos) << counted->Err();
}

// Stamps to the millisecond with --ms or with LogMilliseconds in Tavrin.ini, on the output and
// in the log alike; without either, the stamp that readers of existing logs expect.
TEST_F(CliMonitor, MillisecondsByOptionOrSetting) {
    const struct {
        const char* option;
        const char* setting;
        std::size_t stampLength;  // up to "] - "
    } cases[] = {
        {nullptr, nullptr, 21}, {"--ms", nullptr, 25}, {nullptr, "1", 25}, {"--ms", "0", 25}};
    for (const auto& c : cases) {
        const std::string ini =
            c.setting == nullptr ? std::string()
                                 : "[Main]\r\nLogMilliseconds=" + std::string(c.setting) + "\r\n";
        std::ofstream(Scratch("Tavrin.ini"), std::ios::binary | std::ios::trunc) << ini;
        const std::string log = Scratch("ms.log");
        std::filesystem::remove(log);
        std::vector<std::string> args = {"--count", "1", "--log", log};
        if (c.option != nullptr) {
            args.push_back(c.option);
        }
        auto monitor = StartMonitor(args);
        SendAll(MakePackets(1));
        ASSERT_EQ(monitor->Wait(5000), 0) << monitor->Err();
        const std::string line = Lines(monitor->Out()).at(0);
        EXPECT_EQ(line.find("] - RECV"), c.stampLength - 1) << line;
        EXPECT_EQ(Lines(ReadBytes(log)).at(0), line);
    }
}

TEST_F(CliTest, MonitorOfAnAbsentUnitFailsAtOnce) {
    const CliResult result = Run({"monitor", "PCI4"});
    EXPECT_EQ(result.code, 1);
    EXPECT_TRUE(IsOneLineMessage(result.err));
    EXPECT_NE(result.err.find("PCI4"), std::string::npos);
}

// tshark, with the dissector and a configuration folder of the test's own, reads a capture
// that holds both directions (a send with its reply) and many packets (a monitor).
TEST_F(CliMonitor, TsharkShowsDirectionLengthCommandAndPayload) {
    const std::string tshark = TSHARK_PATH;
    if (tshark.empty() || !std::filesystem::exists(tshark)) {
        GTEST_SKIP() << "tshark is not installed";
    }
    const std::string pcap = Scratch("send.pcap");
    ASSERT_EQ(
        Run({"send", "USB0", "--hex", "2A0102FF", "--wait-reply", "3000", "--pcap", pcap}).code, 0);
    const std::vector<SentPacket> packets = MakePackets(20);
    const std::string monitored = Scratch("monitor.pcap");
    auto monitor = StartMonitor({"--count", "20", "--pcap", monitored});
    SendAll(packets);
    ASSERT_EQ(monitor->Wait(10000), 0);

    const auto fields = [&](const std::string& file) {
        std::filesystem::create_directories(Scratch("wireshark"));
        CChildProcess run(
            {tshark, "-r", file, "-X",
             "lua_script:" + std::string(TAVRIN_SOURCE_DIR) + "/contrib/wireshark/vx.lua", "-T",
             "fields", "-E", "separator=,", "-e", "vx.direction", "-e", "vx.length", "-e",
             "vx.command", "-e", "vx.payload"},
            m_dir.Path().string(),
            {"HOME=" + m_dir.Path().string(), "XDG_CONFIG_HOME=" + Scratch("wireshark"),
             "WIRESHARK_CONFIG_DIR=" + Scratch("wireshark")});
        EXPECT_EQ(run.Wait(60000), 0) << run.Err();
        return Lines(run.Out());
    };
    EXPECT_EQ(fields(pcap), (std::vector<std::string>{"1,3,0x2a,0102ff", "0,3,0x2a,0102ff"}));
    const std::vector<std::string> lines = fields(monitored);
    ASSERT_EQ(lines.size(), packets.size());
    for (std::size_t i = 0; i < packets.size(); ++i) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "0,%zu,0x%02x,", packets[i].payload.size(),
                      packets[i].command);
        std::string payload;
        for (unsigned char b : packets[i].payload) {
            char digits[4];
            std::snprintf(digits, sizeof digits, "%02x", b);
            payload += digits;
        }
        EXPECT_EQ(lines[i], expected + payload) << i;
    }
}

}  // namespace
