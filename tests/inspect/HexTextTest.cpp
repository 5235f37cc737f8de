#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inspect/HexCellText.h"
#include "inspect/HexColumns.h"
#include "inspect/HexInfoText.h"

namespace {

struct CellCase {
    int kind;
    unsigned value;
    int unitBytes;
    std::string text;
};

class HexCellTexts : public ::testing::TestWithParam<CellCase> {};

// Every text is its unit width + 2 characters (binary 16-bit units one more, for the "-"), so
// the cells of a line line up.
TEST_P(HexCellTexts, EveryNotation) {
    const CellCase& c = GetParam();
    EXPECT_EQ(HexValueText(c.kind, c.value, c.unitBytes, '.'), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, HexCellTexts,
    ::testing::Values(
        CellCase{HexKindHex, 0x0A, 1, " 0A "}, CellCase{HexKindHex, 0x0A, 2, " 000A "},
        CellCase{HexKindDec, 7, 1, "   7 "}, CellCase{HexKindDec, 255, 1, " 255 "},
        CellCase{HexKindDec, 65535, 2, "  65535 "}, CellCase{HexKindOct, 255, 1, " 377 "},
        CellCase{HexKindOct, 65535, 2, " 177777 "}, CellCase{HexKindBin, 0x41, 1, " 01000001 "},
        CellCase{HexKindBin, 0x8001, 2, " 10000000-00000001 "},
        CellCase{HexKindChar, 'A', 1, " A "}, CellCase{HexKindChar, 7, 1, " . "},
        // A 16-bit unit shows its low byte; a control code there is replaced too.
        CellCase{HexKindChar, 0x0141, 2, " A "}, CellCase{HexKindChar, 0x0100, 2, " . "}));

TEST(HexCellText, AddressesAreCutToTheirWidth) {
    EXPECT_EQ(HexAddressText(0x10, 4), " 0010 ");
    EXPECT_EQ(HexAddressText(0x12345, 5), " 12345 ");
    EXPECT_EQ(HexAddressText(0x1234567, 7), " 1234567 ");
    EXPECT_EQ(HexAddressText(0x10, 5), " 00010 ");
    EXPECT_EQ(HexAddressWidth(0xFFFF), 4);
    EXPECT_EQ(HexAddressWidth(0x10000), 5);
    EXPECT_EQ(HexAddressWidth(0x123456), 6);
    EXPECT_EQ(HexAddressWidth(-1), 4);  // no data
}

struct InfoCase {
    const char* format;
    std::vector<unsigned char> data;
    int unit;
    HexInfoOptions options;
    std::string text;
};
void PrintTo(const InfoCase& c, std::ostream* out) {
    *out << '"' << c.format << "\" on unit " << c.unit;
}

class InfoDirectives : public ::testing::TestWithParam<InfoCase> {};

TEST_P(InfoDirectives, Expand) {
    const InfoCase& c = GetParam();
    EXPECT_EQ(
        ExpandInfoText(c.format, c.data.data(), static_cast<int>(c.data.size()), c.unit, c.options),
        c.text);
}

const HexInfoOptions kBytes{1, false, 4, '.'};
const HexInfoOptions kWordsLittle{2, true, 4, 0};
const std::vector<unsigned char> k1234 = {0x12, 0x34};

INSTANTIATE_TEST_SUITE_P(
    Directives, InfoDirectives,
    ::testing::Values(
        InfoCase{"%2H", k1234, 0, kBytes, "1234"}, InfoCase{"%-2H", k1234, 0, kBytes, "3412"},
        InfoCase{"%+H", k1234, 0, kWordsLittle, "1234"},  // "+" wins over the view's order
        InfoCase{"%H %D", k1234, 0, kWordsLittle, "3412 13330"},
        InfoCase{"abcd%tx", k1234, 0, kBytes, "abcd    x"},
        InfoCase{"a%tx%n%tx", k1234, 0, kBytes, "a   x\r\n    x"},
        InfoCase{"%R %1R %3R", k1234, 1, {1, false, 5, 0}, "000001 01 000001"},
        InfoCase{"%2B", k1234, 0, kBytes, "00010010-00110100"},
        InfoCase{"%O %%%q", {0xFF}, 0, kBytes, "377 %q"},
        InfoCase{"%4D", {0xFF, 0xFF, 0xFF, 0xFF}, 0, kBytes, "-1"},
        InfoCase{"[%A]", {0x07}, 0, kBytes, "[.]"},
        InfoCase{"x%", k1234, 0, kBytes, "x"},  // a directive cut off by the end adds nothing
        InfoCase{"x%-3", k1234, 0, kBytes, "x"},
        // Past the end of the data: the bytes that are there, or 0 when there is none.
        InfoCase{"%4H %-4H %4B", k1234, 1, kBytes, "34 34 00110100"},
        InfoCase{"%2H", k1234, 5, kBytes, "0000"}, InfoCase{"%H %A", {}, 0, kBytes, "00 ."}));

}  // namespace
