#pragma once
// The worker of a write or verify step: a thread of its own that sends the one long request
// (the record with the whole image) and stores its outcome, while the thread that started it
// shows the progress. The driver serves the progress query on the same unit meanwhile.
//
// Threads: the owner starts it, polls IsDone/GetResult, may Wait for it with a time-out, and
// destroys it; the worker thread only runs Run. The outcome is published once, as the worker's
// last act, through atomics, so the owner may read it at any time without a lock.
// Destruction waits for the request to end: the worker never outlives its owner. The request
// ends when the driver answers, when the unit goes away, or when the channel is closed or
// destroyed, so that wait is bounded by the channel, not by this class.

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "device/DeviceCommand.h"
#include "device/wirekit/Thread.h"

class CVXDevice;

class CProgrammingWorker : public Wirekit::Win32::CThread {
public:
    // What GetResult gives while the request runs.
    static constexpr int kRunning = -1;
    // The outcome when the channel could not complete the request (no unit open, the request
    // rejected, the unit gone while it ran).
    static constexpr int kRequestFailed = 1;

    // The record is sent as it is given; call Start to send it.
    CProgrammingWorker(CVXDevice& device, DeviceCommand record);
    ~CProgrammingWorker() override;

    // kRunning until the request has ended; then 0 for success, the driver's error code, or
    // kRequestFailed. A driver code of -1 reads as -1 here too; IsDone tells them apart.
    int GetResult() const { return m_result.load(); }
    bool IsDone() const { return m_done.load(); }
    // Once done: true when the driver answered the request (the result is its verdict), false
    // when the channel could not complete it.
    bool IsAnswered() const { return m_answered.load(); }
    // Waits up to timeoutMs for the request to end; true when it has.
    bool Wait(int timeoutMs);

    int Run() override;

private:
    CVXDevice& m_device;
    DeviceCommand m_record;
    std::atomic<int> m_result{kRunning};
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_answered{false};
    std::mutex m_lock;
    std::condition_variable m_ended;
};
