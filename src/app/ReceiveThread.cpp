#include "app/ReceiveThread.h"

#include <string>

#include "app/TrafficText.h"
#include "device/VXDevice.h"
#include "packet/Packet.h"
#include "settings/LogFile.h"

CReceiveThread::CReceiveThread(CVXDevice& device, CLogFile& log, IReceiveSink& sink)
    : m_device(device), m_log(log), m_sink(sink) {}

CReceiveThread::~CReceiveThread() {
    Stop();
}

void CReceiveThread::Stop() {
    m_stop.store(true);
    Join();
}

int CReceiveThread::Run() {
    ReceiveLoop();
    return 0;
}

void CReceiveThread::ReceiveLoop() {
    while (!m_stop.load()) {
        // The channel has no way to wake us for shut-down, so the wait is cut into slices.
        if (m_device.WaitPacket(kStopCheckMs) != 0) {
            ReceiveLoopStep();
        }
    }
}

int CReceiveThread::ReceiveLoopStep() {
    if (!m_device.IsOpen()) {
        if (!m_lostReported.exchange(true)) {
            m_sink.DeviceLost();
        }
        return 0;
    }
    CPacket packet;
    int taken = 0;
    while (!m_stop.load() && m_device.TakePacket(&packet)) {
        const std::string text = FormatLogText(false, packet);
        m_log.Write(text.c_str(), packet.GetLength(), packet.GetData());
        m_sink.PacketReceived(packet);
        ++taken;
    }
    return taken;
}
