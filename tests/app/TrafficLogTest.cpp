#include <gtest/gtest.h>

#include <vector>

#include "app/TrafficLog.h"
#include "packet/Packet.h"

namespace {

TEST(TrafficLog, KeepsATrimmedDeepCopyOfEachPacket) {
    CTrafficLog log({}, [] { return std::time_t{1234}; });
    // A received packet grows its buffer in 4 KiB steps; the line must not keep that.
    CPacket received;
    unsigned char frame[] = {5, 0x21, 0x00, 0xFF, 0x10};
    ASSERT_TRUE(received.AppendSingleFrame(frame));
    ASSERT_GE(received.GetCapacity(), 3);
    CPacket empty;
    unsigned char emptyFrame[] = {2, 0x07};
    ASSERT_TRUE(empty.AppendSingleFrame(emptyFrame));

    ASSERT_TRUE(log.AddPacket(&received, false));
    ASSERT_TRUE(log.AddPacket(&empty, true));
    received.GetData()[0] = 0x55;
    log.Append(log.TakePending());

    ASSERT_EQ(log.GetCount(), 2);
    const TrafficLine& first = log.GetLine(0);
    EXPECT_EQ(first.time, 1234);
    EXPECT_FALSE(first.sent);
    EXPECT_EQ(first.packet->GetCommand(), 0x21);
    ASSERT_EQ(first.packet->GetLength(), 3);
    EXPECT_EQ(first.packet->GetData()[0], 0x00);
    EXPECT_EQ(first.packet->GetCapacity(), 3);
    EXPECT_TRUE(log.GetLine(1).sent);
    EXPECT_EQ(log.GetLine(1).packet->GetLength(), 0);
    EXPECT_LE(log.GetLine(1).packet->GetCapacity(), 1);
    EXPECT_FALSE(log.AddPacket(nullptr, false));
}

// The user-interface thread is told once per batch, not once per line.
TEST(TrafficLog, NotifiesWhenABatchStarts) {
    int notified = 0;
    CTrafficLog log([&] { ++notified; });
    CPacket packet(0x10);
    log.AddPacket(&packet, false);
    log.AddPacket(&packet, false);
    log.AddPacket(&packet, true);
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(log.TakePending().size(), 3u);
    log.AddPacket(&packet, false);
    EXPECT_EQ(notified, 2);
}

TEST(TrafficLog, ClearDropsPendingLinesToo) {
    CTrafficLog log;
    CPacket packet(0x10);
    log.AddPacket(&packet, false);
    log.Append(log.TakePending());
    log.AddPacket(&packet, false);
    log.Clear();
    EXPECT_EQ(log.GetCount(), 0);
    EXPECT_TRUE(log.TakePending().empty());
}

}  // namespace
