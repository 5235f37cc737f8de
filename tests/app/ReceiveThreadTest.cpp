#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/ReceiveThread.h"
#include "device/VXDevice.h"
#include "packet/Packet.h"
#include "settings/LogFile.h"
#include "sim/Simulator.h"
#include "support/TempFiles.h"

namespace {

// The thread is driven step by step on the test's thread (running it is the window's tests).
struct CRecordingSink : IReceiveSink {
    void PacketReceived(const CPacket& packet) override { commands.push_back(packet.GetCommand()); }
    void DeviceLost() override { ++lost; }

    std::vector<int> commands;
    int lost = 0;
};

class Receiving : public ::testing::Test {
protected:
    Receiving() : units(UnitDirectory(dir)), simulator(units), device(units) {
        simulator.SetEcho(false);
        simulator.AddUnit(0, 0);
        log.Open(dir.File("receive.log").c_str(), false);
    }
    void Send(unsigned char command) {
        ASSERT_TRUE(simulator.SendPacket(0, 0, command, nullptr, 0));
    }

    TempDir dir;
    std::string units;
    vxsim::Simulator simulator;
    CVXDevice device;
    CLogFile log;
    CRecordingSink sink;
};

// Packets that complete together give the auto-reset signal once; that one wake-up must take
// them all, or they wait for later traffic and fall out of the channel's small queue.
TEST_F(Receiving, OneWakeUpTakesEveryWaitingPacket) {
    ASSERT_TRUE(device.Open(0, 0));
    CReceiveThread receiver(device, log, sink);  // driven step by step, not started
    for (unsigned char command = 1; command <= 5; ++command) {
        Send(command);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_EQ(device.WaitPacket(0), 1);
    EXPECT_EQ(device.WaitPacket(0), 0);  // the five signals merged into one
    EXPECT_EQ(receiver.ReceiveLoopStep(), 5);
    EXPECT_EQ(sink.commands, (std::vector<int>{1, 2, 3, 4, 5}));
}

// The loss is reported once, and again only after the user has seen the first report.
TEST_F(Receiving, DeviceLossReportedUntilAcknowledged) {
    CReceiveThread receiver(device, log, sink);
    ASSERT_TRUE(device.Open(0, 0));
    simulator.Unplug(0, 0);
    ASSERT_EQ(device.WaitPacket(2000), 1);
    EXPECT_EQ(receiver.ReceiveLoopStep(), 0);
    EXPECT_EQ(sink.lost, 1);
    simulator.Plug(0, 0);
    ASSERT_TRUE(device.Open(0, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the reader starts reading
    device.Close();
    ASSERT_EQ(device.WaitPacket(2000), 1);
    receiver.ReceiveLoopStep();
    EXPECT_EQ(sink.lost, 1);
    receiver.DeviceLostShown();
    receiver.ReceiveLoopStep();
    EXPECT_EQ(sink.lost, 2);
}

}  // namespace
