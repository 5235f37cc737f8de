#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "GuiSupport.h"
#include "app/CommandIds.h"
#include "device/DeviceListDlg.h"
#include "device/VXDevice.h"

namespace {

using Rows = std::vector<std::vector<QString>>;

class DeviceDialog : public ::testing::Test {
protected:
    void SetUp() override {
        fixture.AddUnits({{0, 0}, {0, 1}, {1, 4}});
        fixture.Start({{"DeviceType", "0"}, {"DeviceNumber", "0"}});
        ASSERT_TRUE(fixture.Frame().GetDevice().IsOpen());
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
        EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Подключить"));
        EXPECT_EQ(menu->actions()[1]->text(), QStringLiteral("Отключить"));
        return {menu->actions()[0]->isEnabled(), menu->actions()[1]->isEnabled()};
    }
    CVXDevice& Channel() { return fixture.Frame().GetDevice(); }

    MainFrameFixture fixture;
    std::unique_ptr<CDeviceListDlg> dialog;
};

const QString kBusy = QStringLiteral("Занято");
const QString kFree = QStringLiteral("Свободно");

TEST_F(DeviceDialog, ListsAttachedUnitsInProbingOrder) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Выбор устройства"));
    EXPECT_EQ(Shown(), (Rows{{"USB", "0", kBusy}, {"USB", "1", kFree}, {"PCI", "4", kFree}}));
    EXPECT_EQ(dialog->GetList()->topLevelItem(2)->data(0, Qt::UserRole).toUInt(), 0x10004u);
    EXPECT_EQ(dialog->GetList()->columnWidth(0), 60);
    EXPECT_EQ(dialog->GetList()->columnWidth(1), 90);
    EXPECT_EQ(dialog->GetList()->columnWidth(2), 120);
    EXPECT_EQ(MenuStates(0), std::make_pair(false, true));
    EXPECT_EQ(MenuStates(1), std::make_pair(true, false));
    EXPECT_EQ(MenuStates(2), std::make_pair(true, false));
    // The probing channel has let every unit go again.
    EXPECT_FALSE(fixture.Simulator().IsOpen(0, 1));
    EXPECT_FALSE(fixture.Simulator().IsOpen(1, 4));
}

TEST_F(DeviceDialog, ConnectDisconnectAndToggle) {
    Select(1);
    dialog->Connect();
    EXPECT_EQ(Shown(), (Rows{{"USB", "0", kFree}, {"USB", "1", kBusy}, {"PCI", "4", kFree}}));
    EXPECT_EQ(Channel().GetNumber(), 1);
    dialog->Disconnect();
    EXPECT_FALSE(Channel().IsOpen());
    EXPECT_EQ(Shown()[1][2], kFree);
    EXPECT_EQ(MenuStates(1), std::make_pair(true, false));  // no row is open while closed

    Select(2);
    dialog->Toggle();
    EXPECT_EQ(Channel().GetTypeIndex(), 1);
    EXPECT_EQ(Shown()[2][2], kBusy);
    dialog->Toggle();
    EXPECT_FALSE(Channel().IsOpen());
    EXPECT_EQ(Shown()[2][2], kFree);
    EXPECT_TRUE(fixture.dialogs.Count(QStringLiteral("Невозможно открыть устройство")) == 0);
}

TEST_F(DeviceDialog, DoubleClickTogglesTheRow) {
    dialog->show();
    QApplication::processEvents();
    QTreeWidget* list = dialog->GetList();
    const QPoint row2 = list->visualItemRect(list->topLevelItem(2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row2);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row2);
    EXPECT_EQ(Channel().GetTypeIndex(), 1);
    EXPECT_EQ(Shown()[2][2], kBusy);
}

TEST_F(DeviceDialog, AFailedConnectLeavesNothingBusy) {
    fixture.Simulator().Unplug(0, 1);
    Select(1);
    dialog->Connect();
    ASSERT_EQ(fixture.dialogs.Count(QStringLiteral("Невозможно открыть устройство")), 1);
    EXPECT_EQ(fixture.dialogs.messages[0].caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(fixture.dialogs.messages[0].icon, MessageIcon::Error);
    EXPECT_FALSE(Channel().IsOpen());
    EXPECT_EQ(Shown(), (Rows{{"USB", "0", kFree}, {"USB", "1", kFree}, {"PCI", "4", kFree}}));
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

// From the menu: afterwards the title follows the channel and the settings hold the unit, or
// -1 for both when none is open.
TEST_F(DeviceDialog, TheMainWindowSavesTheChoice) {
    struct {
        int row;  // -1: disconnect the open unit
        QString title;
        std::string type, number;
    } cases[] = {{2, QStringLiteral("Tavrin - Устройство PCI [ 4 ] "), "1", "4"},
                 {-1, "Tavrin", "-1", "-1"}};
    for (const auto& c : cases) {
        QTimer::singleShot(0, [&] {
            auto* shown = qobject_cast<CDeviceListDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(shown, nullptr);
            QTreeWidget* list = shown->GetList();
            if (c.row >= 0) {
                list->setCurrentItem(list->topLevelItem(c.row));
                shown->Connect();
            } else {
                for (int i = 0; i < list->topLevelItemCount(); ++i) {
                    if (list->topLevelItem(i)->text(2) == kBusy) {
                        list->setCurrentItem(list->topLevelItem(i));
                    }
                }
                shown->Disconnect();
            }
            shown->findChild<QPushButton*>()->click();
        });
        fixture.Frame().OnCommand(ID_DEVICE_SELECT);
        EXPECT_EQ(fixture.Frame().windowTitle(), c.title);
        CConfig saved;
        saved.Load("Tavrin.ini");
        EXPECT_EQ(saved.GetString("Main", "DeviceType"), c.type);
        EXPECT_EQ(saved.GetString("Main", "DeviceNumber"), c.number);
    }
}

}  // namespace
