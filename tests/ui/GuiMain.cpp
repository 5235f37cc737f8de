// The GUI tests' own main: the widgets need a QApplication before any test runs. The tests are
// headless; CTest sets the offscreen platform, and so does this when run by hand or listed at
// build time.
#include <gtest/gtest.h>

#include <QApplication>

#include "ui/ApplicationSetup.h"

namespace {

QtMessageHandler g_previousHandler = nullptr;

}  // namespace

// ThreadSanitizer suppressions for this program (used only in a -fsanitize=thread build).
// Qt's libraries are not instrumented: TSan sees only the allocations and copies they make
// through its interceptors, and reports Qt's own worker threads (font loading) racing with
// the main thread on memory whose synchronisation it cannot see. Our code stays checked.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "called_from_lib:libQt6Test.so.6\n";
}

namespace {

// The offscreen platform says so at every window it shows; the rest of Qt's messages stay.
void DropOffscreenNoise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.contains(QLatin1String("does not support propagateSizeHints")) &&
        !text.contains(QLatin1String("does not support raise()"))) {
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
    SetUpApplication(application);  // as the program does: its icon, Qt's texts in Russian
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
