#pragma once
// The settings file's lines as the reader sees them, and the program's own keys put into a file
// that the user edited by hand while the program ran, without touching anything else in it.

#include <cstddef>
#include <string>
#include <vector>

// One line of the file (without its CR LF), as CConfig reads it.
struct ConfigLine {
    enum class Kind {
        Blank,    // nothing after trimming
        Ignored,  // dropped: an empty key, a "[" line that is no header
        Header,   // name: the section's name
        Comment,  // value: the text after the ";"
        Entry,    // name: the key; value: the value (empty when the line has no "=")
    };
    Kind kind = Kind::Blank;
    std::string name;
    std::string value;
    // Entry: where the value stands in the raw line (begin == end for an empty value), and
    // whether the line has the "=" before it.
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
    bool hasEquals = false;
};

// Trims the line (a NUL byte ends its text) and tells what it is.
ConfigLine InterpretConfigLine(const std::string& raw);

struct ConfigChange {
    std::string section;
    std::string key;
    std::string value;
};

// The file's bytes with each change made as reading would see it: the value of the key's line
// that counts (the last one in the section's first occurrence) replaced, a missing key added
// after the section's last line, a missing section added at the end of the lines read (before
// any bytes after the last CR LF). Every other byte stays as it was.
std::string MergeConfigText(const std::string& text, const std::vector<ConfigChange>& changes);
