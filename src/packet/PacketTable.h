#pragma once
// Packet script files ("kad"): records that bind a key character to the hexadecimal text of a
// packet, with optional named parameters and comments.
//
// A record is "$", its key character (any byte, a space or line break included), then text up to
// the next "$" or the end of the file. In that text:
//  - ";" starts a comment, which ends only after two line-break characters in a row (the CR LF of
//    one line end, or two bare LFs); everything in a comment is dropped;
//  - "&name&" is a parameter run, kept whole with both ampersands; an unclosed run is dropped;
//  - hexadecimal digits are kept; every other character is dropped.
// The "$" that closes a record opens the next one; characters after the last "$" make one more
// record. Bytes are bytes: names in the file are Windows-1251 and are never converted here.

#include <array>
#include <memory>
#include <string>
#include <vector>

class CPacketHolder {
public:
    CPacketHolder();
    virtual ~CPacketHolder();

    // Parses the record that starts at the first "$" at or after the position, in a
    // NUL-terminated text. Returns where parsing stopped (the closing "$" or the terminating
    // NUL), or nullptr when there is no record (no "$", or nothing after it).
    const char* Parse(const char* position);

    // The key as a signed character widened to int (0x80..0xFF give -128..-1); -1 before Parse.
    int GetKey() const { return m_key; }
    // Hex digits and parameter runs, in order.
    const std::string& GetText() const { return m_text; }
    // The record as it stands in the file, from the parse position to the closing "$".
    const std::string& GetSource() const { return m_source; }

private:
    int m_key = -1;
    std::string m_text;
    std::string m_source;
};

class CPacketTable {
public:
    CPacketTable();
    virtual ~CPacketTable();

    CPacketTable(const CPacketTable&) = delete;
    CPacketTable& operator=(const CPacketTable&) = delete;

    // Reads the whole file (bytes as they are; a NUL ends the text) and keeps the name. 0, with
    // the table empty, only when the file cannot be opened or read into memory.
    int Load(const char* path, const char* name);
    // The first record in file order with this key, or nullptr. Constant time: keys are bytes,
    // and the first record of each is noted while the file is read.
    CPacketHolder* Find(int key);
    void Clear();

    const std::string& GetName() const { return m_name; }
    int GetCount() const { return static_cast<int>(m_records.size()); }
    // nullptr when the index is out of range.
    CPacketHolder* GetHolder(int index);

private:
    std::string m_name;
    std::vector<std::unique_ptr<CPacketHolder>> m_records;
    // Per key byte (key + 128): the position of its first record, or -1.
    std::array<int, 256> m_firstByKey;
};
