#include "programming/ProgressMonitor.h"

#include "programming/StepProgress.h"

void IProgressMonitor::AwaitWorker(CStepProgress& progress) {
    while (!progress.WaitForWorker(CStepProgress::kPollIntervalMs)) {
    }
}
