#pragma once
// A file that grows by whole blocks (log lines, capture records): each Write hands its bytes to
// the system and, when the system takes only a part of them (a full disk, a file size limit),
// cuts that part off again, so that the file ends after the last whole block. Opened with the
// system's descriptors rather than a buffered stream: a stream that fails part way keeps the
// rest of its buffer and writes it in front of the next block.
//
// Not thread-safe: its owner serialises the calls. Never throws.

#include <cstddef>
#include <functional>
#include <string>

class CAppendFile {
public:
    CAppendFile() = default;
    ~CAppendFile();

    CAppendFile(const CAppendFile&) = delete;
    CAppendFile& operator=(const CAppendFile&) = delete;

    // Closes any open file first. Opens the path for appending, creating it when absent; with
    // truncate, empties it first. False when it cannot be opened; GetError says why.
    bool Open(const std::string& path, bool truncate);
    void Close();
    bool IsOpen() const { return m_file >= 0; }

    // Given how many bytes of a write went out, how many of them make whole blocks.
    using WholePart = std::function<std::size_t(std::size_t written)>;

    // True when every byte went out. Otherwise only the whole blocks among the bytes that went
    // out stay in the file (none without wholePart), unless even the cut failed (EndsInPart),
    // and GetError says why. A file that is not open takes nothing.
    bool Write(const std::string& bytes, const WholePart& wholePart = {});

    // The C library's error number of the last Open or Write that failed; 0 until one failed,
    // and after an Open that worked.
    int GetError() const { return m_error; }
    // The system's text for that number; empty when it is 0.
    std::string GetErrorText() const;
    // A failed write left a part of its block at the end of the file, which could not be cut
    // off; the next block then stands after a broken one.
    bool EndsInPart() const { return m_endsInPart; }

private:
    int m_file = -1;
    int m_error = 0;
    bool m_endsInPart = false;
};

// The text the C library has for its error number (errno values), at most 511 characters.
std::string CErrorText(int error);
