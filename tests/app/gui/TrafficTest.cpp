#include <gtest/gtest.h>

#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include "GuiSupport.h"
#include "app/CommandIds.h"
#include "app/TavrinView.h"
#include "device/VXDevice.h"

namespace {

const QString kSelectDevice = QStringLiteral("Выберите устройство");
const QString kDeviceGone = QStringLiteral("Устройство отключено!!!");

// A window on USB 0 of the simulator, echo off.
class Traffic : public ::testing::Test {
protected:
    void SetUp() override {
        fixture.AddUnits({{0, 0}});
        fixture.Start({{"DeviceType", "0"}, {"DeviceNumber", "0"}, {"Log", LogPath()}});
        ASSERT_TRUE(fixture.Frame().GetDevice().IsOpen());
    }
    std::string LogPath() const { return fixture.Dir().File("traffic.log"); }
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
    static std::unique_ptr<CPacket> MakePacket(unsigned char command,
                                               std::vector<unsigned char> payload) {
        auto packet = std::make_unique<CPacket>();
        packet->SetPacket(command, payload.data(), static_cast<int>(payload.size()));
        return packet;
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
        if (count == 0) {
            return "none";
        }
        const QString side = sumX < count * 15 / 2 ? "left " : "right ";
        return side + (colour == QColor(0, 0, 255)   ? "blue"
                       : colour == QColor(255, 0, 0) ? "red"
                                                     : colour.name());
    }

    MainFrameFixture fixture;
};

TEST_F(Traffic, ReceivedAndSentLinesInOrder) {
    Receive(0x21, {0x00, 0xFF});
    ASSERT_TRUE(WaitRows(1));
    auto packet = MakePacket(0x21, {0x00, 0xFF});
    ASSERT_TRUE(fixture.Frame().TransmitPacket(packet.get()));
    ASSERT_EQ(Model().rowCount(), 2);  // a sent line is there at once
    Receive(0x05, {});
    ASSERT_TRUE(WaitRows(3));
    const QString expected[3][2] = {{"4", "04:21:00:FF"}, {"4", "04:21:00:FF"}, {"2", "02:05"}};
    const QString arrows[3] = {"right red", "left blue", "right red"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Text(row, 1), expected[row][0]) << row;
        EXPECT_EQ(Text(row, 2), expected[row][1]) << row;
        EXPECT_EQ(Arrow(row), arrows[row]) << row;
        EXPECT_EQ(Text(row, 0).size(), 19) << row;  // dd.mm.yyyy hh:mm:ss
    }
    EXPECT_EQ(Model().headerData(0, Qt::Horizontal, Qt::DisplayRole), QStringLiteral("Дата/время"));
    EXPECT_EQ(Model().headerData(1, Qt::Horizontal, Qt::DisplayRole),
              QStringLiteral("Длина пакета"));
    EXPECT_EQ(Model().headerData(2, Qt::Horizontal, Qt::DisplayRole), QStringLiteral("Данные"));
    // At least the original widths, and wide enough for the whole time stamp.
    EXPECT_GE(View().columnWidth(0), 130);
    EXPECT_GE(View().columnWidth(0), View().fontMetrics().horizontalAdvance(Text(0, 0)) + 16);
    EXPECT_GE(View().columnWidth(1), 90);
    EXPECT_EQ(View().columnWidth(2), 500);
}

// Packets that arrive together share a wake-up of the receive thread; none may be left behind.
TEST_F(Traffic, ABurstOfPacketsAllArrive) {
    for (int i = 0; i < 8; ++i) {
        Receive(0x40, {static_cast<unsigned char>(i)});
    }
    ASSERT_TRUE(WaitRows(8));
    RunEvents(100);
    ASSERT_EQ(Model().rowCount(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Text(i, 2), QString("03:40:0%1").arg(i));
    }
}

TEST_F(Traffic, FollowsOnlyWhileTheLastLineIsSelected) {
    auto packet = MakePacket(0x01, {});
    View().AddPacket(packet.get(), true);
    EXPECT_EQ(View().GetSelectedLine(), -1);  // the first line is not selected
    View().AddPacket(packet.get(), true);
    EXPECT_EQ(View().GetSelectedLine(), -1);
    View().selectionModel()->select(
        Model().index(1, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    for (int i = 0; i < 5; ++i) {
        Receive(0x02, {});
    }
    ASSERT_TRUE(WaitRows(7));
    RunEvents(50);
    EXPECT_EQ(View().GetSelectedLine(), 6);
    // Many more lines: the view scrolls with them.
    for (int i = 0; i < 200; ++i) {
        View().AddPacket(packet.get(), true);
    }
    RunEvents(50);
    EXPECT_EQ(View().GetSelectedLine(), 206);
    EXPECT_EQ(View().verticalScrollBar()->value(), View().verticalScrollBar()->maximum());
    // An earlier line selected: new lines leave selection and view alone.
    View().selectionModel()->select(
        Model().index(3, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    View().scrollToTop();
    Receive(0x03, {});
    ASSERT_TRUE(WaitRows(208));
    RunEvents(50);
    EXPECT_EQ(View().GetSelectedLine(), 3);
    EXPECT_EQ(View().verticalScrollBar()->value(), 0);
}

QAction* MenuItem(QMenu* menu, int id) {
    for (QAction* action : menu->actions()) {
        if (action->data().toInt() == id) {
            return action;
        }
    }
    return nullptr;
}

TEST_F(Traffic, ResendAndClearFromTheContextMenu) {
    Receive(0x22, {0x01, 0x02});
    ASSERT_TRUE(WaitRows(1));
    std::unique_ptr<QMenu> menu(View().CreateContextMenu(nullptr));
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Отправить пакет"));
    EXPECT_TRUE(menu->actions()[1]->isSeparator());
    EXPECT_EQ(menu->actions()[2]->text(), QStringLiteral("Очистить лог"));
    EXPECT_FALSE(MenuItem(menu.get(), ID_PACKET_RESEND)->isEnabled());  // nothing selected

    View().selectionModel()->select(
        Model().index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    menu.reset(View().CreateContextMenu(nullptr));
    ASSERT_TRUE(MenuItem(menu.get(), ID_PACKET_RESEND)->isEnabled());
    MenuItem(menu.get(), ID_PACKET_RESEND)->trigger();
    ASSERT_EQ(Model().rowCount(), 2);
    EXPECT_EQ(Arrow(1), "left blue");
    EXPECT_EQ(Text(1, 2), "04:22:01:02");
    ASSERT_TRUE(fixture.Simulator().WaitFrames(0, 0, 1, 2000));
    std::vector<unsigned char> frame = fixture.Simulator().GetFrames(0, 0)[0];
    ASSERT_EQ(frame.size(), 64u);  // padded on USB
    EXPECT_EQ(std::vector<unsigned char>(frame.begin(), frame.begin() + 4),
              (std::vector<unsigned char>{4, 0x22, 1, 2}));

    MenuItem(menu.get(), ID_LOG_CLEAR)->trigger();
    EXPECT_EQ(Model().rowCount(), 0);
    EXPECT_EQ(View().GetSelectedLine(), -1);
}

TEST_F(Traffic, ToolTipBreaksAfterSixteenFields) {
    auto fourteen = MakePacket(0x01, std::vector<unsigned char>(14, 0xAB));
    auto fifteen = MakePacket(0x01, std::vector<unsigned char>(15, 0xAB));
    View().AddPacket(fourteen.get(), true);
    View().AddPacket(fifteen.get(), true);
    EXPECT_EQ(View().GetTooltipText(0), "10:01:AB:AB:AB:AB:AB:AB:AB:AB:AB:AB:AB:AB:AB:AB");
    EXPECT_EQ(View().GetTooltipText(1), "11:01:AB:AB:AB:AB:AB:AB:AB:AB:AB:AB:AB:AB:AB:AB:\r\nAB");
}

// The tip belongs to the line under the mouse from the second move over it; a press forgets it.
TEST_F(Traffic, ToolTipFollowsTheMouse) {
    auto packet = MakePacket(0x01, {0x02});
    View().AddPacket(packet.get(), true);
    View().AddPacket(packet.get(), true);
    const QPoint first = View().visualRect(Model().index(0, 2)).center();
    const QPoint second = View().visualRect(Model().index(1, 2)).center();
    QTest::mouseMove(View().viewport(), first);
    RunEvents(20);
    EXPECT_EQ(View().GetHoverLine(), 0);
    QTest::mouseMove(View().viewport(), second);
    RunEvents(20);
    EXPECT_EQ(View().GetHoverLine(), 1);
    QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, second);
    EXPECT_EQ(View().GetHoverLine(), -1);
}

TEST_F(Traffic, TypedKeysAskForPacketFiles) {
    View().setFocus();
    QTest::keyClicks(&View(), "a");
    ASSERT_EQ(fixture.dialogs.messages.size(), 1u);
    EXPECT_EQ(fixture.dialogs.messages[0].text, QStringLiteral("Нет пакетов для отправки"));
    EXPECT_EQ(fixture.dialogs.messages[0].icon, MessageIcon::Error);
    fixture.Frame().GetDevice().Close();
    // A Cyrillic character, as the keyboard layout would deliver it.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("я"));
    QApplication::sendEvent(&View(), &press);
    ASSERT_TRUE(WaitUntil([&] { return fixture.dialogs.Count(kSelectDevice) == 1; }));
}

TEST_F(Traffic, SendingWithoutADeviceAddsNoLine) {
    fixture.Frame().GetDevice().Close();
    auto packet = MakePacket(0x01, {});
    EXPECT_FALSE(fixture.Frame().TransmitPacket(packet.get()));
    EXPECT_EQ(fixture.dialogs.Count(kSelectDevice), 1);
    EXPECT_EQ(fixture.dialogs.messages.back().caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(fixture.dialogs.messages.back().icon, MessageIcon::Error);
    EXPECT_EQ(Model().rowCount(), 0);
}

// A send the channel rejects keeps its line, and leaves no line in the log. Single framing
// cannot carry more than 253 payload bytes, so the channel refuses this one.
TEST_F(Traffic, ARejectedSendKeepsTheLineButNotTheLog) {
    auto packet = MakePacket(0x44, std::vector<unsigned char>(300, 0x01));
    EXPECT_FALSE(fixture.Frame().TransmitPacket(packet.get()));
    EXPECT_EQ(fixture.dialogs.Count(QStringLiteral("Невозможно отправить пакет")), 1);
    EXPECT_EQ(fixture.dialogs.messages.back().icon, MessageIcon::Error);
    ASSERT_EQ(Model().rowCount(), 1);
    EXPECT_EQ(Text(0, 1), "302");
    EXPECT_EQ(Text(0, 2).left(6), "2E:44:");
    EXPECT_EQ(ReadBytes(LogPath()).find("SEND"), std::string::npos);
}

TEST_F(Traffic, LogHoldsReceivedAndSentLines) {
    Receive(0x21, {0x00, 0xFF});
    ASSERT_TRUE(WaitRows(1));
    auto packet = MakePacket(0x10, {0x01, 0xAB});
    ASSERT_TRUE(fixture.Frame().TransmitPacket(packet.get()));
    const std::string log = ReadBytes(LogPath());
    const std::size_t recv = log.find("] - RECV: 04 21 00FF\r\n");
    const std::size_t send = log.find("] - SEND: 04 10 01AB\r\n");
    EXPECT_NE(recv, std::string::npos) << log;
    EXPECT_NE(send, std::string::npos) << log;
    EXPECT_LT(recv, send);
}

TEST_F(Traffic, UnpluggingIsReportedOnce) {
    fixture.Simulator().Unplug(0, 0);
    ASSERT_TRUE(WaitUntil([&] { return fixture.dialogs.Count(kDeviceGone) == 1; }));
    RunEvents(400);
    EXPECT_EQ(fixture.dialogs.Count(kDeviceGone), 1);
    EXPECT_EQ(fixture.dialogs.messages.back().caption, QStringLiteral("Внимание"));
    EXPECT_EQ(fixture.dialogs.messages.back().icon, MessageIcon::None);
    EXPECT_FALSE(fixture.Frame().GetDevice().IsOpen());
    EXPECT_EQ(fixture.Frame().windowTitle(), QStringLiteral("Tavrin - Устройство USB [ 0 ] "));
    // Receiving resumes once the unit is opened again.
    fixture.Simulator().Plug(0, 0);
    ASSERT_TRUE(fixture.Frame().GetDevice().Open(0, 0));
    Receive(0x07, {});
    EXPECT_TRUE(WaitRows(1));
}

}  // namespace
