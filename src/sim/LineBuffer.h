#pragma once
// Command lines as they come from a source in pieces (standard input, a control connection):
// complete lines come out in order, and no byte is looked at twice however the pieces fall. A
// line longer than the limit makes the source no command source: nothing more comes out of it.

#include <cstddef>
#include <string>

namespace vxsim {

class LineBuffer {
public:
    // Longer than any command, the longest being a raw frame of 16,384 bytes in hexadecimal.
    static constexpr std::size_t kMaxLine = 64 * 1024;

    LineBuffer() = default;
    explicit LineBuffer(std::size_t maxLine) : m_maxLine(maxLine) {}

    void Append(const char* bytes, std::size_t count);
    // The next complete line, without its "\n" and a "\r" before it; false when no line is
    // complete (or the buffer is over-long).
    bool Next(std::string* line);
    // True once a line, complete or not, has passed the limit.
    bool IsOverlong() const { return m_overlong; }

private:
    std::size_t m_maxLine = kMaxLine;
    std::string m_bytes;
    std::size_t m_start = 0;    // where the next line begins
    std::size_t m_scanned = 0;  // bytes after m_start known to hold no "\n"
    bool m_overlong = false;
};

}  // namespace vxsim
