#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "inspect/HexViewState.h"
#include "inspect/NumberField.h"

namespace {

// A view of units 0..count-1 (byte i holds i) with 8 units a line and 2 lines a page.
class HexState : public ::testing::Test {
protected:
    void Show(int count, std::uint32_t style = HexStyleDefault) {
        data.resize(static_cast<std::size_t>(count));
        std::iota(data.begin(), data.end(), 0);
        state.SetStyle(style, ~style);
        state.SetData(count, data.data(), nullptr);
        HexLayout layout;
        layout.unitsPerLine = 8;
        layout.visibleRows = 2;
        layout.unitsPerPage = 16;
        state.SetLayout(layout);
    }
    // The frame's style at a size that gives 8 units a line and 2 lines a page for real.
    void ShowLaidOut(int count, std::uint32_t style = HexStyleDefault) {
        Show(count, style);
        const HexMetrics metrics{8, 16, 16};
        // 8 units: address 48 + hex 200 + character 88 + scroll bar 16; 2 rows below the panel.
        const int height = style & HexStyleInfoMask ? 2 + 16 + 16 + 4 + 32 : 4 + 32;
        HexLayout layout = ComputeHexLayout({0, 0, 48 + 200 + 88 + 16 + 7, height}, metrics,
                                            state.GetStyle(), 4, state.GetUnitBytes());
        ASSERT_EQ(layout.unitsPerLine, 8);
        ASSERT_EQ(layout.unitsPerPage, 16);
        state.SetLayout(layout);
    }
    void Hover(int column, int unit) {
        const HexRect cell = HexCellRect(state.GetLayout(), state.GetTop(), unit, column);
        state.SetPointer((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    }

    std::vector<unsigned char> data;
    CHexViewState state;
};

struct MoveCase {
    const char* name;
    int count;
    int top;
    int caret;
    HexKey key;
    int newCaret;
    int newTop;
};
void PrintTo(const MoveCase& c, std::ostream* out) {
    *out << c.name;
}

class CaretMoves : public HexState, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(CaretMoves, KeysMoveAndScroll) {
    const MoveCase& c = GetParam();
    Show(c.count);
    state.SetCaret(c.caret);
    state.Scroll(HexScroll::Track, c.top / 8);
    ASSERT_EQ(state.GetTop(), c.top);
    state.MoveCaret(c.key);
    EXPECT_EQ(state.GetCaret(), c.newCaret);
    EXPECT_EQ(state.GetTop(), c.newTop);
    EXPECT_EQ(state.GetSelectionStart(), c.newCaret);
    EXPECT_EQ(state.GetSelectionEnd(), c.newCaret);
}

// The keys' plain moves are the window's test; here the edges of the data and of the view.
INSTANTIATE_TEST_SUITE_P(
    Keys, CaretMoves,
    ::testing::Values(MoveCase{"up on the first line shows it", 40, 8, 5, HexKey::Up, 5, 0},
                      MoveCase{"down scrolls one line", 40, 0, 9, HexKey::Down, 17, 8},
                      MoveCase{"end on a short last line", 37, 24, 33, HexKey::End, 36, 24},
                      // Page Up on the first page keeps the column, on the first line.
                      MoveCase{"page up on the first page", 40, 0, 13, HexKey::PageUp, 5, 0},
                      MoveCase{"page up", 40, 16, 29, HexKey::PageUp, 13, 8},
                      // Past the end the caret stays, and a line still below comes into view.
                      MoveCase{"page down past the end", 40, 0, 30, HexKey::PageDown, 30, 24},
                      MoveCase{"down past the end", 20, 0, 12, HexKey::Down, 12, 8},
                      MoveCase{"down past the end, all shown", 16, 0, 12, HexKey::Down, 12, 0},
                      MoveCase{"down from the last line", 37, 24, 34, HexKey::Down, 34, 24}));

TEST_F(HexState, ScrollingStaysInRange) {
    Show(10);  // 10 units, 8 a line, a page of 16: a range of 0..1
    EXPECT_EQ(state.ScrollMax(), 1);
    Show(100);
    EXPECT_EQ(state.ScrollMax(), 11);
    const std::pair<HexScroll, int> steps[] = {{HexScroll::LineDown, 8},  {HexScroll::PageDown, 24},
                                               {HexScroll::LineUp, 16},   {HexScroll::Bottom, 88},
                                               {HexScroll::LineDown, 88}, {HexScroll::PageUp, 72},
                                               {HexScroll::Top, 0},       {HexScroll::LineUp, 0}};
    for (const auto& [action, top] : steps) {
        state.Scroll(action);
        EXPECT_EQ(state.GetTop(), top) << static_cast<int>(action);
    }
    state.Scroll(HexScroll::Track, 5);
    EXPECT_EQ(state.GetTop(), 40);
    state.Scroll(HexScroll::Track, 50);
    EXPECT_EQ(state.GetTop(), 88);
}

// After a resize the top is a line start within the new range, never beyond it, and a caret
// that was in view is still in view.
TEST_F(HexState, ResizeKeepsTheTopReachableAndTheCaretInView) {
    Show(100);
    state.Scroll(HexScroll::Bottom);
    ASSERT_EQ(state.GetTop(), 88);
    HexLayout layout = state.GetLayout();
    layout.unitsPerLine = 10;
    layout.visibleRows = 8;
    layout.unitsPerPage = 80;
    state.SetLayout(layout);
    EXPECT_EQ(state.GetTop(), 20);
    layout.visibleRows = 20;
    layout.unitsPerPage = 200;
    state.SetLayout(layout);
    EXPECT_EQ(state.GetTop(), 0);

    state.MoveCaret(HexKey::CtrlEnd);
    layout.unitsPerLine = 7;
    layout.visibleRows = 3;
    layout.unitsPerPage = 21;
    state.SetLayout(layout);
    EXPECT_EQ(state.GetTop(), 84);  // the line of unit 99 is the page's last
    state.Scroll(HexScroll::Top);
    layout.unitsPerLine = 9;
    state.SetLayout(layout);
    EXPECT_EQ(state.GetTop(), 0);  // the caret was out of view: the view stays
}

TEST_F(HexState, DataAndStyleReturnToTheStart) {
    Show(100);
    state.SetCaret(60);
    ASSERT_GT(state.GetTop(), 0);
    state.SetStyle(HexStyleWords, 0);
    EXPECT_EQ(state.GetUnitCount(), 50);
    EXPECT_EQ(state.GetTop(), 0);
    EXPECT_EQ(state.GetCaret(), 0);
    EXPECT_EQ(state.UnitValue(1), 0x0203u);
    state.SetStyle(HexStyleLittleEndian, 0);
    EXPECT_EQ(state.UnitValue(1), 0x0302u);
    EXPECT_EQ(state.CellText(HexGridHex, 1), " 0302 ");
    state.SetData(0, nullptr, nullptr);
    EXPECT_EQ(state.GetUnitCount(), 0);
    EXPECT_EQ(state.CellText(HexInfoHex, state.ShownUnit()), " 0000 ");  // no data: 0
}

TEST_F(HexState, ComparisonMarksChangedUnits) {
    Show(4);
    std::vector<unsigned char> other = data;
    other[2] ^= 1;
    state.SetData(4, data.data(), other.data());
    EXPECT_FALSE(state.IsUnitChanged(1));
    EXPECT_TRUE(state.IsUnitChanged(2));
}

// The tip describes a unit from the second move over it, and forgets it off the data cells.
TEST_F(HexState, TipShowsFromTheSecondMove) {
    ShowLaidOut(40);
    Hover(HexGridHex, 3);
    EXPECT_EQ(state.NextTipStep(), HexTipStep::NewText);
    EXPECT_EQ(state.GetTipUnit(), 3);
    EXPECT_EQ(state.NextTipStep(), HexTipStep::Show);
    Hover(HexGridAscii, 3);
    EXPECT_EQ(state.NextTipStep(), HexTipStep::Show);  // the same unit in another column
    Hover(HexGridAscii, 4);
    EXPECT_EQ(state.NextTipStep(), HexTipStep::NewText);
    Hover(HexGridAddr, 0);
    EXPECT_EQ(state.NextTipStep(), HexTipStep::Hide);
    EXPECT_EQ(state.GetTipUnit(), -1);
    Hover(HexGridHex, 4);
    EXPECT_EQ(state.NextTipStep(), HexTipStep::NewText);
}

// The info panel follows the pointer over the grid, else the caret; with an editor open it
// stays on the edited unit unless a grid cell is being edited.
TEST_F(HexState, ShownUnit) {
    ShowLaidOut(40);
    state.SetCaret(5);
    Hover(HexGridAddr, 8);
    EXPECT_EQ(state.ShownUnit(), 8);
    Hover(HexInfoBin, 0);
    EXPECT_EQ(state.ShownUnit(), 5);
    ASSERT_TRUE(state.OpenEditor(9, HexInfoHex));
    Hover(HexGridHex, 12);
    EXPECT_EQ(state.ShownUnit(), 9);
    ASSERT_TRUE(state.OpenEditor(9, HexGridHex));
    EXPECT_EQ(state.ShownUnit(), 12);
}

TEST_F(HexState, DraggingSelectsARange) {
    ShowLaidOut(40, HexStyleDefault | HexStyleDragSelect);
    Hover(HexGridHex, 10);
    ASSERT_TRUE(state.Press());
    Hover(HexGridAscii, 4);
    EXPECT_EQ(state.GetSelectionStart(), 4);
    EXPECT_EQ(state.GetSelectionEnd(), 10);
    EXPECT_EQ(state.Release(), std::make_pair(4, 10));
    // A click without moving selects nothing to report; without the flag there is no drag.
    ASSERT_TRUE(state.Press());
    EXPECT_EQ(state.Release(), std::nullopt);
    ShowLaidOut(40);
    Hover(HexGridHex, 10);
    ASSERT_TRUE(state.Press());
    Hover(HexGridHex, 12);
    EXPECT_EQ(state.Release(), std::nullopt);
    EXPECT_EQ(state.GetSelectionEnd(), 10);
}

TEST_F(HexState, EditorsOpenWithTheirNotationAndRange) {
    ShowLaidOut(40);
    const std::optional<HexEditorSetup> hex = state.OpenEditor(17, HexGridHex);
    ASSERT_TRUE(hex);
    EXPECT_EQ(hex->value, 17u);
    EXPECT_EQ(hex->base, NumberHex);
    EXPECT_EQ(hex->rangeKind, NumRangeByte);
    EXPECT_EQ(state.GetTop(), 8);  // made visible first
    EXPECT_EQ(hex->rect, HexCellRect(state.GetLayout(), 8, 17, HexGridHex));
    const std::optional<HexEditorSetup> address = state.OpenEditor(16, HexGridAddr);
    ASSERT_TRUE(address);
    EXPECT_EQ(address->base, NumberHex);
    EXPECT_EQ(address->rangeKind, NumRangeGiven);
    EXPECT_EQ(address->high, 39u);
    EXPECT_EQ(state.OpenEditor(-1, HexInfoBin)->base, NumberBinary);
    EXPECT_EQ(state.GetEditedUnit(), 16);           // -1 kept the unit
    EXPECT_FALSE(state.OpenEditor(3, HexInfoOct));  // off in this style
    EXPECT_FALSE(state.OpenEditor(40, HexGridHex));
    ShowLaidOut(40, HexStyleDefault | HexStyleReadOnly);
    EXPECT_FALSE(state.OpenEditor(3, HexGridHex));
    EXPECT_TRUE(state.OpenEditor(3, HexInfoAddr));
    state.SetStyle(HexStyleWords, HexStyleReadOnly);
    EXPECT_EQ(state.OpenEditor(3, HexInfoDec)->rangeKind, NumRangeWord);
}

TEST_F(HexState, NavigationFromTheEditor) {
    ShowLaidOut(40);
    ASSERT_TRUE(state.OpenEditor(9, HexGridHex));
    state.SetCaret(9);
    EXPECT_TRUE(state.Navigate(NumEditActionTab));
    EXPECT_EQ(state.GetEditedColumn(), HexGridAscii);
    EXPECT_EQ(state.GetCaret(), 9);
    EXPECT_TRUE(state.Navigate(NumEditActionDown));
    EXPECT_EQ(state.GetCaret(), 17);
    EXPECT_EQ(state.GetEditedUnit(), 17);
    EXPECT_TRUE(state.Navigate(NumEditActionLineEnd));
    EXPECT_EQ(state.GetCaret(), 23);
    ASSERT_TRUE(state.OpenEditor(16, HexGridAddr));
    EXPECT_FALSE(state.Navigate(NumEditActionDown));  // ignored while an address is edited
    EXPECT_EQ(state.GetCaret(), 23);
}

TEST_F(HexState, OpeningKeysAndNotationSwitch) {
    ShowLaidOut(40);
    EXPECT_EQ(state.EnterColumn(), HexGridHex);
    ASSERT_TRUE(state.OpenEditor(2, HexInfoHex));
    EXPECT_EQ(state.SwitchTarget(NumEditActionToDec), HexInfoDec);
    EXPECT_EQ(state.SwitchTarget(NumEditActionToOct), HexNoColumn);  // the octal field is off
    EXPECT_EQ(state.SwitchTarget(NumEditActionToHex), HexNoColumn);  // already there
    state.SetStyle(HexStyleGridDec, HexStyleGridHex);
    EXPECT_EQ(state.EnterColumn(), HexGridDec);
    state.SetStyle(0, HexStyleGridMask);
    EXPECT_EQ(state.EnterColumn(), HexGridAddr);
}

TEST_F(HexState, DoubleClickTargets) {
    ShowLaidOut(40);
    state.SetCaret(3);
    Hover(HexGridAscii, 12);
    EXPECT_EQ(state.DoubleClickTarget(-1), std::make_pair(12, int(HexGridAscii)));
    EXPECT_EQ(state.GetCaret(), 12);
    Hover(HexGridAddr, 8);
    EXPECT_EQ(state.DoubleClickTarget(-1), std::make_pair(8, int(HexGridAddr)));
    EXPECT_EQ(state.GetCaret(), 12);
    Hover(HexInfoDec, 0);
    EXPECT_EQ(state.DoubleClickTarget(-1), std::make_pair(12, int(HexInfoDec)));
    EXPECT_EQ(state.DoubleClickTarget(7), std::make_pair(7, int(HexInfoDec)));
    state.ClearPointer();
    EXPECT_EQ(state.DoubleClickTarget(-1), std::nullopt);
}

}  // namespace
