// How long the packet window takes to repaint: the visible page of the longest packet
// (15,299 payload bytes) at the window's own size, and a repaint after every one-line step
// while scrolling through the whole packet. The same run measures a reference, a plain text
// edit repainting the same page of text at the same size, so the figures can be compared
// across machines and loads as a ratio.
//
//   hexview_bench [seconds]      (default 2 seconds for the three together)
//
// The three are measured in turns, batch by batch. Prints milliseconds per repaint, by the
// wall clock and in the painting thread's CPU time (the figure to trust on a busy machine),
// each with its ratio to the reference, and the share of a core the painting thread got while
// repainting (CPU time / wall time). Qt paints on that one thread. The program runs headless
// (offscreen) unless QT_QPA_PLATFORM says else.

#include <time.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "inspect/HexViewState.h"
#include "packet/Packet.h"
#include "ui/HexViewCtrl.h"
#include "ui/HexViewFrame.h"

namespace {

struct Figure {
    double msPerRepaint = 0;     // wall clock
    double cpuMsPerRepaint = 0;  // CPU time of the thread that paints
    double cores = 0;
    long repaints = 0;
};

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Runs the steps (one repaint each) in turns, a batch of each at a time, for about the given
// time, so a machine whose load changes meanwhile weighs on all of them alike.
std::vector<Figure> Measure(double seconds, const std::vector<std::function<void()>>& steps) {
    using Clock = std::chrono::steady_clock;
    constexpr int kBatch = 20;
    for (const auto& step : steps) {
        for (int i = 0; i < kBatch; ++i) {
            step();  // warm the caches and the glyph cache
        }
    }
    std::vector<double> wall(steps.size());
    std::vector<double> cpu(steps.size());
    std::vector<Figure> figures(steps.size());
    const Clock::time_point start = Clock::now();
    while (std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
        for (std::size_t s = 0; s < steps.size(); ++s) {
            const Clock::time_point batchStart = Clock::now();
            const double cpuStart = ThreadCpuSeconds();
            for (int i = 0; i < kBatch; ++i) {
                steps[s]();
            }
            cpu[s] += ThreadCpuSeconds() - cpuStart;
            wall[s] += std::chrono::duration<double>(Clock::now() - batchStart).count();
            figures[s].repaints += kBatch;
        }
    }
    for (std::size_t s = 0; s < steps.size(); ++s) {
        const double repaints = static_cast<double>(figures[s].repaints);
        figures[s].msPerRepaint = wall[s] * 1000 / repaints;
        figures[s].cpuMsPerRepaint = cpu[s] * 1000 / repaints;
        figures[s].cores = cpu[s] / wall[s];
    }
    return figures;
}

// The page as a text: the grid's lines as the view shows them.
QString PageText(const CHexViewState& state) {
    const HexLayout& layout = state.GetLayout();
    QString text;
    for (int row = 0; row < layout.visibleRows; ++row) {
        const int first = state.GetTop() + row * layout.unitsPerLine;
        std::string line = state.CellText(HexGridAddr, first);
        std::string characters;
        for (int i = 0; i < layout.unitsPerLine && first + i < state.GetUnitCount(); ++i) {
            line += state.CellText(HexGridHex, first + i).substr(1);
            characters += state.CellText(HexGridAscii, first + i)[1];
        }
        text += QString::fromLatin1(line + "  " + characters) + QLatin1Char('\n');
    }
    return text;
}

void Print(const char* name, const Figure& figure, const Figure& reference) {
    std::printf("%-36s %6.3f ms  %5.2f x ref | CPU %6.3f ms  %5.2f x ref | %4.2f cores  %ld\n",
                name, figure.msPerRepaint, figure.msPerRepaint / reference.msPerRepaint,
                figure.cpuMsPerRepaint, figure.cpuMsPerRepaint / reference.cpuMsPerRepaint,
                figure.cores, figure.repaints);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    QApplication application(argc, argv);

    std::vector<unsigned char> payload(CPacket::kMaxSplitPayload);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<unsigned char>(i * 7);
    }
    CPacket packet;
    packet.SetPacket(0xA5, payload.data(), static_cast<int>(payload.size()));
    CHexViewFrame frame(nullptr);
    frame.ShowPacket(&packet);
    frame.show();
    QApplication::processEvents();
    CHexViewCtrl& view = *frame.GetView();
    const HexLayout& layout = view.GetState().GetLayout();

    QPlainTextEdit reference;
    reference.setFont(view.GetViewFont());
    reference.setLineWrapMode(QPlainTextEdit::NoWrap);
    reference.setPlainText(PageText(view.GetState()));
    reference.resize(view.size());
    reference.show();
    QApplication::processEvents();

    std::printf("packet of %d bytes, view %dx%d: %d units a line, %d lines a page, %d lines\n",
                packet.GetLength(), view.width(), view.height(), layout.unitsPerLine,
                layout.visibleRows, view.GetState().ScrollMax() + layout.visibleRows);
    QScrollBar* bar = view.GetScrollBar();
    const std::vector<Figure> figures =
        Measure(seconds, {[&] { reference.viewport()->repaint(); }, [&] { view.repaint(); },
                          [&] {
                              bar->setValue(bar->value() < bar->maximum() ? bar->value() + 1 : 0);
                              view.repaint();
                          }});
    const Figure& text = figures[0];
    std::printf("%-36s %-21s | %-21s | %s\n", "per repaint", "wall clock", "CPU time",
                "cores, repaints");
    Print("reference: text edit, same page", text, text);
    Print("hex view: repaint the page", figures[1], text);
    Print("hex view: scroll one line, repaint", figures[2], text);
    return 0;
}
