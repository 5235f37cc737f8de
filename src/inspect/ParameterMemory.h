#pragma once
// The values last given for each record's parameters, kept while the program runs, so that the
// next send of the record offers them again. User-interface thread only; nothing is stored.
//
// Records are known by address: the owner forgets a file's records before it unloads the file,
// so that a record loaded later at the same address starts empty.

#include <map>
#include <string>
#include <vector>

#include "inspect/PacketParameters.h"

class CPacketHolder;
class CPacketTable;

class CParameterMemory {
public:
    // Fills in the values last given for this record; parameters stay as they are when there
    // are none (or the record's parameters are not the ones remembered).
    void Recall(const CPacketHolder* record, std::vector<PacketParameter>& parameters) const;
    void Remember(const CPacketHolder* record, const std::vector<PacketParameter>& parameters);
    void Forget(CPacketTable& file);
    void Clear() { m_values.clear(); }

private:
    std::map<const CPacketHolder*, std::vector<std::string>> m_values;
};
