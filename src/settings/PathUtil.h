#pragma once
// Path and file helpers shared by the readers and writers of the program's files.

#include <cstddef>
#include <string>

namespace PathUtil {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

bool IsAbsolute(const std::string& path);
// The directory and the name joined by the separator, unless the directory is empty or already
// ends with one. A name that is an absolute path is returned as it stands.
std::string Join(const std::string& directory, const std::string& name);
// The process's current directory; empty when it cannot be found.
std::string CurrentDirectory();
// The directory of the running program, without a trailing separator; empty when unknown.
std::string ExecutableDirectory();

enum class ReadResult {
    Read,        // the whole file is in out
    CannotOpen,  // nothing was read
    ReadFailed,  // a read (or memory) failed; out holds what came before it
    TooLong,     // the file has more than limit bytes; out holds the first limit + 1 of them
};

inline constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1) - 1;

// Reads the file at path as bytes, no line-end translation, into out. Reads at most limit + 1
// bytes, so that a file over the limit is known without reading it all.
ReadResult ReadFileBytes(const std::string& path, std::string& out, std::size_t limit = kNoLimit);

}  // namespace PathUtil
