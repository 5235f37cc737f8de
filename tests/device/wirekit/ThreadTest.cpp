#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "device/wirekit/Event.h"
#include "device/wirekit/Exception.h"
#include "device/wirekit/Thread.h"

using namespace Wirekit::Win32;
using namespace std::chrono_literals;

namespace {

class GatedThread : public CThread {
public:
    ~GatedThread() override {
        m_gate.Set();
        Join();
    }
    int Run() override {
        ++m_runs;
        m_gate.Wait(kInfinite);
        return 7;
    }
    CManualResetEvent m_gate{false};
    std::atomic<int> m_runs{0};
};

}  // namespace

TEST(Thread, SecondStartWhileRunningThrowsAndStartsNothing) {
    GatedThread thread;
    thread.Start();
    try {
        thread.Start();
        FAIL() << "no exception";
    } catch (const CException& error) {
        EXPECT_EQ(error.GetWhere(), "CThread::Start()");
        EXPECT_EQ(error.GetMessage(), "Thread already running - you can only call Start() once!");
    }
    thread.m_gate.Set();
    thread.Join();
    EXPECT_EQ(thread.m_runs.load(), 1);
}

TEST(Thread, JoinAfterRunReturnedDoesNotBlockAndTheObjectCanRunAgain) {
    GatedThread thread;
    EXPECT_EQ(thread.Join(), kWaitObject0);  // nothing started yet
    thread.m_gate.Set();
    thread.Start();
    thread.Join();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(thread.Join(), kWaitObject0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 50ms);
    EXPECT_FALSE(thread.IsRunning());
    thread.Start();  // the handle was let go when Run returned
    thread.Join();
    EXPECT_EQ(thread.m_runs.load(), 2);
}

// The system's text for the code, copied along with the rest; an unknown code still gives a
// bounded text that names it.
TEST(Win32Exception, CarriesWhereCodeAndTheSystemText) {
    CWin32Exception error("CEvent::Set()", EINVAL);
    EXPECT_EQ(error.GetError(), EINVAL);
    EXPECT_EQ(error.GetMessage(), std::string(std::strerror(EINVAL)));
    CException copy = error;
    EXPECT_EQ(copy.GetWhere(), "CEvent::Set()");
    EXPECT_EQ(copy.GetMessage(), error.GetMessage());

    CWin32Exception unknown("CEvent::Set()", 123456);
    EXPECT_LE(unknown.GetMessage().size(), 511u);
    EXPECT_NE(unknown.GetMessage().find("123456"), std::string::npos);
}
