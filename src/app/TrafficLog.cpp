#include "app/TrafficLog.h"

#include <algorithm>
#include <iterator>
#include <new>

#include "packet/Packet.h"

namespace {

// CopyFrom keeps the source's buffer size, and received packets grow in 4 KiB steps; a line
// lives as long as the list, so its copy keeps only the payload.
std::unique_ptr<CPacket> MakeLineCopy(const CPacket& packet) {
    std::unique_ptr<CPacket> copy(new (std::nothrow) CPacket());
    if (!copy || !copy->CopyFrom(&packet)) {
        return nullptr;
    }
    if (copy->GetCapacity() > std::max(copy->GetLength(), 1) &&
        !copy->Reserve(std::max(copy->GetLength(), 1))) {
        return nullptr;
    }
    return copy;
}

}  // namespace

CTrafficLog::CTrafficLog(Notify onPending, Clock clock)
    : m_onPending(std::move(onPending)), m_clock(std::move(clock)) {
    if (!m_clock) {
        m_clock = [] { return std::time(nullptr); };
    }
}

CTrafficLog::~CTrafficLog() = default;

bool CTrafficLog::AddPacket(const CPacket* packet, bool sent) {
    if (packet == nullptr) {
        return false;
    }
    bool first = false;
    {
        Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
        TrafficLine line;
        line.packet = MakeLineCopy(*packet);
        if (!line.packet) {
            return false;
        }
        line.time = m_clock();
        line.sent = sent;
        first = m_pending.empty();
        m_pending.push_back(std::move(line));
    }
    if (first && m_onPending) {
        m_onPending();
    }
    return true;
}

std::vector<TrafficLine> CTrafficLog::TakePending() {
    std::vector<TrafficLine> batch;
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    batch.swap(m_pending);
    return batch;
}

void CTrafficLog::Append(std::vector<TrafficLine>&& lines) {
    std::move(lines.begin(), lines.end(), std::back_inserter(m_lines));
    lines.clear();
}

void CTrafficLog::Clear() {
    std::vector<TrafficLine> pending;
    std::deque<TrafficLine> lines;
    {
        Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
        pending.swap(m_pending);
    }
    lines.swap(m_lines);
    // The packets are freed here, outside the lock, so the receive thread is not held up.
}
