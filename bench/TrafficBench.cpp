// How much traffic the receive path absorbs: the device channel's reader thread, the receive
// thread, the log file and the traffic list with its view, fed by the in-process simulator.
//
//   traffic_bench [seconds [paced|nolog|big|flat|list|bounded]]  (default 3 seconds, all parts)
//
// 1. The simulator sends numbered 62-byte packets (full 64-byte USB frames) at the USB
//    full-speed bulk rate, 19,000 a second, evenly paced, for the given time: lines shown,
//    lines lost, the CPU that the program's threads used (reader, receive and user-interface
//    thread; the simulator's sending thread is not counted), and how often the view repainted.
// 2. The same without a log file (each log line is flushed: one write to the disk per packet),
//    with a million lines in the list before the traffic starts, and with the simulator
//    sending as fast as it can.
// 3. The list alone: a thread adds 1,000,000 lines as fast as it can while the view follows
//    them; lines per second, repaints per second, and the heap the million lines hold.
// 4. A list bounded at 1,000,000 lines ([Main] MaxListLines), filled to its bound by the unit
//    sending as fast as it can, then 60 s of traffic at the full rate: the resident memory at
//    the half and at the end (the oldest lines leave, so it must not grow), and the packets the
//    log file missed (none).
// Prints plain figures; the program runs headless (offscreen) unless QT_QPA_PLATFORM says else.
//
// Figures on 2 cores shared with other work, the list before and after its lines went into one
// block of an arena each (packet bytes, direction and stamp), with the text made when painted:
//                                       before          after
//   list alone, 62-byte payloads        162 bytes/line  87 bytes/line
//   list alone, 8-byte payloads         113 bytes/line  32 bytes/line
//   bounded at 1,000,000, 60 s at 19,000 packets/s: resident memory +3.3 % from the half to the
//   end, 0 packets missing from the log (before the bound there was none: 7 GB an hour).

#include <malloc.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ThreadCpu.h"
#include "device/VXDevice.h"
#include "packet/Packet.h"
#include "sim/Simulator.h"
#include "ui/MainFrame.h"
#include "ui/TavrinView.h"
#include "ui/UserDialogs.h"

namespace {

class CSilentDialogs : public CUserDialogs {
public:
    void ShowMessage(QWidget*, const QString& text, const QString&, MessageIcon) override {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
    }
    QString GetOpenFileName(QWidget*, const QString&) override { return {}; }
    QString GetSaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
};

// Counts the repaints of a widget.
class CPaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    int paints = 0;
};

// Selects the last line once there is one, so the list follows (and scrolls) from then on.
void FollowFromNowOn(CTavrinView& view) {
    QAbstractItemModel* model = view.model();
    if (model->rowCount() > 0 && view.GetSelectedLine() < 0) {
        view.selectionModel()->select(
            model->index(model->rowCount() - 1, 0),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

// Runs the real event loop (it sleeps between events, as the program's does) and looks at the
// condition every 10 ms.
void RunEventsUntil(const std::function<bool()>& done, CTavrinView& view) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        FollowFromNowOn(view);
        if (done()) {
            loop.quit();
        }
    });
    check.start(10);
    loop.exec();
}

struct Setup {
    std::filesystem::path dir;
    std::unique_ptr<vxsim::Simulator> simulator;
    CSilentDialogs dialogs;
    std::unique_ptr<CMainFrame> frame;
    std::set<int> programThreads;  // the threads the program's receive path runs on
};

// maxListLines 0: the settings do not name the key.
void Start(Setup& setup, bool withLog = true, int maxListLines = 0) {
    setup.dir =
        std::filesystem::temp_directory_path() / ("tavrin-bench-" + std::to_string(getpid()));
    std::filesystem::remove_all(setup.dir);
    std::filesystem::create_directories(setup.dir / "dev");
    std::filesystem::current_path(setup.dir);
    setup.simulator = std::make_unique<vxsim::Simulator>((setup.dir / "dev").string());
    setup.simulator->SetEcho(false);
    setup.simulator->AddUnit(0, 0);
    std::ofstream("Tavrin.ini", std::ios::binary)
        << "[Main]\r\nDeviceType=0\r\nDeviceNumber=0\r\nLog="
        << (withLog ? (setup.dir / "bench.log").string() : std::string()) << "\r\n"
        << (maxListLines > 0 ? "MaxListLines=" + std::to_string(maxListLines) + "\r\n" : "")
        << "\r\n[Driver]\r\nDirectory=" << (setup.dir / "dev").string() << "\r\n\r\n";
    const std::set<int> before = ThreadIds();
    setup.frame = std::make_unique<CMainFrame>(setup.dialogs);
    setup.frame->show();
    QApplication::processEvents();
    setup.programThreads = NewThreads(before);
    setup.programThreads.insert(static_cast<int>(gettid()));
}

void Finish(Setup& setup) {
    setup.frame.reset();
    setup.simulator.reset();
    std::filesystem::current_path("/");
    std::filesystem::remove_all(setup.dir);
}

// Lines added straight to the list from another thread, as fast as it takes them.
void Prefill(CTavrinView& view, int count, int payloadLength) {
    std::thread producer([&] {
        std::vector<unsigned char> payload(static_cast<std::size_t>(payloadLength), 0x5A);
        CPacket packet;
        for (int i = 0; i < count; ++i) {
            packet.SetPacket(0x42, payload.data(), payloadLength);
            view.AddPacket(&packet, false);
        }
    });
    const int target = view.model()->rowCount() + count;
    RunEventsUntil([&] { return view.model()->rowCount() == target; }, view);
    producer.join();
}

// The simulator sends numbered 62-byte packets on its USB 0 from a thread of its own: rate a
// second, evenly paced, or as fast as it can (rate 0), for the time given.
class CSender {
public:
    CSender(vxsim::Simulator& simulator, int rate, double seconds)
        : m_start(std::chrono::steady_clock::now()),
          m_thread([this, &simulator, rate, seconds] { Send(simulator, rate, seconds); }) {}
    ~CSender() { Join(); }
    bool IsSending() const { return m_sending.load(); }
    // Ends the sending before its time.
    void Stop() { m_stop = true; }
    long Join() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
        return m_sent.load();
    }

private:
    void Send(vxsim::Simulator& simulator, int rate, double seconds) {
        const long total = rate > 0 ? static_cast<long>(seconds * rate) : 0;
        unsigned char payload[62] = {};
        for (long i = 0; !m_stop.load() && (rate > 0 ? i < total
                                                     : std::chrono::steady_clock::now() - m_start <
                                                           std::chrono::duration<double>(seconds));
             ++i) {
            if (rate > 0) {
                const auto due = m_start + std::chrono::nanoseconds(i * 1000000000LL / rate);
                // Sleeping, not spinning: the sender must not take the program's CPU.
                std::this_thread::sleep_until(due);
            }
            std::memcpy(payload, &i, sizeof i);
            if (simulator.SendPacket(0, 0, 0x41, payload, sizeof payload)) {
                ++m_sent;
            }
        }
        m_sending = false;
    }

    std::chrono::steady_clock::time_point m_start;
    std::atomic<bool> m_sending{true};
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_sent{0};
    std::thread m_thread;
};

// Lets the last packets through: waits until the list has not changed for 300 ms.
void Settle(CTavrinView& view) {
    QElapsedTimer settle;
    settle.start();
    long last = -1;
    std::size_t lastDropped = 0;
    RunEventsUntil(
        [&] {
            const long now = view.model()->rowCount();
            const std::size_t dropped = view.GetModel()->GetDroppedCount();
            const bool still = now == last && dropped == lastDropped && settle.elapsed() > 300;
            if (now != last || dropped != lastDropped) {
                last = now;
                lastDropped = dropped;
                settle.restart();
            }
            return still;
        },
        view);
}

// Part 1 and 2: rate 0 sends as fast as the simulator can. With prefill, the list holds that
// many lines before the traffic starts.
void ReceivePath(double seconds, int rate, int prefill = 0, bool withLog = true) {
    Setup setup;
    Start(setup, withLog);
    CTavrinView& view = *setup.frame->GetTrafficView();
    if (prefill > 0) {
        Prefill(view, prefill, 62);
    }
    const long before = view.model()->rowCount();
    CPaintCounter painter;
    view.viewport()->installEventFilter(&painter);
    int insertions = 0;
    QObject::connect(view.model(), &QAbstractItemModel::rowsInserted, [&] { ++insertions; });

    const long long cpuBefore = CpuNs(setup.programThreads);
    std::map<int, long long> threadBefore;
    for (int id : setup.programThreads) {
        threadBefore[id] = ThreadCpuNs(id);
    }
    const auto start = std::chrono::steady_clock::now();
    CSender sender(*setup.simulator, rate, seconds);
    RunEventsUntil([&] { return !sender.IsSending(); }, view);
    const double sendSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long sent = sender.Join();
    Settle(view);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = (CpuNs(setup.programThreads) - cpuBefore) / 1e9;
    const long lines = view.model()->rowCount() - before;
    std::printf(
        "%-26s sent %7ld in %.2f s (%6.0f/s)  lines %7ld  lost %6ld  CPU %.2f core  "
        "repaints %4.1f/s  batches %4.1f/s\n",
        prefill > 0 ? "paced, list at 1,000,000:"
        : !withLog  ? "paced, no log file:"
        : rate > 0  ? "receive path, paced:"
                    : "receive path, flat out:",
        sent, sendSeconds, sent / sendSeconds, lines, sent - lines, cpu / wall,
        painter.paints / wall, insertions / wall);
    std::printf("   per thread (share of a core):");
    for (int id : setup.programThreads) {
        std::printf(" %s/%d %.2f", ThreadName(id).c_str(), id,
                    (ThreadCpuNs(id) - threadBefore[id]) / 1e9 / wall);
    }
    std::printf("\n");
    Finish(setup);
}

std::size_t HeapInUse() {
    // Chunks from the heap and those mapped on their own (large blocks).
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

long ResidentKiB() {
    std::ifstream in("/proc/self/statm");
    long size = 0, resident = 0;
    in >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Part 3.
void ListAlone(int count, int payloadLength) {
    Setup setup;
    Start(setup);
    setup.frame->GetDevice().Close();
    QApplication::processEvents();
    CTavrinView& view = *setup.frame->GetTrafficView();
    CPaintCounter painter;
    view.viewport()->installEventFilter(&painter);
    malloc_trim(0);
    const std::size_t heapBefore = HeapInUse();
    const long residentBefore = ResidentKiB();
    QElapsedTimer timer;
    timer.start();
    Prefill(view, count, payloadLength);
    const double seconds = timer.elapsed() / 1000.0;
    const double heapMiB = (HeapInUse() - heapBefore) / 1048576.0;
    const double residentMiB = (ResidentKiB() - residentBefore) / 1024.0;
    std::printf(
        "list alone, %d-byte payloads: %d lines in %.2f s (%.0f lines/s)  repaints %.1f/s  "
        "heap %.0f MiB (%.0f bytes a line)  resident +%.0f MiB\n",
        payloadLength, count, seconds, count / seconds, painter.paints / seconds, heapMiB,
        heapMiB * 1048576.0 / count, residentMiB);
    Finish(setup);
}

// Part 4.
void BoundedList(double seconds) {
    constexpr int kBound = 1000000;
    Setup setup;
    Start(setup, true, kBound);
    CTavrinView& view = *setup.frame->GetTrafficView();
    // Filled through the receive path rather than by a thread of the bench's own, whose heap
    // the simulator's sending thread would take over and touch page by page.
    long filled = 0;
    {
        CSender fill(*setup.simulator, 0, 3600);
        RunEventsUntil(
            [&] {
                return view.model()->rowCount() >= kBound || view.GetModel()->GetDroppedCount() > 0;
            },
            view);
        fill.Stop();
        filled = fill.Join();
    }
    Settle(view);
    const long residentFull = ResidentKiB();
    CSender sender(*setup.simulator, 19000, seconds);
    long residentHalf = 0;
    const auto start = std::chrono::steady_clock::now();
    RunEventsUntil(
        [&] {
            const double elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (residentHalf == 0 && elapsed >= seconds / 2) {
                residentHalf = ResidentKiB();
            }
            return !sender.IsSending();
        },
        view);
    const long sent = sender.Join() + filled;
    Settle(view);
    const long residentEnd = ResidentKiB();
    std::ifstream log(setup.dir / "bench.log", std::ios::binary);
    const long logged = static_cast<long>(
        std::count(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>(), '\n'));
    const auto* model = view.GetModel();
    std::printf(
        "list bounded at %d, filled, then %.0f s at 19,000/s: sent %ld  in the list %d (%zu left "
        "it)  lost in the log %ld\n   resident: full %.0f MiB, at %.0f s %.0f MiB, at %.0f s "
        "%.0f MiB (%+.1f %% from the half)\n",
        kBound, seconds, sent, model->rowCount(), model->GetDroppedCount(), sent - logged,
        residentFull / 1024.0, seconds / 2, residentHalf / 1024.0, seconds, residentEnd / 1024.0,
        100.0 * (residentEnd - residentHalf) / residentHalf);
    Finish(setup);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    QApplication application(argc, argv);
    const std::string only = argc > 2 ? argv[2] : "";
    if (only.empty() || only == "paced") {
        ReceivePath(seconds, 19000);
    }
    if (only.empty() || only == "nolog") {
        ReceivePath(seconds, 19000, 0, false);
    }
    if (only.empty() || only == "big") {
        ReceivePath(seconds, 19000, 1000000);
    }
    if (only.empty() || only == "flat") {
        ReceivePath(seconds, 0);
    }
    if (only.empty() || only == "list") {
        ListAlone(1000000, 62);
        ListAlone(1000000, 8);
    }
    if (only.empty() || only == "bounded") {
        BoundedList(only.empty() ? 60.0 : seconds);
    }
    return 0;
}
