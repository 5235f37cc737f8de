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

}  // namespace
