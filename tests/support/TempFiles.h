#pragma once
// A scratch directory per test, removed with everything in it when the test ends, and small
// helpers to write and read files byte for byte.

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

// This process's id, for names that other processes must not share.
inline int ProcessId() {
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<int>(getpid());
#endif
}

class TempDir {
public:
    TempDir() {
#ifdef _WIN32
        // No mkdtemp: a name of our own, made until one is new.
        static std::atomic<int> counter{0};
        std::random_device random;
        for (;;) {
            m_path = std::filesystem::temp_directory_path() /
                     ("tavrin-" + std::to_string(ProcessId()) + "-" + std::to_string(++counter) +
                      "-" + std::to_string(random() % 100000));
            std::error_code error;
            if (std::filesystem::create_directory(m_path, error)) {
                break;
            }
            if (error) {
                std::abort();
            }
        }
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "tavrin-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        m_path = pattern;
#endif
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const {
        return m_path;
    }
    std::string File(const std::string& name) const {
        return (m_path / name).string();
    }

    std::string Write(const std::string& name, const std::string& bytes) const {
        std::string path = File(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

private:
    std::filesystem::path m_path;
};

// Where a test's simulator serves its units and its channels look for them: the scratch
// directory on POSIX; on Windows a pipe prefix of the test's own (\\.\pipe\tavrin-<pid>-<n>\).
inline std::string UnitDirectory(const TempDir& dir) {
#ifdef _WIN32
    static std::atomic<int> counter{0};
    static_cast<void>(dir);
    return "\\\\.\\pipe\\tavrin-" + std::to_string(ProcessId()) + "-" + std::to_string(++counter) +
           "\\";
#else
    return dir.Path().string();
#endif
}

// A file or folder of the source tree, such as "examples/memory.kad" or "tests/data". The
// tree's own path, not __FILE__: a compiler cache may spell that relative to the build folder,
// which the tests leave for scratch folders.
inline std::filesystem::path SourcePath(const std::string& relative) {
#ifdef TAVRIN_SOURCE_DIR
    return std::filesystem::path(TAVRIN_SOURCE_DIR) / relative;
#else
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / relative;
#endif
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the scope in another current directory and returns to the old one afterwards.
class CurrentDirectoryScope {
public:
    explicit CurrentDirectoryScope(const std::filesystem::path& directory)
        : m_previous(std::filesystem::current_path()) {
        std::filesystem::current_path(directory);
    }
    ~CurrentDirectoryScope() { std::filesystem::current_path(m_previous); }
    CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
    CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

private:
    std::filesystem::path m_previous;
};
