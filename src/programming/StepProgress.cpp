#include "programming/StepProgress.h"

#include "device/VXDevice.h"

CStepProgress::CStepProgress(CVXDevice& device, CProgrammingWorker& worker, const char* title,
                             int range)
    : m_device(device), m_worker(worker), m_title(title), m_range(range) {}

int CStepProgress::Poll() {
    if (m_worker.IsDone()) {
        return -1;
    }
    int progress = 0;
    return m_device.QueryProgress(&progress) == 1 ? progress : -1;
}
