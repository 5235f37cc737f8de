// Runs the vxsim program as a user would, and drives it through its standard input, its
// control socket and signals, with the device channel as the host.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "capture/CaptureFile.h"
#include "capture/TrafficFile.h"
#include "device/SimFixture.h"
#include "device/driver/DriverProtocol.h"
#include "device/driver/UnitSocket.h"
#include "sim/CommandShell.h"
#include "support/ChildProcess.h"

namespace {

namespace fs = std::filesystem;

using Program = CChildProcess;

// A client of vxsim's control socket that reads and writes as the test says, not as --ctl does.
class ControlClient {
public:
    explicit ControlClient(const std::string& dir) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::string path = dir + "/vxsim.ctl";
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~ControlClient() { ::close(m_fd); }
    ControlClient(const ControlClient&) = delete;
    ControlClient& operator=(const ControlClient&) = delete;

    bool IsConnected() const { return m_fd >= 0; }
    // Sends the text again and again without reading, until vxsim stops taking it for a second
    // or closes the connection; true in the second case.
    bool SendWithoutReading(const std::string& text, std::size_t atMost) {
        for (std::size_t sent = 0; sent < atMost;) {
            ssize_t n = ::send(m_fd, text.data(), text.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                return true;
            }
            pollfd room{m_fd, POLLOUT, 0};
            if (::poll(&room, 1, 1000) == 0) {
                return false;
            }
        }
        return false;
    }
    // Everything vxsim sends until it closes the connection; what came, after "(open) ", when it
    // does not close within 5 s.
    std::string ReadToEnd() {
        std::string text;
        char buffer[65536];
        pollfd entry{m_fd, POLLIN, 0};
        while (::poll(&entry, 1, 5000) > 0) {
            ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (got <= 0) {
                return text;
            }
            text.append(buffer, static_cast<std::size_t>(got));
        }
        return "(open) " + text;
    }

    // The answer to one command; what came, after "(late) ", when it is not whole within 3 s.
    std::string Ask(const std::string& command) {
        std::string line = command + "\n";
        ::send(m_fd, line.data(), line.size(), MSG_NOSIGNAL);
        std::string answer;
        char buffer[4096];
        pollfd entry{m_fd, POLLIN, 0};
        while (!vxsim::IsCompleteAnswer(answer)) {
            ssize_t got = ::poll(&entry, 1, 3000) > 0 ? ::recv(m_fd, buffer, sizeof buffer, 0) : 0;
            if (got <= 0) {
                return "(late) " + answer;
            }
            answer.append(buffer, static_cast<std::size_t>(got));
        }
        return answer;
    }

private:
    int m_fd = -1;
};

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A connection to a unit's socket that does not wait when the unit takes none; -1 then.
int ConnectNow(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A host of the test's own that opens the unit and then does as the test says.
int OpenUnit(const std::string& path) {
    using namespace VxProtocol;
    int fd = VxSocket::Connect(path);
    unsigned char hello[kHelloSize];
    EncodeTriple(hello, kMagic, kOpen, 0);
    if (fd < 0 || !VxSocket::SendMessage(fd, hello, sizeof hello, 2000) ||
        VxSocket::ReceiveMessage(fd, hello, sizeof hello, 2000) != kHelloSize) {
        VxSocket::Close(fd);
        return -1;
    }
    return fd;
}

// The processor time a process has had so far, in clock ticks.
long CpuTicks(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long user = 0, system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        user = i == 14 ? std::stol(field) : user;
        system = i == 15 ? std::stol(field) : system;
    }
    return user + system;
}

// The resident memory of a process, in KiB.
long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

bool Ready(Program& vxsim, const std::string& units) {
    return vxsim.ReadUntil("vxsim:").find("serving " + units) != std::string::npos;
}

TEST(VxsimProgram, HelpEndsWellAndAMissingDirectoryDoesNot) {
    Program help({VXSIM_PATH, "--help"});
    EXPECT_NE(help.ReadUntil("disconnected").find("--dir"), std::string::npos);
    EXPECT_EQ(help.Wait(), 0);
    Program wrong({VXSIM_PATH, "--unit", "USB0"});
    EXPECT_EQ(wrong.Wait(), 2) << "--dir is required";
}

// A FLASH larger than vxsim allows is refused before anything is made: a message, exit code 2
// and nothing left in the directory. The largest allowed one is served.
TEST(VxsimProgram, RefusesAFlashTooLargeAndLeavesNothingBehind) {
    TempDir temp;
    std::string dir = temp.Path().string();
    for (const char* size : {"16777217", "2147483647", "0"}) {
        Program vxsim({VXSIM_PATH, "--dir", dir, "--unit", "USB0", "--flash-size", size});
        EXPECT_EQ(vxsim.Wait(), 2) << size;
        EXPECT_TRUE(fs::is_empty(dir)) << size;
    }
    Program largest({VXSIM_PATH, "--dir", dir, "--unit", "USB0", "--flash-size", "16777216"});
    EXPECT_NE(largest.ReadUntil("vxsim:").find("serving USB0"), std::string::npos);
    largest.Say("quit");
    EXPECT_EQ(largest.Wait(), 0);
    EXPECT_TRUE(fs::is_empty(dir));
}

// A client that sends commands and never reads the answers: the other clients are served all
// the while, the greedy one is dropped once its unread answers pass the limit, and SIGTERM
// still stops vxsim at once.
TEST(VxsimProgram, AClientThatDoesNotReadStallsNothingAndIsDropped) {
    TempDir temp;
    std::string dir = temp.Path().string();
    Program vxsim({VXSIM_PATH, "--dir", dir, "--unit", "USB0", "--no-stdin"});
    ASSERT_TRUE(Ready(vxsim, "USB0"));
    ControlClient greedy(dir);
    ASSERT_TRUE(greedy.IsConnected());
    std::string commands;
    for (int i = 0; i < 100; ++i) {
        commands += "help\n";
    }
    EXPECT_TRUE(greedy.SendWithoutReading(commands, 64u << 20)) << "not dropped";

    Program client({VXSIM_PATH, "--dir", dir, "--ctl", "list"});
    EXPECT_NE(client.ReadUntil("OK").find("USB0 plugged"), std::string::npos);
    EXPECT_EQ(client.Wait(5000), 0);
    std::string answers = greedy.ReadToEnd();
    EXPECT_EQ(answers.rfind("(open) ", 0), std::string::npos) << "the connection is closed";
    EXPECT_LT(answers.size(), 32u << 20);

    ::kill(vxsim.Pid(), SIGTERM);
    EXPECT_EQ(vxsim.Wait(), 0);
    EXPECT_TRUE(fs::is_empty(dir));
}

// A line without an end is refused once it passes the limit: the client gets the answers to
// the lines before it and an error, then the connection closes; vxsim serves on.
TEST(VxsimProgram, RefusesAnOverlongCommandLine) {
    TempDir temp;
    std::string dir = temp.Path().string();
    Program vxsim({VXSIM_PATH, "--dir", dir, "--unit", "USB0"});
    ASSERT_TRUE(Ready(vxsim, "USB0"));
    ControlClient client(dir);
    ASSERT_TRUE(client.IsConnected());
    std::string text = "list\n" + std::string(50000, 'x');
    client.SendWithoutReading(text, text.size());
    EXPECT_TRUE(client.SendWithoutReading(std::string(50000, 'y'), 10u << 20)) << "not closed";
    std::string answers = client.ReadToEnd();
    EXPECT_EQ(answers.rfind("USB0 plugged closed single\nOK\nERROR line longer than", 0), 0u)
        << answers.substr(0, 200);

    vxsim.Say("list");
    EXPECT_EQ(vxsim.ReadUntil("OK").rfind("USB0 plugged", 0), 0u);
    // Standard input is held to the same limit.
    vxsim.Say(std::string(70000, 'z'));
    EXPECT_EQ(vxsim.ReadUntil("").rfind("ERROR line longer than", 0), 0u);
    ::kill(vxsim.Pid(), SIGINT);
    EXPECT_EQ(vxsim.Wait(), 0);
}

TEST(VxsimProgram, ServesUnitsAndObeysItsCommands) {
    TempDir temp;
    std::string dir = temp.Path().string();
    Program vxsim({VXSIM_PATH, "--dir", dir, "--unit", "USB0", "--unit", "PCI0"});
    ASSERT_NE(vxsim.ReadUntil("vxsim: serving").find("USB0 PCI0"), std::string::npos);
    CVXDevice device(dir);
    ASSERT_EQ(device.Open(0, 0), 1);

    vxsim.Say("send USB0 0A0102");
    EXPECT_EQ(vxsim.ReadUntil(""), "OK\n");
    CPacket packet;
    ASSERT_EQ(device.WaitPacket(2000), 1);
    ASSERT_EQ(device.TakePacket(&packet), 1);
    EXPECT_EQ(packet.GetCommand(), 0x0A);
    EXPECT_EQ(packet.GetLength(), 2);

    vxsim.Say("list");
    std::string list = vxsim.ReadUntil("OK");
    EXPECT_NE(list.find("USB0 plugged open single"), std::string::npos) << list;
    EXPECT_NE(list.find("PCI0 plugged closed single"), std::string::npos) << list;

    vxsim.Say("unplug USB0");
    EXPECT_EQ(vxsim.ReadUntil(""), "OK\n");
    ASSERT_EQ(device.WaitPacket(2000), 1);
    EXPECT_FALSE(device.IsOpen());
    EXPECT_FALSE(fs::exists(dir + "/VXUSB0"));
    vxsim.Say("plug USB0");
    EXPECT_EQ(vxsim.ReadUntil(""), "OK\n");
    EXPECT_EQ(device.Open(0, 0), 1);

    vxsim.Say("send PCI0 zz");
    EXPECT_EQ(vxsim.ReadUntil("").rfind("ERROR", 0), 0u);
    vxsim.Say("quit");
    EXPECT_EQ(vxsim.ReadUntil(""), "OK\n");
    EXPECT_EQ(vxsim.Wait(), 0);
    EXPECT_TRUE(fs::is_empty(dir)) << "every socket is removed on exit";
}

TEST(VxsimProgram, KeepsServingAfterStandardInputEndsAndStopsCleanlyOnCtrlC) {
    TempDir temp;
    std::string dir = temp.Path().string();
    Program vxsim({VXSIM_PATH, "--dir", dir, "--unit", "USB1:split", "--status", "50"});
    ASSERT_TRUE(Ready(vxsim, "USB1"));
    vxsim.CloseInput();
    CVXDevice device(dir);
    device.SetSingleFrameMode(false);
    ASSERT_EQ(device.Open(0, 1), 1);
    CPacket packet;
    ASSERT_EQ(device.WaitPacket(2000), 1);
    ASSERT_EQ(device.TakePacket(&packet), 1);
    EXPECT_EQ(packet.GetCommand(), vxsim::kStatusCommand);

    Program client({VXSIM_PATH, "--dir", dir, "--ctl", "list"});
    EXPECT_NE(client.ReadUntil("OK").find("USB1 plugged open split"), std::string::npos);
    EXPECT_EQ(client.Wait(), 0);

    ::kill(vxsim.Pid(), SIGINT);
    EXPECT_EQ(vxsim.Wait(), 0);
    EXPECT_TRUE(fs::is_empty(dir)) << "every socket is removed on Ctrl+C";
    // Status packets sent before the end may still wake the waits; the unit goes after them.
    for (int i = 0; i < 200 && device.IsOpen(); ++i) {
        device.WaitPacket(10);
        while (device.TakePacket(&packet) == 1) {
        }
    }
    EXPECT_FALSE(device.IsOpen());
}

// A host that opens a unit and never reads while the unit sends (status packets, and echoes of
// what the host writes): vxsim answers its commands at once all the while and opens the other
// units (well within the 2 s a send to such a host used to wait, also on a busy machine); what
// the host does not take is dropped and counted in "list".
TEST(VxsimProgram, AHostThatDoesNotReadStallsNothing) {
    TempDir temp;
    std::string dir = temp.Path().string();
    Program vxsim({VXSIM_PATH, "--dir", dir, "--unit", "USB0", "--unit", "USB1", "--status", "1",
                   "--no-stdin"});
    ASSERT_TRUE(Ready(vxsim, "USB0 USB1"));
    int host = OpenUnit(dir + "/VXUSB0");
    ASSERT_GE(host, 0);
    const unsigned char packet[] = {3, 0x21, 0x01};
    for (int i = 0; i < 5000 && VxSocket::SendMessage(host, packet, sizeof packet, 100); ++i) {
    }
    ControlClient client(dir);
    std::string list;
    for (auto deadline = Clock::now() + std::chrono::seconds(5);
         list.find("dropped") == std::string::npos && Clock::now() < deadline;) {
        list = client.Ask("list");
    }
    EXPECT_NE(list.find("USB0 plugged open single dropped "), std::string::npos) << list;

    auto start = Clock::now();
    EXPECT_EQ(client.Ask("status 1"), "OK\n");
    EXPECT_NE(client.Ask("list").find("USB1 plugged closed"), std::string::npos);
    EXPECT_LT(Clock::now() - start, milliseconds(500));
    CVXDevice device(dir);
    start = Clock::now();
    EXPECT_EQ(device.Open(0, 1), 1);
    EXPECT_LT(Clock::now() - start, milliseconds(500));
    VxSocket::Close(host);
}

// The sockets are the user's alone whatever the umask. A second vxsim on a served folder is
// refused and the first serves on; a file where a socket would go is never removed, while
// the sockets a killed vxsim left behind (nobody listens on them) are replaced.
TEST(VxsimProgram, SocketsAreTheOwnersAndAreNeverTakenOver) {
    TempDir temp;
    std::string dir = temp.Path().string();
    const mode_t umask = ::umask(0);
    Program first({VXSIM_PATH, "--dir", dir, "--unit", "USB0", "--no-stdin"});
    ::umask(umask);
    ASSERT_TRUE(Ready(first, "USB0"));
    for (const char* name : {"/VXUSB0", "/vxsim.ctl"}) {
        struct stat info {};
        ASSERT_EQ(::stat((dir + name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
    }
    Program second({VXSIM_PATH, "--dir", dir, "--unit", "USB1", "--no-stdin"});
    EXPECT_EQ(second.Wait(), 2);
    EXPECT_NE(second.Err().find("папка уже обслуживается"), std::string::npos) << second.Err();
    Program list({VXSIM_PATH, "--dir", dir, "--ctl", "list"});
    EXPECT_EQ(list.ReadUntil("OK"), "USB0 plugged closed single\nOK\n");
    CVXDevice device(dir);
    EXPECT_EQ(device.Open(0, 0), 1);
    device.Close();

    first.Signal(SIGKILL);
    first.Wait();
    ASSERT_TRUE(fs::exists(dir + "/vxsim.ctl"));
    std::ofstream(dir + "/VXPCI0") << "notes";
    Program third({VXSIM_PATH, "--dir", dir, "--unit", "USB0", "--unit", "PCI0", "--no-stdin"});
    EXPECT_EQ(third.Wait(), 2);
    EXPECT_NE(third.Err().find("VXPCI0 is not a socket"), std::string::npos) << third.Err();
    Program fourth({VXSIM_PATH, "--dir", dir, "--unit", "USB0", "--no-stdin"});
    EXPECT_TRUE(Ready(fourth, "USB0"));
    fourth.Signal(SIGTERM);
    EXPECT_EQ(fourth.Wait(), 0);
    std::ifstream notes(dir + "/VXPCI0");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(notes), {}), "notes");
}

// Control connections past the limit are told so and closed. Connections to a unit that say
// nothing use up the descriptors: vxsim does not spin then, and serves the unit once they go.
TEST(VxsimProgram, ManyConnectionsNeitherSpinNorCrowdOutTheUnits) {
    TempDir temp;
    std::string dir = temp.Path().string();
    Program vxsim(
        {"/bin/sh", "-c",
         "ulimit -n 256 && exec " VXSIM_PATH " --dir " + dir + " --unit USB0 --no-stdin"});
    ASSERT_TRUE(Ready(vxsim, "USB0"));
    std::vector<std::unique_ptr<ControlClient>> idle;
    for (int i = 0; i < 64; ++i) {
        idle.push_back(std::make_unique<ControlClient>(dir));
    }
    ControlClient extra(dir);
    EXPECT_EQ(extra.ReadToEnd(),
              "ERROR too many control connections (at most 64): try again later\n");
    CVXDevice device(dir);
    EXPECT_EQ(device.Open(0, 0), 1) << "the units have descriptors left";
    device.Close();

    // Until the backlog stays full: a vxsim that takes no more connections.
    std::vector<int> silent;
    for (auto since = Clock::now();
         silent.size() < 300 && Clock::now() - since < milliseconds(100);) {
        if (int fd = ConnectNow(dir + "/VXUSB0"); fd >= 0) {
            silent.push_back(fd);
            since = Clock::now();
        }
    }
    const long before = CpuTicks(vxsim.Pid());
    std::this_thread::sleep_for(milliseconds(500));
    EXPECT_LT(CpuTicks(vxsim.Pid()) - before, 10) << "vxsim spins";
    for (int fd : silent) {
        VxSocket::Close(fd);
    }
    bool opened = false;
    for (auto deadline = Clock::now() + std::chrono::seconds(3);
         !opened && Clock::now() < deadline;) {
        opened = device.Open(0, 0) == 1;
    }
    EXPECT_TRUE(opened);
    EXPECT_EQ(idle[0]->Ask("list"), "USB0 plugged open single\nOK\n");
}

// A capture from the field: a packet from the unit, three from the host, and a last one from
// the unit an hour later.
void WriteFieldCapture(const std::string& path) {
    const std::int64_t start = 1700000000000000;
    CCaptureFile capture;
    std::string error;
    ASSERT_TRUE(capture.Open(path, &error)) << error;
    for (const TrafficRecord& record :
         std::vector<TrafficRecord>{{start, false, 0x10, {0x01}},
                                    {start + 1000, true, 0x20, {0x01, 0x02}},
                                    {start + 2000, true, 0x21, {0x03}},
                                    {start + 3000, true, 0x22, {0x04}},
                                    {start + 3600000000LL, false, 0x11, {}}}) {
        capture.Write(record);
    }
    capture.Close();
}

// The next packet the host receives, within 2 s; command 0 when none comes.
int ReceivedCommand(CVXDevice& host) {
    CPacket packet;
    for (auto deadline = Clock::now() + std::chrono::seconds(2); Clock::now() < deadline;) {
        if (host.TakePacket(&packet) == 1) {
            return packet.GetCommand();
        }
        host.WaitPacket(100);
    }
    return 0;
}

// Opens the unit, takes the replay's first packet, sends the host's three and returns the
// unit's line in list once vxsim has compared them.
std::string HostSession(CVXDevice& host, ControlClient& control, unsigned char second,
                        unsigned char third) {
    EXPECT_EQ(host.Open(0, 0), 1);
    EXPECT_EQ(ReceivedCommand(host), 0x10);
    for (const auto& [command, payload] : std::vector<std::pair<int, std::vector<unsigned char>>>{
             {0x20, {0x01, 0x02}}, {0x21, {second}}, {0x22, {third}}}) {
        CPacket packet;
        packet.SetPacket(static_cast<unsigned char>(command), payload.data(),
                         static_cast<int>(payload.size()));
        EXPECT_EQ(host.SendPacket(&packet), 1);
    }
    std::string list;
    for (auto deadline = Clock::now() + std::chrono::seconds(3);
         list.find("host 3/3") == std::string::npos &&
         list.find("difference") == std::string::npos && Clock::now() < deadline;) {
        list = control.Ask("list");
    }
    return list;
}

// A replaying unit compares the host's packets with the capture's: a host that sends what was
// recorded gets no report, one that sends two changed packets one, naming the first. Meanwhile
// the replay waits out its hour without holding up the commands, and a stop or a quit ends it
// at once.
TEST(VxsimProgram, ReplayComparesTheHostsPacketsAndEndsAtOnce) {
    TempDir temp;
    const std::string dir = temp.Path().string();
    const std::string capture = dir + "/field.pcap";
    WriteFieldCapture(capture);
    Program vxsim({VXSIM_PATH, "--dir", dir, "--unit", "USB0", "--replay", capture});
    ASSERT_TRUE(Ready(vxsim, "USB0"));
    ControlClient control(dir);
    {
        CVXDevice host(dir);
        EXPECT_EQ(HostSession(host, control, 0x03, 0x04),
                  "USB0 plugged open single replay 1/2 host 3/3\nOK\n");
    }
    CVXDevice host(dir);
    EXPECT_EQ(HostSession(host, control, 0x05, 0x06),
              "USB0 plugged open single replay 1/2 host 2/3 difference: host packet 2 (capture "
              "record 3): expected 2103, got 2105 (byte 1 differs)\nOK\n");

    auto start = Clock::now();
    EXPECT_EQ(control.Ask("replay USB0 stop"), "OK\n");
    EXPECT_LT(Clock::now() - start, milliseconds(500));
    CPacket echoed;
    echoed.SetPacket(0x30, nullptr, 0);
    ASSERT_EQ(host.SendPacket(&echoed), 1);
    EXPECT_EQ(ReceivedCommand(host), 0x30) << "the unit echoes again";

    EXPECT_EQ(control.Ask("replay USB0 " + capture), "OK\n");
    EXPECT_EQ(ReceivedCommand(host), 0x10) << "a host that holds the unit gets the replay at once";
    start = Clock::now();
    vxsim.Say("quit");
    EXPECT_EQ(vxsim.Wait(3000), 0);
    EXPECT_LT(Clock::now() - start, milliseconds(1000));
    EXPECT_EQ(vxsim.Err(),
              "vxsim: USB0: replay: host packet 2 (capture record 3): expected 2103, got 2105 "
              "(byte 1 differs)\n");
}

// A long programming session does not grow vxsim: once what it keeps of the requests has filled
// its budget (the data of 64 of these), a hundred more verify runs of a 64 KiB image, each on a
// control connection of its own, leave its resident memory where it was, within a generous
// margin. Kept whole, as they once were, they would add 6.4 MiB.
TEST(VxsimProgram, ALongProgrammingSessionDoesNotGrowIt) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer keeps freed memory back, so the resident size says nothing";
#endif
    TempDir temp;
    std::string dir = temp.Path().string();
    Program vxsim(
        {VXSIM_PATH, "--dir", dir, "--unit", "PCI0", "--speed", "16777216", "--no-stdin"});
    ASSERT_TRUE(Ready(vxsim, "PCI0"));
    CVXDevice device(dir);
    ASSERT_EQ(device.Open(1, 0), 1);
    std::vector<unsigned char> image(64 * 1024);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<unsigned char>(i * 7);
    }
    DeviceCommand verify;
    verify.command = DeviceCommand::VerifyData;
    verify.SetData(image.data(), image.size());
    long resident[2] = {0, 0};
    for (long& after : resident) {
        for (int i = 0; i < 100; ++i) {
            ASSERT_EQ(device.ExecuteCommand(&verify), 0) << i;
        }
        after = ResidentKiB(vxsim.Pid());
    }
    EXPECT_LT(resident[1] - resident[0], 2048)
        << resident[0] << " KiB after 100 runs, " << resident[1] << " KiB after 200";
}

}  // namespace
