#pragma once
// The lines of the traffic list, without the window. Lines are added from two threads (the
// receive thread and the user-interface thread) and wait in a pending batch under the lock;
// the user-interface thread moves each batch into the list on its own turn. So a thread that
// adds a line never waits for the user-interface thread, and the list's order is the order in
// which AddPacket took the lock.
//
// The list may be bounded: when a batch would take it past its most lines, the oldest lines
// leave first, a tenth of the bound at a time, so that lines leave seldom and in large steps.
// The log file and captures are written elsewhere and keep every packet.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "app/TrafficStore.h"
#include "device/wirekit/CriticalSection.h"

class CPacket;

// The lines of a list that has count lines that must leave before incoming more come in,
// under a bound of maxLines (0: none): none while they fit, else whole tenths of the bound,
// never more than the list holds.
std::size_t LinesLeavingForBound(std::size_t count, std::size_t incoming, std::size_t maxLines);

// The lines added since the user-interface thread last took them.
struct PendingLines {
    CTrafficStore lines;
    std::size_t dropped = 0;  // more than the bound allows waited: the oldest left at once
};

class CTrafficLog {
public:
    using Clock = std::function<std::int64_t()>;  // microseconds since 1970-01-01 00:00 UTC
    using Notify = std::function<void()>;

    // onPending is called on the adding thread, outside the lock, when a line arrives while no
    // batch is pending; it must not wait for the user-interface thread.
    explicit CTrafficLog(Notify onPending = {}, Clock clock = {});
    ~CTrafficLog();

    CTrafficLog(const CTrafficLog&) = delete;
    CTrafficLog& operator=(const CTrafficLog&) = delete;

    // Any thread. Keeps a copy of the packet's command and payload with the time and the
    // direction. False, and no line, when there is no packet or memory runs out.
    bool AddPacket(const CPacket* packet, bool sent);
    // Any thread. At most this many lines in the list (0: no bound).
    void SetMaxLines(std::size_t maxLines);

    // User-interface thread: takes the pending batch; LinesToDrop tells how many of the list's
    // oldest lines must leave for it (DropOldest), and Append then adds it. The steps are apart
    // so that a model can announce the rows between them.
    PendingLines TakePending();
    std::size_t LinesToDrop(std::size_t incoming) const;
    void DropOldest(std::size_t count);
    // Returns the lines added: all of the batch unless memory ran out.
    std::size_t Append(PendingLines&& batch);
    // User-interface thread: drops every line, pending ones included.
    void Clear();
    // User-interface thread: the list becomes these lines (read from a file).
    void Load(CTrafficStore&& lines);

    // User-interface thread: the lines already moved into the list.
    std::size_t GetCount() const { return m_lines.GetCount(); }
    TrafficLine GetLine(std::size_t index) const { return m_lines.GetLine(index); }
    const CTrafficStore& GetLines() const { return m_lines; }
    // Lines that left through the bound since the list was last cleared.
    std::size_t GetDroppedCount() const { return m_dropped; }

private:
    std::size_t GetMaxLines() const;

    Notify m_onPending;
    Clock m_clock;
    mutable Wirekit::Win32::CCriticalSection m_lock;
    PendingLines m_pending;      // guarded by m_lock
    std::size_t m_maxLines = 0;  // guarded by m_lock
    CTrafficStore m_lines;       // user-interface thread only
    std::size_t m_dropped = 0;   // user-interface thread only
};
