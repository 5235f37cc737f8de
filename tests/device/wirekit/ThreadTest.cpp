#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>

#include "device/wirekit/Event.h"
#include "device/wirekit/Exception.h"
#include "device/wirekit/Thread.h"
#ifdef _WIN32
#include "device/wirekit/WindowsApi.h"
#endif

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

#ifdef _WIN32

// The system's own text for a code, asked here the plain way.
std::string FormatMessageText(DWORD code) {
    char text[512];
    DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    return std::string(text, length);
}

// Each failing call names itself and carries the code and the system's text for it, line end
// and all; copies keep both. The call fails because its event's handle was closed behind its
// back just before; the event is then left alone for good, as that handle number may by now
// belong to something else (the text lookup opens handles of its own).
TEST(Win32Exception, FailedEventCallsCarryWhereCodeAndTheSystemText) {
    struct Call {
        const char* where;
        std::function<void(CEvent&)> call;
    };
    for (const Call& call :
         {Call{"CEvent::Set()", [](CEvent& event) { event.Set(); }},
          Call{"CEvent::Reset()", [](CEvent& event) { event.Reset(); }},
          Call{"CEvent::Wait() - WaitForSingleObject", [](CEvent& event) { event.Wait(0); }}}) {
        auto* event = new CManualResetEvent(false);  // never deleted: see above
        ::CloseHandle(event->GetHandle());
        try {
            call.call(*event);
            ADD_FAILURE() << call.where << ": no exception";
        } catch (const CWin32Exception& error) {
            std::string text = FormatMessageText(ERROR_INVALID_HANDLE);
            EXPECT_FALSE(text.empty());
            EXPECT_EQ(error.GetWhere(), call.where);
            EXPECT_EQ(error.GetError(), ERROR_INVALID_HANDLE);
            EXPECT_EQ(error.GetMessage(), text);
            CException copy = error;
            EXPECT_EQ(copy.GetMessage(), text);
        }
    }
}

// A code without text gives the text of why the lookup failed.
TEST(Win32Exception, UnknownCodeGivesTheLookupsOwnFailure) {
    ASSERT_TRUE(FormatMessageText(123456).empty());
    CWin32Exception unknown("CEvent::Set()", 123456);
    EXPECT_EQ(unknown.GetError(), 123456);
    std::string lookupFailure = FormatMessageText(ERROR_MR_MID_NOT_FOUND);
    EXPECT_EQ(unknown.GetMessage(),
              lookupFailure.empty() ? std::string("Unknown error 123456") : lookupFailure);
}

#else

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

#endif
