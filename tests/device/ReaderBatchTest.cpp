// The reader takes every frame that is ready when it wakes and tells the receiver once for them
// all; the driver port's read with a time-out, which that rests on, on the system's backend.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "device/SimFixture.h"
#include "device/driver/DriverPort.h"

namespace {

using Wirekit::Win32::kInfinite;
using Wirekit::Win32::Milliseconds;

// A unit whose frames the test hands in; it records the time-out of every read.
class QueuedConnection : public VxDriver::CDriverConnection {
public:
    VxDriver::ReadResult Read(unsigned char* buffer, int size, const VxDriver::CEvent& cancel,
                              const VxDriver::CEvent& stop, Milliseconds timeout) override {
        std::unique_lock<std::mutex> lock(m_lock);
        m_timeouts.push_back(timeout);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
        while (m_frames.empty()) {
            if (cancel.Wait(0) || stop.Wait(0)) {
                return {0, VxDriver::kErrorCancelled};
            }
            if (timeout != kInfinite && std::chrono::steady_clock::now() >= deadline) {
                return {0, VxDriver::kErrorTimeout};
            }
            m_arrived.wait_for(lock, std::chrono::milliseconds(2));
        }
        std::vector<unsigned char> frame = std::move(m_frames.front());
        m_frames.pop_front();
        const int count = std::min(size, static_cast<int>(frame.size()));
        std::copy(frame.begin(), frame.begin() + count, buffer);
        return {count, 0};
    }
    int Write(const unsigned char*, int count, Milliseconds) override { return count; }
    int Control(std::uint32_t, const unsigned char*, int, unsigned char*, int,
                const VxDriver::CEvent&) override {
        return -1;
    }
    void Shutdown() override {}

    // The frames become ready all at once.
    void Arrive(const std::vector<std::vector<unsigned char>>& frames) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_frames.insert(m_frames.end(), frames.begin(), frames.end());
        m_arrived.notify_all();
    }
    std::vector<Milliseconds> Timeouts() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_timeouts;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_arrived;
    std::deque<std::vector<unsigned char>> m_frames;
    std::vector<Milliseconds> m_timeouts;
};

class QueuedPort : public VxDriver::CDriverPort {
public:
    explicit QueuedPort(QueuedConnection** made) : m_made(made) {}
    std::unique_ptr<VxDriver::CDriverConnection> Open(const char*, int) override {
        auto connection = std::make_unique<QueuedConnection>();
        *m_made = connection.get();
        return connection;
    }

private:
    QueuedConnection** m_made;
};

std::vector<unsigned char> SingleFrame(unsigned char command, unsigned char index) {
    return {3, command, index};
}

// As many frames as the queue holds short of full, ready together: one wake-up of the receiver
// (not one every few packets), every packet in order; the reader waited for the first frame
// only and then took what was there.
TEST(ReaderBatchTest, FramesReadyTogetherWakeTheReceiverOnce) {
    QueuedConnection* unit = nullptr;
    CVXDevice device(std::make_unique<QueuedPort>(&unit));
    ASSERT_EQ(device.Open(0, 0), 1);
    ASSERT_NE(unit, nullptr);
    while (unit->Timeouts().empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));  // the reader is waiting
    }
    device.WaitPacket(0);  // whatever the open left signalled
    const int count = CVXDevice::kQueueSlots - 2;
    std::vector<std::vector<unsigned char>> frames;
    for (int i = 0; i < count; ++i) {
        frames.push_back(SingleFrame(0x33, static_cast<unsigned char>(i)));
    }
    unit->Arrive(frames);

    ASSERT_EQ(device.WaitPacket(2000), 1);
    CPacket packet;
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(device.TakePacket(&packet), 1) << i;
        EXPECT_EQ(packet.GetData()[0], i);
    }
    EXPECT_EQ(device.TakePacket(&packet), 0);
    EXPECT_EQ(device.WaitPacket(100), 0) << "one signal for the whole batch";

    const std::vector<Milliseconds> timeouts = unit->Timeouts();
    ASSERT_GE(timeouts.size(), static_cast<std::size_t>(count + 2));
    EXPECT_EQ(timeouts[0], kInfinite);
    for (int i = 1; i <= count; ++i) {
        EXPECT_EQ(timeouts[static_cast<std::size_t>(i)], 0u) << "read " << i;
    }
    EXPECT_EQ(timeouts[static_cast<std::size_t>(count + 1)], kInfinite) << "waits again";
    auto start = std::chrono::steady_clock::now();
    device.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

// More frames at once than the queue holds, a receiver taking them: none is lost, none comes
// twice, the order stays.
TEST(ReaderBatchTest, ALongBatchReachesAWaitingReceiverWhole) {
    QueuedConnection* unit = nullptr;
    CVXDevice device(std::make_unique<QueuedPort>(&unit));
    ASSERT_EQ(device.Open(0, 0), 1);
    const int count = 40 * CVXDevice::kQueueSlots;
    std::vector<int> taken;
    std::thread receiver([&] {
        CPacket packet;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (static_cast<int>(taken.size()) < count &&
               std::chrono::steady_clock::now() < deadline) {
            device.WaitPacket(50);
            while (device.TakePacket(&packet)) {
                taken.push_back(packet.GetData()[0] | packet.GetData()[1] << 8);
            }
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the receiver is waiting
    std::vector<std::vector<unsigned char>> frames;
    for (int i = 0; i < count; ++i) {
        frames.push_back(
            {4, 0x34, static_cast<unsigned char>(i), static_cast<unsigned char>(i >> 8)});
    }
    unit->Arrive(frames);
    receiver.join();
    ASSERT_EQ(static_cast<int>(taken.size()), count);
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(taken[static_cast<std::size_t>(i)], i);
    }
}

class DriverReadTest : public SimFixture {};

// The system's backend (sockets, or the simulator's pipes on Windows): a read with a time-out
// of 0 takes a frame that is there and does not wait for one that is not; a longer time-out
// ends the read with kErrorTimeout, and the cancel event still ends it at once.
TEST_F(DriverReadTest, AReadWithATimeOutTakesWhatIsThereAndWaitsNoLonger) {
    ASSERT_TRUE(m_sim.AddUnit(0, 3));
    m_device.Close();
    auto port = VxDriver::CreateSystemDriverPort(m_units);
    auto connection = port->Open("USB", 3);
    ASSERT_NE(connection, nullptr);
    Wirekit::Win32::CManualResetEvent cancel(false);
    Wirekit::Win32::CManualResetEvent stop(false);
    unsigned char buffer[CVXDevice::kReadSize];

    VxDriver::ReadResult result = connection->Read(buffer, sizeof buffer, cancel, stop, 0);
    EXPECT_EQ(result.bytes, 0);
    EXPECT_EQ(result.error, VxDriver::kErrorTimeout);

    const unsigned char frame[3] = {3, 0x35, 7};
    ASSERT_TRUE(m_sim.SendFrame(0, 3, frame, 3));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    do {
        result = connection->Read(buffer, sizeof buffer, cancel, stop, 0);
    } while (result.bytes == 0 && result.error == VxDriver::kErrorTimeout &&
             std::chrono::steady_clock::now() < deadline);
    ASSERT_EQ(result.bytes, 3);
    EXPECT_EQ(buffer[2], 7);

    auto start = std::chrono::steady_clock::now();
    result = connection->Read(buffer, sizeof buffer, cancel, stop, 50);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result.error, VxDriver::kErrorTimeout);
    EXPECT_GE(waited, std::chrono::milliseconds(40));
    EXPECT_LT(waited, std::chrono::milliseconds(1000));

    cancel.Set();
    result = connection->Read(buffer, sizeof buffer, cancel, stop, kInfinite);
    EXPECT_EQ(result.error, VxDriver::kErrorCancelled);

    // A frame that came while nobody read is still there for the next read.
    cancel.Reset();
    ASSERT_TRUE(m_sim.SendFrame(0, 3, frame, 3));
    result = connection->Read(buffer, sizeof buffer, cancel, stop, 2000);
    EXPECT_EQ(result.bytes, 3);
}

}  // namespace
