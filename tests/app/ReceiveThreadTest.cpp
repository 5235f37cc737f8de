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

constexpr int kLost = -1;

// The thread is driven step by step on the test's thread (running it is the window's tests).
// Packets by their command and losses as kLost, in the order reported.
struct CRecordingSink : IReceiveSink {
    void PacketReceived(const CPacket& packet) override { commands.push_back(packet.GetCommand()); }
    void DeviceLost() override {
        commands.push_back(kLost);
        ++lost;
    }
    void UnitLost() override { ++unitsLost; }

    std::vector<int> commands;
    int lost = 0;
    int unitsLost = 0;  // every loss, reported or not
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
    // Unplugs USB 0 and waits for the channel to notice.
    bool Unplug() {
        simulator.Unplug(0, 0);
        for (int i = 0; i < 200 && device.IsOpen(); ++i) {
            device.WaitPacket(10);
        }
        return !device.IsOpen();
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

// A full queue is emptied before the first line is written, so that the reader can fill it
// again meanwhile; the lines still come in the order the packets came.
TEST_F(Receiving, TheQueueIsEmptiedBeforeTheFirstLine) {
    struct CPeekingSink : CRecordingSink {
        CVXDevice* device = nullptr;
        bool leftInQueue = false;
        void PacketReceived(const CPacket& packet) override {
            CPacket left;
            if (commands.empty() && device->TakePacket(&left)) {
                leftInQueue = true;
            }
            CRecordingSink::PacketReceived(packet);
        }
    } peeking;
    peeking.device = &device;
    ASSERT_TRUE(device.Open(0, 0));
    CReceiveThread receiver(device, log, peeking);  // driven step by step, not started
    const int count = CVXDevice::kQueueSlots - 1;
    std::vector<int> sent;
    for (int command = 1; command <= count; ++command) {
        Send(static_cast<unsigned char>(command));
        sent.push_back(command);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(receiver.ReceiveLoopStep(), count);
    EXPECT_FALSE(peeking.leftInQueue);
    EXPECT_EQ(peeking.commands, sent);
}

// While a send is in flight, the packets that come are taken at once (the channel's small queue
// never overflows, however long the send takes) but their lines wait: they go out in order
// once the send is over, and so does the loss of the unit.
TEST_F(Receiving, PacketsDuringASendAreTakenAtOnceAndWrittenAfterIt) {
    ASSERT_TRUE(device.Open(0, 0));
    CReceiveThread receiver(device, log, sink);  // driven step by step, not started
    const int count = 3 * CVXDevice::kQueueSlots;
    std::vector<int> sent;
    {
        CReceiveThread::CSendScope sending(receiver);
        for (int command = 1; command <= count; ++command) {
            Send(static_cast<unsigned char>(command));
            sent.push_back(command);
        }
        // Longer than a channel waits for a receiver that takes nothing before it drops the
        // oldest packets.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(800);
        while (std::chrono::steady_clock::now() < until) {
            device.WaitPacket(20);
            EXPECT_EQ(receiver.ReceiveLoopStep(), 0);
        }
        ASSERT_TRUE(Unplug());
        EXPECT_EQ(receiver.ReceiveLoopStep(), 0);
        while (device.WaitPacket(50) == 1) {
        }
        EXPECT_TRUE(sink.commands.empty());
        EXPECT_EQ(ReadBytes(dir.File("receive.log")), "");
    }
    EXPECT_EQ(device.WaitPacket(0), 1) << "the end of the send wakes the receiver";
    EXPECT_EQ(receiver.ReceiveLoopStep(), count);
    sent.push_back(kLost);
    EXPECT_EQ(sink.commands, sent);
}

// The unit's last packets are logged and listed before its loss is reported; a loss is reported
// once, and again only after the user has seen the first report; closing or switching units is
// no loss.
TEST_F(Receiving, ALossComesAfterTheUnitsLastPacketsAndOnlyForAUnitThatWent) {
    CReceiveThread receiver(device, log, sink);
    ASSERT_TRUE(device.Open(0, 0));
    for (unsigned char command = 1; command <= 3; ++command) {
        Send(command);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(Unplug());
    EXPECT_EQ(receiver.ReceiveLoopStep(), 3);
    EXPECT_EQ(sink.commands, (std::vector<int>{1, 2, 3, kLost}));
    log.Close();
    const std::string logged = ReadBytes(dir.File("receive.log"));
    EXPECT_NE(logged.find("RECV: 02 03"), std::string::npos) << logged;

    simulator.Plug(0, 0);
    simulator.AddUnit(0, 1);
    ASSERT_TRUE(device.Open(0, 0));
    ASSERT_TRUE(device.Open(0, 1));  // a switch
    // The reader wakes the receiver as it leaves a unit it was reading; give it time to take
    // the new unit up, or a close before it started would wake nobody.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    device.Close();
    ASSERT_EQ(device.WaitPacket(2000), 1);
    receiver.ReceiveLoopStep();
    EXPECT_EQ(sink.lost, 1);

    ASSERT_TRUE(device.Open(0, 0));
    ASSERT_TRUE(Unplug());
    receiver.ReceiveLoopStep();
    EXPECT_EQ(sink.lost, 1) << "the first report is still up";
    EXPECT_EQ(sink.unitsLost, 2) << "yet the loss is known";
    int type = -1;
    int number = -1;
    ASSERT_TRUE(device.GetLostUnit(&type, &number));
    EXPECT_EQ(std::make_pair(type, number), std::make_pair(0, 0));
    receiver.DeviceLostShown();
    simulator.Plug(0, 0);
    ASSERT_TRUE(device.Open(0, 0));
    ASSERT_TRUE(Unplug());
    receiver.ReceiveLoopStep();
    EXPECT_EQ(sink.lost, 2);
}

}  // namespace
