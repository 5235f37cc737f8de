#pragma once
// A window of its own over a capture or a Tavrin log file: the traffic list of the file's
// packets, read-only (the window has no way to the unit: nothing typed or chosen in it is
// sent), with the packet window on a double click, find, and the list saved as a capture.
// Several may be open; each closes on its own, and all go with the main window, which owns
// them. The reading and the writing are the core's (capture/ListCapture.h).

#include <QMainWindow>
#include <map>

#include "ui/FindDlg.h"

class CTavrinView;
class CUserDialogs;
class QLabel;

class CCaptureFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 900;
    static constexpr int kHeight = 600;

    // Reads the file and opens a window on it, owned by owner; or shows what is wrong with the
    // file ("<path>: <reason>", caption "Ошибка") and returns null. A file cut short opens with
    // the packets before the cut, and where it was cut is shown ("Внимание") and kept in the
    // status bar. dialogs must outlive the window.
    static CCaptureFrame* Open(QWidget* owner, CUserDialogs& dialogs, const QString& path);
    // "Сохранить список как захват...": asks where, then writes the list's lines whole, or
    // shows why not (caption "Ошибка"). Once saved, the window's status bar names the file.
    static void SaveList(QMainWindow& window, CUserDialogs& dialogs, CTavrinView& view);

    CTavrinView* GetTrafficView() const { return m_view; }
    QAction* GetMenuAction(int id) const;
    // Where the file was cut short; hidden for a whole file.
    QLabel* GetCutPane() const { return m_cutPane; }

private:
    CCaptureFrame(QWidget* owner, CUserDialogs& dialogs);
    void AddCommand(QMenu* menu, const QString& text, int id, const QKeySequence& keys);
    void OnCommand(int id);

    CUserDialogs& m_dialogs;
    CTavrinView* m_view;
    QLabel* m_cutPane;
    CFindCommand m_find;
    std::map<int, QAction*> m_actions;
};
