#include "settings/ConfigText.h"

#include <algorithm>
#include <map>
#include <utility>

#include "settings/DecimalText.h"

ConfigLine InterpretConfigLine(const std::string& raw) {
    ConfigLine line;
    std::size_t end = std::min(raw.find('\0'), raw.size());
    std::size_t begin = 0;
    while (begin < end && IsBlank(raw[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(raw[end - 1])) {
        --end;
    }
    if (begin == end) {
        return line;
    }
    if (raw[begin] == '[') {
        if (end - begin >= 2 && raw[end - 1] == ']') {
            line.name = Trim(raw, begin + 1, end - 1);
        }
        line.kind = line.name.empty() ? ConfigLine::Kind::Ignored : ConfigLine::Kind::Header;
        return line;
    }
    if (raw[begin] == ';') {
        line.kind = ConfigLine::Kind::Comment;
        line.value = raw.substr(begin + 1, end - begin - 1);
        return line;
    }
    std::size_t equals = raw.find('=', begin);
    line.hasEquals = equals < end;
    line.name = Trim(raw, begin, line.hasEquals ? equals : end);
    if (line.name.empty()) {
        line.kind = ConfigLine::Kind::Ignored;
        return line;
    }
    line.kind = ConfigLine::Kind::Entry;
    line.valueBegin = end;
    if (line.hasEquals) {
        line.valueBegin = equals + 1;
        while (line.valueBegin < end && IsBlank(raw[line.valueBegin])) {
            ++line.valueBegin;
        }
    }
    line.valueEnd = end;
    line.value = raw.substr(line.valueBegin, end - line.valueBegin);
    return line;
}

namespace {

// Where the lines of a file stand, and what reading makes of them.
class CConfigLayout {
public:
    explicit CConfigLayout(const std::string& text) {
        std::size_t position = 0;
        for (std::size_t end; (end = text.find("\r\n", position)) != std::string::npos;
             position = end + 2) {
            m_lines.push_back(text.substr(position, end - position));
        }
        m_tail = text.substr(position);
        std::string current;
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            Read(i, current);
        }
    }

    std::vector<std::string>& Lines() { return m_lines; }
    const std::string& Tail() const { return m_tail; }
    // The line whose value a key has when read; false when the section does not have it.
    bool FindKey(const std::string& section, const std::string& key, std::size_t* line) const {
        return Find(m_keys, {section, key}, line);
    }
    // The section's last line that is not blank (its header when it has none).
    bool FindSectionEnd(const std::string& section, std::size_t* line) const {
        return Find(m_sectionEnds, section, line);
    }

private:
    // The reader's rules: a repeated header makes no section current, so its lines are dropped;
    // a repeated key's last line is the one that counts.
    void Read(std::size_t i, std::string& current) {
        const ConfigLine line = InterpretConfigLine(m_lines[i]);
        if (line.kind == ConfigLine::Kind::Header) {
            current = m_sectionEnds.emplace(line.name, i).second ? line.name : std::string();
        } else if (line.kind != ConfigLine::Kind::Blank && !current.empty()) {
            m_sectionEnds[current] = i;
            if (line.kind == ConfigLine::Kind::Entry) {
                m_keys[{current, line.name}] = i;
            }
        }
    }

    template <typename Map>
    static bool Find(const Map& map, const typename Map::key_type& what, std::size_t* line) {
        auto found = map.find(what);
        if (found == map.end()) {
            return false;
        }
        *line = found->second;
        return true;
    }

    std::vector<std::string> m_lines;  // without their CR LF
    std::string m_tail;                // the bytes after the last CR LF: never read
    std::map<std::string, std::size_t> m_sectionEnds;
    std::map<std::pair<std::string, std::string>, std::size_t> m_keys;
};

std::string KeyLine(const ConfigChange& change) {
    return change.key + "=" + change.value + "\r\n";
}

}  // namespace

std::string MergeConfigText(const std::string& text, const std::vector<ConfigChange>& changes) {
    CConfigLayout layout(text);
    std::vector<std::string>& lines = layout.Lines();
    std::map<std::size_t, std::string> inserted;                   // after a line: new key lines
    std::vector<std::pair<std::string, std::string>> newSections;  // name, key lines
    for (const ConfigChange& change : changes) {
        std::size_t at = 0;
        if (layout.FindKey(change.section, change.key, &at)) {
            std::string& raw = lines[at];
            const ConfigLine line = InterpretConfigLine(raw);
            raw = raw.substr(0, line.valueBegin) + (line.hasEquals ? "" : "=") + change.value +
                  raw.substr(line.valueEnd);
        } else if (layout.FindSectionEnd(change.section, &at)) {
            inserted[at] += KeyLine(change);
        } else {
            auto section = std::find_if(newSections.begin(), newSections.end(),
                                        [&](const auto& s) { return s.first == change.section; });
            if (section == newSections.end()) {
                section = newSections.insert(newSections.end(), {change.section, {}});
            }
            section->second += KeyLine(change);
        }
    }
    std::string merged;
    merged.reserve(text.size() + 256);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        merged += lines[i] + "\r\n";
        auto after = inserted.find(i);
        if (after != inserted.end()) {
            merged += after->second;
        }
    }
    for (const auto& [name, keyLines] : newSections) {
        if (!merged.empty() && !merged.ends_with("\r\n\r\n")) {
            merged += "\r\n";  // a blank line between sections, as Save writes them
        }
        merged += "[" + name + "]\r\n" + keyLines;
    }
    return merged + layout.Tail();
}
