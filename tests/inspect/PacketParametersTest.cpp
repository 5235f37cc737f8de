#include <gtest/gtest.h>

#include "inspect/PacketParameters.h"

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

// The list is the caller's for one send; extracting again (the next send of the same
// definition) starts every value empty, whatever the last send left in it.
TEST(Splicing, EverySendStartsEmpty) {
    std::vector<PacketParameter> parameters;
    ExtractParameters("11&a&&b&", parameters);
    parameters[0].value = "01";
    parameters[1].value = "02";
    ASSERT_EQ(SpliceParameters("11", parameters), "110102");
    ExtractParameters("11&a&&b&", parameters);
    ASSERT_EQ(parameters.size(), 2u);
    EXPECT_EQ(parameters[0].value, "");
    EXPECT_EQ(parameters[1].value, "");
}

}  // namespace
