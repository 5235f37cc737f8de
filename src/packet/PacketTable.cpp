#include "packet/PacketTable.h"

#include <cstring>
#include <new>
#include <string>

#include "settings/PathUtil.h"

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

}  // namespace

CPacketHolder::CPacketHolder() = default;

CPacketHolder::~CPacketHolder() = default;

const char* CPacketHolder::Parse(const char* position) {
    m_text.clear();
    m_source.clear();
    m_key = -1;
    if (position == nullptr) {
        return nullptr;
    }
    const char* dollar = std::strchr(position, '$');
    if (dollar == nullptr || dollar[1] == '\0') {
        return nullptr;
    }
    bool inComment = false;
    bool inParameter = false;
    int lineBreaks = 0;
    std::size_t runStart = 0;
    const char* scan = dollar + 2;
    for (; *scan != '\0' && *scan != '$'; ++scan) {
        char c = *scan;
        if (c == ';' && !inParameter) {
            inComment = true;
            lineBreaks = 0;
        } else if (inComment) {
            lineBreaks = (c == '\r' || c == '\n') ? lineBreaks + 1 : 0;
            inComment = lineBreaks < 2;
        } else if (c == '&') {
            runStart = m_text.size();
            m_text.push_back('&');
            inParameter = !inParameter;
        } else if (inParameter || IsHexDigit(c)) {
            m_text.push_back(c);
        }
    }
    if (inParameter) {
        m_text.resize(runStart);
    }
    m_key = static_cast<signed char>(dollar[1]);
    m_source.assign(position, scan);
    return scan;
}

namespace {

constexpr int kKeyOffset = 128;  // keys run from -128 to 127

}  // namespace

CPacketTable::CPacketTable() {
    m_firstByKey.fill(-1);
}

CPacketTable::~CPacketTable() = default;

int CPacketTable::Load(const char* path, const char* name) {
    Clear();
    if (path == nullptr) {
        return 0;
    }
    // The text ends at its first NUL byte, as the parser reads it.
    std::string text;
    if (PathUtil::ReadFileBytes(path, text) != PathUtil::ReadResult::Read) {
        return 0;
    }
    const char* position = text.c_str();
    for (;;) {
        std::unique_ptr<CPacketHolder> holder(new (std::nothrow) CPacketHolder);
        if (!holder) {
            break;
        }
        position = holder->Parse(position);
        if (position == nullptr) {
            break;
        }
        int& first = m_firstByKey[static_cast<std::size_t>(holder->GetKey() + kKeyOffset)];
        if (first < 0) {
            first = GetCount();
        }
        m_records.push_back(std::move(holder));
    }
    m_name = name != nullptr ? name : "";
    return 1;
}

CPacketHolder* CPacketTable::Find(int key) {
    if (key < -kKeyOffset || key >= kKeyOffset) {
        return nullptr;
    }
    return GetHolder(m_firstByKey[static_cast<std::size_t>(key + kKeyOffset)]);
}

void CPacketTable::Clear() {
    m_records.clear();
    m_firstByKey.fill(-1);
}

CPacketHolder* CPacketTable::GetHolder(int index) {
    if (index < 0 || index >= GetCount()) {
        return nullptr;
    }
    return m_records[static_cast<std::size_t>(index)].get();
}
