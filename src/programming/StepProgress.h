#pragma once
// A write or verify step as its progress display sees it: its title, its range (the image
// size in bytes), and the poll the display makes every kPollIntervalMs while the worker runs.
//
// Threads: the thread that runs the programming run (the user-interface thread in the
// program); the worker it watches runs on its own thread and is read only through its atomics.

#include "programming/ProgrammingWorker.h"

class CVXDevice;

class CStepProgress {
public:
    static constexpr int kPollIntervalMs = 100;

    CStepProgress(CVXDevice& device, CProgrammingWorker& worker, const char* title, int range);

    // "Запись данных" or "Проверка данных", UTF-8.
    const char* GetTitle() const { return m_title; }
    int GetRange() const { return m_range; }

    // Bytes of the image done so far, from the driver; -1 once the worker has finished, or when
    // the progress query fails (no unit open, the request rejected). A display stops at -1.
    int Poll();
    bool IsWorkerDone() const { return m_worker.IsDone(); }
    // Waits up to timeoutMs for the worker to finish; true when it has.
    bool WaitForWorker(int timeoutMs) { return m_worker.Wait(timeoutMs); }

private:
    CVXDevice& m_device;
    CProgrammingWorker& m_worker;
    const char* m_title;
    int m_range;
};
