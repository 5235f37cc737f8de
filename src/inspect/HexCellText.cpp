#include "inspect/HexCellText.h"

#include <cstdio>

#include "inspect/HexColumns.h"
#include "packet/Packet.h"

unsigned ComposeHexValue(const unsigned char* bytes, int count, bool littleEndian) {
    unsigned value = 0;
    for (int i = 0; i < count; ++i) {
        value = (value << 8) | bytes[littleEndian ? count - 1 - i : i];
    }
    return value;
}

std::string HexAddressText(long long address, int addressWidth) {
    char digits[32];
    const int width = 2 * ((addressWidth + 1) / 2);
    const int length =
        std::snprintf(digits, sizeof digits, "%0*llX", width, static_cast<long long>(address));
    std::string text(digits, static_cast<std::size_t>(length));
    if (static_cast<int>(text.size()) > addressWidth) {
        text.erase(0, text.size() - static_cast<std::size_t>(addressWidth));
    }
    return " " + text + " ";
}

std::string HexBinaryDigits(unsigned value, int byteCount) {
    std::string digits;
    for (int bit = 8 * byteCount - 1; bit >= 0; --bit) {
        digits += ((value >> bit) & 1) != 0 ? '1' : '0';
        if (bit % 8 == 0 && bit > 0) {
            digits += '-';
        }
    }
    return digits;
}

char HexDisplayChar(unsigned value, char replacement) {
    const unsigned char code = static_cast<unsigned char>(value & 0xFF);
    return code < 32 && replacement != 0 ? replacement : static_cast<char>(code);
}

std::string HexValueText(int kind, unsigned value, int unitBytes, char replacement) {
    char text[64];
    switch (kind) {
        case HexKindHex:
            std::snprintf(text, sizeof text, " %.*X ", 2 * unitBytes, value);
            return text;
        case HexKindDec:
        case HexKindOct: {
            // Right-aligned in the unit width + 1: eight spaces before, cut to the last w + 2.
            if (kind == HexKindDec) {
                std::snprintf(text, sizeof text, "        %d ", static_cast<int>(value));
            } else {
                std::snprintf(text, sizeof text, "        %o ", value);
            }
            const std::string padded = text;
            const std::size_t keep = static_cast<std::size_t>(HexUnitWidth(kind, unitBytes, 0) + 2);
            return padded.size() > keep ? padded.substr(padded.size() - keep) : padded;
        }
        case HexKindBin:
            return " " + HexBinaryDigits(value, unitBytes) + " ";
        case HexKindChar:
            return std::string{' ', HexDisplayChar(value, replacement), ' '};
        default:
            return {};
    }
}

std::string FormatHexCaption(const CPacket* packet) {
    std::string caption = "Пакет";
    if (packet != nullptr) {
        char text[96];
        std::snprintf(text, sizeof text, " (общая длина: %d тип: %d [ %xh ])",
                      packet->GetLength() + 2, packet->GetCommand(), packet->GetCommand());
        caption += text;
    }
    return caption;
}
