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

TEST(Thread, JoinWithoutStartReturnsAtOnce) {
    GatedThread thread;
    EXPECT_EQ(thread.Join(), kWaitObject0);
}

struct ErrorCase {
    const char* where;
    int error;
};

class Win32ExceptionText : public testing::TestWithParam<ErrorCase> {};

TEST_P(Win32ExceptionText, CarriesWhereCodeAndTheSystemText) {
    const auto& c = GetParam();
    CWin32Exception error(c.where, c.error);
    EXPECT_EQ(error.GetWhere(), c.where);
    EXPECT_EQ(error.GetError(), c.error);
    EXPECT_EQ(error.GetMessage(), std::string(std::strerror(c.error)));
    CException copy = error;  // copyable, texts and all
    EXPECT_EQ(copy.GetWhere(), c.where);
    EXPECT_EQ(copy.GetMessage(), error.GetMessage());
}

INSTANTIATE_TEST_SUITE_P(Texts, Win32ExceptionText,
                         testing::Values(ErrorCase{"CEvent::Create()", EMFILE},
                                         ErrorCase{"CEvent::Wait() - WaitForSingleObject", EBADF},
                                         ErrorCase{"CEvent::Set()", EINVAL},
                                         ErrorCase{"CEvent::Reset()", EAGAIN},
                                         ErrorCase{"CThread::Start() - _beginthreadex", EAGAIN},
                                         ErrorCase{"Thread", 0}));

TEST(Win32ExceptionText, UnknownCodeStillHasABoundedText) {
    CWin32Exception error("CEvent::Set()", 123456);
    EXPECT_FALSE(error.GetMessage().empty());
    EXPECT_LE(error.GetMessage().size(), 511u);
    EXPECT_NE(error.GetMessage().find("123456"), std::string::npos);
}
