#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <thread>

#include "GuiSupport.h"
#include "ui/CommandIds.h"
#include "ui/FindDlg.h"
#include "ui/HexViewFrame.h"
#include "ui/TavrinView.h"

namespace {

// Packets numbered in their payload, so a line tells which packet it holds.
std::unique_ptr<CPacket> Numbered(int number, unsigned char command = 0x30) {
    return MakePacket(
        command, {static_cast<unsigned char>(number >> 8), static_cast<unsigned char>(number)});
}

int NumberAt(const CTrafficModel& model, int row) {
    if (row < 0 || row >= model.rowCount()) {
        return -1;
    }
    const TrafficLine line = model.GetLine(row);
    return line.payload[0] << 8 | line.payload[1];
}

void Select(CTavrinView& view, int row) {
    view.selectionModel()->select(view.GetModel()->index(row, 0),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// Moves the pointer onto a line twice, so that its tip is ready.
void Hover(CTavrinView& view, int row) {
    const QPoint at = view.visualRect(view.GetModel()->index(row, 2)).center();
    QTest::mouseMove(view.viewport(), at);
    QTest::mouseMove(view.viewport(), at + QPoint(2, 0));
}

// A list bounded at 100 lines under Qt's model checker: the oldest tenth leaves when it is
// full; the selection, the line that the tip belongs to and the lines in sight stay on their
// packets, or go with them; the follow rule keeps following through the drops, from another
// thread too; the packet window keeps the bytes of a line that left.
TEST(TrafficBound, OldestTenthLeavesAndTheListKeepsWorking) {
    CTavrinView view;
    QAbstractItemModelTester tester(view.GetModel(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    CTrafficModel& model = *view.GetModel();
    view.SetMaxLines(100);
    view.resize(600, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (int i = 0; i < 100; ++i) {
        view.AddPacket(Numbered(i).get(), false);
    }
    ASSERT_EQ(model.rowCount(), 100);
    RunEvents(50);
    view.scrollTo(model.index(30, 0), QAbstractItemView::PositionAtTop);
    const int topBefore = NumberAt(model, view.indexAt(QPoint(1, 1)).row());
    Select(view, 50);
    Hover(view, view.indexAt(QPoint(1, 1)).row() + 2);
    const int hovered = NumberAt(model, view.GetHoverLine());
    ASSERT_EQ(hovered, topBefore + 2);

    view.AddPacket(Numbered(100).get(), false);
    EXPECT_EQ(model.rowCount(), 91);
    EXPECT_EQ(model.GetDroppedCount(), 10u);
    EXPECT_EQ(NumberAt(model, 0), 10);
    EXPECT_EQ(NumberAt(model, view.GetSelectedLine()), 50);
    EXPECT_EQ(NumberAt(model, view.GetHoverLine()), hovered);
    EXPECT_TRUE(view.GetTooltipText(view.GetHoverLine())
                    .endsWith(QString::asprintf("%02X:%02X", hovered >> 8, hovered & 0xFF)));
    EXPECT_EQ(NumberAt(model, view.indexAt(QPoint(1, 1)).row()), topBefore);

    // The selected line and the tip's line leave, and nothing else is chosen in their place.
    for (int i = 101; i <= 130; ++i) {
        view.AddPacket(Numbered(i).get(), false);
    }
    ASSERT_EQ(NumberAt(model, 0), 40);
    EXPECT_EQ(NumberAt(model, view.GetSelectedLine()), 50);
    EXPECT_EQ(view.GetHoverLine(), -1);
    const QPoint first = view.visualRect(model.index(view.indexAt(QPoint(1, 1)).row(), 2)).center();
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, first);
    ASSERT_NE(view.GetHexView(), nullptr);
    const std::vector<unsigned char> shown = view.GetHexView()->GetBytes();
    ASSERT_EQ(shown.size(), 2u);
    for (int i = 131; i <= 160; ++i) {
        view.AddPacket(Numbered(i).get(), false);
    }
    ASSERT_GT(NumberAt(model, 0), shown[0] << 8 | shown[1]);
    EXPECT_EQ(view.GetSelectedLine(), -1);
    EXPECT_EQ(view.GetHexView()->GetBytes(), shown);

    // Following the last line through batches from another thread and the drops they cause.
    Select(view, model.rowCount() - 1);
    std::thread receiver([&view] {
        for (int i = 161; i < 1000; ++i) {
            view.AddPacket(Numbered(i).get(), false);
        }
    });
    receiver.join();
    ASSERT_TRUE(WaitUntil([&] { return NumberAt(model, model.rowCount() - 1) == 999; }));
    EXPECT_LE(model.rowCount(), 100);
    EXPECT_EQ(view.GetSelectedLine(), model.rowCount() - 1);
    EXPECT_EQ(model.GetDroppedCount() + static_cast<std::size_t>(model.rowCount()), 1000u);
}

// A flood into a small list: the status bar says the list keeps only its last lines, and
// whether the log holds them all; the log holds every packet, its stamps to the millisecond
// when LogMilliseconds asks for it, as the list's times always are.
struct BoundCase {
    const char* name;
    bool log;
};
void PrintTo(const BoundCase& c, std::ostream* out) {
    *out << c.name;
}

class BoundPane : public ::testing::TestWithParam<BoundCase> {};

TEST_P(BoundPane, SaysTheListKeepsItsLastLines) {
    MainFrameFixture fixture;
    fixture.AddUnits({{0, 0}});
    Settings settings = Unit(0, 0);
    settings.push_back({"MaxListLines", "50"});
    if (GetParam().log) {
        settings.push_back({"Log", fixture.LogPath()});
        settings.push_back({"LogMilliseconds", "1"});
    }
    fixture.Start(settings);
    CMainFrame& frame = fixture.Frame();
    CTrafficModel& model = *frame.GetTrafficView()->GetModel();
    QLabel* pane = frame.GetListBoundPane();
    for (int i = 0; i < 40; ++i) {
        fixture.Simulator().SendPacket(0, 0, 0x41, nullptr, 0);
    }
    ASSERT_TRUE(WaitUntil([&] { return model.rowCount() == 40; }));
    RunEvents(300);
    EXPECT_FALSE(pane->isVisible());
    for (int i = 0; i < 40; ++i) {
        fixture.Simulator().SendPacket(0, 0, 0x41, nullptr, 0);
    }
    ASSERT_TRUE(WaitUntil([&] {
        return model.GetDroppedCount() + static_cast<std::size_t>(model.rowCount()) == 80 &&
               pane->isVisible();
    }));
    EXPECT_LE(model.rowCount(), 50);
    const QString kept = QStringLiteral("В списке последние %1 строк").arg(model.rowCount());
    EXPECT_EQ(pane->text(), GetParam().log ? kept + QStringLiteral(", журнал полный") : kept);
    EXPECT_EQ(model.index(0, 0).data().toString().size(), 23);  // dd.mm.yyyy hh:mm:ss.mmm
    if (GetParam().log) {
        const std::string log = ReadBytes(fixture.LogPath());
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 80);
        EXPECT_EQ(log.find("] - RECV"), std::string("[dd.mm.yyyy hh:mm:ss.mmm").size());
    }
    frame.GetTrafficView()->ClearLog();
    RunEvents(300);
    EXPECT_FALSE(pane->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Logs, BoundPane,
                         ::testing::Values(BoundCase{"WithLog", true}, BoundCase{"NoLog", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Fills the find dialog and presses "Найти"; with a refusal, the message and the text left.
void FindThrough(CMainFrame& frame, const QString& text, FindDirection direction,
                 QString* refusedText = nullptr) {
    auto dialogDone = OnNextModal([&](QDialog* dialog) {
        auto* find = qobject_cast<CFindDlg*>(dialog);
        ASSERT_NE(find, nullptr);
        find->GetTextField()->setText(text);
        find->GetDirectionButton(direction)->setChecked(true);
        QAbstractButton* button = dialog->findChild<QDialogButtonBox*>()->buttons()[0];
        button->click();
        if (refusedText != nullptr) {
            *refusedText = find->GetTextField()->text();
            EXPECT_TRUE(find->isVisible());
            find->reject();
        }
    });
    frame.GetMenuAction(ID_EDIT_FIND)->trigger();
}

// "Правка": find by bytes and by command through the dialog, then F3 and Shift+F3 from the
// keyboard; a line found is not left for new lines until End; "нет совпадений" when none is
// left that way. Bad find text is refused in the dialog, the field named and the text kept.
TEST(Find, MenuDialogAndKeys) {
    MainFrameFixture fixture;
    fixture.Start({});
    CMainFrame& frame = fixture.Frame();
    CTavrinView& view = *frame.GetTrafficView();
    CTrafficModel& model = *view.GetModel();
    for (int i = 0; i < 30; ++i) {
        view.AddPacket(Numbered(i % 10 == 3 ? 0x5301 : i, i == 25 ? 0x21 : 0x30).get(), i == 25);
    }
    ASSERT_TRUE(Activate(&frame));
    view.setFocus();

    auto opened = OnNextModal([](QDialog* dialog) {
        auto* find = qobject_cast<CFindDlg*>(dialog);
        ASSERT_NE(find, nullptr);
        EXPECT_TRUE(find->GetDirectionButton(FindDirection::Both)->isChecked());
        dialog->reject();
    });
    QTest::keyClick(&view, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(view.GetSelectedLine(), -1);

    QString kept;
    FindThrough(frame, QStringLiteral("53 0"), FindDirection::Both, &kept);
    EXPECT_EQ(kept, "53 0");
    EXPECT_EQ(fixture.dialogs.Count(QStringLiteral("Искать: нечётное число цифр")), 1);

    FindThrough(frame, QStringLiteral("30 53 01"), FindDirection::Both);
    ASSERT_TRUE(Activate(&frame));
    EXPECT_EQ(view.GetSelectedLine(), 3);
    const struct {
        Qt::KeyboardModifiers modifiers;
        int selected;
        bool noMatch;
    } keys[] = {{Qt::NoModifier, 13, false},   {Qt::NoModifier, 23, false},
                {Qt::NoModifier, 23, true},    {Qt::ShiftModifier, 13, false},
                {Qt::ShiftModifier, 3, false}, {Qt::ShiftModifier, 3, true}};
    for (const auto& key : keys) {
        QTest::keyClick(&view, Qt::Key_F3, key.modifiers);
        EXPECT_EQ(view.GetSelectedLine(), key.selected);
        EXPECT_EQ(frame.statusBar()->currentMessage() == "нет совпадений", key.noMatch);
    }

    // A command, in the sent lines only; the line found is the last, and new lines do not take
    // the selection from it until End.
    view.AddPacket(Numbered(99, 0x21).get(), true);
    FindThrough(frame, QStringLiteral("команда 21"), FindDirection::Sent);
    ASSERT_TRUE(Activate(&frame));
    EXPECT_EQ(view.GetSelectedLine(), 25);
    QTest::keyClick(&view, Qt::Key_F3);
    ASSERT_EQ(view.GetSelectedLine(), 30);
    view.AddPacket(Numbered(100).get(), false);
    EXPECT_EQ(view.GetSelectedLine(), 30);
    QTest::keyClick(&view, Qt::Key_End);
    view.AddPacket(Numbered(101).get(), false);
    EXPECT_EQ(view.GetSelectedLine(), model.rowCount() - 1);
    EXPECT_EQ(fixture.dialogs.messages.size(), 1u);  // the refusal; no key sent a packet
}

}  // namespace
