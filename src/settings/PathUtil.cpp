#include "settings/PathUtil.h"

#include <climits>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace PathUtil {

bool IsAbsolute(const std::string& path) {
#ifdef _WIN32
    return (path.size() >= 2 && path[1] == ':') ||
           (!path.empty() && (path[0] == '\\' || path[0] == '/'));
#else
    return !path.empty() && path[0] == '/';
#endif
}

std::string Join(const std::string& directory, const std::string& name) {
    if (IsAbsolute(name) || directory.empty()) {
        return name;
    }
    if (directory.back() == kSeparator) {
        return directory + name;
    }
    return directory + kSeparator + name;
}

std::string CurrentDirectory() {
    std::vector<char> buffer(4096);
#ifdef _WIN32
    const char* result = _getcwd(buffer.data(), static_cast<int>(buffer.size()));
#else
    const char* result = getcwd(buffer.data(), buffer.size());
#endif
    return result != nullptr ? std::string(result) : std::string();
}

std::string ExecutableDirectory() {
    std::vector<char> buffer(4096);
#ifdef _WIN32
    DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) {
        return std::string();
    }
    std::string path(buffer.data(), length);
#else
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    // A path that fills the buffer may have been cut: better no directory than a wrong one.
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        return std::string();
    }
    std::string path(buffer.data(), static_cast<std::size_t>(length));
#endif
    std::size_t slash = path.find_last_of(kSeparator);
    if (slash == std::string::npos) {
        return std::string();
    }
    // The root directory keeps its separator; nothing else has a trailing one.
    return path.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace PathUtil
