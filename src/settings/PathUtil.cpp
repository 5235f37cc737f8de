#include "settings/PathUtil.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <new>
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

ReadResult ReadFileBytes(const std::string& path, std::string& out, std::size_t limit) {
    out.clear();
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return ReadResult::CannotOpen;
    }
    // Read in steps rather than trusting a size asked for beforehand: the file may be written
    // to while we read it, or be something whose size cannot be asked.
    char buffer[65536];
    try {
        while (out.size() <= limit) {
            std::size_t want = std::min(sizeof buffer, limit + 1 - out.size());
            std::size_t count = std::fread(buffer, 1, want, file.get());
            if (count == 0) {
                break;
            }
            out.append(buffer, count);
        }
    } catch (const std::bad_alloc&) {
        return ReadResult::ReadFailed;
    }
    if (std::ferror(file.get())) {
        return ReadResult::ReadFailed;
    }
    return out.size() > limit ? ReadResult::TooLong : ReadResult::Read;
}

}  // namespace PathUtil
