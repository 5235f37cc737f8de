#include "app/KeyChar.h"

namespace {

// Code points of the bytes 0x80..0xBF; 0 where the code page leaves a byte unused (0x98).
// 0xC0..0xFF are U+0410..U+044F in order.
constexpr char16_t kUpperHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
};

int Signed(int byte) {
    return static_cast<signed char>(static_cast<unsigned char>(byte));
}

}  // namespace

std::optional<int> KeyFromCharacter(char32_t character) {
    if (character < 0x80) {
        return static_cast<int>(character);
    }
    if (character >= 0x0410 && character <= 0x044F) {
        return Signed(0xC0 + static_cast<int>(character - 0x0410));
    }
    for (int i = 0; i < 64; ++i) {
        if (kUpperHalf[i] != 0 && kUpperHalf[i] == character) {
            return Signed(0x80 + i);
        }
    }
    return std::nullopt;
}

std::optional<int> SentKeyFromPress(PressedKey key, std::u32string_view text, bool alt, bool ctrl) {
    if (key == PressedKey::Delete || (alt && !ctrl)) {
        return std::nullopt;
    }
    if (key == PressedKey::Tab || key == PressedKey::Backtab) {
        return '\t';
    }
    if (text.size() != 1 || text[0] == U'\x7F') {
        return std::nullopt;
    }
    return KeyFromCharacter(text[0]);
}

char32_t CharacterFromByte(unsigned char byte) {
    if (byte < 0x80) {
        return byte;
    }
    if (byte >= 0xC0) {
        return static_cast<char32_t>(0x0410 + (byte - 0xC0));
    }
    return kUpperHalf[byte - 0x80];
}
