#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "GuiSupport.h"
#include "ui/ParametersDlg.h"
#include "ui/PropertyListCtrl.h"

namespace {

const std::string kAddress = "\xc0\xe4\xf0\xe5\xf1";  // "Адрес" in Windows-1251

// The dialog shown on its own (not modal), over three parameters, active, so focus moves as
// it does for the user.
class Parameters : public ::testing::Test {
protected:
    void SetUp() override {
        parameters = {{0, kAddress, ""}, {2, "b", ""}, {2, "", ""}};
        dialog = std::make_unique<CParametersDlg>(parameters, ScriptEncoding::Windows1251, shown);
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }
    CPropertyListCtrl& List() { return *dialog->GetList(); }
    QLineEdit* Editor() { return qobject_cast<QLineEdit*>(List().GetEditor()); }
    void ClickRow(int row, int x = 300) {
        QTest::mouseClick(List().viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(x, List().RowRect(row).center().y()));
        QApplication::processEvents();
    }
    // Keys go where focus is, as the keyboard's would.
    void Key(Qt::Key key) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, Qt::NoModifier);
        RunEvents(20);
    }
    void Type(const QString& text) {
        for (QChar character : text) {
            TypeCharacter(QApplication::focusWidget(), character);
        }
        RunEvents(20);
    }
    std::vector<std::string> Values() const {
        std::vector<std::string> values;
        for (const PacketParameter& parameter : parameters) {
            values.push_back(parameter.value);
        }
        return values;
    }

    std::vector<PacketParameter> parameters;
    CRecordingDialogs shown;
    std::unique_ptr<CParametersDlg> dialog;
};

// Nothing is selected at first. Enter takes the text, Escape drops it; neither reaches the
// dialog's buttons. Typing on a row whose editor has no focus replaces the value; the value
// reaches the parameter as soon as it is taken, narrowed to the code page.
TEST_F(Parameters, EditingARow) {
    EXPECT_EQ(List().GetSelectedRow(), -1);
    EXPECT_EQ(List().GetEditor(), nullptr);
    ClickRow(0);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_TRUE(Editor()->hasFocus());
    EXPECT_EQ(Editor()->geometry().left(), 201);
    Type("01F0");
    Key(Qt::Key_Tab);  // stays in the editor; Down to the next row is the packet views' test
    EXPECT_TRUE(Editor()->hasFocus());
    Key(Qt::Key_Return);
    EXPECT_EQ(Values(), (std::vector<std::string>{"01F0", "", ""}));
    EXPECT_TRUE(List().hasFocus());
    ASSERT_NE(Editor(), nullptr);  // open again, without focus
    EXPECT_FALSE(Editor()->hasFocus());

    Type("Ж");  // on the list: the editor opens with its text selected, the key replaces it
    ASSERT_TRUE(Editor()->hasFocus());
    EXPECT_EQ(Editor()->text(), "Ж");
    Type("2");
    Key(Qt::Key_Escape);
    EXPECT_EQ(Values()[0], "01F0");
    EXPECT_EQ(Editor()->text(), "01F0");
    Key(Qt::Key_Space);  // Space edits the row as it stands, text selected
    EXPECT_TRUE(Editor()->hasFocus());
    EXPECT_EQ(Editor()->selectedText(), "01F0");
    Type("Ж");
    Key(Qt::Key_Enter);
    EXPECT_EQ(Values()[0], "\xc6");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 0);
}

// The border between the columns can be dragged, kept 10 pixels inside the list.
TEST_F(Parameters, DraggingTheNameColumn) {
    QWidget* viewport = List().viewport();
    const int y = List().RowRect(0).center().y();
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(200, y));
    QTest::mouseMove(viewport, QPoint(260, y));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(260, y));
    EXPECT_EQ(List().GetNameColumnWidth(), 260);
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(260, y));
    QTest::mouseMove(viewport, QPoint(2, y));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(2, y));
    EXPECT_EQ(List().GetNameColumnWidth(), 10);
}

}  // namespace
