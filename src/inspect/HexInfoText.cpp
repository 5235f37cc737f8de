#include "inspect/HexInfoText.h"

#include <algorithm>
#include <cstdio>

#include "inspect/HexCellText.h"

namespace {

struct DirectiveValue {
    unsigned value = 0;
    int bytes = 0;  // how many bytes the value's digits stand for
};

// The value of count bytes from the unit's first byte, cut to the bytes the data holds.
DirectiveValue ReadValue(const unsigned char* data, int size, int unit, int count,
                         bool littleEndian, int unitBytes) {
    const long long start = static_cast<long long>(std::max(unit, 0)) * unitBytes;
    const long long left = data != nullptr ? size - start : 0;
    const int available = static_cast<int>(std::clamp<long long>(left, 0, count));
    if (available == 0) {
        return {0, count};
    }
    return {ComposeHexValue(data + start, available, littleEndian), available};
}

std::string Printed(const char* format, unsigned value, int width = 0) {
    char text[48];
    const int length = width > 0 ? std::snprintf(text, sizeof text, format, width, value)
                                 : std::snprintf(text, sizeof text, format, value);
    return std::string(text, static_cast<std::size_t>(std::max(length, 0)));
}

}  // namespace

std::string ExpandInfoText(std::string_view format, const unsigned char* data, int size, int unit,
                           const HexInfoOptions& options) {
    const int unitBytes = options.unitBytes == 2 ? 2 : 1;
    std::string text;
    std::size_t lineStart = 0;
    std::size_t at = 0;
    while (at < format.size()) {
        char c = format[at++];
        if (c != '%') {
            text += c;
            continue;
        }
        int count = 0;
        bool littleEndian = options.littleEndian;
        while (at < format.size() && (format[at] == '+' || format[at] == '-' ||
                                      (format[at] >= '0' && format[at] <= '4'))) {
            c = format[at++];
            if (c == '+' || c == '-') {
                littleEndian = c == '-';
            } else {
                count = c - '0';
            }
        }
        if (at >= format.size()) {
            break;
        }
        c = format[at++];
        const int bytes = count != 0 ? count : unitBytes;
        const DirectiveValue v = ReadValue(data, size, unit, bytes, littleEndian, unitBytes);
        switch (c) {
            case 'R': {
                const int digits = 2 * (count != 0 ? count : (options.addressWidth + 1) / 2);
                text += Printed("%0*X", static_cast<unsigned>(std::max(unit, 0)), digits);
                break;
            }
            case 'H':
                text += Printed("%0*X", v.value, 2 * v.bytes);
                break;
            case 'D':
                text += std::to_string(static_cast<int>(v.value));
                break;
            case 'O':
                text += Printed("%o", v.value);
                break;
            case 'B':
                text += HexBinaryDigits(v.value, v.bytes);
                break;
            case 'A':
                text += HexDisplayChar(v.value, options.replacement);
                break;
            case 'n':
                text += "\r\n";
                lineStart = text.size();
                break;
            case 't':
                text.append(4 - (text.size() - lineStart) % 4, ' ');
                break;
            default:
                text += c;
                break;
        }
    }
    return text;
}
