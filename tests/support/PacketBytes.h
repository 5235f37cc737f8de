#pragma once
// Payload bytes for packet tests: a counting pattern, a packet's payload as a vector, and bytes
// as the hexadecimal text logs and the simulator print.

#include <cstdio>
#include <string>
#include <vector>

#include "packet/Packet.h"

// count bytes first, first + 1, ... (modulo 256).
inline std::vector<unsigned char> Bytes(int count, int first = 1) {
    std::vector<unsigned char> bytes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<unsigned char>(first + i);
    }
    return bytes;
}

inline std::vector<unsigned char> Payload(const CPacket& packet) {
    const unsigned char* data = packet.GetData();
    return data ? std::vector<unsigned char>(data, data + packet.GetLength())
                : std::vector<unsigned char>();
}

// Two upper-case digits a byte, nothing between.
inline std::string HexOf(const unsigned char* data, std::size_t count) {
    std::string text;
    char digits[3];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, "%02X", data[i]);
        text += digits;
    }
    return text;
}

inline std::string HexOf(const std::vector<unsigned char>& bytes) {
    return HexOf(bytes.data(), bytes.size());
}
