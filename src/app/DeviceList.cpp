#include "app/DeviceList.h"

#include "device/VXDevice.h"

std::uint32_t DeviceRow::GetValue() const {
    return static_cast<std::uint32_t>(typeIndex) << 16 | static_cast<std::uint16_t>(number);
}

const char* DeviceStateText(bool busy) {
    return busy ? "Занято" : "Свободно";
}

UnitState ProbeUnit(CVXDevice& probe, int typeIndex, int number) {
    if (probe.Open(static_cast<unsigned>(typeIndex), number)) {
        probe.Close();
        return UnitState::Free;
    }
    return probe.IsUnitPresent(static_cast<unsigned>(typeIndex), number) ? UnitState::Busy
                                                                         : UnitState::Absent;
}

CDeviceList::CDeviceList(CVXDevice& channel) : m_channel(channel) {}

void CDeviceList::Fill(CVXDevice& probe) {
    m_rows.clear();
    for (int type = 0; type <= 1; ++type) {
        for (int number = 0; number < kProbedUnits; ++number) {
            const DeviceRow row{type, number};
            // The channel's own unit is listed without probing (the probe could not open it).
            if (!IsChannelUnit(row)) {
                if (ProbeUnit(probe, type, number) != UnitState::Free) {
                    continue;
                }
            }
            m_rows.push_back(row);
        }
    }
}

bool CDeviceList::IsChannelUnit(const DeviceRow& unit) const {
    return m_channel.IsOpen() && m_channel.GetTypeIndex() == unit.typeIndex &&
           m_channel.GetNumber() == unit.number;
}

bool CDeviceList::IsOpenUnit(int row) const {
    return IsRow(row) && IsChannelUnit(m_rows[static_cast<std::size_t>(row)]);
}

bool CDeviceList::Connect(int row) {
    if (!IsRow(row)) {
        return true;
    }
    // The new unit is opened before the old one is let go: one that cannot be opened costs
    // nothing, and the receive thread never sees the channel closed for a switch.
    const DeviceRow& chosen = m_rows[static_cast<std::size_t>(row)];
    if (m_channel.Switch(static_cast<unsigned>(chosen.typeIndex), chosen.number) != 1) {
        m_rows.erase(m_rows.begin() + row);
        return false;
    }
    return true;
}

void CDeviceList::Disconnect(int row) {
    if (!IsRow(row)) {
        return;
    }
    m_channel.Close();
}

bool CDeviceList::Toggle(int row) {
    if (IsOpenUnit(row)) {
        Disconnect(row);
        return true;
    }
    return Connect(row);
}
