#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include "app/TrafficLog.h"
#include "packet/Packet.h"

namespace {

TrafficLine Line(std::int64_t time, bool sent, unsigned char command,
                 const std::vector<unsigned char>& payload) {
    return {time, sent, command, static_cast<int>(payload.size()), payload.data()};
}

// Every payload length a line can hold from an empty packet to past the longest split packet,
// each with its own bytes, time and direction, read back unchanged beside its neighbours (the
// store is read and emptied but for its newest line every thousand lines, so that it stays
// small); and lengths the record cannot hold are refused without a line.
TEST(TrafficStore, RoundTripsEveryPacketLength) {
    constexpr int kLongest = 16382;
    std::vector<unsigned char> bytes(kLongest + 7);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<unsigned char>(i * 31 + i / 256);
    }
    const auto made = [&bytes](int length) {
        return TrafficLine{1700000000000LL + length, length % 3 == 0,
                           static_cast<unsigned char>(length), length, bytes.data() + length % 7};
    };
    CTrafficStore store;
    int oldest = 0;  // the length of the line the store holds first
    for (int length = 0; length <= kLongest; ++length) {
        ASSERT_TRUE(store.Append(made(length))) << length;
        if (store.GetCount() < 1000 && length < kLongest) {
            continue;
        }
        for (std::size_t i = 0; i < store.GetCount(); ++i) {
            const TrafficLine line = store.GetLine(i);
            const TrafficLine wanted = made(oldest + static_cast<int>(i));
            ASSERT_EQ(line.length, wanted.length);
            ASSERT_EQ(line.time, wanted.time);
            ASSERT_EQ(line.sent, wanted.sent);
            ASSERT_EQ(line.command, wanted.command);
            ASSERT_TRUE(std::equal(line.payload, line.payload + line.length, wanted.payload))
                << wanted.length;
        }
        store.DropOldest(store.GetCount() - 1);
        oldest = length;
    }
    std::vector<unsigned char> tooLong(CTrafficStore::kMaxPayload + 1);
    EXPECT_FALSE(store.Append(Line(0, false, 1, tooLong)));
    EXPECT_FALSE(store.Append({0, false, 1, -1, bytes.data()}));
    EXPECT_FALSE(store.Append({0, false, 1, 4, nullptr}));
    EXPECT_EQ(store.GetCount(), 1u);
}

// A line costs its bytes and a small head, not a packet object and a buffer each: at most 96
// bytes for a full USB frame (62 payload bytes), 40 for 8 payload bytes.
TEST(TrafficStore, ALineCostsLittleMoreThanItsBytes) {
    const struct {
        int payload;
        std::size_t most;
    } cases[] = {{62, 96}, {8, 40}};
    for (const auto& c : cases) {
        CTrafficStore store;
        const std::vector<unsigned char> payload(static_cast<std::size_t>(c.payload), 0x5A);
        for (int i = 0; i < 100000; ++i) {
            ASSERT_TRUE(store.Append(Line(i, false, 0x41, payload)));
        }
        EXPECT_LE(store.GetHeapBytes() / store.GetCount(), c.most) << c.payload;
    }
}

// The oldest lines leave; the rest keep their order, across blocks, until the store is empty.
TEST(TrafficStore, DropsTheOldestAcrossBlocks) {
    CTrafficStore store;
    std::vector<unsigned char> payload(2);
    for (int i = 0; i < 3000; ++i) {
        payload = {static_cast<unsigned char>(i >> 8), static_cast<unsigned char>(i)};
        store.Append(Line(i, false, 0x10, payload));
    }
    const std::size_t drops[] = {1, 1022, 1, 1500, 475};
    std::size_t first = 0;
    for (std::size_t drop : drops) {
        store.DropOldest(drop);
        first += drop;
        ASSERT_EQ(store.GetCount(), 3000 - first);
        EXPECT_EQ(store.GetLine(0).time, static_cast<std::int64_t>(first));
        const TrafficLine last = store.GetLine(store.GetCount() - 1);
        EXPECT_EQ(last.payload[0] << 8 | last.payload[1], 2999);
    }
    store.DropOldest(5000);
    EXPECT_EQ(store.GetCount(), 0u);
    EXPECT_EQ(store.GetHeapBytes(), 0u);
    ASSERT_TRUE(store.Append(Line(7, true, 0x11, {})));
    EXPECT_EQ(store.GetLine(0).time, 7);
}

// Lines leave a tenth of the bound at a time, as many tenths as the batch needs, never more
// than the list holds; nothing leaves without a bound or while the batch fits.
TEST(TrafficBound, WholeTenthsLeaveForABatch) {
    const struct {
        std::size_t count, incoming, max, leaving;
    } cases[] = {{999, 1, 1000, 0},      {1000, 1, 1000, 100},  {1000, 100, 1000, 100},
                 {1000, 101, 1000, 200}, {950, 300, 1000, 300}, {100, 1000, 1000, 100},
                 {5, 1, 5, 1},           {1, 1, 1, 1},          {5000000, 0, 0, 0},
                 {0, 2000, 1000, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(LinesLeavingForBound(c.count, c.incoming, c.max), c.leaving)
            << c.count << " + " << c.incoming << " under " << c.max;
    }
}

// The receive thread and the user-interface thread add lines while the user-interface thread
// takes batches, drops the oldest for a bound and clears: every line added after the last clear
// is in the list or counted as dropped, each thread's lines in their order. (Run under
// ThreadSanitizer with the threaded tests.)
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
    auto take = [&log] {
        PendingLines batch = log.TakePending();
        log.DropOldest(log.LinesToDrop(batch.lines.GetCount()));
        log.Append(std::move(batch));
    };
    for (int i = 0; i < 100; ++i) {
        add(0x50, i);
    }
    log.Clear();
    log.SetMaxLines(3000);
    std::thread receiver([&] {
        for (int i = 0; i < kLines; ++i) {
            add(0x50, i);
        }
    });
    for (int i = 0; i < kLines; ++i) {
        add(0x60, i);
        if (i % 100 == 0) {
            take();
        }
    }
    receiver.join();
    take();
    ASSERT_EQ(log.GetCount() + log.GetDroppedCount(), 2u * kLines);
    ASSERT_LE(log.GetCount(), 3000u);
    std::map<int, int> last = {{0x50, -1}, {0x60, -1}};
    for (std::size_t row = 0; row < log.GetCount(); ++row) {
        const TrafficLine line = log.GetLine(row);
        const int number = line.payload[0] << 8 | line.payload[1];
        ASSERT_GT(number, last[line.command]);
        last[line.command] = number;
        EXPECT_EQ(line.sent, line.command == 0x60);
    }
    // The newest line stays: the last either thread added.
    const TrafficLine newest = log.GetLine(log.GetCount() - 1);
    EXPECT_EQ(newest.payload[0] << 8 | newest.payload[1], kLines - 1);
    EXPECT_GE(notified.load(), 2);
}

}  // namespace
