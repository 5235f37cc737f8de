#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "device/wirekit/Event.h"

using namespace Wirekit::Win32;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct EventCase {
    const char* name;
    bool manualReset;
    bool initiallySignalled;
    bool firstWait;   // Wait(0) right after construction
    bool secondWait;  // and once more
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const EventCase& c, std::ostream* os) {
    *os << "" << c.name;
}

class EventWaitZero : public testing::TestWithParam<EventCase> {};

TEST_P(EventWaitZero, TestsWithoutWaitingAndClearsOnlyAutoReset) {
    const auto& c = GetParam();
    CEvent event(nullptr, c.manualReset, c.initiallySignalled);
    auto start = Clock::now();
    EXPECT_EQ(event.Wait(0), c.firstWait);
    EXPECT_EQ(event.Wait(0), c.secondWait);
    EXPECT_LT(Clock::now() - start, 50ms);
    event.Set();
    event.Set();  // two signals merge into one for an auto-reset event
    EXPECT_TRUE(event.Wait(0));
    EXPECT_EQ(event.Wait(0), c.manualReset);
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
}

INSTANTIATE_TEST_SUITE_P(Kinds, EventWaitZero,
                         testing::Values(EventCase{"ManualClear", true, false, false, false},
                                         EventCase{"ManualSet", true, true, true, true},
                                         EventCase{"AutoClear", false, false, false, false},
                                         EventCase{"AutoSet", false, true, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Event, WaitReturnsFalseWhenTheTimePasses) {
    CManualResetEvent event(false);
    auto start = Clock::now();
    EXPECT_FALSE(event.Wait(60));
    EXPECT_GE(Clock::now() - start, 55ms);
}

// One Set from another thread: an auto-reset event wakes exactly one of two waiters, a
// manual-reset event wakes both.
struct WakeCase {
    const char* name;
    bool manualReset;
    Milliseconds timeout;
    int woken;
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const WakeCase& c, std::ostream* os) {
    *os << "" << c.name;
}

class EventWake : public testing::TestWithParam<WakeCase> {};

TEST_P(EventWake, WakesTheRightNumberOfWaiters) {
    CEvent event(nullptr, GetParam().manualReset, false);
    std::atomic<int> woken{0};
    auto waiter = [&] {
        if (event.Wait(GetParam().timeout)) {
            ++woken;
        }
    };
    std::thread a(waiter), b(waiter);
    std::this_thread::sleep_for(30ms);
    event.Set();
    a.join();
    b.join();
    EXPECT_EQ(woken.load(), GetParam().woken);
    EXPECT_EQ(event.Wait(0), GetParam().manualReset);
}

INSTANTIATE_TEST_SUITE_P(Kinds, EventWake,
                         testing::Values(WakeCase{"AutoResetOneOfTwo", false, 300, 1},
                                         WakeCase{"ManualResetBoth", true, kInfinite, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

// A handle that is not one of the events: the read end of a pipe (POSIX, ready once a byte is
// in it), or a handle of the system's own (Windows, ready once signalled).
class OtherHandle {
public:
#ifdef _WIN32
    SystemHandle Get() const {
        return m_event.GetHandle();
    }
    bool MakeReady() {
        m_event.Set();
        return true;
    }

private:
    CManualResetEvent m_event{false};
#else
    OtherHandle() {
        if (pipe(m_ends) != 0) {
            m_ends[0] = m_ends[1] = -1;
        }
    }
    ~OtherHandle() {
        close(m_ends[0]);
        close(m_ends[1]);
    }
    SystemHandle Get() const {
        return m_ends[0];
    }
    bool MakeReady() {
        return write(m_ends[1], "x", 1) == 1;
    }

private:
    int m_ends[2];
#endif
};

TEST(WaitForAny, ReportsTheFirstReadyObjectAndConsumesOnlyAutoReset) {
    CManualResetEvent stop(false);
    CEvent packet(nullptr, false, false);
    OtherHandle other;

    EXPECT_EQ(WaitForAny({&stop, &packet}, {other.Get()}, 10), kWaitTimeout);

    packet.Set();
    EXPECT_EQ(WaitForAny({&stop, &packet}, {other.Get()}, kInfinite), kWaitObject0 + 1);
    EXPECT_FALSE(packet.Wait(0));  // the wait took the auto-reset signal

    ASSERT_TRUE(other.MakeReady());
    EXPECT_EQ(WaitForAny({&stop, &packet}, {other.Get()}, 0), kWaitObject0 + 2);

    stop.Set();
    EXPECT_EQ(WaitForAny({&stop, &packet}, {other.Get()}, 0), kWaitObject0);
    EXPECT_TRUE(stop.Wait(0));  // manual reset stays signalled
}
