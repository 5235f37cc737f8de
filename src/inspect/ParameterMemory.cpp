#include "inspect/ParameterMemory.h"

#include "packet/PacketTable.h"

void CParameterMemory::Recall(const CPacketHolder* record,
                              std::vector<PacketParameter>& parameters) const {
    const auto found = m_values.find(record);
    if (found == m_values.end() || found->second.size() != parameters.size()) {
        return;
    }
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        parameters[i].value = found->second[i];
    }
}

void CParameterMemory::Remember(const CPacketHolder* record,
                                const std::vector<PacketParameter>& parameters) {
    std::vector<std::string>& values = m_values[record];
    values.clear();
    for (const PacketParameter& parameter : parameters) {
        values.push_back(parameter.value);
    }
}

void CParameterMemory::Forget(CPacketTable& file) {
    for (int i = 0; i < file.GetCount(); ++i) {
        m_values.erase(file.GetHolder(i));
    }
}
