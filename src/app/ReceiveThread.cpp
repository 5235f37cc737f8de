#include "app/ReceiveThread.h"

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
}

int CReceiveThread::ReceiveLoopStep() {
    // The loss is read first: the reader queues the unit's last packets before it marks the
    // unit lost, so they are all logged and listed before the user hears of the loss.
    const bool lost = m_device.TakeUnitLost();
    int taken = 0;
    while (!m_stop.load()) {
        // Empties the channel's small queue first and only then writes the lines: a reader
        // waiting for room goes on with a whole queue to fill while the lines are written,
        // instead of a packet or two at a time.
        int held = 0;
        while (held < kHeld && m_device.TakePacket(&m_held[held])) {
            ++held;
        }
        if (held == 0) {
            break;
        }
        for (int i = 0; i < held; ++i) {  // what was taken is written, even when stopping
            WritePacketLog(m_log, false, m_held[i]);
            m_sink.PacketReceived(m_held[i]);
            ++taken;
        }
    }
    if (lost) {
        m_sink.UnitLost();
        if (!m_lostReported.exchange(true)) {
            m_sink.DeviceLost();
        }
    }
    return taken;
}
