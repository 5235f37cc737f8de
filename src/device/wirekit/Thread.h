#pragma once

#include <atomic>
#include <cstdint>
#ifndef _WIN32
#include <thread>
#endif

#include "device/wirekit/Platform.h"

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
    int Entry();

#ifdef _WIN32
    // The thread's handle from _beginthreadex; closed when the object goes or starts again.
    static unsigned __stdcall EntryPoint(void* self);
    SystemHandle m_handle = kNoHandle;
#else
    std::thread m_thread;
#endif
    // Cleared by the thread itself when Run returns, so that Start may run the object again.
    std::atomic<bool> m_running{false};
};

}  // namespace Wirekit::Win32
