#include "settings/Config.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "settings/ConfigText.h"
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

bool WriteFile(const std::string& path, const std::string& text) {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return false;
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
    m_diskText.clear();
    m_diskKnown = false;
    m_editedByHand = false;
    m_setKeys.clear();
    std::string content;
    if (m_fileName.empty()) {
        return 0;
    }
    // A read error ends reading; what came before it is kept.
    const PathUtil::ReadResult read = PathUtil::ReadFileBytes(GetPath(), content);
    if (read == PathUtil::ReadResult::CannotOpen) {
        return 0;
    }
    Parse(content);
    m_diskText = content;
    m_diskKnown = read == PathUtil::ReadResult::Read;
    return 1;
}

void CConfig::Parse(const std::string& content) {
    Clear();
    std::string current;
    std::size_t position = 0;
    // Only complete lines count: whatever follows the last CR LF is not read.
    for (std::size_t end; (end = content.find("\r\n", position)) != std::string::npos;
         position = end + 2) {
        ReadLine(content.substr(position, end - position), current);
    }
    m_partlyRead = position < content.size();
}

void CConfig::ReadLine(const std::string& raw, std::string& current) {
    const ConfigLine line = InterpretConfigLine(raw);
    switch (line.kind) {
        case ConfigLine::Kind::Header:
            // A repeated section loses everything up to the next header: the first one wins.
            current = AddSection(line.name.c_str()) ? line.name : std::string();
            break;
        case ConfigLine::Kind::Comment:
        case ConfigLine::Kind::Entry:
            if (!current.empty()) {
                const bool comment = line.kind == ConfigLine::Kind::Comment;
                SetEntry(current, comment ? kCommentKey : line.name, line.value.c_str());
            }
            break;
        case ConfigLine::Kind::Blank:
        case ConfigLine::Kind::Ignored:
            break;
    }
}

bool CConfig::FindWritablePath(std::string* path) const {
    if (m_fileName.empty()) {
        return false;
    }
    *path = GetPath();
    std::error_code error;
    // A link stays a link: the file it points to is the one replaced.
    if (std::filesystem::is_symlink(*path, error)) {
        std::filesystem::path target = std::filesystem::canonical(*path, error);
        if (error) {
            return false;
        }
        *path = target.string();
    }
    // A file the user may not write to stays as it is, as it would if it were written in place.
    if (FilePtr existing{std::fopen(path->c_str(), "rb")}) {
        if (!FilePtr(std::fopen(path->c_str(), "r+b"))) {
            return false;
        }
    }
    return true;
}

int CConfig::Save() {
    std::string path;
    if (!FindWritablePath(&path)) {
        return 0;
    }
    // Edited by hand since it was read or saved: the program's keys go into the file as it is,
    // now and at every later save, so that the user's way of writing it stays.
    std::string onDisk;
    if (PathUtil::ReadFileBytes(path, onDisk) == PathUtil::ReadResult::Read &&
        (!m_diskKnown || onDisk != m_diskText || m_editedByHand)) {
        return SaveIntoEditedFile(path, onDisk);
    }
    return SaveModel(path);
}

int CConfig::SaveSetKeys() {
    std::string path;
    if (!FindWritablePath(&path)) {
        return 0;
    }
    std::string onDisk;
    switch (PathUtil::ReadFileBytes(path, onDisk)) {
        case PathUtil::ReadResult::Read:
            return SaveIntoEditedFile(path, onDisk);
        case PathUtil::ReadResult::CannotOpen:
            return SaveModel(path);  // no file yet (or none left): nothing in it to keep
        case PathUtil::ReadResult::ReadFailed:
        case PathUtil::ReadResult::TooLong:
            break;
    }
    return 0;
}

int CConfig::SaveModel(const std::string& path) {
    if (m_partlyRead && !KeepUnreadFile(path)) {
        return 0;
    }
    const std::string text = MakeText();
    if (!ReplaceFile(path, text)) {
        return 0;
    }
    Saved(text);
    return 1;
}

int CConfig::SaveIntoEditedFile(const std::string& path, const std::string& onDisk) {
    std::vector<ConfigChange> changes;
    for (const auto& [section, key] : m_setKeys) {
        std::string value;
        GetValue(section.c_str(), key.c_str(), value);
        changes.push_back({section, key, value});
    }
    const std::string text = MergeConfigText(onDisk, changes);
    if (!ReplaceFile(path, text)) {
        return 0;
    }
    Parse(text);  // the user's edits are the model's from now on
    Saved(text);
    m_editedByHand = true;
    return 1;
}

void CConfig::Saved(const std::string& text) {
    m_diskText = text;
    m_diskKnown = true;
    m_setKeys.clear();
}

// The new text goes beside the old file and takes its place only when it is whole.
bool CConfig::ReplaceFile(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".saving";
    std::error_code error;
    if (WriteFile(temporary, text)) {
        std::filesystem::rename(temporary, path, error);
        if (!error) {
            return true;
        }
    }
    std::remove(temporary.c_str());
    return false;
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

std::string CConfig::MakeText() const {
    std::string text;
    for (const ConfigSection& section : m_sections) {
        text += "[" + section.name + "]\r\n";
        for (const ConfigEntry& entry : section.entries) {
            text += entry.key == kCommentKey ? ";" : entry.key + "=";
            text += entry.value + "\r\n";
        }
        text += "\r\n";
    }
    return text;
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
    const std::string sectionName = Text(section);
    const std::string keyName = Text(key);
    if (!SetEntry(sectionName, keyName, value)) {
        return 0;
    }
    std::pair<std::string, std::string> set{sectionName, keyName};
    if (keyName != kCommentKey &&
        std::find(m_setKeys.begin(), m_setKeys.end(), set) == m_setKeys.end()) {
        m_setKeys.push_back(std::move(set));
    }
    return 1;
}

int CConfig::SetEntry(const std::string& sectionName, const std::string& keyName,
                      const char* value) {
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
