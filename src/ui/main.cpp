// Tavrin: traffic monitor, packet sender and programmer for VX devices. Takes no arguments:
// everything comes from "Tavrin.ini" in the current directory.
#include <QApplication>

#include "ui/ApplicationSetup.h"
#include "ui/MainFrame.h"
#include "ui/UserDialogs.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    SetUpApplication(application);
    // The program has always ended with exit code 1 once its window is gone; scripts that
    // start it may look at that.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&application, &QGuiApplication::lastWindowClosed,
                     [] { QCoreApplication::exit(1); });
    CQtUserDialogs dialogs;
    int result = 0;
    {
        CMainFrame frame(dialogs);
        frame.show();
        result = application.exec();
    }
    return result;
}
