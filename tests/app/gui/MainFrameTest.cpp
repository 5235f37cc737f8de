#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QDialog>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <atomic>
#include <thread>

#include "GuiSupport.h"
#include "app/CommandIds.h"
#include "app/PacketHolderView.h"
#include "app/TavrinTreeView.h"
#include "app/TavrinView.h"
#include "device/VXDevice.h"

namespace {

const QString kCannotOpen = QStringLiteral("Невозможно открыть устройство");

struct StartCase {
    const char* name;
    Settings settings;
    bool opens;
    QString title;
};

class StartUp : public ::testing::TestWithParam<StartCase> {};

// Only a valid type and unit open anything; the others open nothing and say nothing.
TEST_P(StartUp, OpensTheConfiguredUnitOrNothing) {
    const StartCase& c = GetParam();
    MainFrameFixture fixture;
    fixture.AddUnits({{0, 0}, {1, 0}});
    fixture.Start(c.settings);
    EXPECT_EQ(fixture.Frame().GetDevice().IsOpen(), c.opens);
    EXPECT_EQ(fixture.Frame().windowTitle(), c.title);
    EXPECT_TRUE(fixture.dialogs.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Settings, StartUp,
    ::testing::Values(
        StartCase{"Usb0",
                  {{"DeviceType", "0"}, {"DeviceNumber", "0"}},
                  true,
                  QStringLiteral("Tavrin - Устройство USB [ 0 ] ")},
        StartCase{"Type2", {{"DeviceType", "2"}, {"DeviceNumber", "0"}}, false, "Tavrin"},
        StartCase{"TypeMinus1", {{"DeviceType", "-1"}, {"DeviceNumber", "0"}}, false, "Tavrin"},
        StartCase{"TypeEmpty", {{"DeviceType", ""}, {"DeviceNumber", "0"}}, false, "Tavrin"},
        StartCase{"NumberMinus5", {{"DeviceType", "0"}, {"DeviceNumber", "-5"}}, false, "Tavrin"},
        StartCase{"NoKeys", {}, false, "Tavrin"},
        StartCase{"TypeNotANumber",
                  {{"DeviceType", "abc"}, {"DeviceNumber", "0"}},
                  true,
                  QStringLiteral("Tavrin - Устройство USB [ 0 ] ")}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return info.param.name; });

TEST(StartUp, AUnitThatCannotBeOpenedIsReported) {
    MainFrameFixture fixture;
    fixture.AddUnits({{0, 0}});
    fixture.Start({{"DeviceType", "0"}, {"DeviceNumber", "5"}});
    ASSERT_EQ(fixture.dialogs.messages.size(), 1u);
    EXPECT_EQ(fixture.dialogs.messages[0].text, kCannotOpen);
    EXPECT_EQ(fixture.dialogs.messages[0].caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(fixture.dialogs.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(fixture.Frame().windowTitle(), "Tavrin");
    EXPECT_FALSE(fixture.Frame().GetDevice().IsOpen());
}

struct FramingCase {
    const char* name;
    const char* mode;  // null: key absent
    bool single;
};

class Framing : public ::testing::TestWithParam<FramingCase> {};

// Any value but 0 selects split framing; the unit sees it on the wire.
TEST_P(Framing, ChosenBySplittablePacketMode) {
    const FramingCase& c = GetParam();
    MainFrameFixture fixture;
    fixture.AddUnits({{1, 0}});
    fixture.Simulator().SetFramingAll(c.single ? vxsim::Framing::Single : vxsim::Framing::Split);
    Settings settings = {{"DeviceType", "1"}, {"DeviceNumber", "0"}};
    if (c.mode != nullptr) {
        settings.push_back({"SplittablePacketMode", c.mode});
    }
    fixture.Start(settings);
    EXPECT_EQ(fixture.Frame().GetDevice().IsSingleFrameMode(), c.single);
    CPacket packet;
    const unsigned char payload[] = {0xAA, 0xBB};
    packet.SetPacket(0x31, payload, 2);
    ASSERT_TRUE(fixture.Frame().TransmitPacket(&packet));
    ASSERT_TRUE(fixture.Simulator().WaitFrames(1, 0, 1, 2000));
    const std::vector<unsigned char> frame = fixture.Simulator().GetFrames(1, 0)[0];
    const std::vector<unsigned char> single = {4, 0x31, 0xAA, 0xBB};
    const std::vector<unsigned char> split = {6, 0x31, 1, 1, 0xAA, 0xBB};
    EXPECT_EQ(frame, c.single ? single : split);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, Framing,
    ::testing::Values(FramingCase{"Absent", nullptr, true}, FramingCase{"Zero", "0", true},
                      FramingCase{"One", "1", false}, FramingCase{"Seven", "7", false}),
    [](const ::testing::TestParamInfo<FramingCase>& info) { return info.param.name; });

struct TitleCase {
    const char* name;
    int type;
    QString title;
    bool programming;
};

class TitleAndProgramming : public ::testing::TestWithParam<TitleCase> {};

// The menu item follows the unit; the toolbar button is always there.
TEST_P(TitleAndProgramming, FollowTheOpenUnit) {
    const TitleCase& c = GetParam();
    MainFrameFixture fixture;
    fixture.AddUnits({{0, 3}, {1, 3}});
    fixture.Start({{"DeviceType", std::to_string(c.type)}, {"DeviceNumber", "3"}});
    EXPECT_EQ(fixture.Frame().windowTitle(), c.title);
    EXPECT_EQ(fixture.Frame().GetMenuAction(ID_PROGRAMMING)->isEnabled(), c.programming);
    EXPECT_TRUE(fixture.Frame().GetToolBarAction(ID_PROGRAMMING)->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Units, TitleAndProgramming,
    ::testing::Values(TitleCase{"Usb", 0, QStringLiteral("Tavrin - Устройство USB [ 3 ] "), false},
                      TitleCase{"Pci", 1, QStringLiteral("Tavrin - Устройство PCI [ 3 ] "), true},
                      TitleCase{"None", -1, "Tavrin", false}),
    [](const ::testing::TestParamInfo<TitleCase>& info) { return info.param.name; });

std::vector<std::pair<QString, int>> MenuItems(QMenu* menu) {
    std::vector<std::pair<QString, int>> items;
    for (QAction* action : menu->actions()) {
        items.push_back({action->isSeparator() ? QString("-") : action->text(),
                         action->isSeparator() ? 0 : action->data().toInt()});
    }
    return items;
}

TEST(Layout, MenusToolbarStatusBarAndPanes) {
    MainFrameFixture fixture;
    fixture.Start({});
    CMainFrame& frame = fixture.Frame();
    const QList<QAction*> menus = frame.menuBar()->actions();
    ASSERT_EQ(menus.size(), 5);
    const QString titles[] = {"&Файл", "&Вид", "&Настройки", "Инструменты", "&Помощь"};
    const std::vector<std::pair<QString, int>> items[] = {
        {{"&Открыть файл с пакетами...\tCtrl+O", 57601}, {"-", 0}, {"&Выход", 57665}},
        {{"&Toolbar", 59392}, {"&Status Bar", 59393}},
        {{"Выбор устройства ...", 32773}},
        {{"Программирование", 32781}},
        {{"&О программе...", 57664}}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(menus[i]->text(), titles[i]);
        EXPECT_EQ(MenuItems(menus[i]->menu()), items[i]) << i;
    }
    std::vector<int> buttons;
    for (QAction* action : frame.GetToolBar()->actions()) {
        buttons.push_back(action->isSeparator() ? 0 : action->data().toInt());
    }
    EXPECT_EQ(buttons, (std::vector<int>{57601, 0, 32773, 0, 32781}));
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Ready");
    EXPECT_EQ(frame.GetMenuAction(ID_FILE_OPEN)->statusTip(), "Open an existing document");

    ASSERT_TRUE(WaitUntil([&] { return frame.GetVerticalSplitter()->sizes()[0] == 200; }));
    EXPECT_EQ(frame.GetHorizontalSplitter()->sizes()[1], 200);
    EXPECT_EQ(frame.GetHorizontalSplitter()->widget(0), frame.GetTreeView());
    EXPECT_EQ(frame.GetHorizontalSplitter()->widget(1), frame.GetDefinitionView());
    EXPECT_EQ(frame.GetVerticalSplitter()->widget(1), frame.GetTrafficView());
    EXPECT_TRUE(frame.GetDefinitionView()->isReadOnly());
}

TEST(Layout, ToolbarAndStatusBarToggle) {
    MainFrameFixture fixture;
    fixture.Start({});
    CMainFrame& frame = fixture.Frame();
    for (int id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}) {
        QWidget* bar =
            id == ID_VIEW_TOOLBAR ? static_cast<QWidget*>(frame.GetToolBar()) : frame.statusBar();
        QAction* item = frame.GetMenuAction(id);
        EXPECT_TRUE(item->isChecked());
        item->trigger();
        EXPECT_FALSE(bar->isVisible()) << id;
        EXPECT_FALSE(item->isChecked());
        item->trigger();
        EXPECT_TRUE(bar->isVisible()) << id;
        EXPECT_TRUE(item->isChecked());
    }
}

// The accelerator table takes its keys before any view: Ctrl+C copies nothing from the
// definition view, Ctrl+O in the traffic list opens a file instead of sending a packet.
TEST(Accelerators, TakeKeysBeforeTheViews) {
    MainFrameFixture fixture;
    fixture.Start({});
    CMainFrame& frame = fixture.Frame();
    frame.activateWindow();
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
}

TEST(ShutDown, ExitClosesTheWindow) {
    MainFrameFixture fixture;
    fixture.Start({});
    fixture.Frame().GetMenuAction(ID_APP_EXIT)->trigger();
    EXPECT_FALSE(fixture.Frame().isVisible());
}

// Destroying the window while packets pour in as fast as the unit can send them, and while
// the unplug message waits to be shown, ends promptly.
TEST(ShutDown, WithTrafficFlowingAndAMessagePending) {
    for (bool unplug : {false, true}) {
        MainFrameFixture fixture;
        fixture.AddUnits({{0, 0}});
        fixture.Start({{"DeviceType", "0"}, {"DeviceNumber", "0"}});
        std::atomic<bool> flooding{!unplug};
        std::thread flood([&] {
            while (flooding.load()) {
                fixture.Simulator().SendPacket(0, 0, 0x46, nullptr, 0);
            }
        });
        fixture.Simulator().SetStatusPeriod(1);
        ASSERT_TRUE(WaitUntil(
            [&] { return fixture.Frame().GetTrafficView()->GetModel()->rowCount() > 20; }));
        if (unplug) {
            fixture.Simulator().Unplug(0, 0);
            QThread::msleep(300);  // the receive thread posts; nobody runs the events yet
        }
        QElapsedTimer timer;
        timer.start();
        fixture.DestroyFrame();
        EXPECT_LT(timer.elapsed(), 2000) << unplug;
        flooding = false;
        flood.join();
        EXPECT_EQ(fixture.dialogs.Count(QStringLiteral("Устройство отключено!!!")), 0);
    }
}

}  // namespace
