#include <gtest/gtest.h>

#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "GuiSupport.h"
#include "device/VXDevice.h"
#include "ui/CommandIds.h"
#include "ui/DeviceListDlg.h"
#include "ui/TavrinView.h"
#include "ui/TrafficModel.h"

namespace {

using Rows = std::vector<std::vector<QString>>;

class DeviceDialog : public ::testing::Test {
protected:
    void SetUp() override {
        // PCI attached first, and PCI 7 held by another channel: the probe cannot open it.
        fixture.AddUnits({{1, 4}, {1, 7}, {0, 1}, {0, 0}});
        fixture.Start(Unit(0, 0));
        ASSERT_TRUE(fixture.Frame().GetDevice().IsOpen());
        other = std::make_unique<CVXDevice>(fixture.UnitDirectory());
        ASSERT_TRUE(other->Open(1, 7));
        dialog = std::make_unique<CDeviceListDlg>(fixture.Frame().GetDevice(), fixture.dialogs,
                                                  fixture.UnitDirectory());
    }
    Rows Shown() {
        Rows rows;
        QTreeWidget* list = dialog->GetList();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = list->topLevelItem(i);
            rows.push_back({item->text(0), item->text(1), item->text(2)});
        }
        return rows;
    }
    void Select(int row) {
        dialog->GetList()->setCurrentItem(dialog->GetList()->topLevelItem(row));
    }
    // Enabled state of "Подключить" and "Отключить" for a row.
    std::pair<bool, bool> MenuStates(int row) {
        std::unique_ptr<QMenu> menu(dialog->CreateContextMenu(row, nullptr));
        return {menu->actions()[0]->isEnabled(), menu->actions()[1]->isEnabled()};
    }
    CVXDevice& Channel() { return fixture.Frame().GetDevice(); }

    MainFrameFixture fixture;
    std::unique_ptr<CVXDevice> other;
    std::unique_ptr<CDeviceListDlg> dialog;
};

const QString kBusy = QStringLiteral("Занято");
const QString kFree = QStringLiteral("Свободно");

// USB 0-9 then PCI 0-9, whatever the order of attaching; a unit held elsewhere is left out.
TEST_F(DeviceDialog, ListsAttachedUnitsInProbingOrder) {
    EXPECT_FALSE(dialog->GetList()->accessibleName().isEmpty());
    EXPECT_EQ(Shown(), (Rows{{"USB", "0", kBusy}, {"USB", "1", kFree}, {"PCI", "4", kFree}}));
    EXPECT_EQ(MenuStates(0), std::make_pair(false, true));
    EXPECT_EQ(MenuStates(1), std::make_pair(true, false));
    EXPECT_EQ(MenuStates(2), std::make_pair(true, false));
    // The probing channel has let every unit go again.
    EXPECT_FALSE(fixture.Simulator().IsOpen(0, 1));
    EXPECT_FALSE(fixture.Simulator().IsOpen(1, 4));
}

// Connect and disconnect as the context menu runs them; a double click toggles the row.
TEST_F(DeviceDialog, ConnectDisconnectAndToggle) {
    Select(1);
    dialog->Connect();
    EXPECT_EQ(Shown(), (Rows{{"USB", "0", kFree}, {"USB", "1", kBusy}, {"PCI", "4", kFree}}));
    EXPECT_EQ(Channel().GetNumber(), 1);
    dialog->Disconnect();
    EXPECT_FALSE(Channel().IsOpen());
    EXPECT_EQ(Shown()[1][2], kFree);
    EXPECT_EQ(MenuStates(1), std::make_pair(true, false));  // no row is open while closed

    dialog->show();
    QApplication::processEvents();
    QTreeWidget* list = dialog->GetList();
    const QPoint pci = list->visualItemRect(list->topLevelItem(2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, pci);
    // Only the left button's double click toggles, as in a list control.
    for (Qt::MouseButton other : {Qt::MiddleButton, Qt::RightButton}) {
        QTest::mouseDClick(list->viewport(), other, Qt::NoModifier, pci);
        EXPECT_FALSE(Channel().IsOpen()) << other;
    }
    for (bool busy : {true, false}) {
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, pci);
        EXPECT_EQ(Channel().IsOpen() ? Channel().GetTypeIndex() : -1, busy ? 1 : -1);
        EXPECT_EQ(Shown()[2][2], busy ? kBusy : kFree);
    }
    // The program closed or switched the unit itself each time: no unit went away.
    RunEvents(300);
    EXPECT_TRUE(fixture.dialogs.messages.empty());
}

// A unit that cannot be opened (taken by another program after the list was filled, or gone)
// leaves the open unit open and receiving, with no loss reported. Its row goes: the list holds
// only units it could open, so a unit held elsewhere never shows as "Свободно".
TEST_F(DeviceDialog, AUnitThatCannotBeOpenedLeavesTheOpenOneWorking) {
    CVXDevice taker(fixture.UnitDirectory());
    ASSERT_EQ(taker.Open(0, 1), 1);
    ASSERT_TRUE(fixture.Simulator().Unplug(1, 4));
    for (const char* unit : {"USB 1, taken", "PCI 4, gone"}) {
        Select(1);
        dialog->Connect();
        EXPECT_EQ(Channel().GetTypeIndex(), 0) << unit;
        EXPECT_EQ(Channel().GetNumber(), 0) << unit;
    }
    EXPECT_EQ(fixture.dialogs.Count(QStringLiteral("Невозможно открыть устройство"),
                                    QStringLiteral("Ошибка"), MessageIcon::Error),
              2);
    EXPECT_EQ(Shown(), (Rows{{"USB", "0", kBusy}}));
    EXPECT_TRUE(dialog->GetList()->selectedItems().isEmpty());
    ASSERT_TRUE(fixture.Simulator().SendPacket(0, 0, 0x0A, nullptr, 0));
    EXPECT_TRUE(
        WaitUntil([&] { return fixture.Frame().GetTrafficView()->GetModel()->rowCount() == 1; }));
    RunEvents(300);
    EXPECT_EQ(fixture.dialogs.Count(QStringLiteral("Устройство отключено!!!")), 0);
}

// A unit unplugged while the dialog is open stops being "Занято" by itself, and a failed
// "Подключить" on it takes its row away. The rows have room for their letters and grid lines.
TEST_F(DeviceDialog, AnUnpluggedUnitIsNotBusy) {
    dialog->show();
    QApplication::processEvents();
    fixture.Simulator().Unplug(0, 0);
    ASSERT_TRUE(WaitUntil([&] { return Shown()[0][2] == kFree; }));
    EXPECT_EQ(fixture.dialogs.Count(QStringLiteral("Устройство отключено!!!")), 1);
    Select(0);
    dialog->Connect();
    EXPECT_EQ(fixture.dialogs.Count(QStringLiteral("Невозможно открыть устройство")), 1);
    EXPECT_EQ(Shown(), (Rows{{"USB", "1", kFree}, {"PCI", "4", kFree}}));

    QTreeWidget* list = dialog->GetList();
    const QRect row = list->visualItemRect(list->topLevelItem(1));
    EXPECT_GE(row.height(), list->fontMetrics().height() + 4);
    const QImage image = list->viewport()->grab().toImage();
    const QColor grid(0xD8, 0xD8, 0xD8);
    EXPECT_EQ(image.pixelColor(row.left() + 30, row.bottom()), grid) << "line under the row";
    EXPECT_EQ(image.pixelColor(list->columnWidth(0) - 1, row.center().y()), grid)
        << "line between the columns";
}

TEST_F(DeviceDialog, OnlyOkEndsIt) {
    dialog->show();
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
    dialog->close();
    EXPECT_TRUE(dialog->isVisible());
    dialog->findChild<QPushButton*>()->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

// From the menu: afterwards the title and the programming item follow the channel and the
// settings hold the unit, or -1 for both when none is open.
TEST_F(DeviceDialog, TheMainWindowSavesTheChoice) {
    struct {
        bool connect;  // PCI 4, or disconnect it again
        QString title;
        bool programming;
        std::string type, number;
    } cases[] = {{true, QStringLiteral("Tavrin - Устройство PCI [ 4 ] "), true, "1", "4"},
                 {false, "Tavrin", false, "-1", "-1"}};
    for (const auto& c : cases) {
        QTimer::singleShot(0, [&] {
            auto* shown = qobject_cast<CDeviceListDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(shown, nullptr);
            shown->GetList()->setCurrentItem(shown->GetList()->topLevelItem(2));
            c.connect ? shown->Connect() : shown->Disconnect();
            shown->findChild<QPushButton*>()->click();
        });
        fixture.Frame().OnCommand(ID_DEVICE_SELECT);
        EXPECT_EQ(fixture.Frame().windowTitle(), c.title);
        EXPECT_EQ(fixture.Frame().GetMenuAction(ID_PROGRAMMING)->isEnabled(), c.programming);
        CConfig saved;
        saved.Load("Tavrin.ini");
        EXPECT_EQ(saved.GetString("Main", "DeviceType"), c.type);
        EXPECT_EQ(saved.GetString("Main", "DeviceNumber"), c.number);
    }
}

}  // namespace
