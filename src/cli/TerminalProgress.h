#pragma once
// The progress of a write or verify step as a text bar on standard error, redrawn in place
// ("\r") every poll, when standard error is a terminal; elsewhere the step is only polled, so
// that logs and pipes get no control characters.
//
// Threads: the thread running the programming run; the worker is read through CStepProgress.

#include <cstdio>
#include <string>

#include "programming/ProgressMonitor.h"

namespace cli {

// "Запись данных [#####.....]  50%", the bar width characters wide; done is clamped to the
// range (a range of 0 or less shows as empty).
std::string ProgressBarText(const char* title, int done, int range, int width = 40);

class CTerminalProgress : public IProgressMonitor {
public:
    // draw: whether to draw at all (the caller tests for a terminal).
    CTerminalProgress(std::FILE* out, bool draw) : m_out(out), m_draw(draw) {}

    void ShowProgress(CStepProgress& progress) override;

private:
    std::FILE* m_out;
    bool m_draw;
};

}  // namespace cli
