#include <gtest/gtest.h>

#include "inspect/PacketParameters.h"
#include "packet/Packet.h"

namespace {

struct SpliceCase {
    const char* name;
    std::string definition;
    std::string text;                                     // after extraction
    std::vector<std::pair<std::string, int>> parameters;  // name, position
    std::vector<std::string> values;                      // given in order
    std::string spliced;
};

[[maybe_unused]] void PrintTo(const SpliceCase& c, std::ostream* os) {
    *os << c.name;
}

class Splicing : public ::testing::TestWithParam<SpliceCase> {};

TEST_P(Splicing, ExtractsThenSplicesTheValues) {
    const SpliceCase& c = GetParam();
    std::vector<PacketParameter> parameters;
    const std::string text = ExtractParameters(c.definition, parameters);
    EXPECT_EQ(text, c.text);
    ASSERT_EQ(parameters.size(), c.parameters.size());
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        EXPECT_EQ(parameters[i].name, c.parameters[i].first) << i;
        EXPECT_EQ(parameters[i].position, c.parameters[i].second) << i;
        EXPECT_EQ(parameters[i].value, "") << i;
        parameters[i].value = c.values[i];
    }
    EXPECT_EQ(SpliceParameters(text, parameters), c.spliced);
}

const std::string kAddress = "\xc0\xe4\xf0\xe5\xf1";  // "Адрес" in Windows-1251

INSTANTIATE_TEST_SUITE_P(
    Definitions, Splicing,
    ::testing::Values(
        SpliceCase{"NoParameters", "0A0102", "0A0102", {}, {}, "0A0102"},
        SpliceCase{"OneValue", "A1&x&B2", "A1B2", {{"x", 2}}, {"C3"}, "A1C3B2"},
        SpliceCase{"EmptyValueLeavesTheGap", "A1&x&B2", "A1B2", {{"x", 2}}, {""}, "A1B2"},
        SpliceCase{"EmptyName", "01&&02", "0102", {{"", 2}}, {"FF"}, "01FF02"},
        SpliceCase{"BackToBackInOrder", "&a&&b&", "", {{"a", 0}, {"b", 0}}, {"11", "22"}, "1122"},
        SpliceCase{"BackToBackSecondEmpty",
                   "10&a&&b&04",
                   "1004",
                   {{"a", 2}, {"b", 2}},
                   {"", "22"},
                   "102204"},
        SpliceCase{
            "OddAmpersandDropsTheRest", "01&a&02&zz03", "0102", {{"a", 2}}, {"AA"}, "01AA02"},
        SpliceCase{"CyrillicNameValuesVerbatim",
                   "10&" + kAddress + "&04&n&",
                   "1004",
                   {{kAddress, 2}, {"n", 4}},
                   {"01F0", "x y"},
                   "1001F004x y"}),
    [](const ::testing::TestParamInfo<SpliceCase>& info) { return info.param.name; });

// What a person may type for bytes: blanks and tabs go, an even number of digits stays.
TEST(HexText, TypedValues) {
    struct Case {
        const char* typed;
        HexTextProblem problem;
        const char* digits;
    };
    const Case cases[] = {
        {"01F0", HexTextProblem::None, "01F0"},
        {" 01 f0\t", HexTextProblem::None, "01f0"},
        {"", HexTextProblem::None, ""},
        {" \t ", HexTextProblem::None, ""},
        {"1F0", HexTextProblem::OddDigits, ""},
        {"0 1F 0 1", HexTextProblem::OddDigits, ""},
        {"ZZ", HexTextProblem::NotHexDigit, ""},
        {"0x10", HexTextProblem::NotHexDigit, ""},
        {"01,F0", HexTextProblem::NotHexDigit, ""},
        {"01\r\nF0", HexTextProblem::NotHexDigit, ""},
        {"\xc6\xc6", HexTextProblem::NotHexDigit, ""},  // "ЖЖ" narrowed to the code page
    };
    for (const Case& c : cases) {
        std::string digits;
        EXPECT_EQ(CheckHexText(c.typed, &digits), c.problem) << c.typed;
        EXPECT_EQ(digits, c.digits) << c.typed;
    }
}

// The spliced text becomes a packet only as whole digit pairs: an odd definition is no packet.
TEST(HexText, OnlyWholePairsMakeAPacket) {
    std::vector<PacketParameter> parameters;
    const std::string text = ExtractParameters("10&a&04", parameters);
    parameters[0].value = " 01 F0 ";
    CPacket packet;
    ASSERT_TRUE(PacketFromWholeHexText(SpliceCheckedParameters(text, parameters), &packet));
    EXPECT_EQ(packet.GetCommand(), 0x10);
    EXPECT_EQ(packet.GetLength(), 3);
    for (const char* text : {"0A1", "", "0A 01", "0A0G", "0A&a&"}) {
        EXPECT_FALSE(PacketFromWholeHexText(text, &packet)) << text;
    }
    EXPECT_EQ(packet.GetCommand(), 0x10);
}

}  // namespace
