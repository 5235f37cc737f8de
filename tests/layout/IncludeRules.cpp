#include "IncludeRules.h"

#include <fstream>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool MayIncludeQt(std::string_view path) {
    return StartsWith(path, "src/ui/") || StartsWith(path, "tests/ui/") ||
           StartsWith(path, "bench/");
}

bool IsCoreSource(std::string_view path) {
    return StartsWith(path, "src/") && !StartsWith(path, "src/ui/");
}

struct IncludedHeader {
    std::string name;
    bool quoted = false;  // "name" rather than <name>
};

// The header an #include line names ("  #  include <QtCore/QString>" too), or nothing.
std::optional<IncludedHeader> ParseInclude(std::string_view line) {
    const auto skipBlanks = [&line] {
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            line.remove_prefix(1);
        }
    };
    skipBlanks();
    if (!StartsWith(line, "#")) {
        return std::nullopt;
    }
    line.remove_prefix(1);
    skipBlanks();
    if (!StartsWith(line, "include")) {
        return std::nullopt;
    }
    line.remove_prefix(7);
    skipBlanks();
    if (line.empty() || (line.front() != '<' && line.front() != '"')) {
        return std::nullopt;
    }
    const bool quoted = line.front() == '"';
    line.remove_prefix(1);
    const std::size_t end = line.find(quoted ? '"' : '>');
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    return IncludedHeader{std::string(line.substr(0, end)), quoted};
}

// Qt's headers as we include them: <QWidget>, <QtCore/QString>, <QtWidgets>.
bool IsQtHeader(std::string_view name) {
    if (name.size() >= 2 && name[0] == 'Q' && name[1] >= 'A' && name[1] <= 'Z') {
        return true;
    }
    if (!StartsWith(name, "Qt")) {
        return false;
    }
    const std::size_t module =
        name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 2);
    return module == std::string_view::npos || name[module] == '/';
}

bool IsSourceFile(const fs::path& path) {
    const std::string ext = path.extension().string();
    return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc";
}

bool IsSkippedFolder(const fs::path& path) {
    const std::string name = path.filename().string();
    return name.empty() || name[0] == '.' || StartsWith(name, "build");
}

}  // namespace

std::vector<IncludeViolation> CheckIncludes(std::string_view relativePath, std::string_view text) {
    std::vector<IncludeViolation> found;
    const bool qtAllowed = MayIncludeQt(relativePath);
    const bool core = IsCoreSource(relativePath);
    std::istringstream lines{std::string(text)};
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::optional<IncludedHeader> header = ParseInclude(line);
        if (header && ((!qtAllowed && IsQtHeader(header->name)) ||
                       (core && header->quoted && StartsWith(header->name, "ui/")))) {
            found.push_back({std::string(relativePath), number, line});
        }
    }
    return found;
}

std::vector<IncludeViolation> CheckTree(const fs::path& root) {
    std::vector<IncludeViolation> found;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        if (it->is_directory() && IsSkippedFolder(it->path())) {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file() || !IsSourceFile(it->path())) {
            continue;
        }
        std::ifstream in(it->path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        const std::string relative = fs::relative(it->path(), root).generic_string();
        for (IncludeViolation& v : CheckIncludes(relative, text.str())) {
            found.push_back(std::move(v));
        }
    }
    return found;
}
