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

// A key given as one character (UTF-8, brought to the Windows-1251 byte a typed key is) or as
// 0xNN (one or two hexadecimal digits), as the signed value the records' keys are compared
// with; nothing for any other text or a character the code page lacks.
std::optional<int> ReadKey(const std::string& text);

// Builds the packet. False with a one-line message for input that makes none: an unreadable
// file, an unknown key, a parameter without a value or a value for no parameter, or a text
// that is no packet ("Неверный формат пакета").
bool BuildRequestedPacket(const PacketRequest& request, CPacket* packet, std::string* error);

}  // namespace cli
