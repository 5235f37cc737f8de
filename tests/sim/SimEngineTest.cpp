// The simulator's engine against a host that writes frames no channel would: empty ones, ones
// longer than any driver frame, and more of them than the simulator keeps.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/socket.h>
#endif

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/driver/DriverPort.h"
#include "device/driver/DriverProtocol.h"
#include "device/driver/UnitSocket.h"
#include "sim/Simulator.h"
#include "support/TempFiles.h"

namespace {

using Clock = std::chrono::steady_clock;

// A host of the test's own on USB0: frames go out exactly as given. On POSIX a socket of its
// own, as the driver port's keeps its frames small; on Windows the pipe port's connection.
class RawHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.AddUnit(0, 0));
#ifdef _WIN32
        m_port = VxDriver::CreateSystemDriverPort(m_units);
        m_unit = m_port->Open("USB", 0);
        ASSERT_NE(m_unit, nullptr);
#else
        using namespace VxProtocol;
        m_fd = VxSocket::Connect(VxSocket::UnitPath(m_units, "USB", 0));
        ASSERT_GE(m_fd, 0);
        unsigned char hello[kHelloSize];
        EncodeTriple(hello, kMagic, kOpen, 0);
        ASSERT_TRUE(VxSocket::SendMessage(m_fd, hello, sizeof hello, 2000));
        ASSERT_EQ(VxSocket::ReceiveMessage(m_fd, hello, sizeof hello, 2000), kHelloSize);
        int size = 1 << 20;
        ::setsockopt(m_fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
#endif
        ASSERT_TRUE(m_sim.WaitOpen(0, 0, true, 2000));
    }
#ifndef _WIN32
    void TearDown() override {
        VxSocket::Close(m_fd);
    }
#endif

    bool Write(const std::vector<unsigned char>& frame) {
#ifdef _WIN32
        return m_unit->Write(frame.data(), static_cast<int>(frame.size()), 5000) ==
               static_cast<int>(frame.size());
#else
        return VxSocket::SendMessage(m_fd, frame.data(), frame.size(), 5000);
#endif
    }

    // Waits until the last recorded frame is the given one.
    bool WaitLastFrame(const std::vector<unsigned char>& frame) {
        auto deadline = Clock::now() + std::chrono::seconds(5);
        while (Clock::now() < deadline) {
            auto frames = m_sim.GetFrames(0, 0);
            if (!frames.empty() && frames.back() == frame) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    TempDir m_dir;
    std::string m_units = UnitDirectory(m_dir);
    vxsim::Simulator m_sim{m_units};
#ifdef _WIN32
    std::unique_ptr<VxDriver::CDriverPort> m_port;
    std::unique_ptr<VxDriver::CDriverConnection> m_unit;
#else
    int m_fd = -1;
#endif
};

// An empty frame is recorded like any other and the unit stays open for the next one.
TEST_F(RawHostTest, AnEmptyFrameIsAFrameNotAHangUp) {
#ifdef _WIN32
    GTEST_SKIP() << "the pipe port, as the driver, writes no empty frame";
#endif
    const std::vector<unsigned char> next = {0x04, 0x21, 0x01, 0x02};
    ASSERT_TRUE(Write({}));
    ASSERT_TRUE(Write(next));
    ASSERT_TRUE(WaitLastFrame(next));
    auto frames = m_sim.GetFrames(0, 0);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_TRUE(frames[0].empty());
    EXPECT_TRUE(m_sim.IsOpen(0, 0));
    EXPECT_EQ(m_sim.CountOpens(0, 0), 1);
}

// A frame past the largest a driver hands over is said to be one, with its length; what is kept
// is its start, and the connection goes on.
TEST_F(RawHostTest, AnOverlongFrameIsReported) {
    std::mutex lock;
    std::vector<std::string> reports;
    m_sim.SetReport([&](const std::string& line) {
        std::lock_guard<std::mutex> guard(lock);
        reports.push_back(line);
    });
    std::vector<unsigned char> frame(70000);
    for (std::size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<unsigned char>(i * 7);
    }
    const std::vector<unsigned char> longest(VxProtocol::kMaxFrame, 0x11);
    const std::vector<unsigned char> next = {0x03, 0x22, 0x05};
    ASSERT_TRUE(Write(frame));
    ASSERT_TRUE(Write(longest));
    ASSERT_TRUE(Write(next));
    ASSERT_TRUE(WaitLastFrame(next));
    auto frames = m_sim.GetFrames(0, 0);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(std::equal(frames[0].begin(), frames[0].end(), frame.begin()));
    EXPECT_EQ(frames[0].size(), static_cast<std::size_t>(VxProtocol::kMaxFrame));
    EXPECT_EQ(frames[1], longest);
    std::lock_guard<std::mutex> guard(lock);
    ASSERT_EQ(reports.size(), 1u) << "only the frame that was too long";
    EXPECT_NE(reports[0].find("USB0"), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find("70000"), std::string::npos) << reports[0];
}

// The recorded frames stay within the budget however many come: the newest are kept, in order.
TEST_F(RawHostTest, RecordedFramesKeepWithinTheirBudget) {
    constexpr std::size_t kBudget = 64 * 1024;
    constexpr int kFrames = 200;
    constexpr std::size_t kFrameSize = 2000;
    m_sim.SetFrameBudget(kBudget);
    std::vector<unsigned char> frame(kFrameSize);
    for (int i = 0; i < kFrames; ++i) {
        frame[0] = static_cast<unsigned char>(i);
        ASSERT_TRUE(Write(frame));
    }
    ASSERT_TRUE(WaitLastFrame(frame));
    auto frames = m_sim.GetFrames(0, 0);
    std::size_t bytes = frames.size() * kFrameSize;
    EXPECT_LE(bytes, kBudget);
    EXPECT_GE(bytes, kBudget * 3 / 4) << "no more dropped than needed";
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i][0], static_cast<unsigned char>(kFrames - frames.size() + i));
    }
}

// A host busy for a while loses none of what the unit sends meanwhile: what its connection has
// no room for waits for it, in order, and nothing is counted as dropped.
TEST_F(RawHostTest, AHostBusyForAWhileLosesNothing) {
#ifdef _WIN32
    GTEST_SKIP() << "reads the test's own socket";
#else
    m_sim.SetStatusPeriod(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    m_sim.SetStatusPeriod(0);
    unsigned char frame[VxProtocol::kMaxFrame];
    int count = 0;
    while (VxSocket::ReceiveMessage(m_fd, frame, sizeof frame, 200) == 64) {
        ++count;
        ASSERT_EQ(frame[1], vxsim::kStatusCommand);
        ASSERT_EQ(frame[4] | frame[5] << 8, count) << "status packets in order, none lost";
    }
    EXPECT_GT(count, 20) << "more than the connection holds";
    EXPECT_EQ(m_sim.List()[0], "USB0 plugged open single");
#endif
}

}  // namespace
