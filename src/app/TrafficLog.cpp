#include "app/TrafficLog.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "packet/Packet.h"

std::size_t LinesLeavingForBound(std::size_t count, std::size_t incoming, std::size_t maxLines) {
    if (maxLines == 0 || count + incoming <= maxLines) {
        return 0;
    }
    const std::size_t step = std::max<std::size_t>(maxLines / 10, 1);
    const std::size_t steps = (count + incoming - maxLines + step - 1) / step;
    return std::min(count, steps * step);
}

CTrafficLog::CTrafficLog(Notify onPending, Clock clock)
    : m_onPending(std::move(onPending)), m_clock(std::move(clock)) {
    if (!m_clock) {
        m_clock = [] {
            return static_cast<std::int64_t>(
                std::chrono::duration_cast<std::chrono::microseconds>(
                    std::chrono::system_clock::now().time_since_epoch())
                    .count());
        };
    }
}

CTrafficLog::~CTrafficLog() = default;

void CTrafficLog::SetMaxLines(std::size_t maxLines) {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    m_maxLines = maxLines;
}

std::size_t CTrafficLog::GetMaxLines() const {
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    return m_maxLines;
}

bool CTrafficLog::AddPacket(const CPacket* packet, bool sent) {
    if (packet == nullptr) {
        return false;
    }
    TrafficLine line;
    line.sent = sent;
    line.command = static_cast<unsigned char>(packet->GetCommand());
    line.length = packet->GetLength();
    line.payload = packet->GetData();
    bool first = false;
    {
        Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
        line.time = m_clock();
        first = m_pending.lines.GetCount() == 0 && m_pending.dropped == 0;
        // Lines the list could not hold anyway leave before they cost memory: a user-interface
        // thread held up for a while must not make the batch outgrow the bound.
        const std::size_t leaving = LinesLeavingForBound(m_pending.lines.GetCount(), 1, m_maxLines);
        m_pending.lines.DropOldest(leaving);
        m_pending.dropped += leaving;
        if (!m_pending.lines.Append(line)) {
            return false;
        }
    }
    if (first && m_onPending) {
        m_onPending();
    }
    return true;
}

PendingLines CTrafficLog::TakePending() {
    PendingLines batch;
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    // Moved, not swapped: the pending store keeps its block size for the next batch.
    batch.lines = std::move(m_pending.lines);
    batch.dropped = std::exchange(m_pending.dropped, 0);
    return batch;
}

std::size_t CTrafficLog::LinesToDrop(std::size_t incoming) const {
    return LinesLeavingForBound(m_lines.GetCount(), incoming, GetMaxLines());
}

void CTrafficLog::DropOldest(std::size_t count) {
    count = std::min(count, m_lines.GetCount());
    m_lines.DropOldest(count);
    m_dropped += count;
}

std::size_t CTrafficLog::Append(PendingLines&& batch) {
    m_dropped += batch.dropped;
    const std::size_t added = m_lines.AppendAll(batch.lines);
    batch.lines.Clear();
    return added;
}

void CTrafficLog::Clear() {
    PendingLines pending;
    {
        Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
        std::swap(pending, m_pending);
    }
    m_lines.Clear();
    m_dropped = 0;
    // The pending lines are freed here, outside the lock, so the receive thread is not held up.
}

void CTrafficLog::Load(CTrafficStore&& lines) {
    Clear();
    m_lines = std::move(lines);
}
