#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <algorithm>

#include "GuiSupport.h"
#include "ui/ApplicationSetup.h"

namespace {

// The test program sets the application up as the program does (GuiMain.cpp).

// Title bar, task bar and About box take the program's icon from the application.
TEST(Application, HasTheProgramsIcon) {
    const QIcon icon = QApplication::windowIcon();
    for (int size : {16, 32, 64}) {
        const QImage image = icon.pixmap(size, size).toImage();
        ASSERT_FALSE(image.isNull()) << size << ": Qt's SVG image plugin is missing";
        EXPECT_EQ(image.width(), size);
        // Drawn, not blank: the red arrow of the image is there.
        bool red = false;
        for (int y = 0; y < size && !red; ++y) {
            for (int x = 0; x < size && !red; ++x) {
                const QColor colour = image.pixelColor(x, y);
                red = colour.alpha() == 255 && colour.red() > 180 && colour.green() < 80;
            }
        }
        EXPECT_TRUE(red) << size;
    }
    MainFrameFixture fixture;
    fixture.Start({});
    EXPECT_EQ(fixture.Frame().windowIcon().cacheKey(), icon.cacheKey());
}

// Qt's own file dialog speaks Russian, and names the filters as the program writes them.
TEST(Application, OpenFileDialogInRussianWithTheProgramsFilterNames) {
    std::unique_ptr<QFileDialog> dialog = CQtUserDialogs::MakeOpenFileDialog(
        nullptr, QStringLiteral("Файлы с пакетами(*.kad) (*.kad);;All Files(*.*) (*)"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    const auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->count(), 2);
    EXPECT_EQ(types->itemText(0), QStringLiteral("Файлы с пакетами(*.kad)"));
    EXPECT_EQ(types->itemText(1), QStringLiteral("All Files(*.*)"));
    const auto* lookIn = dialog->findChild<QLabel*>(QStringLiteral("lookInLabel"));
    ASSERT_NE(lookIn, nullptr);
    const auto cyrillic = [](const QString& text) {
        return std::any_of(text.begin(), text.end(),
                           [](QChar c) { return c.unicode() >= 0x0410 && c.unicode() <= 0x044F; });
    };
    EXPECT_TRUE(cyrillic(lookIn->text())) << lookIn->text().toStdString();  // "Look in:"
    EXPECT_EQ(QApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
}

}  // namespace
