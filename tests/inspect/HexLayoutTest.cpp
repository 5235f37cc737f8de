#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inspect/HexColumns.h"
#include "inspect/HexViewLayout.h"

namespace {

struct Placed {
    int type;
    HexRect rect;  // a field's whole rectangle, or a grid column's
};

struct LayoutCase {
    const char* name;
    int width;
    int height;
    HexMetrics metrics;
    std::uint32_t style;
    int unitBytes;
    std::vector<Placed> fields;
    int panelBottom;
    std::vector<Placed> columns;
    int unitsPerLine;
    int unitsPerPage;
};
void PrintTo(const LayoutCase& c, std::ostream* out) {
    *out << c.name;
}

class HexLayoutNumbers : public ::testing::TestWithParam<LayoutCase> {};

// Worked by hand from the placing rules: fields of (label + width + 3) characters one character
// apart within the inner width; an address column of A + 2 characters; units per line from
// what is left after it and a scroll bar.
TEST_P(HexLayoutNumbers, FieldsColumnsAndUnits) {
    const LayoutCase& c = GetParam();
    const HexLayout layout =
        ComputeHexLayout({0, 0, c.width, c.height}, c.metrics, c.style, 4, c.unitBytes);
    ASSERT_EQ(layout.fields.size(), c.fields.size());
    for (std::size_t i = 0; i < c.fields.size(); ++i) {
        EXPECT_EQ(layout.fields[i].type, c.fields[i].type) << i;
        EXPECT_EQ(layout.fields[i].field, c.fields[i].rect) << "field " << c.fields[i].type;
    }
    EXPECT_EQ(layout.panel.bottom, c.panelBottom);
    ASSERT_EQ(layout.columns.size(), c.columns.size());
    for (std::size_t i = 0; i < c.columns.size(); ++i) {
        EXPECT_EQ(layout.columns[i].type, c.columns[i].type) << i;
        EXPECT_EQ(layout.columns[i].rect, c.columns[i].rect) << "column " << c.columns[i].type;
    }
    EXPECT_EQ(layout.unitsPerLine, c.unitsPerLine);
    EXPECT_EQ(layout.unitsPerPage, c.unitsPerPage);
    EXPECT_EQ(layout.scrollBar.left, c.width - c.metrics.scrollBarWidth);
}

constexpr std::uint32_t kWideStyle = HexStyleGridAddr | HexStyleGridHex | HexStyleGridDec |
                                     HexStyleGridAscii | HexStyleInfoMask | HexStyleHeader |
                                     HexStyleWords;

INSTANTIATE_TEST_SUITE_P(
    Sizes, HexLayoutNumbers,
    ::testing::Values(
        // The packet window's style in one row of fields: 17 units a line, 18 lines.
        LayoutCase{"packet window",
                   572,
                   300,
                   {7, 15, 16},
                   HexStyleDefault,
                   1,
                   {{HexInfoAddr, {7, 2, 84, 17}},
                    {HexInfoHex, {91, 2, 147, 17}},
                    {HexInfoDec, {154, 2, 217, 17}},
                    {HexInfoBin, {224, 2, 322, 17}},
                    {HexInfoAscii, {329, 2, 392, 17}}},
                   17,
                   {{HexGridAddr, {0, 17, 42, 300}},
                    {HexGridHex, {42, 17, 406, 300}},
                    {HexGridAscii, {406, 17, 556, 300}}},
                   17,
                   306},
        // 16-bit units, every field, a header: the binary field wraps to a second row.
        LayoutCase{"words with header",
                   400,
                   200,
                   {8, 16, 17},
                   kWideStyle,
                   2,
                   {{HexInfoAddr, {8, 2, 96, 18}},
                    {HexInfoHex, {104, 2, 184, 18}},
                    {HexInfoDec, {192, 2, 288, 18}},
                    {HexInfoBin, {8, 18, 184, 34}},
                    {HexInfoOct, {192, 18, 288, 34}},
                    {HexInfoAscii, {296, 18, 368, 34}}},
                   34,
                   {{HexGridAddr, {0, 50, 48, 200}},
                    {HexGridHex, {48, 50, 136, 200}},
                    {HexGridDec, {136, 50, 256, 200}},
                    {HexGridAscii, {256, 50, 290, 200}}},
                   2,
                   18},
        // Too narrow: fields as wide as the row are left out, no unit fits a line.
        LayoutCase{"narrow",
                   100,
                   100,
                   {8, 16, 16},
                   HexStyleDefault,
                   1,
                   {{HexInfoHex, {8, 2, 72, 18}},
                    {HexInfoDec, {8, 18, 80, 34}},
                    {HexInfoAscii, {8, 34, 80, 50}}},
                   50,
                   {{HexGridAddr, {0, 50, 48, 100}},
                    {HexGridHex, {48, 50, 56, 100}},
                    {HexGridAscii, {56, 50, 72, 100}}},
                   0,
                   0}));

TEST(HexLayout, ValueAreaFollowsTheLabel) {
    const HexLayout layout = ComputeHexLayout({0, 0, 572, 300}, {7, 15, 16}, HexStyleDefault, 4, 1);
    const HexInfoField* addr = layout.FindField(HexInfoAddr);
    ASSERT_NE(addr, nullptr);
    // "Addr:" takes five characters; the value runs to the field's end, cy/6 above its bottom.
    EXPECT_EQ(addr->value, (HexRect{42, 2, 84, 15}));
    EXPECT_EQ(layout.FindField(HexInfoOct), nullptr);
}

TEST(HexLayout, ScrollRange) {
    struct Case {
        int units, perLine, perPage, max;
    };
    const Case cases[] = {{10, 8, 16, 1},   {16, 8, 16, 0},  {17, 8, 16, 1},
                          {100, 16, 64, 3}, {96, 16, 64, 2}, {0, 8, 16, 0},
                          {5, 0, 0, 5},     {40, 8, 0, 5},   {15299, 17, 306, 882}};
    for (const Case& c : cases) {
        EXPECT_EQ(HexScrollMax(c.units, c.perLine, c.perPage), c.max)
            << c.units << " units, " << c.perLine << " a line, " << c.perPage << " a page";
    }
}

// Every cell's own rectangle hits that cell, in every column and on every line of the page;
// address rows give the line's first unit; units past the data are no cell.
TEST(HexLayout, HitTestFindsEachCell) {
    for (const HexMetrics metrics : {HexMetrics{7, 15, 16}, HexMetrics{8, 16, 17}}) {
        const HexLayout layout =
            ComputeHexLayout({0, 0, 500, 200}, metrics, HexStyleDefault | HexStyleGridDec, 4, 1);
        const int top = 2 * layout.unitsPerLine;
        const int units = top + layout.unitsPerPage - 3;
        for (const HexGridColumn& column : layout.columns) {
            for (int unit = top; unit < top + layout.unitsPerPage; ++unit) {
                const int cellUnit =
                    column.type == HexGridAddr ? unit - unit % layout.unitsPerLine : unit;
                const HexRect cell = HexCellRect(layout, top, cellUnit, column.type);
                const HexHit hit = HexHitTest(layout, (cell.left + cell.right) / 2,
                                              (cell.top + cell.bottom) / 2, top, units);
                if (cellUnit >= units) {
                    EXPECT_EQ(hit.column, HexNoColumn) << column.type << " " << unit;
                } else {
                    EXPECT_EQ(hit.column, column.type) << unit;
                    EXPECT_EQ(hit.unit, cellUnit) << column.type;
                }
            }
        }
        // Left of the first cell, above the first row, and below the last whole row: nothing.
        const HexGridColumn& hex = *layout.FindColumn(HexGridHex);
        const int y = hex.rect.top + metrics.cy / 4 + 1;
        EXPECT_EQ(HexHitTest(layout, hex.rect.left + metrics.cx / 2 - 1, y, top, units).column,
                  HexNoColumn);
        EXPECT_EQ(HexHitTest(layout, hex.rect.left + metrics.cx, hex.rect.top, top, units).column,
                  HexNoColumn);
        const int below = layout.RowTop(layout.visibleRows);
        EXPECT_EQ(HexHitTest(layout, hex.rect.left + metrics.cx, below, top, units).column,
                  HexNoColumn);
    }
}

TEST(HexLayout, InfoFieldsHitWithoutAUnit) {
    const HexLayout layout = ComputeHexLayout({0, 0, 572, 300}, {7, 15, 16}, HexStyleDefault, 4, 1);
    const HexRect value = layout.FindField(HexInfoBin)->value;
    const HexHit hit = HexHitTest(layout, value.left + 1, value.top + 1, 0, 100);
    EXPECT_EQ(hit.column, HexInfoBin);
    EXPECT_EQ(hit.unit, -1);
    EXPECT_EQ(HexHitTest(layout, 1, 1, 0, 100).column, HexNoColumn);      // the panel's edge
    EXPECT_EQ(HexHitTest(layout, 600, 100, 0, 100).column, HexNoColumn);  // outside
    EXPECT_EQ(HexCellRect(layout, 0, 5, HexInfoBin), value);
}

}  // namespace
