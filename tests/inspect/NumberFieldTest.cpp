#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inspect/NumberField.h"

namespace {

const NumberBase kNumeric[] = {NumberDecimal, NumberHex, NumberBinary, NumberOctal};

// Every byte, and a spread of 16-bit values, reads back as itself in every notation with the
// digits its range gives (binary with the "-" between bytes); the character notation shows
// codes below 32 as ".".
TEST(NumberCodec, ValuesRoundTrip) {
    std::vector<std::uint32_t> words = {256, 0x1234, 0x8000, 65534, 65535};
    for (std::uint32_t value = 3; value < 65536; value += 509) {
        words.push_back(value);
    }
    for (NumberBase base : kNumeric) {
        for (std::uint32_t value = 0; value <= 255; ++value) {
            ASSERT_EQ(ParseNumber(FormatNumber(value, base, NumberDigitCount(255, base)), base),
                      value)
                << "base " << base << " value " << value;
        }
        for (std::uint32_t value : words) {
            ASSERT_EQ(ParseNumber(FormatNumber(value, base, NumberDigitCount(65535, base)), base),
                      value)
                << "base " << base << " value " << value;
        }
    }
    for (std::uint32_t value = 0; value <= 255; ++value) {
        const std::string text = FormatNumber(value, NumberChar, 1);
        ASSERT_EQ(text.size(), 1u);
        ASSERT_EQ(ParseNumber(text, NumberChar), value < 32 ? '.' : value) << value;
    }
}

struct TextCase {
    std::uint32_t value;
    NumberBase base;
    std::uint32_t maximum;
    std::string text;
};

class NumberTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(NumberTexts, FormatsAndReadsBack) {
    const TextCase& c = GetParam();
    const std::string text = FormatNumber(c.value, c.base, NumberDigitCount(c.maximum, c.base));
    EXPECT_EQ(text, c.text);
    if (c.base != NumberChar || c.value >= 32) {
        EXPECT_EQ(ParseNumber(text, c.base), c.value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Notations, NumberTexts,
    ::testing::Values(TextCase{10, NumberHex, 255, "0A"},
                      TextCase{5, NumberBinary, 255, "00000101"},
                      TextCase{0x1234, NumberBinary, 65535, "00010010-00110100"},
                      TextCase{0x1FF, NumberBinary, 0x3FF, "01-11111111"},
                      TextCase{7, NumberChar, 255, "."}, TextCase{65, NumberChar, 255, "A"},
                      TextCase{8, NumberOctal, 255, "10"},
                      // A maximum of 0 has no digits, yet the value is still shown.
                      TextCase{0, NumberHex, 0, "0"}, TextCase{0, NumberBinary, 0, "0"},
                      // Above 2^31 decimal stays unsigned, so it reads back.
                      TextCase{3000000000u, NumberDecimal, 4294967295u, "3000000000"}));

TEST(NumberCodec, ParsingStopsAtTheFirstForeignCharacter) {
    EXPECT_EQ(ParseNumber("", NumberDecimal), 0u);
    EXPECT_EQ(ParseNumber("", NumberChar), 0u);
    EXPECT_EQ(ParseNumber("12x4", NumberDecimal), 12u);
    EXPECT_EQ(ParseNumber("ff", NumberHex), 255u);
    EXPECT_EQ(ParseNumber("128", NumberOctal), 10u);
    // Too large for 32 bits: the largest value, never a small one that wrapped into range.
    EXPECT_EQ(ParseNumber("99999999999", NumberDecimal), 4294967295u);
    EXPECT_EQ(ParseNumber("1000000000", NumberHex), 4294967295u);
}

struct RangeCase {
    std::uint32_t value;
    int kind;
    std::uint32_t low;
    std::uint32_t high;
    std::uint32_t minimum;
    std::uint32_t maximum;
    std::uint32_t shown;
};

class NumberRanges : public ::testing::TestWithParam<RangeCase> {};

TEST_P(NumberRanges, KindsAndClamping) {
    const RangeCase& c = GetParam();
    CNumberField field;
    field.SetNumber(c.value, NumberDecimal, c.kind, c.low, c.high);
    EXPECT_EQ(field.GetMinimum(), c.minimum);
    EXPECT_EQ(field.GetMaximum(), c.maximum);
    EXPECT_EQ(field.GetTextAsSet(), std::to_string(c.shown));
}

INSTANTIATE_TEST_SUITE_P(Kinds, NumberRanges,
                         ::testing::Values(RangeCase{150, NumRangeGiven, 200, 100, 100, 200, 150},
                                           RangeCase{50, NumRangeGiven, 200, 100, 100, 200, 100},
                                           RangeCase{300, NumRangeByte, 7, 9, 0, 255, 0},
                                           RangeCase{300, NumRangeWord, 0, 0, 0, 65535, 300}));

TEST(NumberField, ValidityAndChange) {
    CNumberField field;
    field.SetNumber(65, NumberDecimal, NumRangeByte, 0, 0);
    EXPECT_EQ(field.GetDigits(), 3);
    EXPECT_TRUE(field.IsValid("255"));
    EXPECT_FALSE(field.IsValid("300"));
    EXPECT_FALSE(field.IsChanged("65"));
    EXPECT_TRUE(field.IsChanged("065"));
}

struct FilterCase {
    NumberBase base;
    std::string typed;  // one character
    int textLength;
    bool selection;
    std::string taken;  // empty: refused
};

class NumberFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(NumberFilter, TypedCharacters) {
    const FilterCase& c = GetParam();
    CNumberField field;
    field.SetNumber(0, c.base, NumRangeByte, 0, 0);
    const std::optional<char> taken = field.FilterCharacter(c.typed[0], c.textLength, c.selection);
    EXPECT_EQ(taken ? std::string(1, *taken) : std::string(), c.taken);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, NumberFilter,
    ::testing::Values(
        FilterCase{NumberHex, "a", 1, false, "A"}, FilterCase{NumberHex, "F", 0, false, "F"},
        FilterCase{NumberHex, "g", 0, false, ""},
        FilterCase{NumberHex, "1", 2, false, ""},  // two digits are all a byte has
        FilterCase{NumberHex, "1", 2, true, "1"}, FilterCase{NumberHex, "\b", 2, false, "\b"},
        FilterCase{NumberDecimal, "a", 0, false, ""}, FilterCase{NumberDecimal, "9", 2, false, "9"},
        FilterCase{NumberBinary, "2", 0, false, ""}, FilterCase{NumberOctal, "8", 0, false, ""},
        FilterCase{NumberOctal, "7", 0, false, "7"}, FilterCase{NumberChar, "z", 0, false, "z"},
        FilterCase{NumberChar, "z", 1, false, ""}));

struct KeyCase {
    const char* name;
    NumEditKey key;
    NumEditKeyState state;
    bool consumed;
    int action;
};
void PrintTo(const KeyCase& c, std::ostream* out) {
    *out << c.name;
}

NumEditKeyState Keys(bool ctrl, bool shift, int caret, int length, bool selection, bool valid) {
    return {ctrl, shift, caret, length, selection, valid};
}

class NumEditKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(NumEditKeys, BecomeNotifications) {
    const KeyCase& c = GetParam();
    const NumEditKeyResult result = TranslateNumEditKey(c.key, c.state);
    EXPECT_EQ(result.consumed, c.consumed);
    EXPECT_EQ(result.action, c.action);
}

const NumEditKeyState kMiddle = Keys(false, false, 1, 2, false, true);

// Escape, Enter and Tab, valid or not, are the hex view's tests; here the caret's edges.
INSTANTIATE_TEST_SUITE_P(
    Keys, NumEditKeys,
    ::testing::Values(KeyCase{"left inside", NumEditKey::Left, kMiddle, false, -1},
                      KeyCase{"left at start", NumEditKey::Left,
                              Keys(false, false, 0, 2, false, true), true, NumEditActionLeft},
                      KeyCase{"left at start over a selection", NumEditKey::Left,
                              Keys(false, false, 0, 2, true, true), false, -1},
                      KeyCase{"ctrl left inside", NumEditKey::Left,
                              Keys(true, false, 1, 2, false, true), true, NumEditActionLeft},
                      KeyCase{"right at end", NumEditKey::Right,
                              Keys(false, false, 2, 2, false, true), true, NumEditActionRight},
                      KeyCase{"right at end while invalid", NumEditKey::Right,
                              Keys(false, false, 3, 3, false, false), true, -1},
                      KeyCase{"home", NumEditKey::Home, kMiddle, false, -1},
                      KeyCase{"ctrl home", NumEditKey::Home, Keys(true, false, 1, 2, false, true),
                              true, NumEditActionLineStart},
                      KeyCase{"ctrl end", NumEditKey::End, Keys(true, false, 1, 2, false, true),
                              true, NumEditActionLineEnd},
                      KeyCase{"up", NumEditKey::Up, kMiddle, true, NumEditActionUp},
                      KeyCase{"page down", NumEditKey::PageDown, kMiddle, true,
                              NumEditActionPageDown},
                      KeyCase{"ctrl o", NumEditKey::O, Keys(true, false, 1, 2, false, true), true,
                              NumEditActionToOct},
                      KeyCase{"ctrl a while invalid", NumEditKey::A,
                              Keys(true, false, 1, 3, false, false), true, -1},
                      KeyCase{"a typed", NumEditKey::A, kMiddle, false, -1},
                      KeyCase{"other", NumEditKey::Other, kMiddle, false, -1}));

}  // namespace
