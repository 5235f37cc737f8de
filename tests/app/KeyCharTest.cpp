#include <gtest/gtest.h>
#include <iconv.h>

#include "app/KeyChar.h"

namespace {

// The system's own Windows-1251 table decides what each byte is; every character it decodes
// must come back as that byte, signed.
TEST(KeyChar, MatchesTheSystemCodePageForEveryByte) {
    iconv_t decoder = iconv_open("UTF-32LE", "CP1251");
    ASSERT_NE(decoder, reinterpret_cast<iconv_t>(-1));
    int checked = 0;
    for (int byte = 0; byte < 256; ++byte) {
        char in = static_cast<char>(byte);
        char32_t out = 0;
        char* inPtr = &in;
        char* outPtr = reinterpret_cast<char*>(&out);
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        if (iconv(decoder, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            continue;  // 0x98 has no character
        }
        EXPECT_EQ(CharacterFromByte(static_cast<unsigned char>(byte)), out) << std::hex << byte;
        std::optional<int> key = KeyFromCharacter(out);
        ASSERT_TRUE(key.has_value()) << std::hex << byte;
        EXPECT_EQ(*key, static_cast<int>(static_cast<signed char>(byte))) << std::hex << byte;
        ++checked;
    }
    iconv_close(decoder);
    EXPECT_GE(checked, 255);
    EXPECT_EQ(CharacterFromByte(0x98), 0u);
}

TEST(KeyChar, CharactersOutsideTheCodePageAreNoKey) {
    for (char32_t character : {U'\u4E00', U'\u00E9', U'\uFFFD'}) {
        EXPECT_FALSE(KeyFromCharacter(character).has_value())
            << std::hex << static_cast<unsigned>(character);
    }
}

// Which presses send: one typed character of the code page, control characters included; never
// Delete (X11 reports it as DEL), keys that type nothing, or Alt with a character. AltGr
// (reported as Ctrl+Alt) still types.
TEST(KeyChar, SentKeyFromPress) {
    struct {
        PressedKey key;
        std::u32string_view text;
        bool alt, ctrl;
        std::optional<int> sent;
    } cases[] = {
        {PressedKey::Other, U"a", false, false, 'a'},
        {PressedKey::Other, U"\r", false, false, 13},
        {PressedKey::Other, U"\x1b", false, false, 27},
        {PressedKey::Other, U"\b", false, false, 8},
        {PressedKey::Other, U"\x01", false, true, 1},  // Ctrl+A
        {PressedKey::Tab, U"\t", false, false, 9},
        {PressedKey::Backtab, U"", false, false, 9},
        {PressedKey::Other, U"\u044F", false, false, -1},  // я
        {PressedKey::Other, U"\u20AC", true, true, -120},  // AltGr+E: the euro sign, 0x88
        {PressedKey::Delete, U"\x7f", false, false, std::nullopt},
        {PressedKey::Other, U"\x7f", false, false, std::nullopt},
        {PressedKey::Other, U"", false, false, std::nullopt},  // End, arrows
        {PressedKey::Other, U"", false, true, std::nullopt},   // Ctrl+End
        {PressedKey::Other, U"a", true, false, std::nullopt},  // Alt+A
        {PressedKey::Tab, U"\t", true, false, std::nullopt},   // Alt+Tab
        {PressedKey::Other, U"ab", false, false, std::nullopt},
        {PressedKey::Other, U"\u4E00", false, false, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SentKeyFromPress(c.key, c.text, c.alt, c.ctrl), c.sent)
            << static_cast<int>(c.key) << " U+" << std::hex
            << (c.text.empty() ? 0u : static_cast<unsigned>(c.text[0]));
    }
}

}  // namespace
