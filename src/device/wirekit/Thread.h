#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace Wirekit::Win32 {

// A worker thread: derive, implement Run, call Start once. The derived class decides how Run
// is told to stop (an event it waits on, for example) and then calls Join.
class CThread {
public:
    CThread();
    virtual ~CThread();

    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // Starts Run on a new thread. Throws CException when a thread of this object still runs,
    // CWin32Exception when the system cannot create one.
    void Start();

    // Waits without limit for the thread to end; returns at once when it has ended or never
    // started. Returns kWaitObject0.
    std::uint32_t Join();

    bool IsRunning() const { return m_running.load(); }

    // The thread's work; its result is the thread's exit code.
    virtual int Run() = 0;

private:
    void Entry();

    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<int> m_exitCode{0};
};

}  // namespace Wirekit::Win32
