#include "inspect/NumberCodec.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "inspect/HexCellText.h"

namespace {

// The digit's value in the radix, or -1 when the character is not one of its digits.
int DigitValue(char c, int radix) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    }
    return value < radix ? value : -1;
}

std::string BinaryText(std::uint32_t value, int digits) {
    std::string text;
    for (int bit = digits - 1; bit >= 0; --bit) {
        text += bit < 32 && ((value >> bit) & 1) != 0 ? '1' : '0';
        if (bit % 8 == 0 && bit > 0) {
            text += '-';
        }
    }
    return text;
}

}  // namespace

int NumberRadix(NumberBase base) {
    switch (base) {
        case NumberDecimal:
            return 10;
        case NumberHex:
            return 16;
        case NumberBinary:
            return 2;
        case NumberOctal:
            return 8;
        default:
            return 0;
    }
}

int NumberDigitCount(std::uint32_t maximum, NumberBase base) {
    const int radix = NumberRadix(base);
    if (radix == 0) {
        return 1;
    }
    int digits = 0;
    for (; maximum != 0; maximum /= static_cast<std::uint32_t>(radix)) {
        ++digits;
    }
    return digits;
}

// Decimal is printed unsigned: a value above 2^31 - 1 must read back as itself, not as a
// negative number whose "-" stops the parse.
std::string FormatNumber(std::uint32_t value, NumberBase base, int digits) {
    char text[48];
    switch (base) {
        case NumberDecimal:
            std::snprintf(text, sizeof text, "%u", value);
            return text;
        case NumberHex:
            std::snprintf(text, sizeof text, "%0*X", std::clamp(digits, 1, 8), value);
            return text;
        case NumberBinary:
            return BinaryText(value, std::clamp(digits, 1, 32));
        case NumberOctal:
            std::snprintf(text, sizeof text, "%o", value);
            return text;
        case NumberChar:
            return std::string(1, HexDisplayChar(value, '.'));
    }
    return {};
}

std::uint32_t ParseNumber(std::string_view text, NumberBase base) {
    const int radix = NumberRadix(base);
    if (radix == 0) {
        return text.empty() ? 0 : static_cast<unsigned char>(text[0]);
    }
    constexpr std::uint64_t kLargest = std::numeric_limits<std::uint32_t>::max();
    std::uint64_t value = 0;
    for (char c : text) {
        if (base == NumberBinary && c == '-') {
            continue;
        }
        const int digit = DigitValue(c, radix);
        if (digit < 0) {
            break;
        }
        value = std::min(value * static_cast<std::uint64_t>(radix) + static_cast<unsigned>(digit),
                         kLargest);
    }
    return static_cast<std::uint32_t>(value);
}
