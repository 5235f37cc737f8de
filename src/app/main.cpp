// Tavrin: traffic monitor, packet sender and programmer for VX devices. Takes no arguments:
// everything comes from "Tavrin.ini" in the current directory.
#include <QApplication>

#include "app/MainFrame.h"
#include "app/UserDialogs.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    CQtUserDialogs dialogs;
    int result = 0;
    {
        CMainFrame frame(dialogs);
        frame.show();
        result = application.exec();
    }
    return result;
}
