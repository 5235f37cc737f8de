#include <gtest/gtest.h>
#include <iconv.h>

#include "app/CodePage.h"

namespace {

// The system's own Windows-1251 table decides what each byte is.
std::string SystemDecode(unsigned char byte) {
    iconv_t decoder = iconv_open("UTF-8", "CP1251");
    char in = static_cast<char>(byte);
    char out[8] = {};
    char* inPtr = &in;
    char* outPtr = out;
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    const bool ok =
        iconv(decoder, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(decoder);
    return ok ? std::string(out, static_cast<std::size_t>(outPtr - out)) : std::string();
}

TEST(CodePage, DecodesEveryByteAsTheSystemDoesAndBack) {
    for (int byte = 0; byte < 256; ++byte) {
        const auto value = static_cast<unsigned char>(byte);
        const std::string expected = SystemDecode(value);
        const std::string decoded = DecodeWindows1251(std::string(1, static_cast<char>(value)));
        if (expected.empty()) {  // 0x98 has no character
            EXPECT_EQ(decoded, "\xEF\xBF\xBD") << byte;
            continue;
        }
        EXPECT_EQ(decoded, expected) << byte;
        EXPECT_EQ(EncodeWindows1251(DecodeWindows1251(value)), value) << byte;
    }
    EXPECT_EQ(DecodeWindows1251("\xc0\xe4\xf0\xe5\xf1 01"), "Адрес 01");
}

TEST(CodePage, NarrowingMarksWhatTheCodePageLacks) {
    EXPECT_EQ(EncodeWindows1251(U"Адрес 0A"), "\xc0\xe4\xf0\xe5\xf1 0A");
    EXPECT_EQ(EncodeWindows1251(U"\u00E9\u4E00\U0001F600"), "???");
}

TEST(CodePage, Utf8Checks) {
    struct Case {
        const char* name;
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {{"Ascii", "01 02", true},
                          {"Cyrillic", "Адрес", true},
                          {"FourBytes", "\xF0\x9F\x98\x80", true},
                          {"Windows1251", "\xc0\xe4\xf0", false},
                          {"Truncated", "\xD0", false},
                          {"Overlong", "\xC0\xAF", false},
                          {"Surrogate", "\xED\xA0\x80", false},
                          {"BeyondUnicode", "\xF4\x90\x80\x80", false},
                          {"LoneContinuation", "\x80", false}};
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.name;
    }
    std::string out;
    for (char32_t character : {U'A', U'я', U'\u20AC', U'\U0001F600'}) {
        AppendUtf8(out, character);
    }
    EXPECT_EQ(out, "Aя€\U0001F600");
}

}  // namespace
