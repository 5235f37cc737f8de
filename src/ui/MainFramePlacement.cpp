// The main window's [Window] keys: applied at start-up, written when the window closes. The
// reading, the checks and the on-screen rule are app/WindowPlacement.h; here the window only
// measures itself and applies the result.
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>

#include "ui/MainFrame.h"

namespace {

WindowRect ToWindowRect(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

}  // namespace

void CMainFrame::ApplyWindowState() {
    if (m_savedWindow.toolBar == false) {
        ToggleToolBar();
    }
    if (m_savedWindow.statusBar == false) {
        ToggleStatusBar();
    }
    if (!m_savedWindow.HasPlacement()) {
        resize(kDefaultWidth, kDefaultHeight);
        CentreOnScreen();
    } else {
        std::vector<WindowRect> screens;
        std::size_t primary = 0;
        const QList<QScreen*> all = QGuiApplication::screens();
        for (QScreen* screen : all) {
            if (screen == QGuiApplication::primaryScreen()) {
                primary = screens.size();
            }
            screens.push_back(ToWindowRect(screen->availableGeometry()));
        }
        const WindowRect place =
            PlaceWindow(m_savedWindow, kDefaultWidth, kDefaultHeight, screens, primary);
        // The inside of the window, as geometry() gives it back: the frame around it differs
        // between a normal and a maximized window under some window managers.
        setGeometry(place.x, place.y, place.width, place.height);
    }
    if (m_savedWindow.maximized == true) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

// The normal placement is written also for a maximized or minimized window, so that it opens
// maximized with the size to go back to. The panes are written only once they were laid out.
void CMainFrame::SaveWindowState() {
    WindowState state;
    const Qt::WindowStates shown = windowState();
    const bool normal =
        (shown & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) == 0;
    const QRect inside = normal || !normalGeometry().isValid() ? geometry() : normalGeometry();
    state.x = inside.x();
    state.y = inside.y();
    state.width = inside.width();
    state.height = inside.height();
    state.maximized = (shown & Qt::WindowMaximized) != 0;
    if (m_laidOut) {
        state.leftPane = m_verticalSplitter->sizes().value(0);
        state.definitionPane = m_horizontalSplitter->sizes().value(1);
    }
    state.toolBar = m_toolBarVisible;
    state.statusBar = !statusBar()->isHidden();
    WriteWindowState(m_config, state);
    m_config.SaveSetKeys();  // a file that cannot be written keeps what it has
}
