#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "app/ReceiveThread.h"
#include "device/VXDevice.h"
#include "packet/Packet.h"
#include "settings/LogFile.h"
#include "sim/Simulator.h"
#include "support/TempFiles.h"

namespace {

class CRecordingSink : public IReceiveSink {
public:
    void PacketReceived(const CPacket& packet) override {
        std::lock_guard<std::mutex> lock(m_lock);
        commands.push_back(packet.GetCommand());
    }
    void DeviceLost() override { ++lost; }
    std::size_t Count() {
        std::lock_guard<std::mutex> lock(m_lock);
        return commands.size();
    }

    std::vector<int> commands;
    std::atomic<int> lost{0};

private:
    std::mutex m_lock;
};

class Receiving : public ::testing::Test {
protected:
    Receiving() : simulator(dir.Path().string()), device(dir.Path().string()) {
        simulator.SetEcho(false);
        simulator.AddUnit(0, 0);
        log.Open(dir.File("receive.log").c_str(), false);
    }
    void Send(unsigned char command) {
        ASSERT_TRUE(simulator.SendPacket(0, 0, command, nullptr, 0));
    }

    TempDir dir;
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

TEST_F(Receiving, ThreadDeliversAndStopsPromptly) {
    ASSERT_TRUE(device.Open(0, 0));
    CReceiveThread receiver(device, log, sink);
    receiver.Start();
    // Paced: a burst larger than the channel's queue loses its oldest packets by design.
    for (int i = 0; i < 50; ++i) {
        Send(0x30);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (int i = 0; i < 200 && sink.Count() < 50; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(sink.Count(), 50u);
    const auto start = std::chrono::steady_clock::now();
    receiver.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_FALSE(receiver.IsRunning());
    EXPECT_EQ(sink.lost, 0);
}

}  // namespace
