#pragma once
// The front end's part in a write or verify step: a progress window in the program, a text
// progress bar on a terminal. The programming run calls it on its own thread, with the worker
// already running.

class CStepProgress;

class IProgressMonitor {
public:
    virtual ~IProgressMonitor() = default;

    // Shows the step while its worker runs: calls progress.Poll() every
    // CStepProgress::kPollIntervalMs and shows each value against progress.GetRange(); returns
    // once Poll gives a value below 0.
    virtual void ShowProgress(CStepProgress& progress) = 0;

    // Called when ShowProgress has returned while the worker still runs (the progress query
    // failed); returns once the worker has finished, so that the run never reports or restarts
    // the unit under a request still outstanding. The default blocks until then; a window
    // would rather keep painting meanwhile.
    virtual void AwaitWorker(CStepProgress& progress);
};
