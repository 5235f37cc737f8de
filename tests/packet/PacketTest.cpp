#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "packet/Packet.h"
#include "support/PacketBytes.h"

namespace {

using Frame = std::vector<unsigned char>;

// The packet's frames in order, as GetFrame (split) or GetSingleFrame make them.
std::vector<Frame> FramesOf(const CPacket& packet, bool single = false) {
    std::vector<Frame> frames;
    unsigned char frame[256];
    int length = -1;
    if (single) {
        EXPECT_EQ(packet.GetSingleFrame(frame, sizeof frame, &length), 1);
        frames.emplace_back(frame, frame + length);
    }
    for (int i = 0; !single && i < packet.GetChunkCount(); ++i) {
        EXPECT_EQ(packet.GetFrame(i, frame, sizeof frame, &length), 1);
        frames.emplace_back(frame, frame + length);
    }
    return frames;
}

CPacket& Build(CPacket& packet, unsigned char command, const std::vector<unsigned char>& data) {
    EXPECT_EQ(packet.SetPacket(command, data.data(), static_cast<int>(data.size())), 1);
    return packet;
}

}  // namespace

// Every payload length a framing can carry, cut into frames and put together again by one
// packet that is reused throughout (so nothing of a longer packet may linger).
class PacketRoundTrip : public testing::TestWithParam<bool> {};

TEST_P(PacketRoundTrip, EveryLengthTheFramingCarries) {
    const bool single = GetParam();
    const int longest = single ? CPacket::kMaxSinglePayload : CPacket::kMaxSplitPayload;
    CPacket assembled;
    for (int length = 0; length <= longest; ++length) {
        auto data = Bytes(length, length);
        CPacket original;
        auto frames = FramesOf(Build(original, 0x5A, data), single);
        ASSERT_EQ(static_cast<int>(frames.size()), single ? 1 : length / 60 + 1) << length;
        for (const auto& frame : frames) {
            ASSERT_EQ(frame.size(), frame[0]) << length;
            ASSERT_LE(frame.size(), single ? 255u : 64u);
            ASSERT_EQ(single ? assembled.AppendSingleFrame(frame.data())
                             : assembled.AppendFrame(frame.data()),
                      1)
                << length;
        }
        ASSERT_EQ(assembled.GetState(), Complete) << length;
        ASSERT_EQ(assembled.GetCommand(), 0x5A);
        ASSERT_EQ(Payload(assembled), data) << length;
    }
}

INSTANTIATE_TEST_SUITE_P(Framings, PacketRoundTrip, testing::Bool(),
                         [](const auto& info) { return info.param ? "Single" : "Split"; });

struct FrameLayoutCase {
    int length;
    int chunkCount;
    int capacity;
    std::vector<int> frameLengths;  // byte 0 of each split frame (not checked when empty)
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const FrameLayoutCase& c, std::ostream* os) {
    *os << "length " << c.length;
}

class PacketFrameLayout : public testing::TestWithParam<FrameLayoutCase> {};

TEST_P(PacketFrameLayout, CountersCapacityAndFrameLengths) {
    const auto& c = GetParam();
    CPacket packet;
    Build(packet, 0x10, Bytes(c.length));
    EXPECT_EQ(packet.GetChunkCount(), c.chunkCount);
    EXPECT_EQ(packet.GetChunkIndex(), c.chunkCount - 1);
    EXPECT_EQ(packet.GetCapacity(), c.capacity);
    if (!c.frameLengths.empty()) {
        std::vector<int> lengths;
        for (const auto& frame : FramesOf(packet)) {
            lengths.push_back(frame[0]);
        }
        EXPECT_EQ(lengths, c.frameLengths);
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, PacketFrameLayout,
                         testing::Values(FrameLayoutCase{0, 1, 0, {4}},
                                         FrameLayoutCase{59, 1, 4096, {63}},
                                         FrameLayoutCase{60, 2, 4096, {64, 4}},
                                         FrameLayoutCase{120, 3, 4096, {64, 64, 4}},
                                         FrameLayoutCase{4096, 69, 4096, {}},
                                         FrameLayoutCase{4097, 69, 8192, {}}),
                         [](const auto& info) { return "L" + std::to_string(info.param.length); });

// Too small a buffer, a frame index out of range, a payload too long for a single frame, and a
// packet whose counters disagree with its length (a 200-byte single frame says "one split
// frame"): refused, never read or written past a buffer.
TEST(PacketFraming, FramesThatCannotBeMadeAreRefused) {
    CPacket packet;
    Build(packet, 0x10, Bytes(70));
    unsigned char frame[256];
    EXPECT_EQ(packet.GetFrame(0, frame, 63), 0);
    EXPECT_EQ(packet.GetFrame(2, frame, 64), 0);
    EXPECT_EQ(packet.GetFrame(-1, frame, 64), 0);
    EXPECT_EQ(packet.GetFrame(1, frame, 64), 1);  // the out length may be left out
    EXPECT_EQ(packet.GetSingleFrame(frame, 63), 0);
    EXPECT_EQ(Build(packet, 0x10, Bytes(254)).GetSingleFrame(frame, sizeof frame), 0);

    Build(packet, 0x22, Bytes(200));
    ASSERT_EQ(packet.GetSingleFrame(frame, sizeof frame), 1);
    CPacket received;
    ASSERT_EQ(received.AppendSingleFrame(frame), 1);
    EXPECT_EQ(received.GetFrame(0, frame, 64), 0);
}

TEST(PacketFraming, PayloadsNoFramingCarriesAreRefused) {
    auto data = Bytes(CPacket::kMaxSplitPayload + 1);
    CPacket packet(0x33);
    EXPECT_EQ(packet.SetPacket(0x44, data.data(), static_cast<int>(data.size())), 0);
    EXPECT_EQ(packet.SetPacket(0x44, data.data(), -1), 0);
    EXPECT_EQ(packet.GetCommand(), 0x33);  // refused before it touches the packet
    EXPECT_EQ(packet.SetPacket(0x44, data.data(), CPacket::kMaxSplitPayload), 1);
}

// After a lost frame, or a frame without a command, the next packet must carry only its own
// bytes.
TEST(PacketReassembly, SplitPacketAfterLostFrameHasNoStaleBytes) {
    CPacket first, second, assembled;
    ASSERT_EQ(assembled.AppendFrame(FramesOf(Build(first, 0x11, Bytes(100, 1)))[0].data()), 1);
    EXPECT_EQ(assembled.GetState(), Partial);  // its frame 1 is lost
    ASSERT_EQ(assembled.AppendFrame(FramesOf(Build(second, 0x11, Bytes(30, 2)))[0].data()), 1);
    EXPECT_EQ(assembled.GetState(), Complete);
    EXPECT_EQ(Payload(assembled), Bytes(30, 2));
}

// The channel restarts its reassembly packet after each complete one: empty as after Clear, the
// buffer kept, and the next packet carries only its own bytes.
TEST(PacketReassembly, RestartEmptiesButKeepsTheBuffer) {
    CPacket first, second, assembled;
    for (const auto& frame : FramesOf(Build(first, 0x11, Bytes(100, 1)))) {
        ASSERT_EQ(assembled.AppendFrame(frame.data()), 1);
    }
    ASSERT_EQ(assembled.GetState(), Complete);
    const unsigned char* buffer = assembled.GetData();
    const int capacity = assembled.GetCapacity();
    assembled.Restart();
    EXPECT_EQ(assembled.GetState(), Empty);
    EXPECT_EQ(assembled.GetLength(), 0);
    EXPECT_EQ(assembled.GetCommand(), 0);
    EXPECT_EQ(assembled.GetChunkCount(), 0);
    EXPECT_EQ(assembled.GetCapacity(), capacity);
    for (const auto& frame : FramesOf(Build(second, 0x22, Bytes(30, 2)))) {
        ASSERT_EQ(assembled.AppendFrame(frame.data()), 1);
    }
    EXPECT_EQ(assembled.GetState(), Complete);
    EXPECT_EQ(assembled.GetCommand(), 0x22);
    EXPECT_EQ(Payload(assembled), Bytes(30, 2));
    EXPECT_EQ(assembled.GetData(), buffer);
}

TEST(PacketReassembly, SingleFramesNeverCarryBytesOver) {
    unsigned char noCommand[64] = {6, 0, 9, 9, 9, 9};
    unsigned char real[64] = {4, 0x21, 0x00, 0xFF};
    CPacket assembled;
    ASSERT_EQ(assembled.AppendSingleFrame(noCommand), 1);
    EXPECT_EQ(assembled.GetState(), Empty);
    EXPECT_EQ(assembled.GetLength(), 0);
    ASSERT_EQ(assembled.AppendSingleFrame(real), 1);
    EXPECT_EQ(Payload(assembled), (std::vector<unsigned char>{0x00, 0xFF}));
    // The next frame begins a fresh packet even without a Clear in between.
    ASSERT_EQ(assembled.AppendSingleFrame(real), 1);
    EXPECT_EQ(assembled.GetLength(), 2);
}

struct RejectedFrameCase {
    const char* name;
    unsigned char frame[8];
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const RejectedFrameCase& c, std::ostream* os) {
    *os << "" << c.name;
}

class PacketRejectedFrame : public testing::TestWithParam<RejectedFrameCase> {};

TEST_P(PacketRejectedFrame, LeavesThePacketAsItWas) {
    CPacket original;
    Build(original, 0x30, Bytes(130));
    auto frames = FramesOf(original);
    CPacket assembled;
    ASSERT_EQ(assembled.AppendFrame(frames[0].data()), 1);

    unsigned char frame[64] = {};
    std::memcpy(frame, GetParam().frame, sizeof GetParam().frame);
    EXPECT_EQ(assembled.AppendFrame(frame), 0);
    EXPECT_EQ(assembled.GetChunkIndex(), 0);
    EXPECT_EQ(assembled.GetLength(), 60);
    // The real next frame still fits.
    EXPECT_EQ(assembled.AppendFrame(frames[1].data()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, PacketRejectedFrame,
    testing::Values(RejectedFrameCase{"SkipsAFrame", {8, 0x30, 3, 2, 1, 2, 3, 4}},
                    RejectedFrameCase{"OtherCommand", {8, 0x31, 3, 1, 1, 2, 3, 4}},
                    RejectedFrameCase{"ShorterThanHeader", {3, 0x30, 3, 1}},
                    RejectedFrameCase{"WireNumberZero", {8, 0x30, 3, 0xFF, 1, 2, 3, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

struct HexTextCase {
    const char* text;
    int result;
    int command;
    std::vector<unsigned char> payload;
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const HexTextCase& c, std::ostream* os) {
    *os << "text " << '"' << c.text << '"';
}

class PacketHexText : public testing::TestWithParam<HexTextCase> {};

TEST_P(PacketHexText, BuildsOrLeavesUnchanged) {
    const auto& c = GetParam();
    CPacket packet;
    Build(packet, 0x99, {1, 2, 3});
    EXPECT_EQ(packet.FromHexText(c.text), c.result);
    if (c.result) {
        EXPECT_EQ(packet.GetCommand(), c.command);
        EXPECT_EQ(Payload(packet), c.payload);
        EXPECT_EQ(packet.GetState(), c.command ? Complete : Empty);
    } else {
        EXPECT_EQ(packet.GetCommand(), 0x99);
        EXPECT_EQ(Payload(packet), (std::vector<unsigned char>{1, 2, 3}));
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, PacketHexText,
                         testing::Values(HexTextCase{"", 0, 0, {}}, HexTextCase{"0", 0, 0, {}},
                                         HexTextCase{"0G", 0, 0, {}}, HexTextCase{"0A 1", 0, 0, {}},
                                         HexTextCase{"07", 1, 0x07, {}},
                                         HexTextCase{"0001", 1, 0, {0x01}},
                                         HexTextCase{"0a1B2", 1, 0x0A, {0x1B}},
                                         HexTextCase{"ff00Ff", 1, 0xFF, {0x00, 0xFF}}));

TEST(PacketHexText, ByteToHexGivesUpperCaseDigitsForEveryByte) {
    for (int value = 0; value < 256; ++value) {
        char text[3] = {'x', 'x', 'x'};
        ByteToHex(static_cast<unsigned char>(value), text);
        char expected[3];
        std::snprintf(expected, sizeof expected, "%02X", value);
        ASSERT_STREQ(text, expected);
        unsigned char back = 0;
        ASSERT_EQ(HexToBytes(text, &back, 1), 1);
        ASSERT_EQ(back, value);
    }
    unsigned char out[2];
    EXPECT_EQ(HexToBytes("0102", out, 1), 0);  // does not fit
    EXPECT_EQ(HexToBytes(nullptr, out, 2), 0);
}

TEST(PacketCopy, IsDeepAndRefusesNull) {
    CPacket source, copy;
    Build(source, 0x42, Bytes(61));
    EXPECT_EQ(copy.CopyFrom(nullptr), 0);
    ASSERT_EQ(copy.CopyFrom(&source), 1);
    source.Clear();
    EXPECT_EQ(Payload(copy), Bytes(61));
    EXPECT_EQ(copy.GetChunkCount(), 2);
    EXPECT_EQ(copy.GetState(), Complete);
}
