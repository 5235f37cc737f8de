#include <gtest/gtest.h>

#include <optional>

#ifdef _WIN32
#include "device/wirekit/WindowsApi.h"
#else
#include <iconv.h>
#endif

#include "app/KeyChar.h"

namespace {

// The character of a Windows-1251 byte by the system's own table, none for a byte without one.
std::optional<char32_t> SystemDecode(unsigned char byte) {
#ifdef _WIN32
    wchar_t out = 0;
    char in = static_cast<char>(byte);
    // The byte without a character (0x98) comes back as the C1 control of the same value.
    if (::MultiByteToWideChar(1251, MB_ERR_INVALID_CHARS, &in, 1, &out, 1) != 1 ||
        (out == byte && byte >= 0x80 && byte < 0xA0)) {
        return std::nullopt;
    }
    return static_cast<char32_t>(out);
#else
    static iconv_t decoder = iconv_open("UTF-32LE", "CP1251");
    char in = static_cast<char>(byte);
    char32_t out = 0;
    char* inPtr = &in;
    char* outPtr = reinterpret_cast<char*>(&out);
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    if (decoder == reinterpret_cast<iconv_t>(-1) ||
        iconv(decoder, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
        return std::nullopt;
    }
    return out;
#endif
}

// The system's own Windows-1251 table decides what each byte is; every character it decodes
// must come back as that byte, signed.
TEST(KeyChar, MatchesTheSystemCodePageForEveryByte) {
    int checked = 0;
    for (int byte = 0; byte < 256; ++byte) {
        std::optional<char32_t> character = SystemDecode(static_cast<unsigned char>(byte));
        if (!character) {
            continue;  // 0x98 has no character
        }
        std::optional<int> key = KeyFromCharacter(*character);
        ASSERT_TRUE(key.has_value()) << std::hex << byte;
        EXPECT_EQ(*key, static_cast<int>(static_cast<signed char>(byte))) << std::hex << byte;
        ++checked;
    }
    EXPECT_GE(checked, 255);
}

TEST(KeyChar, CharactersOutsideTheCodePageAreNoKey) {
    for (char32_t character : {U'\u4E00', U'\u00E9', U'\uFFFD'}) {
        EXPECT_FALSE(KeyFromCharacter(character).has_value())
            << std::hex << static_cast<unsigned>(character);
    }
}

}  // namespace
