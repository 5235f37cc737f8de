#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include "GuiSupport.h"
#include "device/VXDevice.h"
#include "ui/CommandIds.h"
#include "ui/HexViewCtrl.h"
#include "ui/HexViewFrame.h"
#include "ui/NumEdit.h"
#include "ui/TavrinView.h"

namespace {

// A window on USB 0 (split framing, so long packets arrive whole), echo off.
class HexView : public ::testing::Test {
protected:
    void SetUp() override {
        fixture.Simulator().SetFramingAll(vxsim::Framing::Split);
        fixture.AddUnits({{0, 0}});
        Settings settings = Unit(0, 0);
        settings.push_back({"SplittablePacketMode", "1"});
        fixture.Start(settings);
        ASSERT_TRUE(fixture.Frame().GetDevice().IsOpen());
    }
    CTavrinView& List() { return *fixture.Frame().GetTrafficView(); }
    CTrafficModel& Model() { return *List().GetModel(); }
    void Receive(unsigned char command, std::vector<unsigned char> payload) {
        const int rows = Model().rowCount();
        ASSERT_TRUE(fixture.Simulator().SendPacket(0, 0, command, payload.data(),
                                                   static_cast<int>(payload.size())));
        ASSERT_TRUE(WaitUntil([&] { return Model().rowCount() > rows; }));
    }
    CHexViewFrame* DoubleClick(int row) {
        const QPoint point = List().visualRect(Model().index(row, 2)).center();
        QTest::mouseDClick(List().viewport(), Qt::LeftButton, Qt::NoModifier, point);
        return List().GetHexView();
    }
    CHexViewCtrl& Ctrl() { return *List().GetHexView()->GetView(); }
    const CHexViewState& State() { return Ctrl().GetState(); }
    // The text of a line's cells in a grid column, as the user reads them.
    std::string Cells(int column, int line) {
        const int perLine = State().GetLayout().unitsPerLine;
        const int first = State().GetTop() + line * perLine;
        if (column == HexGridAddr) {
            const std::string address = State().CellText(column, first);
            return address.substr(1, address.size() - 2);
        }
        std::string text;
        for (int unit = first; unit < std::min(first + perLine, State().GetUnitCount()); ++unit) {
            std::string cell = State().CellText(column, unit);
            text += column == HexGridAscii ? cell.substr(1, 1) : cell.substr(1);
        }
        return column == HexGridAscii ? text : text.substr(0, text.size() - 1);
    }
    // Keys go where the user's focus would be: the editor while one is open.
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = Ctrl().GetEditor() != nullptr ? static_cast<QWidget*>(Ctrl().GetEditor())
                                                        : static_cast<QWidget*>(&Ctrl());
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    }
    int EditedColumn() {
        return Ctrl().GetEditor() != nullptr ? State().GetEditedColumn() : HexNoColumn;
    }
    QPoint CellCentre(int unit, int column) {
        const HexRect cell = HexCellRect(State().GetLayout(), State().GetTop(), unit, column);
        return QPoint((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    }

    MainFrameFixture fixture;
};

// Double click a line: the window with the packet's caption, its bytes in the grid and the
// caret on the first byte, painted on the window's light yellow.
TEST_F(HexView, DoubleClickShowsThePacket) {
    Receive(0x21, {'A', 'B', 'C', 0x07, 0xC0, 0x10});
    CHexViewFrame* frame = DoubleClick(0);
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Пакет (общая длина: 8 тип: 33 [ 21h ])"));
    EXPECT_EQ(Cells(HexGridAddr, 0), "0000");
    EXPECT_EQ(Cells(HexGridHex, 0), "41 42 43 07 C0 10");
    EXPECT_EQ(Cells(HexGridAscii, 0), "ABC.\xC0.");
    EXPECT_EQ(State().CellText(HexInfoBin, State().ShownUnit()), " 01000001 ");

    const QImage image = Ctrl().grab().toImage();
    const HexRect caret = HexCellRect(State().GetLayout(), 0, 0, HexGridHex);
    int cyan = 0;
    for (int x = caret.left + 4; x < caret.right - 4; ++x) {
        cyan += image.pixelColor(x, caret.top + 2) == QColor(0, 255, 255);
    }
    EXPECT_GT(cyan, 0);
    EXPECT_EQ(image.pixelColor(Ctrl().width() / 2, Ctrl().height() - 5), QColor(255, 255, 224));
}

// Later double clicks hand the same window another packet; an empty payload shows no units.
// Closing the window destroys it, and the next double click makes a new one.
TEST_F(HexView, OneWindowForTheList) {
    Receive(0x21, {1, 2, 3});
    Receive(0x05, {});
    CHexViewFrame* first = DoubleClick(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(DoubleClick(1), first);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Пакет (общая длина: 2 тип: 5 [ 5h ])"));
    EXPECT_EQ(State().GetUnitCount(), 0);
    first->close();
    ASSERT_TRUE(WaitUntil([&] { return List().GetHexView() == nullptr; }));
    CHexViewFrame* second = DoubleClick(0);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(State().GetUnitCount(), 3);
}

TEST_F(HexView, ClearingTheLogClosesTheWindow) {
    Receive(0x21, {1, 2, 3});
    ASSERT_NE(DoubleClick(0), nullptr);
    std::unique_ptr<QMenu> menu(List().CreateContextMenu(nullptr));
    FindAction(menu.get(), ID_LOG_CLEAR)->trigger();
    EXPECT_EQ(List().GetHexView(), nullptr);
    EXPECT_EQ(Model().rowCount(), 0);
}

// Enter opens the hexadecimal editor over the caret's cell; Tab alternates it with the
// character column; Ctrl+H opens the info field, whose Tab cycles Hex, Dec, Bin and Ascii.
TEST_F(HexView, EditorsAndTheirTabs) {
    Receive(0x21, {0x41, 0x0A, 0x30});
    ASSERT_NE(DoubleClick(0), nullptr);
    Key(Qt::Key_Right);
    Key(Qt::Key_Return);
    ASSERT_NE(Ctrl().GetEditor(), nullptr);
    EXPECT_EQ(EditedColumn(), HexGridHex);
    EXPECT_EQ(Ctrl().GetEditor()->text(), "0A");
    EXPECT_EQ(Ctrl().GetEditor()->selectedText(), "0A");
    const HexRect cell = HexCellRect(State().GetLayout(), 0, 1, HexGridHex);
    EXPECT_EQ(Ctrl().GetEditor()->geometry(),
              QRect(cell.left, cell.top, cell.Width(), cell.Height()));
    Key(Qt::Key_Tab);
    EXPECT_EQ(EditedColumn(), HexGridAscii);
    EXPECT_EQ(State().GetEditedUnit(), 1);
    EXPECT_EQ(Ctrl().GetEditor()->text(), ".");  // 0x0A in character notation
    Key(Qt::Key_Escape);
    EXPECT_EQ(Ctrl().GetEditor(), nullptr);

    Key(Qt::Key_H, Qt::ControlModifier);
    EXPECT_EQ(EditedColumn(), HexInfoHex);
    const std::pair<int, QString> infoTabs[] = {
        {HexInfoDec, "10"}, {HexInfoBin, "00001010"}, {HexInfoAscii, "."}, {HexInfoHex, "0A"}};
    for (const auto& [column, text] : infoTabs) {
        Key(Qt::Key_Tab);
        EXPECT_EQ(EditedColumn(), column);
        EXPECT_EQ(Ctrl().GetEditor()->text(), text);
    }
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(EditedColumn(), HexInfoAscii);
    Key(Qt::Key_B, Qt::ControlModifier);  // the notation switch
    EXPECT_EQ(EditedColumn(), HexInfoBin);
}

// An out-of-range value turns the editor white on red and blocks Enter, Tab and the moves;
// Escape still closes it, and nothing is reported.
TEST_F(HexView, OutOfRangeBlocksEnterButNotEscape) {
    Receive(0x21, {0x41, 0x42});
    ASSERT_NE(DoubleClick(0), nullptr);
    QSignalSpy edited(&Ctrl(), &CHexViewCtrl::HexValueEdited);
    Key(Qt::Key_D, Qt::ControlModifier);
    CNumEdit* editor = Ctrl().GetEditor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "300");
    EXPECT_EQ(editor->text(), "300");
    EXPECT_EQ(editor->palette().color(QPalette::Base), QColor(255, 0, 0));
    EXPECT_EQ(editor->palette().color(QPalette::Text), QColor(255, 255, 255));
    for (int key : {Qt::Key_Return, Qt::Key_Tab, Qt::Key_Right, Qt::Key_Down}) {
        Key(key);
        EXPECT_EQ(Ctrl().GetEditor(), editor) << QTest::toString(key);
    }
    EXPECT_EQ(State().GetCaret(), 0);
    Key(Qt::Key_Escape);
    EXPECT_EQ(Ctrl().GetEditor(), nullptr);
    EXPECT_EQ(edited.count(), 0);
}

// Every byte opens the character editor with a text that reads back as the byte (codes below
// 32 as "."), so Enter on an untouched editor reports no edit.
TEST(NumEdit, EveryCharacterReadsBackUnchanged) {
    CNumEdit editor;
    for (int byte = 0; byte < 256; ++byte) {
        editor.SetNumber(static_cast<std::uint32_t>(byte), NumberChar, NumRangeByte, 0, 0);
        EXPECT_EQ(editor.Value(), static_cast<std::uint32_t>(byte < 32 ? '.' : byte)) << byte;
        EXPECT_FALSE(editor.IsChanged()) << byte;
    }
}

// An edited value is reported and nothing else: the packet, the window's bytes, the grid and
// the list stay as they were. An edited address moves the caret; it is typed with as many
// digits as the address column shows (2000 units end at 7CF, shown as 07CF).
TEST_F(HexView, EditingChangesNothing) {
    Receive(0x21, std::vector<unsigned char>(2000, 0x11));
    ASSERT_NE(DoubleClick(0), nullptr);
    const QString line = Model().index(0, 2).data().toString();
    QSignalSpy edited(&Ctrl(), &CHexViewCtrl::HexValueEdited);
    Key(Qt::Key_Return);
    QTest::keyClicks(Ctrl().GetEditor(), "fe");
    EXPECT_EQ(Ctrl().GetEditor()->text(), "FE");
    Key(Qt::Key_Return);
    EXPECT_EQ(Ctrl().GetEditor(), nullptr);
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited[0][0].toInt(), 0);
    EXPECT_EQ(edited[0][1].toInt(), 0xFE);
    EXPECT_EQ(Model().GetLine(0).payload[0], 0x11);
    EXPECT_EQ(List().GetHexView()->GetBytes()[0], 0x11);
    EXPECT_EQ(State().CellText(HexGridHex, 0), " 11 ");
    EXPECT_EQ(Model().index(0, 2).data().toString(), line);
    EXPECT_EQ(Model().rowCount(), 1);

    // An unchanged value is not reported.
    Key(Qt::Key_Return);
    Key(Qt::Key_Return);
    EXPECT_EQ(edited.count(), 1);

    QTest::mouseDClick(&Ctrl(), Qt::LeftButton, Qt::NoModifier, CellCentre(0, HexGridAddr));
    ASSERT_NE(Ctrl().GetEditor(), nullptr);
    EXPECT_EQ(EditedColumn(), HexGridAddr);
    EXPECT_EQ(Ctrl().GetEditor()->text(), "0000");
    QTest::keyClicks(Ctrl().GetEditor(), "07CE");
    EXPECT_EQ(Ctrl().GetEditor()->text(), "07CE");
    Key(Qt::Key_Return);
    EXPECT_EQ(State().GetCaret(), 0x7CE);
    EXPECT_EQ(edited.count(), 1);
}

// Keys pressed in the main window never reach the packet window's opening keys.
TEST_F(HexView, EnterInTheMainWindowOpensNoEditor) {
    Receive(0x21, {0x41});
    ASSERT_NE(DoubleClick(0), nullptr);
    QTest::keyClick(&List(), Qt::Key_Return);
    QTest::keyClick(&List(), Qt::Key_H, Qt::ControlModifier);
    EXPECT_EQ(Ctrl().GetEditor(), nullptr);
}

// The tip describes the unit under the pointer from the second move over it.
TEST_F(HexView, ToolTipFromTheSecondMove) {
    Receive(0x21, std::vector<unsigned char>(20, 0x41));
    ASSERT_NE(DoubleClick(0), nullptr);
    const QPoint cell = CellCentre(16, HexGridHex);
    QTest::mouseMove(&Ctrl(), cell);
    QTest::mouseMove(&Ctrl(), cell + QPoint(1, 0));
    EXPECT_TRUE(Ctrl().IsTipActive());
    EXPECT_EQ(Ctrl().GetTipText(),
              "Address: 0010 Hex\n------ Data -------\nHex:    41\nDec:    65\n"
              "Bin:    01000001\nAscii:  A");
    EXPECT_EQ(State().ShownUnit(), 16);  // the info panel follows the pointer
    QHelpEvent help(QEvent::ToolTip, cell, Ctrl().mapToGlobal(cell));
    QApplication::sendEvent(&Ctrl(), &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("01000001")));
    QTest::mousePress(&Ctrl(), Qt::LeftButton, Qt::NoModifier, cell);
    EXPECT_FALSE(Ctrl().IsTipActive());
    QTest::mouseRelease(&Ctrl(), Qt::LeftButton, Qt::NoModifier, cell);
    EXPECT_EQ(State().GetCaret(), 16);
}

// The longest packet: the keys move the caret, and they and the wheel scroll through all of it,
// within the range.
TEST_F(HexView, KeysAndScrollingALongPacket) {
    std::vector<unsigned char> payload(CPacket::kMaxSplitPayload);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<unsigned char>(i);
    }
    List().AddPacket(MakePacket(0xA5, payload).get(), false);
    CHexViewFrame* frame = DoubleClick(0);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Пакет (общая длина: 15301 тип: 165 [ a5h ])"));
    QScrollBar* bar = Ctrl().GetScrollBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->maximum(), State().ScrollMax());
    const int perLine = State().GetLayout().unitsPerLine;
    const std::pair<int, int> steps[] = {{Qt::Key_Left, 0},
                                         {Qt::Key_Right, 1},
                                         {Qt::Key_Down, 1 + perLine},
                                         {Qt::Key_End, 2 * perLine - 1},
                                         {Qt::Key_Home, perLine},
                                         {Qt::Key_PageUp, 0},
                                         {Qt::Key_PageDown, State().GetLayout().unitsPerPage}};
    for (const auto& [key, caret] : steps) {
        Key(key);
        EXPECT_EQ(State().GetCaret(), caret) << QTest::toString(key);
    }
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(State().GetCaret(), 0);
    EXPECT_EQ(State().GetTop(), 0);
    QSignalSpy tops(&Ctrl(), &CHexViewCtrl::HexTopChanged);
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(State().GetCaret(), 15298);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(tops.count(), 1);
    Key(Qt::Key_Right);
    EXPECT_EQ(State().GetCaret(), 15298);
    const int last = State().GetTop();
    QWheelEvent wheel(CellCentre(15298, HexGridHex), Ctrl().mapToGlobal(QPoint()), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&Ctrl(), &wheel);
    EXPECT_EQ(State().GetTop(), last - perLine);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(State().GetTop(), 0);
    EXPECT_EQ(State().GetCaret(), 15298);  // scrolling leaves the caret
    char address[8];
    std::snprintf(address, sizeof address, "%04X", perLine);
    EXPECT_EQ(Cells(HexGridAddr, 1), address);
}

}  // namespace
