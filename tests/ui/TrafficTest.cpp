#include <gtest/gtest.h>

#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include "GuiSupport.h"
#include "device/VXDevice.h"
#include "ui/CommandIds.h"
#include "ui/TavrinView.h"

namespace {

const QString kError = QStringLiteral("Ошибка");

// A window on USB 0 of the simulator, echo off, writing a log file.
class Traffic : public ::testing::Test {
protected:
    void SetUp() override {
        fixture.StartOnUsb0WithLog();
        ASSERT_TRUE(fixture.Frame().GetDevice().IsOpen());
    }
    std::string LogPath() const { return fixture.LogPath(); }
    CTavrinView& View() { return *fixture.Frame().GetTrafficView(); }
    CTrafficModel& Model() { return *View().GetModel(); }
    QString Text(int row, int column) { return Model().index(row, column).data().toString(); }
    bool WaitRows(int rows) {
        return WaitUntil([&] { return Model().rowCount() >= rows; });
    }
    void Receive(unsigned char command, std::vector<unsigned char> payload) {
        ASSERT_TRUE(fixture.Simulator().SendPacket(0, 0, command, payload.data(),
                                                   static_cast<int>(payload.size())));
    }
    void Select(int row) {
        View().selectionModel()->select(
            Model().index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    // Which way the line's arrow points, and in which colour: the icon is the only mark. The
    // rows above the shaft hold only the head, so the head's side is where they are coloured.
    QString Arrow(int row) {
        const QImage image =
            Model().index(row, 0).data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
        int count = 0;
        int sumX = 0;
        QColor colour;
        for (int y = 2; y <= 4; ++y) {
            for (int x = 0; x < 16; ++x) {
                if (image.pixelColor(x, y).alpha() > 0) {
                    colour = image.pixelColor(x, y);
                    sumX += x;
                    ++count;
                }
            }
        }
        return count == 0 ? "none" : (sumX < count * 15 / 2 ? "left " : "right ") + colour.name();
    }

    MainFrameFixture fixture;
};

// The lines in the list and in the log file, in the order they came.
TEST_F(Traffic, ReceivedAndSentLinesInOrder) {
    Receive(0x21, {0x00, 0xFF});
    ASSERT_TRUE(WaitRows(1));
    ASSERT_TRUE(fixture.Frame().TransmitPacket(MakePacket(0x10, {0x01, 0xAB}).get()));
    ASSERT_EQ(Model().rowCount(), 2);  // a sent line is there at once
    Receive(0x05, {});
    ASSERT_TRUE(WaitRows(3));
    const QString expected[3][3] = {{"4", "04:21:00:FF", "right #ff0000"},
                                    {"4", "04:10:01:AB", "left #0000ff"},
                                    {"2", "02:05", "right #ff0000"}};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Text(row, 1), expected[row][0]) << row;
        EXPECT_EQ(Text(row, 2), expected[row][1]) << row;
        EXPECT_EQ(Arrow(row), expected[row][2]) << row;
        EXPECT_EQ(Text(row, 0).size(), 23) << row;  // dd.mm.yyyy hh:mm:ss.mmm
    }
    // Wide enough for the whole time stamp; the data column takes the rest of the list's width.
    EXPECT_GE(View().columnWidth(0), View().fontMetrics().horizontalAdvance(Text(0, 0)) + 16);
    EXPECT_EQ(View().columnViewportPosition(2) + View().columnWidth(2), View().viewport()->width());

    const std::string log = ReadBytes(LogPath());
    std::size_t at = 0;
    for (const char* line :
         {"] - RECV: 04 21 00FF\r\n", "] - SEND: 04 10 01AB\r\n", "] - RECV: 02 05 \r\n"}) {
        at = log.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << " in\n" << log;
    }
}

// A batch from the receive thread follows (selection and scrolling) while the last line is
// selected, and leaves the view alone otherwise; the first line is not selected.
TEST_F(Traffic, FollowsOnlyWhileTheLastLineIsSelected) {
    for (int i = 0; i < 100; ++i) {
        View().AddPacket(MakePacket(0x01).get(), true);
    }
    EXPECT_EQ(View().GetSelectedLine(), -1);
    Select(99);
    for (int i = 0; i < 5; ++i) {
        Receive(0x02, {});
    }
    ASSERT_TRUE(WaitRows(105));
    RunEvents(50);
    EXPECT_EQ(View().GetSelectedLine(), 104);
    EXPECT_GT(View().verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(View().verticalScrollBar()->value(), View().verticalScrollBar()->maximum());

    Select(3);
    View().scrollToTop();
    Receive(0x03, {});
    ASSERT_TRUE(WaitRows(106));
    RunEvents(50);
    EXPECT_EQ(View().GetSelectedLine(), 3);
    EXPECT_EQ(View().verticalScrollBar()->value(), 0);

    // The middle button chooses no line, as in a list control.
    const QPoint first = View().visualRect(View().GetModel()->index(0, 1)).center();
    QTest::mouseClick(View().viewport(), Qt::MiddleButton, Qt::NoModifier, first);
    QTest::mouseDClick(View().viewport(), Qt::MiddleButton, Qt::NoModifier, first);
    EXPECT_EQ(View().GetSelectedLine(), 3);
}

TEST_F(Traffic, ResendAndClearFromTheContextMenu) {
    Receive(0x22, {0x01, 0x02});
    ASSERT_TRUE(WaitRows(1));
    std::unique_ptr<QMenu> menu(View().CreateContextMenu(nullptr));
    EXPECT_FALSE(FindAction(menu.get(), ID_PACKET_RESEND)->isEnabled());  // nothing selected

    Select(0);
    menu.reset(View().CreateContextMenu(nullptr));
    ASSERT_TRUE(FindAction(menu.get(), ID_PACKET_RESEND)->isEnabled());
    FindAction(menu.get(), ID_PACKET_RESEND)->trigger();
    ASSERT_EQ(Model().rowCount(), 2);
    EXPECT_EQ(Arrow(1), "left #0000ff");
    EXPECT_EQ(Text(1, 2), "04:22:01:02");
    ASSERT_TRUE(fixture.Simulator().WaitFrames(0, 0, 1, 2000));
    std::vector<unsigned char> frame = fixture.Simulator().GetFrames(0, 0)[0];
    ASSERT_EQ(frame.size(), 64u);  // padded on USB
    EXPECT_EQ(std::vector<unsigned char>(frame.begin(), frame.begin() + 4),
              (std::vector<unsigned char>{4, 0x22, 1, 2}));

    FindAction(menu.get(), ID_LOG_CLEAR)->trigger();
    EXPECT_EQ(Model().rowCount(), 0);
    EXPECT_EQ(View().GetSelectedLine(), -1);
}

// Resting on a line it has moved on twice, the pointer gets the line's tip, seven lines for 100
// bytes; it stays while the pointer rests, though the view's own tool-tip event comes and
// traffic scrolls the list along.
TEST_F(Traffic, TheTipStaysWhileThePointerRests) {
    View().AddPacket(MakePacket(0x01, std::vector<unsigned char>(100, 0xCD)).get(), true);
    Select(0);
    const QPoint at = View().visualRect(Model().index(0, 2)).center();
    QTest::mouseMove(View().viewport(), at);
    QTest::mouseMove(View().viewport(), at + QPoint(2, 0));
    QHelpEvent rest(QEvent::ToolTip, at, View().viewport()->mapToGlobal(at));
    QApplication::sendEvent(View().viewport(), &rest);
    for (unsigned char command = 0x10; command < 0x14; ++command) {
        Receive(command, {});
    }
    ASSERT_TRUE(WaitRows(5));
    RunEvents(1500);
    ASSERT_TRUE(QToolTip::isVisible());
    QString expected = View().GetTooltipText(0);
    expected.remove(QLatin1Char('\r'));
    EXPECT_EQ(QToolTip::text(), expected);
    EXPECT_EQ(QToolTip::text().count(QLatin1Char('\n')), 7);  // the time, then 7 lines of bytes
    QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_TRUE(WaitUntil([] { return !QToolTip::isVisible(); }));
}

// "Отправить пакет" sends the line selected when the menu opened, though the follow rule has
// moved the selection on to a line that arrived while the menu was open.
TEST_F(Traffic, ResendTakesTheLineWhenTheMenuOpens) {
    Receive(0x31, {});
    ASSERT_TRUE(WaitRows(1));
    Select(0);
    std::unique_ptr<QMenu> menu(View().CreateContextMenu(nullptr));
    Receive(0x32, {});
    ASSERT_TRUE(WaitRows(2));
    ASSERT_TRUE(WaitUntil([&] { return View().GetSelectedLine() == 1; }));
    FindAction(menu.get(), ID_PACKET_RESEND)->trigger();
    ASSERT_TRUE(fixture.Simulator().WaitFrames(0, 0, 1, 2000));
    EXPECT_EQ(fixture.Simulator().GetFrames(0, 0)[0][1], 0x31);
    EXPECT_EQ(Text(2, 2), "02:31");
}

// Home, End and Ctrl+End take the selection and send nothing (which presses send is the
// packet tree's test: both views read keys alike). A right double click opens no hex view.
TEST(TrafficKeys, TheListNavigates) {
    CTavrinView view;
    view.resize(600, 300);
    view.show();
    for (int i = 0; i < 30; ++i) {
        view.AddPacket(MakePacket(static_cast<unsigned char>(i + 1)).get(), i % 2 == 0);
    }
    QSignalSpy typed(&view, &CTavrinView::KeyTyped);
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int selected;
    } moves[] = {{Qt::Key_End, Qt::NoModifier, 29},
                 {Qt::Key_Home, Qt::NoModifier, 0},
                 {Qt::Key_End, Qt::ControlModifier, 29},
                 {Qt::Key_End, Qt::ControlModifier, 29}};
    view.selectionModel()->select(view.GetModel()->index(5, 0),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    for (const auto& move : moves) {
        QTest::keyClick(&view, move.key, move.modifiers);
        EXPECT_EQ(view.GetSelectedLine(), move.selected) << move.key << " " << move.modifiers;
    }
    EXPECT_TRUE(typed.isEmpty());

    QSignalSpy shown(&view, &CTavrinView::ShowPacketRequested);
    const QPoint line = view.visualRect(view.GetModel()->index(3, 2)).center();
    QTest::mouseDClick(view.viewport(), Qt::RightButton, Qt::NoModifier, line);
    EXPECT_TRUE(shown.isEmpty());
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, line);
    EXPECT_EQ(shown.size(), 1);
}

// A send the channel rejects keeps its line, and leaves no line in the log. Single framing
// cannot carry more than 253 payload bytes, so the channel refuses this one.
TEST_F(Traffic, ARejectedSendKeepsTheLineButNotTheLog) {
    auto packet = MakePacket(0x44, std::vector<unsigned char>(300, 0x01));
    EXPECT_FALSE(fixture.Frame().TransmitPacket(packet.get()));
    EXPECT_EQ(fixture.dialogs.Count(QStringLiteral("Невозможно отправить пакет"), kError,
                                    MessageIcon::Error),
              1);
    ASSERT_EQ(Model().rowCount(), 1);
    EXPECT_EQ(Text(0, 1), "302");
    EXPECT_EQ(ReadBytes(LogPath()).find("SEND"), std::string::npos);
}

}  // namespace
