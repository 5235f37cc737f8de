// The GUI tests' own main: the widgets need a QApplication before any test runs. The tests are
// headless; CTest sets the offscreen platform, and so does this when run by hand or listed at
// build time.
#include <gtest/gtest.h>

#include <QApplication>

namespace {

QtMessageHandler g_previousHandler = nullptr;

// The offscreen platform says so at every window it shows; the rest of Qt's messages stay.
void DropOffscreenNoise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.contains(QLatin1String("does not support propagateSizeHints"))) {
        g_previousHandler(type, context, text);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    g_previousHandler = qInstallMessageHandler(DropOffscreenNoise);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
