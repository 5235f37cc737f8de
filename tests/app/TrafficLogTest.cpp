#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
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

// The receive thread and the user-interface thread add lines while the user-interface thread
// takes batches and clears: every line added after the last clear is in the list, each thread's
// lines in their order. (Run under ThreadSanitizer with the threaded tests.)
TEST(TrafficLog, LinesFromTwoThreadsMeetInOneList) {
    constexpr int kLines = 5000;
    std::atomic<int> notified{0};
    CTrafficLog log([&] { ++notified; });
    auto add = [&log](unsigned char command, int i) {
        const unsigned char bytes[2] = {static_cast<unsigned char>(i >> 8),
                                        static_cast<unsigned char>(i)};
        CPacket packet;
        packet.SetPacket(command, bytes, 2);
        log.AddPacket(&packet, command == 0x60);
    };
    for (int i = 0; i < 100; ++i) {
        add(0x50, i);
    }
    log.Clear();
    std::thread receiver([&] {
        for (int i = 0; i < kLines; ++i) {
            add(0x50, i);
        }
    });
    for (int i = 0; i < kLines; ++i) {
        add(0x60, i);
        if (i % 100 == 0) {
            log.Append(log.TakePending());
        }
    }
    receiver.join();
    log.Append(log.TakePending());
    ASSERT_EQ(log.GetCount(), 2 * kLines);
    std::map<int, int> next = {{0x50, 0}, {0x60, 0}};
    for (int row = 0; row < log.GetCount(); ++row) {
        const CPacket& packet = *log.GetLine(row).packet;
        ASSERT_EQ(packet.GetData()[0] << 8 | packet.GetData()[1], next[packet.GetCommand()]++);
        EXPECT_EQ(log.GetLine(row).sent, packet.GetCommand() == 0x60);
    }
    EXPECT_GE(notified.load(), 2);
}

}  // namespace
