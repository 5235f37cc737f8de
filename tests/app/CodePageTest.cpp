#include <gtest/gtest.h>

#include "app/CodePage.h"

namespace {

// Each byte against the system's table is KeyChar's test (CharacterFromByte); here the texts.
TEST(CodePage, DecodesText) {
    EXPECT_EQ(DecodeWindows1251("\xc0\xe4\xf0\xe5\xf1 01"), "Адрес 01");
    EXPECT_EQ(DecodeWindows1251("\x98\xb9\x88"), "\uFFFD\u2116\u20AC");  // unused, №, €
    EXPECT_EQ(DecodeWindows1251(std::string("a\0b", 3)), std::string("a\0b", 3));
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
        EXPECT_EQ(DecodeUtf8(c.bytes).has_value(), c.valid) << c.name;
    }
    EXPECT_EQ(DecodeUtf8("A\xD0\xB6\xF0\x9F\x98\x80"), std::u32string(U"Aж\U0001F600"));
    std::string out;
    for (char32_t character : {U'A', U'я', U'\u20AC', U'\U0001F600'}) {
        AppendUtf8(out, character);
    }
    EXPECT_EQ(out, "Aя€\U0001F600");
}

}  // namespace
