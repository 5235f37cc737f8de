#include "app/ReceiveThread.h"

#include <algorithm>
#include <string>

#include "app/PacketLogLine.h"
#include "device/VXDevice.h"
#include "device/wirekit/Platform.h"
#include "packet/Packet.h"
#include "settings/LogFile.h"

CReceiveThread::CReceiveThread(CVXDevice& device, CLogFile& log, IReceiveSink& sink)
    : m_device(device), m_log(log), m_sink(sink) {
    m_device.AttachReceiver();
}

CReceiveThread::~CReceiveThread() {
    Stop();
}

void CReceiveThread::Stop() {
    if (m_stop.exchange(true)) {
        return;  // stopped already: the owner's first call joined and detached
    }
    m_device.InterruptWait();
    Join();
    m_device.DetachReceiver();
}

int CReceiveThread::Run() {
    ReceiveLoop();
    return 0;
}

void CReceiveThread::ReceiveLoop() {
    for (;;) {
        m_device.WaitPacket(Wirekit::Win32::kInfinite);
        if (m_stop.load()) {
            break;  // woken by Stop, not by the channel
        }
        ReceiveLoopStep();
    }
    // Packets held back for a send that ended just before the stop.
    if (!IsSending()) {
        WriteHeld();
    }
}

CReceiveThread::CSendScope::CSendScope(CReceiveThread& receiver) : m_receiver(receiver) {
    m_receiver.m_sending.fetch_add(1);
}

CReceiveThread::CSendScope::~CSendScope() {
    m_receiver.m_sending.fetch_sub(1);
    m_receiver.m_device.InterruptWait();  // the lines held back meanwhile go out now
}

void CReceiveThread::TakeWaiting() {
    const int limit = std::min(m_heldCount + CVXDevice::kQueueSlots - 1, kHoldLimit);
    while (m_heldCount < limit) {
        if (static_cast<std::size_t>(m_heldCount) == m_held.size()) {
            m_held.push_back(std::make_unique<CPacket>());
        }
        if (!m_device.TakePacket(m_held[static_cast<std::size_t>(m_heldCount)].get())) {
            return;
        }
        ++m_heldCount;
    }
}

int CReceiveThread::WriteHeld() {
    const int count = m_heldCount;
    for (int i = 0; i < count; ++i) {
        const CPacket& packet = *m_held[static_cast<std::size_t>(i)];
        WritePacketLog(m_log, false, packet);
        m_sink.PacketReceived(packet);
        m_received.fetch_add(1, std::memory_order_relaxed);
    }
    m_heldCount = 0;
    if (m_held.size() > kKeptSlots) {
        m_held.resize(kKeptSlots);  // a long send's slots are not kept for the life of the thread
    }
    return count;
}

int CReceiveThread::ReceiveLoopStep() {
    // The loss is read first: the reader queues the unit's last packets before it marks the
    // unit lost, so they are all logged and listed before the user hears of the loss.
    m_lostPending = m_device.TakeUnitLost() || m_lostPending;
    int written = 0;
    while (!m_stop.load()) {
        // Empties the channel's small queue first and only then writes the lines: a reader
        // waiting for room goes on with a whole queue to fill while the lines are written,
        // instead of a packet or two at a time.
        TakeWaiting();
        if (m_heldCount == 0) {
            break;
        }
        // Looked at after the packets were taken: a packet the unit sent in answer to a send is
        // taken only after that send began, so either the send is still marked here, or its
        // "SEND" line is written already.
        if (IsSending()) {
            return written;
        }
        written += WriteHeld();  // what was taken is written, even when stopping
    }
    if (m_lostPending && m_heldCount == 0 && !IsSending()) {
        m_lostPending = false;
        m_sink.UnitLost();
        if (!m_lostReported.exchange(true)) {
            m_sink.DeviceLost();
        }
    }
    return written;
}
