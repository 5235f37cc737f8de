#pragma once
// The packet that "send" is asked for, built by the window's rules: hexadecimal text as it
// stands, or a packet file's record for a key with its "&name&" parameters filled in from
// NAME=VALUE pairs instead of the parameters dialog.

#include <optional>
#include <string>
#include <vector>

class CPacket;

namespace cli {

struct PacketRequest {
    std::string hex;                  // the packet's text; when set, the rest is unused
    std::string file;                 // a packet script file
    std::string key;                  // its record's key: one character, or 0xNN
    std::vector<std::string> params;  // NAME=VALUE, UTF-8
};

// A key given as 0xNN (one or two hexadecimal digits): the key byte as the file holds it,
// signed as the records' key bytes are; nothing for any other text.
std::optional<int> ReadKeyByte(const std::string& text);

// Builds the packet. False with a one-line message for input that makes none: hex text that
// is not whole bytes, an unreadable file, an unknown key (a character is found as the window
// finds a typed one), a parameter without a value or a value for no parameter, a value that is
// not whole bytes (the parameters dialog's text), or a text that is no packet ("Неверный
// формат пакета").
bool BuildRequestedPacket(const PacketRequest& request, CPacket* packet, std::string* error);

}  // namespace cli
