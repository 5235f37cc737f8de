#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#ifdef _WIN32
#include "device/wirekit/WindowsApi.h"
#else
#include <dirent.h>
#endif

#include "device/SimFixture.h"

namespace {

// The process's open descriptors (handles on Windows).
int OpenDescriptors() {
    int count = 0;
#ifdef _WIN32
    DWORD handles = 0;
    if (::GetProcessHandleCount(::GetCurrentProcess(), &handles)) {
        count = static_cast<int>(handles);
    }
#else
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir) != nullptr) {
            ++count;
        }
        ::closedir(dir);
    }
#endif
    return count;
}

class ChannelStressTest : public SimFixture {};

TEST_F(ChannelStressTest, CloseDuringABurstLosesNoHandle) {
    m_sim.SetEcho(true);
    ASSERT_TRUE(AddAndOpen(0, 0));
    m_device.Close();
    ASSERT_TRUE(m_sim.WaitOpen(0, 0, false, 2000));
    int descriptors = OpenDescriptors();
    CPacket ping;
    ASSERT_EQ(ping.SetPacket(0x12, nullptr, 0), 1);

    std::atomic<bool> done{false};
    std::thread unit([&] {
        unsigned char payload[40] = {};
        while (!done.load()) {
            m_sim.SendPacket(0, 0, 0x11, payload, sizeof payload);
        }
    });
    std::atomic<int> received{0};
    std::thread receiver([&] {
        CPacket packet;
        while (!done.load()) {
            m_device.WaitPacket(10);
            while (m_device.TakePacket(&packet)) {
                ++received;
            }
        }
    });
    int opened = 0;
    for (int i = 0; i < 300; ++i) {
        opened += m_device.Open(0, 0);
        m_device.SendPacket(&ping);
        if (i % 3 == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        m_device.Close();
    }
    done = true;
    unit.join();
    receiver.join();
    EXPECT_EQ(opened, 300) << "every Close must free the unit for the next Open";
    EXPECT_GT(received.load(), 0) << "traffic flowed while the unit was opened and closed";
    EXPECT_FALSE(m_device.IsOpen());
    EXPECT_TRUE(m_sim.WaitOpen(0, 0, false, 2000));
    EXPECT_EQ(OpenDescriptors(), descriptors) << "a handle was lost or leaked";
}

TEST_F(ChannelStressTest, AStalledWriteFailsAfterItsTimeOut) {
    m_sim.SetEcho(false);
    ASSERT_TRUE(AddAndOpen(1, 0));
    m_sim.StallWrites(1, 0, 8000);
    unsigned char frame[64] = {62, 0x13};
    auto start = std::chrono::steady_clock::now();
    int written = 0;
    while (written < 1000 && m_device.Write(frame, sizeof frame) == 1) {
        ++written;
    }
    auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_LT(written, 1000) << "a unit that takes nothing must make a write fail";
    EXPECT_GE(spent, std::chrono::milliseconds(4900));
    EXPECT_LT(spent, std::chrono::milliseconds(6500));
}

TEST_F(ChannelStressTest, WritesTheUnitRefusesFail) {
#ifdef _WIN32
    GTEST_SKIP() << "a pipe has no half-close: the simulator cannot refuse the host's frames "
                    "while it still sends its own (a refused write shows as the stall above)";
#endif
    ASSERT_TRUE(AddAndOpen(0, 1));
    m_sim.FailWrites(0, 1);
    CPacket packet;
    ASSERT_EQ(packet.SetPacket(0x14, nullptr, 0), 1);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(m_device.SendPacket(&packet), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
}

// A unit whose every read fails with something other than "gone".
class FailingConnection : public VxDriver::CDriverConnection {
public:
    explicit FailingConnection(std::atomic<int>* reads) : m_reads(reads) {}
    VxDriver::ReadResult Read(unsigned char*, int, const VxDriver::CEvent& cancel,
                              const VxDriver::CEvent& stop, Wirekit::Win32::Milliseconds) override {
        ++*m_reads;
        if (cancel.Wait(0) || stop.Wait(0)) {
            return {0, VxDriver::kErrorCancelled};
        }
        return {0, VxDriver::kErrorFailed};
    }
    int Write(const unsigned char*, int, Wirekit::Win32::Milliseconds) override { return -1; }
    int Control(std::uint32_t, const unsigned char*, int, unsigned char*, int,
                const VxDriver::CEvent&) override {
        return -1;
    }
    void Shutdown() override {}

private:
    std::atomic<int>* m_reads;
};

class FailingPort : public VxDriver::CDriverPort {
public:
    explicit FailingPort(std::atomic<int>* reads) : m_reads(reads) {}
    std::unique_ptr<VxDriver::CDriverConnection> Open(const char*, int) override {
        return std::make_unique<FailingConnection>(m_reads);
    }

private:
    std::atomic<int>* m_reads;
};

TEST(ReaderTest, ARepeatingReadErrorDoesNotSpin) {
    std::atomic<int> reads{0};
    CVXDevice device(std::make_unique<FailingPort>(&reads));
    ASSERT_EQ(device.Open(1, 0), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    int seen = reads.load();
    EXPECT_GE(seen, 2) << "the reader keeps reading an open unit";
    EXPECT_LT(seen, 100) << "but pauses between failures";
    auto start = std::chrono::steady_clock::now();
    device.Close();
    EXPECT_TRUE(device.IsOpen() == false);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

}  // namespace
