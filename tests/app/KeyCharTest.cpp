#include <gtest/gtest.h>

#include <optional>

#ifdef _WIN32
#include "device/wirekit/WindowsApi.h"
#else
#include <iconv.h>
#endif

#include "app/KeyChar.h"
#include "packet/PacketTable.h"
#include "support/TempFiles.h"

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
        EXPECT_EQ(CharacterFromByte(static_cast<unsigned char>(byte)), *character)
            << std::hex << byte;
        std::optional<int> key = KeyFromCharacter(*character);
        ASSERT_TRUE(key.has_value()) << std::hex << byte;
        EXPECT_EQ(*key, static_cast<int>(static_cast<signed char>(byte))) << std::hex << byte;
        ++checked;
    }
    EXPECT_GE(checked, 255);
    EXPECT_EQ(CharacterFromByte(0x98), 0u);
}

TEST(KeyChar, CharactersOutsideTheCodePageAreNoKey) {
    for (char32_t character : {U'\u4E00', U'\u00E9', U'\uFFFD'}) {
        EXPECT_FALSE(KeyFromCharacter(character).has_value())
            << std::hex << static_cast<unsigned>(character);
    }
}

// Which presses send: one typed character, control characters included; never Delete (X11
// reports it as DEL), keys that type nothing, or Alt with a character. AltGr (reported as
// Ctrl+Alt) still types.
TEST(KeyChar, SentKeyFromPress) {
    struct {
        PressedKey key;
        std::u32string_view text;
        bool alt, ctrl;
        std::optional<char32_t> sent;
    } cases[] = {
        {PressedKey::Other, U"a", false, false, 'a'},
        {PressedKey::Other, U"\r", false, false, 13},
        {PressedKey::Other, U"\x1b", false, false, 27},
        {PressedKey::Other, U"\b", false, false, 8},
        {PressedKey::Other, U"\x01", false, true, 1},  // Ctrl+A
        {PressedKey::Tab, U"\t", false, false, 9},
        {PressedKey::Backtab, U"", false, false, 9},
        {PressedKey::Other, U"\u044F", false, false, U'\u044F'},  // я
        {PressedKey::Other, U"\u20AC", true, true, U'\u20AC'},    // AltGr+E: the euro sign
        {PressedKey::Delete, U"\x7f", false, false, std::nullopt},
        {PressedKey::Other, U"\x7f", false, false, std::nullopt},
        {PressedKey::Other, U"", false, false, std::nullopt},  // End, arrows
        {PressedKey::Other, U"", false, true, std::nullopt},   // Ctrl+End
        {PressedKey::Other, U"a", true, false, std::nullopt},  // Alt+A
        {PressedKey::Tab, U"\t", true, false, std::nullopt},   // Alt+Tab
        {PressedKey::Other, U"ab", false, false, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SentKeyFromPress(c.key, c.text, c.alt, c.ctrl), c.sent)
            << static_cast<int>(c.key) << " U+" << std::hex
            << (c.text.empty() ? 0u : static_cast<unsigned>(c.text[0]));
    }
}

// In a UTF-8 file a key is its whole character: я (D1 8F) and с (D1 81) share their key byte,
// yet each finds its own record. In a Windows-1251 file keys are the bytes they always were.
TEST(KeyChar, FindsTheRecordOfATypedCharacter) {
    struct Case {
        std::string file;
        char32_t typed;
        const char* text;  // of the record found; nullptr for none
    };
    const std::string utf8 = "; ключи\r\n$я 0F\r\n$с 0E\r\n$€ 0D\r\n$k 01\r\n";
    const std::string cp1251 = "$\xff 0F\r\n$\xf1 0E\r\n$k 01";
    const Case cases[] = {
        {utf8, U'я', "0F"},   {utf8, U'с', "0E"},    {utf8, U'€', "0D"},
        {utf8, U'k', "01"},   {utf8, U'С', nullptr}, {cp1251, U'я', "0F"},
        {cp1251, U'с', "0E"}, {cp1251, U'k', "01"},  {cp1251, U'€', nullptr},
    };
    for (const Case& c : cases) {
        TempDir dir;
        CPacketTable file;
        ASSERT_EQ(file.Load(dir.Write("k.kad", c.file).c_str(), "k.kad"), 1);
        const ScriptEncoding encoding = DetectScriptEncoding(file);
        const std::optional<int> key = TypedKey(c.typed, encoding);
        CPacketHolder* found = key ? FindRecordByKey(file, encoding, *key) : nullptr;
        ASSERT_EQ(found != nullptr, c.text != nullptr)
            << std::hex << static_cast<unsigned>(c.typed);
        if (found != nullptr) {
            EXPECT_EQ(found->GetText(), c.text);
            EXPECT_EQ(RecordKey(*found, encoding), *key);
        }
    }
}

}  // namespace
