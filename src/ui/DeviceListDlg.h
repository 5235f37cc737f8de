#pragma once
// "Выбор устройства": lists the attached units and connects or disconnects the main window's
// channel at once. Ends only through OK (Escape and the close box do nothing).

#include <QDialog>
#include <string>

#include "app/DeviceList.h"

class CUserDialogs;
class CVXDevice;
class QMenu;
class QTreeWidget;

class CDeviceListDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kListId = 1000;
    // How often the rows' states are read from the channel again.
    static constexpr int kStatePollMs = 250;

    // directory: where the probing channel looks for units, as the main channel does.
    CDeviceListDlg(CVXDevice& channel, CUserDialogs& dialogs, std::string directory,
                   QWidget* parent = nullptr);
    ~CDeviceListDlg() override;

    QTreeWidget* GetList() const { return m_list; }
    // The context menu for a row as it would open ("Подключить" greyed on the open unit's
    // row, "Отключить" on every other).
    QMenu* CreateContextMenu(int row, QWidget* parent);
    void Connect();
    void Disconnect();
    void Toggle();

    void reject() override;

signals:
    // The user has connected a unit or disconnected one.
    void UnitChosen();

protected:
    void showEvent(QShowEvent* event) override;
    // Keeps the double clicks of the other buttons from the list: only the left one toggles.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fill();
    void ShowStates();
    // The rows after a connect: a unit that could not be opened is no longer listed, and the
    // message says so.
    void ShowOutcome(int row, bool opened);
    int GetSelectedRow() const;
    void OnContextMenu(const QPoint& position);

    CDeviceList m_devices;
    CUserDialogs& m_dialogs;
    std::string m_directory;
    QTreeWidget* m_list;
    bool m_filled = false;
};
