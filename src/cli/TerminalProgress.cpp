#include "cli/TerminalProgress.h"

#include <algorithm>
#include <cstdio>

#include "programming/StepProgress.h"

namespace cli {

std::string ProgressBarText(const char* title, int done, int range, int width) {
    const long long clamped = range > 0 ? std::clamp(done, 0, range) : 0;
    const int filled = range > 0 ? static_cast<int>(clamped * width / range) : 0;
    const int percent = range > 0 ? static_cast<int>(clamped * 100 / range) : 0;
    std::string text = std::string(title) + " [";
    text.append(static_cast<std::size_t>(filled), '#');
    text.append(static_cast<std::size_t>(width - filled), '.');
    char tail[16];
    std::snprintf(tail, sizeof tail, "] %3d%%", percent);
    return text + tail;
}

void CTerminalProgress::ShowProgress(CStepProgress& progress) {
    bool drawn = false;
    for (int done = progress.Poll(); done >= 0; done = progress.Poll()) {
        if (m_draw) {
            std::fprintf(m_out, "\r%s",
                         ProgressBarText(progress.GetTitle(), done, progress.GetRange()).c_str());
            std::fflush(m_out);
            drawn = true;
        }
        // The worker ending is what stops the bar; waiting on it ends the pause early.
        progress.WaitForWorker(CStepProgress::kPollIntervalMs);
    }
    if (drawn) {
        // The bar stays as the last poll left it: a failed step does not show as done.
        std::fputc('\n', m_out);
        std::fflush(m_out);
    }
}

}  // namespace cli
