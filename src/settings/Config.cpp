#include "settings/Config.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "settings/DecimalText.h"
#include "settings/PathUtil.h"

namespace {

std::string Text(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

CConfig::CConfig() : m_directory(PathUtil::CurrentDirectory()) {}

CConfig::~CConfig() = default;

std::string CConfig::GetPath() const {
    return PathUtil::Join(m_directory, m_fileName);
}

ConfigSection* CConfig::FindSection(const std::string& name) {
    for (ConfigSection& section : m_sections) {
        if (section.name == name) {
            return &section;
        }
    }
    return nullptr;
}

const ConfigSection* CConfig::FindSection(const std::string& name) const {
    return const_cast<CConfig*>(this)->FindSection(name);
}

int CConfig::Load(const char* fileName) {
    m_fileName = Text(fileName);
    Clear();
    std::string content;
    // A read error ends reading; what came before it is kept.
    if (m_fileName.empty() ||
        PathUtil::ReadFileBytes(GetPath(), content) == PathUtil::ReadResult::CannotOpen) {
        return 0;
    }
    std::string current;
    std::size_t position = 0;
    // Only complete lines count: whatever follows the last CR LF is not read.
    for (std::size_t end; (end = content.find("\r\n", position)) != std::string::npos;
         position = end + 2) {
        ReadLine(content.substr(position, end - position), current);
    }
    return 1;
}

void CConfig::ReadLine(const std::string& raw, std::string& current) {
    // Names and values are handed around as C strings: a NUL byte ends the line's text.
    std::string line = Trim(raw, 0, raw.find('\0'));
    if (line.empty()) {
        return;
    }
    if (line[0] == '[') {
        std::string name =
            line.back() == ']' && line.size() >= 2 ? Trim(line, 1, line.size() - 1) : std::string();
        if (!name.empty()) {
            // A repeated section loses everything up to the next header: the first one wins.
            current = AddSection(name.c_str()) ? name : std::string();
        }
        return;
    }
    if (current.empty()) {
        return;
    }
    if (line[0] == ';') {
        SetValue(current.c_str(), kCommentKey, line.c_str() + 1);
        return;
    }
    std::size_t equals = line.find('=');
    std::string key = Trim(line, 0, equals);
    std::string value = equals == std::string::npos ? std::string() : Trim(line, equals + 1);
    if (!key.empty()) {
        SetValue(current.c_str(), key.c_str(), value.c_str());
    }
}

int CConfig::Save() {
    if (m_fileName.empty()) {
        return 0;
    }
    FilePtr file(std::fopen(GetPath().c_str(), "wb"));
    if (!file) {
        return 0;
    }
    auto writeLine = [&file](const std::string& text) {
        std::string line = text + "\r\n";
        return std::fwrite(line.data(), 1, line.size(), file.get()) == line.size();
    };
    for (const ConfigSection& section : m_sections) {
        if (!writeLine("[" + section.name + "]")) {
            return 0;
        }
        for (const ConfigEntry& entry : section.entries) {
            bool comment = entry.key == kCommentKey;
            if (!writeLine(comment ? ";" + entry.value : entry.key + "=" + entry.value)) {
                return 0;
            }
        }
        if (!writeLine(std::string())) {
            return 0;
        }
    }
    // Buffered lines reach the disk only here; a failure now is a failed write as well.
    return std::fclose(file.release()) == 0 ? 1 : 0;
}

int CConfig::GetValue(const char* section, const char* key, std::string& out) const {
    if (key == nullptr || *key == '\0') {
        return 0;
    }
    const ConfigSection* found = FindSection(Text(section));
    if (found == nullptr) {
        return 0;
    }
    for (const ConfigEntry& entry : found->entries) {
        if (entry.key == key) {
            out = entry.value;
            return 1;
        }
    }
    return 0;
}

int CConfig::GetInt(const char* section, const char* key, int defaultValue) const {
    std::string value;
    return GetValue(section, key, value) ? ParseDecimal(value) : defaultValue;
}

std::string CConfig::GetString(const char* section, const char* key,
                               const char* defaultValue) const {
    std::string value = Text(defaultValue);
    GetValue(section, key, value);
    return value;
}

int CConfig::SetValue(const char* section, const char* key, const char* value) {
    std::string sectionName = Text(section);
    std::string keyName = Text(key);
    if (sectionName.empty() || keyName.empty()) {
        return 0;
    }
    ConfigSection* found = FindSection(sectionName);
    if (found == nullptr) {
        m_sections.push_back(ConfigSection{sectionName, {}});
        found = &m_sections.back();
    }
    if (keyName != kCommentKey) {
        for (ConfigEntry& entry : found->entries) {
            if (entry.key == keyName) {
                entry.value = Text(value);
                return 1;
            }
        }
    }
    found->entries.push_back(ConfigEntry{keyName, Text(value)});
    return 1;
}

int CConfig::AddSection(const char* name) {
    std::string sectionName = Text(name);
    if (sectionName.empty() || FindSection(sectionName) != nullptr) {
        return 0;
    }
    m_sections.push_back(ConfigSection{sectionName, {}});
    return 1;
}

void CConfig::Clear() {
    m_sections.clear();
}
