// The main window over a working day: the status bar's panes while packets flow and after the
// unit goes, and the window's size, place, panes and bars kept in [Window] from one start to
// the next.
#include <gtest/gtest.h>

#include <QLabel>
#include <QSet>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>

#include "GuiSupport.h"
#include "ui/CommandIds.h"
#include "ui/TavrinView.h"
#include "ui/TrafficModel.h"

namespace {

bool PaneSays(const QLabel* pane, const char* text) {
    return pane->isVisible() && pane->text() == QString::fromUtf8(text);
}

// A unit opened, its packets counted both ways, unplugged ("отключено", the counts kept), back
// again (counted afresh). The panes have names of their own; the message stays "Ready".
TEST(StatusPanes, TellTheUnitAndItsPackets) {
    MainFrameFixture fixture;
    fixture.AddUnits({{0, 0}});
    fixture.Start({});
    CMainFrame& frame = fixture.Frame();
    EXPECT_TRUE(PaneSays(frame.GetUnitPane(), "нет устройства"));
    EXPECT_FALSE(frame.GetCountsPane()->isVisible());

    fixture.DestroyFrame();
    fixture.Start(Unit(0, 0));
    CMainFrame& opened = fixture.Frame();
    EXPECT_TRUE(PaneSays(opened.GetUnitPane(), "USB 0: подключено"));
    EXPECT_TRUE(PaneSays(opened.GetCountsPane(), "Принято: 0  Отправлено: 0"));
    for (unsigned char command = 0x21; command < 0x24; ++command) {
        ASSERT_TRUE(fixture.Simulator().SendPacket(0, 0, command, nullptr, 0));
    }
    ASSERT_TRUE(opened.TransmitPacket(MakePacket(0x31).get()));
    ASSERT_TRUE(opened.TransmitPacket(MakePacket(0x32).get()));
    EXPECT_TRUE(
        WaitUntil([&] { return PaneSays(opened.GetCountsPane(), "Принято: 3  Отправлено: 2"); }));

    ASSERT_TRUE(fixture.Simulator().Unplug(0, 0));
    EXPECT_TRUE(WaitUntil([&] { return PaneSays(opened.GetUnitPane(), "USB 0: отключено"); }));
    EXPECT_TRUE(PaneSays(opened.GetCountsPane(), "Принято: 3  Отправлено: 2"));
    ASSERT_TRUE(fixture.Simulator().Plug(0, 0));
    EXPECT_TRUE(WaitUntil([&] { return PaneSays(opened.GetUnitPane(), "USB 0: подключено"); }));
    EXPECT_TRUE(PaneSays(opened.GetCountsPane(), "Принято: 0  Отправлено: 0"));
    EXPECT_EQ(opened.statusBar()->currentMessage(),
              QStringLiteral("Устройство USB [ 0 ] снова подключено"));

    QSet<QString> names;
    for (const QLabel* pane :
         {opened.GetUnitPane(), opened.GetCountsPane(), opened.GetRefusedPane(),
          opened.GetListBoundPane(), opened.GetLogProblemPane()}) {
        EXPECT_FALSE(pane->accessibleName().isEmpty());
        names.insert(pane->accessibleName());
    }
    EXPECT_EQ(names.size(), 5);
}

// Everything but the [Window] section stays as the user left the file, edits made while the
// program ran included.
const std::string kHandEdited =
    "; my rig\r\n[Main]\r\n  Log =   \r\n\r\n\r\n[Mine]\r\nno equals sign\r\n";

// Close writes [Window]; the next window opens as the last one closed: size, place, panes,
// bars. A damaged section before it was no harm: the default size, on the screen.
TEST(WindowPlacement, KeptFromOneStartToTheNext) {
    MainFrameFixture fixture;
    fixture.Start({},
                  "\r\n[Window]\r\nX=99999999\r\nWidth=abc\r\nHeight=-700\r\nLeftPane=0\r\n"
                  "ToolBar=yes\r\n");
    CMainFrame& first = fixture.Frame();
    EXPECT_EQ(first.size(), QSize(CMainFrame::kDefaultWidth, CMainFrame::kDefaultHeight));
    EXPECT_TRUE(first.isVisible());
    EXPECT_TRUE(first.GetToolBar()->isVisible());
    ASSERT_TRUE(WaitUntil([&] { return first.GetVerticalSplitter()->sizes()[0] == 200; }));

    first.setGeometry(30, 40, 640, 480);
    QApplication::processEvents();
    first.GetVerticalSplitter()->setSizes({260, 380});
    const int column = first.GetHorizontalSplitter()->height();
    first.GetHorizontalSplitter()->setSizes({column - 150, 150});
    first.GetMenuAction(ID_VIEW_TOOLBAR)->trigger();
    fixture.Dir().Write("Tavrin.ini", kHandEdited);
    first.GetMenuAction(ID_APP_EXIT)->trigger();
    const std::string saved = ReadBytes(fixture.Dir().File("Tavrin.ini"));
    EXPECT_EQ(saved, kHandEdited +
                         "\r\n[Window]\r\nX=30\r\nY=40\r\nWidth=640\r\nHeight=480\r\n"
                         "Maximized=0\r\nLeftPane=260\r\nDefinitionPane=150\r\n"
                         "ToolBar=0\r\nStatusBar=1\r\n");

    fixture.Restart();
    CMainFrame& second = fixture.Frame();
    EXPECT_EQ(second.geometry(), QRect(30, 40, 640, 480));
    EXPECT_FALSE(second.GetToolBar()->isVisible());
    EXPECT_FALSE(second.GetMenuAction(ID_VIEW_TOOLBAR)->isChecked());
    EXPECT_TRUE(second.statusBar()->isVisible());
    EXPECT_TRUE(WaitUntil([&] { return second.GetVerticalSplitter()->sizes()[0] == 260; }));
    EXPECT_EQ(second.GetHorizontalSplitter()->sizes()[1], 150);
}

}  // namespace
