#include "app/ReconnectWatch.h"

#include "device/VXDevice.h"

void CReconnectWatch::Watch(int typeIndex, int number) {
    m_watching = typeIndex >= 0 && number >= 0;
    m_typeIndex = typeIndex;
    m_number = number;
}

bool CReconnectWatch::Tick() {
    if (!m_watching) {
        return false;
    }
    if (m_channel.IsOpen()) {
        m_watching = false;
        return false;
    }
    if (m_channel.Open(static_cast<unsigned>(m_typeIndex), m_number) != 1) {
        return false;
    }
    m_watching = false;
    return true;
}
