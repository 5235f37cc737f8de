#pragma once
// The lines of the traffic list, without the window. Lines are added from two threads (the
// receive thread and the user-interface thread) and wait in a pending batch under the lock;
// the user-interface thread moves each batch into the list on its own turn. So a thread that
// adds a line never waits for the user-interface thread, and the list's order is the order in
// which AddPacket took the lock.

#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "device/wirekit/CriticalSection.h"

class CPacket;

struct TrafficLine {
    std::time_t time = 0;  // when the line was added
    bool sent = false;
    std::unique_ptr<CPacket> packet;  // the line's own copy
};

class CTrafficLog {
public:
    using Clock = std::function<std::time_t()>;
    using Notify = std::function<void()>;

    // onPending is called on the adding thread, outside the lock, when a line arrives while no
    // batch is pending; it must not wait for the user-interface thread.
    explicit CTrafficLog(Notify onPending = {}, Clock clock = {});
    ~CTrafficLog();

    CTrafficLog(const CTrafficLog&) = delete;
    CTrafficLog& operator=(const CTrafficLog&) = delete;

    // Any thread. Keeps a copy of the packet (its buffer trimmed to the payload, so a million
    // lines stay small). False, and no line, when there is no packet or the copy fails.
    bool AddPacket(const CPacket* packet, bool sent);

    // User-interface thread: takes the pending batch, which Append then adds to the list. The
    // two steps are apart so that a model can announce the rows between them.
    std::vector<TrafficLine> TakePending();
    void Append(std::vector<TrafficLine>&& lines);
    // User-interface thread: drops every line, pending ones included.
    void Clear();

    // User-interface thread: the lines already moved into the list.
    int GetCount() const { return static_cast<int>(m_lines.size()); }
    const TrafficLine& GetLine(int index) const { return m_lines[static_cast<std::size_t>(index)]; }

private:
    Notify m_onPending;
    Clock m_clock;
    Wirekit::Win32::CCriticalSection m_lock;
    std::vector<TrafficLine> m_pending;  // guarded by m_lock
    std::deque<TrafficLine> m_lines;     // user-interface thread only
};
