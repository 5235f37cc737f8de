#include "settings/Config.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

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
    auto found = m_sectionIndex.find(name);
    return found != m_sectionIndex.end() ? &m_sections[found->second] : nullptr;
}

ConfigSection& CConfig::AppendSection(const std::string& name) {
    m_sectionIndex.emplace(name, m_sections.size());
    m_entryIndex.emplace_back();
    m_sections.push_back(ConfigSection{name, {}});
    return m_sections.back();
}

const ConfigSection* CConfig::FindSection(const std::string& name) const {
    return const_cast<CConfig*>(this)->FindSection(name);
}

int CConfig::Load(const char* fileName) {
    m_fileName = Text(fileName);
    Clear();
    m_partlyRead = false;
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
    m_partlyRead = position < content.size();
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
    std::string path = GetPath();
    std::error_code error;
    // A link stays a link: the file it points to is the one replaced.
    if (std::filesystem::is_symlink(path, error)) {
        std::filesystem::path target = std::filesystem::canonical(path, error);
        if (error) {
            return 0;
        }
        path = target.string();
    }
    // A file the user may not write to stays as it is, as it would if it were written in place.
    if (FilePtr existing{std::fopen(path.c_str(), "rb")}) {
        if (!FilePtr(std::fopen(path.c_str(), "r+b"))) {
            return 0;
        }
    }
    if (m_partlyRead && !KeepUnreadFile(path)) {
        return 0;
    }
    // The new text goes beside the old file and takes its place only when it is whole.
    std::string temporary = path + ".saving";
    if (!WriteFile(temporary)) {
        std::remove(temporary.c_str());
        return 0;
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::remove(temporary.c_str());
        return 0;
    }
    return 1;
}

// The file as the user left it, before the first save replaces what was never read in it.
bool CConfig::KeepUnreadFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        m_partlyRead = false;  // nothing left to lose
        return true;
    }
    std::string backup = path + ".bak";
    std::filesystem::copy_file(path, backup, std::filesystem::copy_options::overwrite_existing,
                               error);
    if (error) {
        std::fprintf(stderr,
                     "%s: не все строки прочитаны (нужны концы строк CR LF), а копию "
                     "файла сохранить не удалось; файл не перезаписан\n",
                     path.c_str());
        return false;
    }
    std::fprintf(stderr,
                 "%s: не все строки прочитаны (нужны концы строк CR LF); прежний файл "
                 "сохранён как %s\n",
                 path.c_str(), backup.c_str());
    m_partlyRead = false;
    return true;
}

bool CConfig::WriteFile(const std::string& path) const {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return false;
    }
    std::string text;
    for (const ConfigSection& section : m_sections) {
        text += "[" + section.name + "]\r\n";
        for (const ConfigEntry& entry : section.entries) {
            text += entry.key == kCommentKey ? ";" : entry.key + "=";
            text += entry.value + "\r\n";
        }
        text += "\r\n";
    }
    if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size() ||
        std::fflush(file.get()) != 0) {
        return false;
    }
    // On the disk before it replaces the old file, so that a crash leaves one whole file or
    // the other.
#ifdef _WIN32
    bool synced = _commit(_fileno(file.get())) == 0;
#else
    bool synced = ::fsync(fileno(file.get())) == 0;
#endif
    return std::fclose(file.release()) == 0 && synced;
}

int CConfig::GetValue(const char* section, const char* key, std::string& out) const {
    if (key == nullptr || *key == '\0') {
        return 0;
    }
    auto where = m_sectionIndex.find(Text(section));
    if (where == m_sectionIndex.end()) {
        return 0;
    }
    const Index& keys = m_entryIndex[where->second];
    auto entry = keys.find(key);
    if (entry == keys.end()) {
        return 0;
    }
    out = m_sections[where->second].entries[entry->second].value;
    return 1;
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
    auto found = m_sectionIndex.find(sectionName);
    std::size_t position = found != m_sectionIndex.end() ? found->second : m_sections.size();
    if (found == m_sectionIndex.end()) {
        AppendSection(sectionName);
    }
    ConfigSection& target = m_sections[position];
    // A repeated key replaces the value of the first; comments are always appended.
    if (keyName != kCommentKey) {
        auto [entry, added] = m_entryIndex[position].emplace(keyName, target.entries.size());
        if (!added) {
            target.entries[entry->second].value = Text(value);
            return 1;
        }
    }
    target.entries.push_back(ConfigEntry{keyName, Text(value)});
    return 1;
}

int CConfig::AddSection(const char* name) {
    std::string sectionName = Text(name);
    if (sectionName.empty() || FindSection(sectionName) != nullptr) {
        return 0;
    }
    AppendSection(sectionName);
    return 1;
}

void CConfig::Clear() {
    m_sections.clear();
    m_sectionIndex.clear();
    m_entryIndex.clear();
}
