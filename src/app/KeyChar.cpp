#include "app/KeyChar.h"

#include "app/CodePage.h"

std::optional<int> KeyFromCharacter(char32_t character) {
    const std::optional<unsigned char> byte = EncodeWindows1251(character);
    if (!byte) {
        return std::nullopt;
    }
    return static_cast<signed char>(*byte);
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
    return DecodeWindows1251(byte);
}
