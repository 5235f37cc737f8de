#include <gtest/gtest.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <set>

#include "GuiSupport.h"
#include "device/VXDevice.h"
#include "programming/BinaryDump.h"
#include "settings/Config.h"
#include "ui/CommandIds.h"
#include "ui/ProgrammingDlg.h"
#include "ui/ProgressDlg.h"

namespace {

using Dlg = CProgrammingDlg;

const QString kResult = QStringLiteral("Результат");
const QString kError = QStringLiteral("Ошибка");
const QString kLost = QStringLiteral("Устройство отключено!!!");

std::string Firmware() {
    return SourcePath("examples/firmware.hex").string();
}

// A main window on PCI 0 of the simulator, and the programming dialog on its channel.
class ProgrammingDialog : public ::testing::Test {
protected:
    void SetUp() override {
        fixture.AddUnits({{1, 0}});
        fixture.Start(Unit(1, 0));
        ASSERT_TRUE(Channel().IsOpen());
        Sim().SetProgrammingSpeed(1 << 24);
    }
    void Open(const ProgrammingOptions& options) {
        dialog = std::make_unique<Dlg>(Channel(), fixture.dialogs, options, &fixture.Frame());
        dialog->show();
        m_opens = Sim().CountOpens(1, 0);
    }
    template <class T = QWidget>
    T* Control(int id) {
        return qobject_cast<T*>(dialog->GetControl(id));
    }
    void Click(int id) { QTest::mouseClick(Control(id), Qt::LeftButton); }
    // Replaces a field's text as a user would, key by key.
    void Type(int id, const QString& text) {
        auto* edit = Control<QLineEdit>(id);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    std::vector<DeviceCommand> Sent() { return Sim().GetCommands(1, 0); }
    int Restarts() { return Sim().CountOpens(1, 0) - m_opens; }
    const ShownMessage* Last() {
        return fixture.dialogs.messages.empty() ? nullptr : &fixture.dialogs.messages.back();
    }
    CVXDevice& Channel() { return fixture.Frame().GetDevice(); }
    vxsim::Simulator& Sim() { return fixture.Simulator(); }

    MainFrameFixture fixture;
    std::unique_ptr<Dlg> dialog;
    int m_opens = 0;
};

TEST_F(ProgrammingDialog, ShowsTheChoicesAndEnablesValuesWithTheirSteps) {
    ProgrammingOptions options;
    options.steps = 0x41 | 0x04;  // erase, lock, and a bit no box stands for
    options.mode = 0x81;
    options.lockBits = -3;
    options.fuseBits = 255;
    options.fileName = "/tmp/образ.hex";
    Open(options);
    const std::pair<int, bool> boxes[] = {{Dlg::kEraseId, true},    {Dlg::kWriteId, false},
                                          {Dlg::kVerifyId, false},  {Dlg::kLockId, true},
                                          {Dlg::kFuseId, false},    {Dlg::kFuseExId, false},
                                          {Dlg::kAtMega103Id, true}};
    for (const auto& [id, checked] : boxes) {
        EXPECT_EQ(Control<QCheckBox>(id)->isChecked(), checked) << id;
    }
    EXPECT_EQ(Control<QLineEdit>(Dlg::kFileNameId)->text(), QStringLiteral("/tmp/образ.hex"));
    EXPECT_EQ(Control<QLineEdit>(Dlg::kLockValueId)->text(), "-3");
    EXPECT_EQ(Control<QLineEdit>(Dlg::kFuseValueId)->text(), "255");
    EXPECT_TRUE(Control(Dlg::kLockValueId)->isEnabled());
    EXPECT_FALSE(Control(Dlg::kFuseValueId)->isEnabled());
    EXPECT_FALSE(Control(Dlg::kFuseExValueId)->isEnabled());
    Click(Dlg::kFuseId);
    Click(Dlg::kLockId);
    EXPECT_TRUE(Control(Dlg::kFuseValueId)->isEnabled());
    EXPECT_FALSE(Control(Dlg::kLockValueId)->isEnabled());

    // "Выбрать": cancelling changes nothing; a chosen file replaces the name.
    Click(Dlg::kChooseId);
    EXPECT_EQ(Control<QLineEdit>(Dlg::kFileNameId)->text(), QStringLiteral("/tmp/образ.hex"));
    fixture.dialogs.chosenFile = QStringLiteral("/tmp/другой.hex");
    Click(Dlg::kChooseId);
    EXPECT_EQ(Control<QLineEdit>(Dlg::kFileNameId)->text(), QStringLiteral("/tmp/другой.hex"));
    Click(Dlg::kAtMega103Id);
    ASSERT_EQ(dialog->ReadControls(), 1);
    EXPECT_EQ(dialog->GetOptions().steps, 0x41u | 0x08u);
    EXPECT_EQ(dialog->GetOptions().mode, 0x80u);
    EXPECT_EQ(dialog->GetOptions().fileName, "/tmp/другой.hex");
}

// Nothing checked: no request, no message, no restart. Write checked without a file: the
// message (a plain box, no icon), and nothing else; unreadable and damaged images are the
// window-free run's table.
TEST_F(ProgrammingDialog, NothingHappensWithNothingCheckedOrNoFile) {
    Open({});
    Click(Dlg::kExecuteId);
    RunEvents(200);
    EXPECT_TRUE(fixture.dialogs.messages.empty());
    Click(Dlg::kWriteId);
    Click(Dlg::kVerifyId);
    Click(Dlg::kExecuteId);
    ASSERT_EQ(fixture.dialogs.messages.size(), 1u);
    EXPECT_EQ(fixture.dialogs.Count(QStringLiteral("Выберите файл"), kError, MessageIcon::None), 1);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Restarts(), 0);
}

// The boxes and a typed hexadecimal lock value reach the unit as one run with the ATmega103
// mode bit in every request (the dialog starts with 0x80, a bit no box shows); the report, and
// one restart that is no loss of the unit, so no "Устройство отключено!!!" follows. Which
// texts a field takes is the window-free test's table.
TEST_F(ProgrammingDialog, SendsTheCheckedStepsAndReports) {
    ProgrammingOptions options;
    options.mode = 0x80;
    options.fuseBits = 0x3F;
    Open(options);
    for (int id : {Dlg::kAtMega103Id, Dlg::kEraseId, Dlg::kFuseId, Dlg::kLockId}) {
        Click(id);
    }
    Type(Dlg::kLockValueId, "0xC0");
    Click(Dlg::kExecuteId);
    ASSERT_NE(Last(), nullptr);
    EXPECT_EQ(Last()->text, QStringLiteral("Стирание FLASH - OK\r\nЗапись битов Fuse - "
                                           "OK\r\nЗапись битов Lock - OK\r\n"));
    EXPECT_EQ(Last()->caption, kResult);
    std::vector<std::uint32_t> sent;
    for (const DeviceCommand& command : Sent()) {
        sent.push_back(command.command);
        EXPECT_EQ(command.mode, 0x81u);
        EXPECT_EQ(command.lockBits, command.command == 4 ? 0xC0u : 0u);
        EXPECT_EQ(command.fuseBits, command.command == 8 ? 0x3Fu : 0u);
    }
    EXPECT_EQ(sent, (std::vector<std::uint32_t>{1, 8, 4}));
    EXPECT_EQ(Restarts(), 1);
    EXPECT_TRUE(Channel().IsOpen());
    RunEvents(300);
    EXPECT_EQ(fixture.dialogs.Count(kLost), 0);
    EXPECT_EQ(fixture.dialogs.messages.size(), 1u);
}

const QString kBadLock =
    QStringLiteral("Неверное значение битов Lock: число от 0 до 255 (десятичное или 0x..)");

// A value that is not a bit value is refused by name, before anything is sent: the field keeps
// what was typed and gets the focus back, and the dialog does not close over it.
TEST_F(ProgrammingDialog, ABadValueIsRefusedWithTheFieldNamed) {
    Open({});
    Click(Dlg::kLockId);
    Type(Dlg::kLockValueId, "FF");
    Click(Dlg::kExecuteId);
    EXPECT_EQ(fixture.dialogs.Count(kBadLock, kError, MessageIcon::None), 1);
    EXPECT_EQ(fixture.dialogs.messages.size(), 1u);
    EXPECT_EQ(dialog->focusWidget(), Control(Dlg::kLockValueId));
    EXPECT_EQ(Control<QLineEdit>(Dlg::kLockValueId)->text(), "FF");
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(fixture.dialogs.Count(kBadLock, kError, MessageIcon::None), 2);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Restarts(), 0);
}

// What the test sees of the progress window while it runs.
struct ProgressSeen {
    std::vector<QString> titles;
    std::vector<int> maxima;
    std::vector<std::vector<int>> values;  // per window
    bool stayedOpen = true;                // Escape, Enter and the close box did not close it
};

// Samples the progress window every 20 ms while it is up; the first time it shows, tries to
// close it the three ways a user could.
void WatchProgress(QTimer& timer, ProgressSeen& seen) {
    QObject::connect(&timer, &QTimer::timeout, [&seen] {
        auto* window = qobject_cast<CProgressDlg*>(QApplication::activeModalWidget());
        if (window == nullptr) {
            return;
        }
        if (seen.titles.empty() || seen.titles.back() != window->windowTitle()) {
            seen.titles.push_back(window->windowTitle());
            seen.maxima.push_back(window->GetBar()->maximum());
            seen.values.emplace_back();
            if (seen.titles.size() == 1) {
                QTest::keyClick(window, Qt::Key_Escape);
                QTest::keyClick(window, Qt::Key_Return);
                window->close();
                seen.stayedOpen = window->isVisible();
            }
        }
        seen.values.back().push_back(window->GetBar()->value());
    });
    timer.start(20);
}

// Erase, write and verify of the example image with the progress window up for the two long
// steps, its bar rising over the image size; the FLASH holds the image afterwards.
TEST_F(ProgrammingDialog, WritesTheExampleImageWithTheProgressWindow) {
    CBinaryDump image;
    ASSERT_EQ(image.LoadHex(Firmware().c_str()), 1);
    Sim().SetProgrammingSpeed(image.GetSize());  // a second each
    ProgrammingOptions options;
    options.steps = 0x23;
    options.fileName = Firmware();
    Open(options);
    QTimer timer;
    ProgressSeen seen;
    WatchProgress(timer, seen);
    Click(Dlg::kExecuteId);
    timer.stop();
    ASSERT_NE(Last(), nullptr);
    EXPECT_EQ(Last()->text, QStringLiteral("Стирание FLASH - OK\r\nЗапись данных - OK\r\n"
                                           "Проверка данных - OK\r\n"));
    EXPECT_EQ(seen.titles, (std::vector<QString>{QStringLiteral("Запись данных"),
                                                 QStringLiteral("Проверка данных")}));
    EXPECT_EQ(seen.maxima, (std::vector<int>{image.GetSize(), image.GetSize()}));
    EXPECT_TRUE(seen.stayedOpen);
    for (const std::vector<int>& values : seen.values) {
        ASSERT_FALSE(values.empty());
        EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
        EXPECT_GE(std::set<int>(values.begin(), values.end()).size(), 4u)
            << "the bar must be seen rising, not jump";
    }
    const std::vector<unsigned char> flash = Sim().GetFlash(1, 0);
    EXPECT_TRUE(std::equal(image.GetData(), image.GetData() + image.GetSize(), flash.begin()));
    EXPECT_EQ(Restarts(), 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The unit goes away during the write: the progress window closes, the run reports the loss
// and the verify it skipped, the dialog is usable again.
TEST_F(ProgrammingDialog, UnpluggedDuringTheWrite) {
    Sim().SetProgrammingSpeed(16 * 1024);
    Sim().UnplugDuringProgramming(1, 0, 8 * 1024);
    ProgrammingOptions options;
    options.steps = 0x22;
    options.fileName = Firmware();
    Open(options);
    QElapsedTimer elapsed;
    elapsed.start();
    Click(Dlg::kExecuteId);
    EXPECT_LT(elapsed.elapsed(), 3000);
    EXPECT_EQ(fixture.dialogs.Count(QStringLiteral("Запись данных - ОШИБКА\r\n"
                                                   "Проверка данных - не выполнено\r\n\r\n"
                                                   "Устройство отключено\r\nКод ошибки - "
                                                   "1\r\nРестарт - ОШИБКА"),
                                    kResult, MessageIcon::None),
              1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(Channel().IsOpen());
}

// The progress query fails while the write goes on: the progress window closes, the dialog
// waits (painting, but taking no input) until the write has ended, then reports it.
TEST_F(ProgrammingDialog, WaitsForTheWriteWhenTheProgressQueryFails) {
    Sim().SetProgrammingSpeed(32 * 1024);  // two seconds
    ProgrammingOptions options;
    options.steps = DeviceCommand::WriteData;
    options.fileName = Firmware();
    Open(options);
    bool armed = false;
    bool waitedDisabled = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!armed && !Sent().empty() &&
            qobject_cast<CProgressDlg*>(QApplication::activeModalWidget()) != nullptr) {
            Sim().RejectNextControl(1, 0);  // the next request is the window's progress query
            armed = true;
        } else if (armed && QApplication::activeModalWidget() == nullptr) {
            waitedDisabled = waitedDisabled || !dialog->isEnabled();
            dialog->close();  // no way out while the run is under way
        }
    });
    timer.start(20);
    Click(Dlg::kExecuteId);
    timer.stop();
    EXPECT_TRUE(armed);
    EXPECT_TRUE(waitedDisabled);
    EXPECT_EQ(
        fixture.dialogs.Count(QStringLiteral("Запись данных - OK\r\n"), kResult, MessageIcon::None),
        1);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->isEnabled());
    EXPECT_EQ(Restarts(), 1);
}

// Runs the main window's programming command through its menu item or toolbar button; act
// drives the dialog while it is up and must end it.
void RunCommand(QAction* item, const std::function<void(Dlg&)>& act) {
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* shownDialog = qobject_cast<Dlg*>(QApplication::activeModalWidget());
        ASSERT_NE(shownDialog, nullptr);
        shown = true;
        act(*shownDialog);
        if (shownDialog->isVisible()) {
            ADD_FAILURE() << "the dialog is still open";
            shownDialog->done(0);
        }
    });
    item->trigger();
    EXPECT_TRUE(shown);
}

std::string Saved(const char* key) {
    CConfig saved;
    saved.Load("Tavrin.ini");
    return saved.GetString("Programming", key, "absent");
}

struct ClosingCase {
    const char* name;
    QString text;
    QString message;
};

void PrintTo(const ClosingCase& c, std::ostream* out) {
    *out << c.name;
}

class ClosingWithAFuseValue : public ProgrammingDialog,
                              public ::testing::WithParamInterface<ClosingCase> {};

// A blank fuse field, or one that holds no bit value, keeps the dialog open whichever way the
// user tries to leave; unchecking the step lets it close, and the old fuse value is what goes
// back to the settings, not the refused text read as a number.
TEST_P(ClosingWithAFuseValue, KeepsTheDialogOpenUntilTheStepIsUnchecked) {
    const ClosingCase& c = GetParam();
    CConfig& config = fixture.Frame().GetConfig();
    config.SetValue("Programming", "UseMask", "8");
    config.SetValue("Programming", "FuseBits", "77");
    RunCommand(fixture.Frame().GetMenuAction(ID_PROGRAMMING), [&](Dlg& shown) {
        auto* edit = qobject_cast<QLineEdit*>(shown.GetControl(Dlg::kFuseValueId));
        edit->setText(c.text);
        edit->setFocus();
        QTest::keyClick(&shown, Qt::Key_Escape);
        QTest::keyClick(edit, Qt::Key_Return);
        shown.close();
        QTest::mouseClick(shown.GetControl(Dlg::kExitId), Qt::LeftButton);
        EXPECT_TRUE(shown.isVisible());
        EXPECT_EQ(fixture.dialogs.Count(c.message, kError, MessageIcon::None), 4);
        QTest::mouseClick(shown.GetControl(Dlg::kFuseId), Qt::LeftButton);
        shown.close();
    });
    EXPECT_EQ(fixture.dialogs.messages.size(), 4u);
    EXPECT_EQ(Saved("FuseBits"), "77");
    EXPECT_EQ(Saved("UseMask"), "0");
    EXPECT_TRUE(Sent().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, ClosingWithAFuseValue,
    ::testing::Values(ClosingCase{"Blank", "  ", QStringLiteral("Пустое поле битов Fuse")},
                      ClosingCase{"NotABitValue", "0xC0h",
                                  QStringLiteral("Неверное значение битов Fuse: число от 0 до "
                                                 "255 (десятичное или 0x..)")}),
    [](const auto& info) { return std::string(info.param.name); });

// A value from the settings file that no field would take is shown as it stands and refused
// when a run would send it; it goes back to the settings as it was.
TEST_F(ProgrammingDialog, StoredValueOutOfRangeIsShownAndRefused) {
    CConfig& config = fixture.Frame().GetConfig();
    config.SetValue("Programming", "UseMask", "4");
    config.SetValue("Programming", "LockBits", "300");
    RunCommand(fixture.Frame().GetMenuAction(ID_PROGRAMMING), [&](Dlg& shown) {
        EXPECT_EQ(qobject_cast<QLineEdit*>(shown.GetControl(Dlg::kLockValueId))->text(), "300");
        QTest::mouseClick(shown.GetControl(Dlg::kExecuteId), Qt::LeftButton);
        QTest::mouseClick(shown.GetControl(Dlg::kLockId), Qt::LeftButton);
        shown.close();
    });
    EXPECT_EQ(fixture.dialogs.Count(kBadLock, kError, MessageIcon::None), 1);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Saved("LockBits"), "300");
}

// A steps word with only a bit no box stands for: nothing is checked, the run sends nothing
// but restarts the unit and shows its (empty) report, and the bit goes back to the settings.
TEST_F(ProgrammingDialog, UnknownStepBitSurvivesAndOnlyRestarts) {
    fixture.Frame().GetConfig().SetValue("Programming", "UseMask", "64");
    m_opens = Sim().CountOpens(1, 0);
    RunCommand(fixture.Frame().GetMenuAction(ID_PROGRAMMING), [&](Dlg& shown) {
        for (int id : {Dlg::kEraseId, Dlg::kWriteId, Dlg::kVerifyId, Dlg::kLockId, Dlg::kFuseId,
                       Dlg::kFuseExId}) {
            EXPECT_FALSE(qobject_cast<QCheckBox*>(shown.GetControl(id))->isChecked()) << id;
        }
        QTest::mouseClick(shown.GetControl(Dlg::kExecuteId), Qt::LeftButton);
        QTest::mouseClick(shown.GetControl(Dlg::kExitId), Qt::LeftButton);
    });
    EXPECT_EQ(fixture.dialogs.Count("", kResult, MessageIcon::None), 1);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Restarts(), 1);
    EXPECT_EQ(Saved("UseMask"), "64");
}

// The run could not open the unit again (one restarting on new firmware may take a moment):
// once the dialog has closed the title drops the unit, and the unit is opened again by itself.
TEST_F(ProgrammingDialog, AUnitTheRunCouldNotReopenIsOpenedWhenItCanBe) {
    fixture.Frame().GetConfig().SetValue("Programming", "UseMask", "64");
    Sim().RefuseNextOpen(1, 0);
    RunCommand(fixture.Frame().GetMenuAction(ID_PROGRAMMING), [&](Dlg& shown) {
        QTest::mouseClick(shown.GetControl(Dlg::kExecuteId), Qt::LeftButton);
        QTest::mouseClick(shown.GetControl(Dlg::kExitId), Qt::LeftButton);
    });
    EXPECT_EQ(fixture.dialogs.Count(QStringLiteral("Рестарт - ОШИБКА"), kResult, MessageIcon::None),
              1);
    EXPECT_EQ(fixture.Frame().windowTitle(), "Tavrin");
    ASSERT_TRUE(WaitUntil([&] { return Channel().IsOpen(); }));
    EXPECT_EQ(fixture.Frame().windowTitle(), QStringLiteral("Tavrin - Устройство PCI [ 0 ] "));
    EXPECT_EQ(fixture.Frame().statusBar()->currentMessage(),
              QStringLiteral("Устройство PCI [ 0 ] снова подключено"));
}

// The toolbar button opens the dialog with no unit open; a step then fails rather than
// pass as "OK", and the unit cannot be restarted.
TEST(ProgrammingCommand, ToolbarOpensTheDialogWithoutAUnit) {
    MainFrameFixture fixture;
    fixture.Start({});
    EXPECT_FALSE(fixture.Frame().GetMenuAction(ID_PROGRAMMING)->isEnabled());
    fixture.Frame().GetConfig().SetValue("Programming", "UseMask", "4");
    RunCommand(fixture.Frame().GetToolBarAction(ID_PROGRAMMING), [&](Dlg& shown) {
        QTest::mouseClick(shown.GetControl(Dlg::kExecuteId), Qt::LeftButton);
        QTest::keyClick(&shown, Qt::Key_Escape);
    });
    EXPECT_EQ(
        fixture.dialogs.Count(
            QStringLiteral("Запись битов Lock - ОШИБКА\r\n\r\nКод ошибки - 1\r\nРестарт - ОШИБКА"),
            kResult, MessageIcon::None),
        1);
    EXPECT_EQ(Saved("UseMask"), "4");
    EXPECT_EQ(Saved("LockBits"), "0");
}

}  // namespace
