#pragma once
// Path helpers shared by the settings and the log file.

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

}  // namespace PathUtil
