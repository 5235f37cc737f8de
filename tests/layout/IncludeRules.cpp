#include "IncludeRules.h"

#include <fstream>
#include <regex>
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
    // Qt's headers as we include them: <QWidget>, <QtCore/QString>, <QtWidgets>.
    static const std::regex qtInclude(R"(^\s*#\s*include\s*[<"](Qt[A-Za-z]*(/|[>"])|Q[A-Z]))");
    static const std::regex uiInclude(R"(^\s*#\s*include\s*"ui/)");
    std::vector<IncludeViolation> found;
    const bool qtAllowed = MayIncludeQt(relativePath);
    const bool core = IsCoreSource(relativePath);
    std::istringstream lines{std::string(text)};
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if ((!qtAllowed && std::regex_search(line, qtInclude)) ||
            (core && std::regex_search(line, uiInclude))) {
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
