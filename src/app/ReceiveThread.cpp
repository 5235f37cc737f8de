#include "app/ReceiveThread.h"

#include <string>

#include "app/PacketLogLine.h"
#include "device/VXDevice.h"
#include "device/wirekit/Platform.h"
#include "packet/Packet.h"
#include "settings/LogFile.h"

CReceiveThread::CReceiveThread(CVXDevice& device, CLogFile& log, IReceiveSink& sink)
    : m_device(device), m_log(log), m_sink(sink) {}

CReceiveThread::~CReceiveThread() {
    Stop();
}

void CReceiveThread::Stop() {
    if (!m_stop.exchange(true)) {
        m_device.InterruptWait();
    }
    Join();
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
    CPacket packet;
    int taken = 0;
    while (!m_stop.load() && m_device.TakePacket(&packet)) {
        WritePacketLog(m_log, false, packet);
        m_sink.PacketReceived(packet);
        ++taken;
    }
    if (lost && !m_lostReported.exchange(true)) {
        m_sink.DeviceLost();
    }
    return taken;
}
