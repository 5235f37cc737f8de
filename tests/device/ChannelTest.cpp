#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "device/SimFixture.h"

namespace {

using vxsim::Framing;

class ChannelTest : public SimFixture {};

TEST_F(ChannelTest, OpenIsExclusiveAndRefusesUnknownTypes) {
    ASSERT_TRUE(m_sim.AddUnit(0, 0));
    ASSERT_TRUE(m_sim.AddUnit(1, 0));
    ASSERT_EQ(m_device.Open(0, 0), 1);
    EXPECT_TRUE(m_device.IsOpen());
    EXPECT_EQ(m_device.GetTypeIndex(), 0);
    EXPECT_EQ(m_device.GetNumber(), 0);

    CVXDevice second(m_units);
    EXPECT_EQ(second.Open(0, 0), 0) << "a unit is open for one channel at a time";
    EXPECT_FALSE(second.IsOpen());

    EXPECT_EQ(m_device.Open(2, 0), 0);
    EXPECT_TRUE(m_device.IsOpen()) << "type index 2 must not touch the open unit";
    EXPECT_EQ(m_device.GetTypeIndex(), 0);

    ASSERT_EQ(m_device.Open(1, 0), 1);
    EXPECT_EQ(m_device.GetTypeIndex(), 1);
    EXPECT_TRUE(m_sim.WaitOpen(0, 0, false, 2000)) << "opening another unit closes the first";
    EXPECT_EQ(second.Open(0, 0), 1) << "and frees it for others";

    EXPECT_EQ(m_device.Open(0, 7), 0) << "no such unit";
    EXPECT_FALSE(m_device.IsOpen());
    EXPECT_EQ(m_device.GetTypeIndex(), -1);
    EXPECT_EQ(m_device.GetNumber(), -1);
    EXPECT_TRUE(m_sim.WaitOpen(1, 0, false, 2000));
}

#ifdef _WIN32
// By default units are the VX driver's device objects: without the driver (as under Wine) none
// opens. Any pipe prefix, however written, names the simulator's pipes instead.
TEST_F(ChannelTest, DirectoryChoosesTheDriverOrThePipes) {
    ASSERT_TRUE(m_sim.AddUnit(1, 9));
    CVXDevice driver;
    EXPECT_EQ(driver.Open(1, 9), 0);
    std::string written = m_units;
    std::replace(written.begin(), written.end(), '\\', '/');
    written.replace(written.find("pipe"), 4, "PIPE");
    CVXDevice pipes(written);
    EXPECT_EQ(pipes.Open(1, 9), 1) << written;
}
#endif

struct WriteCase {
    const char* name;
    int typeIndex;
    bool single;
    int payload;
    std::vector<int> writeLengths;
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << "" << c.name;
}

class WriteTest : public SimFixture, public ::testing::WithParamInterface<WriteCase> {};

// The frames a packet must become, built by hand from the wire format: split frames are
// numbered from 1, and USB frames are padded with zeros to 64 bytes.
std::vector<std::vector<unsigned char>> ExpectedFrames(const WriteCase& c,
                                                       const std::vector<unsigned char>& data) {
    std::vector<std::vector<unsigned char>> frames;
    int size = static_cast<int>(data.size());
    int count = c.single ? 1 : size / 60 + 1;
    for (int i = 0; i < count; ++i) {
        int first = c.single ? 0 : 60 * i;
        int n = c.single ? size : std::min(60, size - first);
        std::vector<unsigned char> frame;
        // Room up front: GCC 12 under ThreadSanitizer wrongly warns about the inserts regrowing it.
        frame.reserve(64 + static_cast<std::size_t>(n));
        frame.push_back(static_cast<unsigned char>(n + (c.single ? 2 : 4)));
        frame.push_back(0x42);
        if (!c.single) {
            frame.insert(frame.end(),
                         {static_cast<unsigned char>(count), static_cast<unsigned char>(i + 1)});
        }
        frame.insert(frame.end(), data.begin() + first, data.begin() + first + n);
        frame.resize(c.typeIndex == 0 ? std::max<std::size_t>(frame.size(), 64) : frame.size());
        frames.push_back(frame);
    }
    return frames;
}

TEST_P(WriteTest, WritesExactlyTheFramesOfThePacket) {
    const WriteCase& c = GetParam();
    m_sim.SetEcho(false);
    ASSERT_TRUE(AddAndOpen(c.typeIndex, 0, c.single ? Framing::Single : Framing::Split));
    auto data = Bytes(c.payload, 0x10);
    CPacket packet;
    ASSERT_EQ(packet.SetPacket(0x42, data.data(), c.payload), 1);
    ASSERT_EQ(m_device.SendPacket(&packet), 1);
    ASSERT_TRUE(m_sim.WaitFrames(c.typeIndex, 0, c.writeLengths.size(), 2000));
    auto frames = m_sim.GetFrames(c.typeIndex, 0);
    std::vector<int> lengths;
    for (const auto& frame : frames) {
        lengths.push_back(static_cast<int>(frame.size()));
    }
    EXPECT_EQ(lengths, c.writeLengths);
    EXPECT_EQ(frames, ExpectedFrames(c, data));
}

INSTANTIATE_TEST_SUITE_P(
    Framings, WriteTest,
    ::testing::Values(WriteCase{"UsbSingleFiveBytes", 0, true, 5, {64}},
                      WriteCase{"PciSingleFiveBytes", 1, true, 5, {7}},
                      WriteCase{"PciSingleEmpty", 1, true, 0, {2}},
                      WriteCase{"PciSingleLargest", 1, true, 253, {255}},
                      WriteCase{"UsbSplitSeventyBytes", 0, false, 70, {64, 64}},
                      WriteCase{"PciSplitSeventyBytes", 1, false, 70, {64, 14}},
                      WriteCase{"PciSplitSixtyBytes", 1, false, 60, {64, 4}},
                      WriteCase{"UsbSplitEmpty", 0, false, 0, {64}},
                      WriteCase{"PciSplitThreeFrames", 1, false, 179, {64, 64, 63}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChannelTest, SendPacketRefusesWhatCannotBeFramed) {
    m_sim.SetEcho(false);
    ASSERT_TRUE(AddAndOpen(1, 0));
    auto data = Bytes(254);
    CPacket tooLong, empty, ok;
    ASSERT_EQ(tooLong.SetPacket(0x42, data.data(), 254), 1);
    EXPECT_EQ(m_device.SendPacket(&tooLong), 0) << "single framing carries at most 253 bytes";
    EXPECT_EQ(m_device.SendPacket(&empty), 0) << "command 0 is no packet";
    EXPECT_EQ(m_device.SendPacket(nullptr), 0);
    m_device.SetSingleFrameMode(false);
    EXPECT_EQ(m_device.SendPacket(&tooLong), 1) << "split framing carries it in 5 frames";
    ASSERT_TRUE(m_sim.WaitFrames(1, 0, 5, 2000));
    EXPECT_EQ(m_sim.GetFrames(1, 0).size(), 5u) << "nothing of the refused packets was written";
    m_device.Close();
    ASSERT_EQ(ok.SetPacket(0x42, nullptr, 0), 1);
    EXPECT_EQ(m_device.SendPacket(&ok), 0) << "no unit open";
    EXPECT_EQ(m_device.Write(data.data(), 4), 0);
}

struct ReceiveCase {
    const char* name;
    int typeIndex;
    Framing framing;
    int payload;
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const ReceiveCase& c, std::ostream* os) {
    *os << "" << c.name;
}

class ReceiveTest : public SimFixture, public ::testing::WithParamInterface<ReceiveCase> {};

// A packet of the unit's own, then the unit's echo of a packet from the host (echo answers in
// the framing the host uses).
TEST_P(ReceiveTest, PutsTheUnitsFramesTogether) {
    const ReceiveCase& c = GetParam();
    ASSERT_TRUE(AddAndOpen(c.typeIndex, 1, c.framing));
    auto data = Bytes(c.payload, 7);
    ASSERT_TRUE(m_sim.SendPacket(c.typeIndex, 1, 0x21, data.data(), c.payload));
    CPacket packet;
    ASSERT_TRUE(Receive(&packet));
    EXPECT_EQ(packet.GetCommand(), 0x21);
    EXPECT_EQ(Payload(packet), data);
    CPacket sent;
    ASSERT_EQ(sent.SetPacket(0x22, data.data() + 1, c.payload - 1), 1);
    ASSERT_EQ(m_device.SendPacket(&sent), 1);
    ASSERT_TRUE(Receive(&packet));
    EXPECT_EQ(packet.GetCommand(), 0x22);
    EXPECT_EQ(Payload(packet), Payload(sent));
    EXPECT_TRUE(m_debug.Take().empty());
}

INSTANTIATE_TEST_SUITE_P(Framings, ReceiveTest,
                         ::testing::Values(ReceiveCase{"UsbSingle", 0, Framing::Single, 5},
                                           ReceiveCase{"PciSingleLargest", 1, Framing::Single, 253},
                                           ReceiveCase{"UsbSplitTwoFrames", 0, Framing::Split, 70},
                                           ReceiveCase{"PciSplitLargest", 1, Framing::Split,
                                                       CPacket::kMaxSplitPayload}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BadFrameCase {
    const char* name;
    bool single;
    std::vector<std::vector<unsigned char>> frames;
    std::vector<std::string> lines;
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const BadFrameCase& c, std::ostream* os) {
    *os << "" << c.name;
}

class BadFrameTest : public SimFixture, public ::testing::WithParamInterface<BadFrameCase> {};

TEST_P(BadFrameTest, DropsTheFrameWithItsDiagnosticAndGoesOn) {
    const BadFrameCase& c = GetParam();
    ASSERT_TRUE(AddAndOpen(1, 4, c.single ? Framing::Single : Framing::Split));
    for (const auto& frame : c.frames) {
        ASSERT_TRUE(m_sim.SendFrame(1, 4, frame.data(), static_cast<int>(frame.size())));
    }
    ASSERT_TRUE(m_sim.SendPacket(1, 4, 0x55, nullptr, 0));
    CPacket packet;
    ASSERT_TRUE(Receive(&packet));
    EXPECT_EQ(packet.GetCommand(), 0x55) << "no packet comes of the bad frames";
    EXPECT_EQ(packet.GetLength(), 0) << "and nothing of them ends up in the next packet";
    EXPECT_EQ(m_debug.Take(), c.lines);
    EXPECT_EQ(m_device.GetRefusedFrames(), static_cast<long long>(c.lines.size()));
}

// A unit in the other framing has every frame refused: each one is counted, while the
// diagnostics stop at ten a second; the count starts again when a unit is opened.
TEST_F(ChannelTest, RefusedFramesAreCountedAndTheirDiagnosticsDoNotFlood) {
    ASSERT_TRUE(AddAndOpen(0, 0, Framing::Split));
    const unsigned char frame[] = {4, 0x21, 1, 9};  // continues no packet
    for (int i = 0; i < 500; ++i) {
        ASSERT_TRUE(m_sim.SendFrame(0, 0, frame, sizeof frame));
    }
    ASSERT_TRUE(m_sim.SendPacket(0, 0, 0x55, nullptr, 0));
    CPacket packet;
    ASSERT_TRUE(Receive(&packet));
    EXPECT_EQ(m_device.GetRefusedFrames(), 500);
    const std::size_t lines = m_debug.Take().size();
    EXPECT_GE(lines, 10u);
    EXPECT_LE(lines, 20u) << "at most ten in each second the frames took";
    ASSERT_EQ(m_device.Open(0, 0), 1);
    EXPECT_EQ(m_device.GetRefusedFrames(), 0);
}

// A split frame as the wire carries it (frame number from 1), its payload bytes made up.
std::vector<unsigned char> SplitFrame(int length, int command, int count, int number) {
    std::vector<unsigned char> frame(static_cast<std::size_t>(length), 0xA5);
    frame[0] = static_cast<unsigned char>(length);
    frame[1] = static_cast<unsigned char>(command);
    frame[2] = static_cast<unsigned char>(count);
    frame[3] = static_cast<unsigned char>(number);
    return frame;
}

const std::string kShort = "ERROR - Buffer size < pack header\r\n";
const std::string kSize = "ERROR - Pack size in header\r\n";
const std::string kAppend = "ERROR - append packet\r\n";

INSTANTIATE_TEST_SUITE_P(
    Frames, BadFrameTest,
    ::testing::Values(
        BadFrameCase{"SplitThreeBytes", false, {{3, 1, 1}}, {kShort}},
        BadFrameCase{"SplitLengthBeyondRead", false, {{20, 1, 1, 1, 0, 0, 0, 0, 0, 0}}, {kSize}},
        BadFrameCase{"SplitFrameNumberZero", false, {{4, 9, 1, 0}}, {kAppend}},
        BadFrameCase{"SplitLengthBelowHeader", false, {{3, 9, 1, 1}}, {kAppend}},
        BadFrameCase{"SplitOutOfOrder", false, {SplitFrame(64, 9, 3, 2)}, {kAppend}},
        BadFrameCase{"SplitSkippedFrame",
                     false,
                     {SplitFrame(64, 9, 3, 1), SplitFrame(10, 9, 3, 3)},
                     {kAppend}},
        BadFrameCase{"SingleOneByte", true, {{1}}, {kShort}},
        BadFrameCase{"SingleLengthBeyondRead", true, {{9, 1, 2}}, {kSize}},
        BadFrameCase{"SingleLengthBelowHeader", true, {{1, 5, 0}}, {kAppend}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChannelTest, TwelveUntakenPacketsLeaveTheNineNewest) {
    ASSERT_TRUE(AddAndOpen(0, 0));
    for (int i = 1; i <= 12; ++i) {
        unsigned char index = static_cast<unsigned char>(i);
        ASSERT_TRUE(m_sim.SendPacket(0, 0, 0x60, &index, 1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::vector<int> taken;
    CPacket packet;
    while (m_device.TakePacket(&packet)) {
        taken.push_back(packet.GetData()[0]);
    }
    EXPECT_EQ(taken, (std::vector<int>{4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

// A receiver attached before the unit opens (its thread not yet taking) loses nothing of a unit
// that sends at once: the reader waits for it rather than drop the oldest packets.
TEST_F(ChannelTest, AnAttachedReceiverThatStartsLateLosesNothing) {
    m_device.AttachReceiver();
    ASSERT_TRUE(AddAndOpen(0, 0));
    const int count = 3 * CVXDevice::kQueueSlots;
    std::thread unit([&] {
        for (int i = 1; i <= count; ++i) {
            unsigned char index = static_cast<unsigned char>(i);
            m_sim.SendPacket(0, 0, 0x61, &index, 1);
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the receiver starts late
    std::vector<int> taken;
    CPacket packet;
    for (int wakes = 0; static_cast<int>(taken.size()) < count && wakes < 100; ++wakes) {
        m_device.WaitPacket(100);
        while (m_device.TakePacket(&packet)) {
            taken.push_back(packet.GetData()[0]);
        }
    }
    unit.join();
    m_device.DetachReceiver();
    std::vector<int> sent(count);
    std::iota(sent.begin(), sent.end(), 1);
    EXPECT_EQ(taken, sent);
}

// The unit goes away halfway through a split packet: the receiver wakes, the channel is closed
// and the unit cannot be opened until it is back; then the next packet arrives whole, with
// nothing of the lost one.
TEST_F(ChannelTest, UnplugClosesTheChannelWakesTheReceiverAndLeavesNothingBehind) {
    ASSERT_TRUE(AddAndOpen(1, 0, Framing::Split));
    while (m_device.WaitPacket(0)) {
    }
    auto data = Bytes(200);
    CPacket packet;
    ASSERT_EQ(packet.SetPacket(0x70, data.data(), 200), 1);
    ASSERT_TRUE(m_sim.UnplugMidPacket(1, 0, packet, 2));
    ASSERT_EQ(m_device.WaitPacket(2000), 1);
    EXPECT_FALSE(m_device.IsOpen());
    EXPECT_EQ(m_device.GetTypeIndex(), -1);
    EXPECT_EQ(m_device.Open(1, 0), 0) << "the unit is gone";
    ASSERT_TRUE(m_sim.Plug(1, 0));
    ASSERT_EQ(m_device.Open(1, 0), 1) << "and back";
    ASSERT_TRUE(m_sim.SendPacket(1, 0, 0x71, data.data(), 3));
    ASSERT_TRUE(Receive(&packet));
    EXPECT_EQ(packet.GetCommand(), 0x71);
    EXPECT_EQ(packet.GetLength(), 3);
    EXPECT_EQ(m_device.TakePacket(&packet), 0);
}

// Only a unit that went away counts as lost, and once; closing or switching units is no loss,
// and a unit opened afterwards does not deliver what the one before it sent.
TEST_F(ChannelTest, OnlyAUnitThatWentAwayIsLostAndTheNextUnitStartsEmpty) {
    ASSERT_TRUE(AddAndOpen(0, 0));
    ASSERT_TRUE(m_sim.AddUnit(0, 1));
    ASSERT_TRUE(m_sim.SendPacket(0, 0, 0x50, nullptr, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // queued, not taken
    ASSERT_EQ(m_device.Open(0, 1), 1);
    m_device.Close();
    ASSERT_EQ(m_device.Open(0, 1), 1);
    EXPECT_FALSE(m_device.TakeUnitLost());
    CPacket packet;
    EXPECT_EQ(m_device.TakePacket(&packet), 0) << "USB 0's packet is not USB 1's";

    ASSERT_TRUE(m_sim.Unplug(0, 1));
    for (int i = 0; i < 200 && m_device.IsOpen(); ++i) {
        m_device.WaitPacket(10);
    }
    ASSERT_FALSE(m_device.IsOpen());
    EXPECT_TRUE(m_device.TakeUnitLost());
    EXPECT_FALSE(m_device.TakeUnitLost());
}

// A switch opens the new unit before it lets the old one go: a unit that is absent or held
// elsewhere leaves the open one open and reading; a switch that happens is no loss.
TEST_F(ChannelTest, ASwitchThatFailsKeepsTheOpenUnit) {
    ASSERT_TRUE(AddAndOpen(0, 0));
    ASSERT_TRUE(m_sim.AddUnit(0, 1));
    CVXDevice holder(m_units);
    ASSERT_EQ(holder.Open(0, 1), 1);
    m_sim.SetStatusPeriod(20);
    for (int number : {1, 5}) {  // held elsewhere, absent
        EXPECT_EQ(m_device.Switch(0, number), 0) << number;
        EXPECT_EQ(m_device.GetNumber(), 0) << number;
        CPacket packet;
        ASSERT_TRUE(Receive(&packet)) << number;
        EXPECT_EQ(packet.GetCommand(), vxsim::kStatusCommand);
    }
    EXPECT_EQ(m_device.Switch(0, 0), 1) << "the open unit is left as it is";
    EXPECT_EQ(m_sim.CountOpens(0, 0), 1);
    holder.Close();
    ASSERT_EQ(m_device.Switch(0, 1), 1);
    EXPECT_EQ(m_device.GetNumber(), 1);
    EXPECT_TRUE(m_sim.WaitOpen(0, 0, false, 2000));
    EXPECT_FALSE(m_device.TakeUnitLost());
}

TEST_F(ChannelTest, AReceiverThatLagsBehindABurstLosesNothing) {
    ASSERT_TRUE(AddAndOpen(0, 0));
    std::vector<int> taken;
    std::thread receiver([&] {
        CPacket packet;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (taken.size() < 60 && std::chrono::steady_clock::now() < deadline) {
            m_device.WaitPacket(50);
            while (m_device.TakePacket(&packet)) {
                taken.push_back(packet.GetData()[0]);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));  // slower than the unit
            }
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the receiver is waiting
    for (int i = 0; i < 60; ++i) {
        unsigned char index = static_cast<unsigned char>(i);
        EXPECT_TRUE(m_sim.SendPacket(0, 0, 0x61, &index, 1));  // no ASSERT: the receiver runs
    }
    receiver.join();
    std::vector<int> expected(60);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(taken, expected);
}

}  // namespace
