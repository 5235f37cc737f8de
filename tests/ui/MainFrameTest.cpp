#include <gtest/gtest.h>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <atomic>
#include <thread>

#include "GuiSupport.h"
#include "device/VXDevice.h"
#ifndef _WIN32
#include "support/FileSizeLimit.h"
#endif
#include "ui/CommandIds.h"
#include "ui/DeviceListDlg.h"
#include "ui/HexViewCtrl.h"
#include "ui/HexViewFrame.h"
#include "ui/PacketHolderView.h"
#include "ui/TavrinTreeView.h"
#include "ui/TavrinView.h"
#include "ui/TrafficModel.h"

namespace {

const QString kUsb0 = QStringLiteral("Tavrin - Устройство USB [ 0 ] ");

struct StartCase {
    const char* name;
    Settings settings;
    QString title;  // "Tavrin": nothing is open
    bool programming;
    bool cannotOpen;  // "Невозможно открыть устройство" shown
};
void PrintTo(const StartCase& c, std::ostream* out) {
    *out << c.name;
}

class StartUp : public ::testing::TestWithParam<StartCase> {};

// Only a valid type and unit open anything; the others open nothing and say nothing. The
// programming menu item follows the unit; the toolbar button is always there.
TEST_P(StartUp, OpensTheConfiguredUnitOrNothing) {
    const StartCase& c = GetParam();
    MainFrameFixture fixture;
    fixture.AddUnits({{0, 0}, {1, 3}});
    fixture.Start(c.settings);
    CMainFrame& frame = fixture.Frame();
    EXPECT_EQ(frame.GetDevice().IsOpen(), c.title != "Tavrin");
    EXPECT_EQ(frame.windowTitle(), c.title);
    EXPECT_EQ(frame.GetMenuAction(ID_PROGRAMMING)->isEnabled(), c.programming);
    EXPECT_TRUE(frame.GetToolBarAction(ID_PROGRAMMING)->isEnabled());
    EXPECT_EQ(fixture.dialogs.messages.size(), c.cannotOpen ? 1u : 0u);
    EXPECT_EQ(fixture.dialogs.Count(QStringLiteral("Невозможно открыть устройство"),
                                    QStringLiteral("Ошибка"), MessageIcon::None),
              c.cannotOpen ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, StartUp,
    ::testing::Values(
        StartCase{"Usb0", Unit(0, 0), kUsb0, false, false},
        StartCase{"Pci3", Unit(1, 3), QStringLiteral("Tavrin - Устройство PCI [ 3 ] "), true,
                  false},
        StartCase{"Type2", Unit(2, 0), "Tavrin", false, false},
        StartCase{
            "TypeNotANumber", {{"DeviceType", "abc"}, {"DeviceNumber", "0"}}, kUsb0, false, false},
        StartCase{"MissingUnit", Unit(0, 5), "Tavrin", false, true}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return info.param.name; });

class Framing : public ::testing::TestWithParam<bool> {};

// Any value but 0 selects split framing (the other values are the core's tests), for the unit
// opened at start-up and for one connected later; the unit sees it on the wire.
TEST_P(Framing, ChosenBySplittablePacketMode) {
    const bool unitAtStartUp = GetParam();
    MainFrameFixture fixture;
    fixture.AddUnits({{1, 0}});
    fixture.Simulator().SetFramingAll(vxsim::Framing::Split);
    Settings settings = unitAtStartUp ? Unit(1, 0) : Settings{};
    settings.push_back({"SplittablePacketMode", "7"});
    fixture.Start(settings);
    EXPECT_FALSE(fixture.Frame().GetDevice().IsSingleFrameMode());
    if (!unitAtStartUp) {
        ASSERT_TRUE(fixture.Frame().GetDevice().Open(1, 0));
    }
    ASSERT_TRUE(fixture.Frame().TransmitPacket(MakePacket(0x31, {0xAA, 0xBB}).get()));
    ASSERT_TRUE(fixture.Simulator().WaitFrames(1, 0, 1, 2000));
    EXPECT_EQ(fixture.Simulator().GetFrames(1, 0)[0],
              (std::vector<unsigned char>{6, 0x31, 1, 1, 0xAA, 0xBB}));
}

INSTANTIATE_TEST_SUITE_P(Settings, Framing, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "UnitAtStartUp" : "UnitConnectedLater");
});

// The path and the system's reason are said once at start-up; the program runs on without a
// log.
TEST(UnopenableLog, IsSaidOnceAndTheProgramRunsOn) {
    MainFrameFixture fixture;
    fixture.AddUnits({{0, 0}});
    const std::string log = fixture.Dir().File("no/such/t.log");
    Settings settings = Unit(0, 0);
    settings.push_back({"Log", log});
    fixture.Start(settings);
    ASSERT_EQ(fixture.dialogs.messages.size(), 1u);
    const ShownMessage& shown = fixture.dialogs.messages[0];
    const QString start = QString::fromStdString("Невозможно открыть файл журнала " + log + ": ");
    EXPECT_TRUE(shown.text.startsWith(start)) << shown.text.toStdString();
    EXPECT_GT(shown.text.size(), start.size()) << "the reason follows";
    EXPECT_EQ(shown.caption, QStringLiteral("Ошибка"));

    ASSERT_TRUE(fixture.Simulator().SendPacket(0, 0, 0x21, nullptr, 0));
    CTrafficModel& model = *fixture.Frame().GetTrafficView()->GetModel();
    EXPECT_TRUE(WaitUntil([&] { return model.rowCount() == 1; }));
    EXPECT_TRUE(fixture.Frame().TransmitPacket(MakePacket(0x22).get()));
    EXPECT_FALSE(fixture.Frame().GetLogProblemPane()->isVisible());
    EXPECT_EQ(fixture.dialogs.messages.size(), 1u);
}

#ifndef _WIN32
// A full disk under the log: the status bar says so, with the reason, until writing works
// again; the lines that went out are whole.
TEST(LogProblem, ShownWhileTheLogIsNotWritten) {
    MainFrameFixture fixture;
    fixture.StartOnUsb0WithLog();
    CMainFrame& frame = fixture.Frame();
    const auto receive = [&](unsigned char command, int lines) {
        ASSERT_TRUE(fixture.Simulator().SendPacket(0, 0, command, nullptr, 0));
        ASSERT_TRUE(
            WaitUntil([&] { return frame.GetTrafficView()->GetModel()->rowCount() == lines; }));
    };
    receive(0x31, 1);
    const std::string first = ReadBytes(fixture.LogPath());
    QLabel* pane = frame.GetLogProblemPane();
    EXPECT_FALSE(pane->isVisible());
    {
        FileSizeLimit full(first.size() + 10);
        ASSERT_TRUE(full.IsSet());
        receive(0x32, 2);
        EXPECT_TRUE(WaitUntil([&] { return pane->isVisible(); }));
    }
    EXPECT_TRUE(pane->text().startsWith(QStringLiteral("Журнал не пишется: ")))
        << pane->text().toStdString();
    EXPECT_GT(pane->text().size(), 20);
    EXPECT_EQ(ReadBytes(fixture.LogPath()), first);
    receive(0x33, 3);
    EXPECT_TRUE(WaitUntil([&] { return !pane->isVisible(); }));
    const std::string after = ReadBytes(fixture.LogPath());
    EXPECT_EQ(after.size(), 2 * first.size()) << after;
    EXPECT_EQ(after.substr(first.size()).find("] - RECV: 02 33 \r\n"), 20u) << after;
}
#endif

// A unit that frames its packets the other way: the frames the window refuses are counted in a
// pane, from the unit's opening on, and their likely reason is said once.
TEST(RefusedFrames, CountedAndExplainedOnce) {
    MainFrameFixture fixture;
    fixture.AddUnits({{0, 0}});
    Settings settings = Unit(0, 0);
    settings.push_back({"SplittablePacketMode", "1"});
    fixture.Start(settings);  // the unit keeps single framing
    CMainFrame& frame = fixture.Frame();
    QLabel* pane = frame.GetRefusedPane();
    EXPECT_FALSE(pane->isVisible());
    const unsigned char payload[] = {0x00, 0x05};  // its frames' byte 3 continues no packet
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(fixture.Simulator().SendPacket(0, 0, 0x21, payload, 2));
    }
    ASSERT_TRUE(WaitUntil([&] { return pane->text() == QStringLiteral("Отброшено кадров: 3"); }));
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(frame.statusBar()->currentMessage(),
              QStringLiteral("Кадры не подходят к режиму (SplittablePacketMode)"));
    EXPECT_EQ(frame.GetTrafficView()->GetModel()->rowCount(), 0);

    frame.statusBar()->showMessage(QStringLiteral("Ready"));
    ASSERT_TRUE(frame.GetDevice().Open(0, 0));
    EXPECT_TRUE(WaitUntil([&] { return !pane->isVisible(); }));
    ASSERT_TRUE(fixture.Simulator().SendPacket(0, 0, 0x21, payload, 2));
    ASSERT_TRUE(WaitUntil([&] { return pane->text() == QStringLiteral("Отброшено кадров: 1"); }));
    EXPECT_EQ(frame.statusBar()->currentMessage(), QStringLiteral("Ready"));
}

// A menu item's prompt shows in the status bar until the pointer leaves the menu; the panes
// have names for screen readers and scripted trials; "&Toolbar" and "&Status Bar" hide and
// show their bars, and Qt's own menu of bars is not offered in their place.
TEST(Layout, PromptsPaneNamesAndBarToggles) {
    MainFrameFixture fixture;
    fixture.Start({});
    CMainFrame& frame = fixture.Frame();
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Ready");
    frame.GetMenuAction(ID_FILE_OPEN)->showStatusText(&frame);
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Open an existing document");
    QStatusTipEvent left{QString()};
    QApplication::sendEvent(&frame, &left);
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Ready");
    for (const QWidget* pane : std::initializer_list<const QWidget*>{
             frame.GetTrafficView(), frame.GetTreeView(), frame.GetDefinitionView()}) {
        EXPECT_FALSE(pane->accessibleName().isEmpty());
    }

    const QPoint onBar = frame.GetToolBar()->rect().center();
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, onBar,
                                 frame.GetToolBar()->mapToGlobal(onBar));
    QApplication::sendEvent(frame.GetToolBar(), &rightClick);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(frame.createPopupMenu(), nullptr);

    for (int id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}) {
        QWidget* bar =
            id == ID_VIEW_TOOLBAR ? static_cast<QWidget*>(frame.GetToolBar()) : frame.statusBar();
        QAction* item = frame.GetMenuAction(id);
        for (bool shown : {false, true}) {
            item->trigger();
            EXPECT_EQ(bar->isVisible(), shown) << id;
            EXPECT_EQ(item->isChecked(), shown) << id;
        }
    }
}

// The accelerator table takes its keys before any view: Ctrl+C copies nothing from the
// definition view, Ctrl+O in the traffic list opens a file instead of sending a packet.
TEST(Accelerators, TakeKeysBeforeTheViews) {
    MainFrameFixture fixture;
    fixture.Start({});
    CMainFrame& frame = fixture.Frame();
    ASSERT_TRUE(Activate(&frame));
    CPacketHolderView* definition = frame.GetDefinitionView();
    definition->setPlainText("copy me");
    definition->selectAll();
    definition->setFocus();
    QApplication::clipboard()->setText("before");
    QTest::keyClick(definition, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "before");

    frame.GetTrafficView()->setFocus();
    QTest::keyClick(frame.GetTrafficView(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(fixture.dialogs.fileFilters.size(), 1u);
    EXPECT_EQ(fixture.dialogs.fileFilters[0],
              QStringLiteral("Файлы с пакетами(*.kad) (*.kad);;All Files(*.*) (*)"));
    EXPECT_TRUE(fixture.dialogs.messages.empty());  // no key reached SendPacketForKey

    // A modal dialog keeps its own keys.
    QDialog modal(&frame);
    QTimer::singleShot(0, [&] {
        QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_O, Qt::ControlModifier);
        modal.accept();
    });
    modal.exec();
    EXPECT_EQ(fixture.dialogs.fileFilters.size(), 1u);

    // So does an open menu: its keys are the menu's while it is up.
    QMenu menu(&frame);
    menu.addAction(QStringLiteral("Очистить лог"));
    menu.popup(frame.mapToGlobal(QPoint(300, 300)));
    ASSERT_TRUE(WaitUntil([&] { return QApplication::activePopupWidget() == &menu; }));
    QTest::keyClick(&menu, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(fixture.dialogs.fileFilters.size(), 1u);
    menu.close();
}

// The table's keys are the main window's alone: in the packet window Ctrl+O opens no packet
// file, and its own Ctrl letters stay its own; back in the main window Ctrl+O opens one.
TEST(Accelerators, BelongToTheMainWindowOnly) {
    MainFrameFixture fixture;
    fixture.Start({});
    CTavrinView& list = *fixture.Frame().GetTrafficView();
    const auto packet = MakePacket(0x21, {0x41});
    list.AddPacket(packet.get(), false);
    ASSERT_TRUE(WaitUntil([&] { return list.GetModel()->rowCount() == 1; }));
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                       list.visualRect(list.GetModel()->index(0, 2)).center());
    CHexViewFrame* packetWindow = list.GetHexView();
    ASSERT_NE(packetWindow, nullptr);
    ASSERT_TRUE(Activate(packetWindow));
    CHexViewCtrl* view = packetWindow->GetView();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(fixture.dialogs.fileFilters.empty());
    EXPECT_EQ(view->GetEditor(), nullptr);
    QTest::keyClick(view, Qt::Key_D, Qt::ControlModifier);
    EXPECT_NE(view->GetEditor(), nullptr);

    ASSERT_TRUE(Activate(&fixture.Frame()));
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(fixture.dialogs.fileFilters.size(), 1u);
}

// Leaving while packets pour in as fast as the unit can send them (through "Выход", then the
// window goes), and destroying the window while the unplug message waits to be shown, both end
// promptly.
TEST(ShutDown, WithTrafficFlowingAndAMessagePending) {
    for (bool unplug : {false, true}) {
        MainFrameFixture fixture;
        fixture.AddUnits({{0, 0}});
        fixture.Start(Unit(0, 0));
        std::atomic<bool> flooding{!unplug};
        std::thread flood([&] {
            while (flooding.load()) {
                fixture.Simulator().SendPacket(0, 0, 0x46, nullptr, 0);
            }
        });
        fixture.Simulator().SetStatusPeriod(1);
        // No ASSERT: the flooding thread must be joined whatever happens.
        EXPECT_TRUE(WaitUntil(
            [&] { return fixture.Frame().GetTrafficView()->GetModel()->rowCount() > 20; }));
        if (unplug) {
            fixture.Simulator().Unplug(0, 0);
            QThread::msleep(300);  // the receive thread posts; nobody runs the events yet
        }
        QElapsedTimer timer;
        timer.start();
        if (!unplug) {
            fixture.Frame().GetMenuAction(ID_APP_EXIT)->trigger();
            EXPECT_FALSE(fixture.Frame().isVisible());
        }
        fixture.DestroyFrame();
        EXPECT_LT(timer.elapsed(), 2000) << unplug;
        flooding = false;
        flood.join();
        EXPECT_EQ(fixture.dialogs.Count(QStringLiteral("Устройство отключено!!!")), 0);
    }
}

const QString kLost = QStringLiteral("Устройство отключено!!!");

int TrafficLines(CMainFrame& frame) {
    return frame.GetTrafficView()->GetModel()->rowCount();
}

// The open unit goes away: the title drops it at once and the programming item follows. When
// it is back it is opened again by itself, in the framing set, the status bar says so, and its
// packets are logged; the same again after a second loss.
TEST(UnitLoss, TheUnitIsDroppedAtOnceAndOpenedAgainWhenBack) {
    MainFrameFixture fixture;
    fixture.AddUnits({{1, 1}});
    fixture.Simulator().SetFramingAll(vxsim::Framing::Split);
    Settings settings = Unit(1, 1);
    settings.push_back({"SplittablePacketMode", "1"});
    settings.push_back({"Log", fixture.LogPath()});
    fixture.Start(settings);
    CMainFrame& frame = fixture.Frame();
    const QString pci1 = QStringLiteral("Tavrin - Устройство PCI [ 1 ] ");
    ASSERT_EQ(frame.windowTitle(), pci1);
    for (int loss = 1; loss <= 2; ++loss) {
        ASSERT_TRUE(fixture.Simulator().Unplug(1, 1));
        ASSERT_TRUE(WaitUntil([&] { return frame.windowTitle() == "Tavrin"; })) << loss;
        EXPECT_FALSE(frame.GetMenuAction(ID_PROGRAMMING)->isEnabled());
        EXPECT_EQ(frame.statusBar()->currentMessage(), "Ready") << "no news of the last return";
        RunEvents(700);
        EXPECT_EQ(fixture.dialogs.Count(kLost, QStringLiteral("Внимание"), MessageIcon::None), loss)
            << "said once for each loss";
        EXPECT_FALSE(frame.GetDevice().IsOpen());
        ASSERT_TRUE(fixture.Simulator().Plug(1, 1));
        ASSERT_TRUE(WaitUntil([&] { return frame.windowTitle() == pci1; })) << loss;
        EXPECT_TRUE(frame.GetMenuAction(ID_PROGRAMMING)->isEnabled());
        EXPECT_EQ(frame.statusBar()->currentMessage(),
                  QStringLiteral("Устройство PCI [ 1 ] снова подключено"));
        const std::vector<unsigned char> payload(70, static_cast<unsigned char>(loss));
        ASSERT_TRUE(fixture.Simulator().SendPacket(1, 1, 0x0A, payload.data(), 70));
        ASSERT_TRUE(WaitUntil([&] { return TrafficLines(frame) == loss; })) << loss;
    }
    fixture.DestroyFrame();
    const std::string log = ReadBytes(fixture.LogPath());
    for (const char* bytes : {"01", "02"}) {
        std::string line = "RECV: 48 0A ";
        for (int i = 0; i < 70; ++i) {
            line += bytes;
        }
        EXPECT_NE(log.find(line), std::string::npos) << bytes;
    }
}

// Only a unit that went away is watched: not one the user disconnected, and no longer once the
// user has chosen another one; a unit lost after the user's choice is watched again.
TEST(UnitLoss, OnlyALostUnitIsWatchedTillTheUserChoosesAnother) {
    MainFrameFixture fixture;
    fixture.AddUnits({{0, 0}, {0, 1}});
    fixture.Start(Unit(0, 0));
    CMainFrame& frame = fixture.Frame();
    auto choose = [&](int row, bool connect) {
        QTimer::singleShot(0, [&, row, connect] {
            auto* shown = qobject_cast<CDeviceListDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(shown, nullptr);
            shown->GetList()->setCurrentItem(shown->GetList()->topLevelItem(row));
            connect ? shown->Connect() : shown->Disconnect();
            shown->accept();
        });
        frame.OnCommand(ID_DEVICE_SELECT);
    };
    auto unplugAndPlug = [&](int number) {
        ASSERT_TRUE(fixture.Simulator().Unplug(0, number));
        RunEvents(300);
        ASSERT_TRUE(fixture.Simulator().Plug(0, number));
        RunEvents(1200);
    };
    choose(0, false);
    unplugAndPlug(0);
    EXPECT_FALSE(frame.GetDevice().IsOpen()) << "disconnected by the user";

    ASSERT_EQ(frame.GetDevice().Open(0, 0), 1);
    ASSERT_TRUE(fixture.Simulator().Unplug(0, 0));
    ASSERT_TRUE(WaitUntil([&] { return fixture.dialogs.Count(kLost) == 1; }));
    choose(0, true);  // USB 1, the only unit listed
    ASSERT_EQ(frame.GetDevice().GetNumber(), 1);
    ASSERT_TRUE(fixture.Simulator().Plug(0, 0));
    RunEvents(1200);
    EXPECT_EQ(frame.GetDevice().GetNumber(), 1) << "USB 0 came back after USB 1 was chosen";
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Tavrin - Устройство USB [ 1 ] "));

    // A unit chosen in the dialog and lost before the dialog closes is watched.
    QTimer::singleShot(0, [&] {
        auto* shown = qobject_cast<CDeviceListDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(shown, nullptr);
        shown->GetList()->setCurrentItem(shown->GetList()->topLevelItem(0));  // USB 0
        shown->Connect();
        fixture.Simulator().Unplug(0, 0);
        EXPECT_TRUE(WaitUntil([&] { return fixture.dialogs.Count(kLost) == 2; }));
        shown->accept();
    });
    frame.OnCommand(ID_DEVICE_SELECT);
    ASSERT_TRUE(fixture.Simulator().Plug(0, 0));
    EXPECT_TRUE(WaitUntil([&] { return frame.GetDevice().GetNumber() == 0; }));
}

}  // namespace
