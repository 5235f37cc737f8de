#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "packet/Packet.h"

namespace {

// A packet that carries its sequence number in its payload, so order and content can be checked.
void Numbered(CPacket& packet, int number) {
    unsigned char bytes[70];
    for (int i = 0; i < 70; ++i) {
        bytes[i] = static_cast<unsigned char>(number + i);
    }
    bytes[0] = static_cast<unsigned char>(number >> 8);
    bytes[1] = static_cast<unsigned char>(number);
    packet.SetPacket(0x10, bytes, 70);
}

int NumberOf(const CPacket& packet) {
    const unsigned char* bytes = packet.GetData();
    int number = bytes[0] << 8 | bytes[1];
    for (int i = 2; i < 70; ++i) {
        if (bytes[i] != static_cast<unsigned char>(number + i)) {
            return -1;
        }
    }
    return number;
}

}  // namespace

// The queue holds copies: the sender scribbles on its packet at once, as the reader thread does.
TEST(PacketFifo, FullQueueKeepsTheNewest) {
    CPacketFifo fifo;
    ASSERT_EQ(fifo.Allocate(10), 1);
    CPacket packet;
    for (int i = 1; i <= 12; ++i) {
        Numbered(packet, i);
        ASSERT_EQ(fifo.Put(&packet), 1);
        packet.GetData()[5] ^= 0xFF;
    }
    EXPECT_EQ(fifo.GetCount(), 9);
    for (int expected = 4; expected <= 12; ++expected) {
        CPacket out;
        ASSERT_EQ(fifo.Get(&out), 1);
        EXPECT_EQ(NumberOf(out), expected);
    }
    CPacket untouched(0x77);
    EXPECT_EQ(fifo.Get(&untouched), 0);
    EXPECT_EQ(untouched.GetCommand(), 0x77);
}

TEST(PacketFifo, RefusesWithoutSlotsOrPacket) {
    CPacketFifo fifo;
    CPacket packet(1);
    EXPECT_EQ(fifo.Put(&packet), 0);
    EXPECT_EQ(fifo.Get(&packet), 0);
    EXPECT_EQ(fifo.Allocate(0), 0);
    ASSERT_EQ(fifo.Allocate(2), 1);
    EXPECT_EQ(fifo.Put(nullptr), 0);
    EXPECT_EQ(fifo.Get(nullptr), 0);
    ASSERT_EQ(fifo.Put(&packet), 1);
    ASSERT_EQ(fifo.Allocate(3), 1);  // a new ring starts empty
    EXPECT_EQ(fifo.GetCount(), 0);
}

// One thread puts as fast as it can, another takes: what is taken arrives whole and in order,
// and what is lost is only ever the oldest.
TEST(PacketFifo, TwoThreadsDropOnlyTheOldestAndKeepOrder) {
    constexpr int kCount = 20000;
    CPacketFifo fifo;
    ASSERT_EQ(fifo.Allocate(10), 1);
    std::atomic<bool> done{false};
    std::thread producer([&] {
        CPacket packet;
        for (int i = 0; i < kCount; ++i) {
            Numbered(packet, i % 65536);
            fifo.Put(&packet);
        }
        done = true;
    });
    std::vector<int> taken;
    CPacket out;
    for (;;) {
        bool finished = done.load();
        while (fifo.Get(&out)) {
            taken.push_back(NumberOf(out));
        }
        if (finished) {
            break;
        }
        std::this_thread::yield();
    }
    producer.join();
    ASSERT_FALSE(taken.empty());
    EXPECT_EQ(taken.back(), (kCount - 1) % 65536);  // the newest is never dropped
    for (std::size_t i = 0; i < taken.size(); ++i) {
        ASSERT_GE(taken[i], 0) << "corrupted packet at " << i;
        if (i > 0) {
            ASSERT_GT(taken[i], taken[i - 1]) << "out of order at " << i;
        }
    }
}
