// Runs the vxsim program as a user would, and drives it through its standard input, its
// control socket and signals, with the device channel as the host.

#include <gtest/gtest.h>

#include <filesystem>

#include "device/SimFixture.h"
#include "support/ChildProcess.h"

namespace {

namespace fs = std::filesystem;

using Program = CChildProcess;

TEST(VxsimProgram, HelpDescribesTheOptions) {
    Program help({VXSIM_PATH, "--help"});
    std::string text = help.ReadUntil("  --help");
    for (const char* option : {"--dir", "--unit", "--echo", "--status", "--flash-size", "--speed",
                               "--split", "--no-stdin", "--ctl"}) {
        EXPECT_NE(text.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(help.Wait(), 0);
    Program wrong({VXSIM_PATH, "--unit", "USB0"});
    EXPECT_EQ(wrong.Wait(), 2) << "--dir is required";
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
    ASSERT_NE(vxsim.ReadUntil("vxsim:").find("serving USB1"), std::string::npos);
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
    ASSERT_EQ(device.WaitPacket(2000), 1);
    EXPECT_FALSE(device.IsOpen());
}

}  // namespace
