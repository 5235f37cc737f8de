#include "app/UnitStatus.h"

#include "device/VXDevice.h"

void CUnitStatus::Configured(int typeIndex, int number) {
    if (m_typeIndex < 0) {
        m_typeIndex = typeIndex;
        m_number = number;
    }
}

void CUnitStatus::Update(bool open, int typeIndex, int number, const PacketTotals& totals) {
    // The channel's state is read a piece at a time while its reader may close it: a unit with
    // no type or number is closed already.
    open = open && CVXDevice::TypeName(typeIndex) != nullptr && number >= 0;
    if (open && (!m_open || typeIndex != m_typeIndex || number != m_number)) {
        m_typeIndex = typeIndex;
        m_number = number;
        m_counting = true;
        m_start = totals;
    }
    m_open = open;
    m_now = totals;
}

std::string CUnitStatus::UnitText() const {
    return UnitStateText(m_open, m_typeIndex, m_number);
}

std::string CUnitStatus::CountsText() const {
    if (!m_counting) {
        return {};
    }
    return PacketCountsText(m_now.received - m_start.received, m_now.sent - m_start.sent);
}

std::string UnitStateText(bool open, int typeIndex, int number) {
    const char* type = CVXDevice::TypeName(typeIndex);
    if (type == nullptr || number < 0) {
        return "нет устройства";
    }
    return std::string(type) + " " + std::to_string(number) +
           (open ? ": подключено" : ": отключено");
}

std::string PacketCountsText(long long received, long long sent) {
    return "Принято: " + std::to_string(received) + "  Отправлено: " + std::to_string(sent);
}
