#pragma once
// Builders for Intel HEX text: single records with a correct checksum, and whole files of a
// chosen exact size.

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "support/PacketBytes.h"

// ":" and the record's digit pairs (upper case), no line end. The checksum is computed unless
// one is given.
inline std::string HexRecord(int address, int type, const std::vector<unsigned char>& data,
                             int checksum = -1) {
    std::vector<unsigned char> bytes = {
        static_cast<unsigned char>(data.size()), static_cast<unsigned char>(address >> 8),
        static_cast<unsigned char>(address), static_cast<unsigned char>(type)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (unsigned char byte : bytes) {
        sum += byte;
    }
    bytes.push_back(static_cast<unsigned char>(checksum >= 0 ? checksum : (0x100 - sum % 0x100)));
    return ":" + HexOf(bytes);
}

inline constexpr char kHexEnd[] = ":00000001FF";

// Exactly size bytes: 16-byte data records from address 0 (each byte the low byte of its
// address), extended linear address records at each 64 KiB step, an invalid filler line that
// makes the size exact, and the end-of-file line without a final line end.
// Returns the number of data bytes written through dataBytes.
inline std::string HexFileOfSize(std::size_t size, int* dataBytes = nullptr) {
    std::string text;
    int address = 0;
    std::size_t reserve = std::size(kHexEnd) - 1 + 3;  // the end line, the filler's ":" and CR LF
    for (;;) {
        std::string line;
        if (address % 0x10000 == 0 && address > 0) {
            line = HexRecord(0, 0x04, {0, static_cast<unsigned char>(address >> 16)}) + "\r\n";
        }
        std::vector<unsigned char> data(16);
        for (int i = 0; i < 16; ++i) {
            data[static_cast<std::size_t>(i)] = static_cast<unsigned char>(address + i);
        }
        line += HexRecord(address & 0xFFFF, 0x00, data) + "\r\n";
        if (text.size() + line.size() + reserve > size) {
            break;
        }
        text += line;
        address += 16;
    }
    text += ":" + std::string(size - text.size() - reserve, 'X') + "\r\n" + kHexEnd;
    if (dataBytes != nullptr) {
        *dataBytes = address;
    }
    return text;
}
