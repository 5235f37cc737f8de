#include "packet/PacketTable.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The whole file plus a terminating NUL; empty when it cannot be opened or read.
std::unique_ptr<char[]> ReadTextFile(const char* path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
    if (!file) {
        return nullptr;
    }
    std::unique_ptr<char[]> text;
    std::size_t size = 0;
    std::size_t capacity = 0;
    // Read in growing steps rather than trusting a size asked for beforehand: the file may be
    // written to while we read it, or be something whose size cannot be asked.
    for (;;) {
        if (size == capacity) {
            std::size_t grown = capacity == 0 ? 65536 : capacity * 2;
            std::unique_ptr<char[]> bigger(new (std::nothrow) char[grown + 1]);
            if (!bigger) {
                return nullptr;
            }
            if (size > 0) {
                std::memcpy(bigger.get(), text.get(), size);
            }
            text = std::move(bigger);
            capacity = grown;
        }
        std::size_t count = std::fread(text.get() + size, 1, capacity - size, file.get());
        size += count;
        if (count == 0) {
            break;
        }
    }
    if (std::ferror(file.get())) {
        return nullptr;
    }
    text[size] = '\0';
    return text;
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

CPacketTable::CPacketTable() = default;

CPacketTable::~CPacketTable() = default;

int CPacketTable::Load(const char* path, const char* name) {
    Clear();
    if (path == nullptr) {
        return 0;
    }
    std::unique_ptr<char[]> text = ReadTextFile(path);
    if (!text) {
        return 0;
    }
    const char* position = text.get();
    for (;;) {
        std::unique_ptr<CPacketHolder> holder(new (std::nothrow) CPacketHolder);
        if (!holder) {
            break;
        }
        position = holder->Parse(position);
        if (position == nullptr) {
            break;
        }
        m_records.push_back(std::move(holder));
    }
    m_name = name != nullptr ? name : "";
    return 1;
}

CPacketHolder* CPacketTable::Find(int key) {
    for (const auto& record : m_records) {
        if (record->GetKey() == key) {
            return record.get();
        }
    }
    return nullptr;
}

void CPacketTable::Clear() {
    m_records.clear();
}

CPacketHolder* CPacketTable::GetHolder(int index) {
    if (index < 0 || index >= GetCount()) {
        return nullptr;
    }
    return m_records[static_cast<std::size_t>(index)].get();
}
