#include "programming/ProgrammingWorker.h"

#include <chrono>
#include <utility>

#include "device/VXDevice.h"

CProgrammingWorker::CProgrammingWorker(CVXDevice& device, DeviceCommand record)
    : m_device(device), m_record(std::move(record)) {}

CProgrammingWorker::~CProgrammingWorker() {
    Join();
}

bool CProgrammingWorker::Wait(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_ended.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [this] { return m_done.load(); });
}

int CProgrammingWorker::Run() {
    int result = kRequestFailed;
    bool answered = false;
    try {
        answered = m_device.ExecuteCommand(&m_record) == 0;
        if (answered) {
            result = m_record.result;
        }
    } catch (...) {
        // Out of memory for the request's buffers: the request failed; the owner still learns.
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_result.store(result);
        m_answered.store(answered);
        m_done.store(true);
    }
    m_ended.notify_all();
    return 0;
}
