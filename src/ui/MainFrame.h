#pragma once
// The main window: owner of the settings, the log file, the device channel, the loaded packet
// files and the three views, for the life of the program. Start-up happens in the constructor
// in the order the program has always used; shut-down stops the receive thread before the
// views go.
//
// How the pieces meet (the pattern later windows follow):
//  - widgets call the window-free core (app/TrafficText.h, app/MainWindowState.h and friends) and
//  only paint;
//  - every message box and file dialog goes through CUserDialogs;
//  - other threads reach the window only by posting (QMetaObject::invokeMethod, queued), through
//    the traffic list's locked pending batch, or through state the window looks at a few times
//    a second (the packets received, the log's write state, the channel's refused frames),
//    never by waiting for this thread.

#include <QKeySequence>
#include <QMainWindow>
#include <map>
#include <memory>
#include <vector>

#include "app/PacketFileList.h"
#include "app/PacketFileText.h"
#include "app/ReceiveThread.h"
#include "app/ReconnectWatch.h"
#include "app/StartupDevice.h"
#include "app/UnitStatus.h"
#include "app/WindowPlacement.h"
#include "inspect/ParameterMemory.h"
#include "settings/Config.h"
#include "settings/LogFile.h"
#include "ui/FindDlg.h"

class CPacket;
class CPacketHolder;
class CPacketHolderView;
class CPacketTable;
class CTavrinTreeView;
class CTavrinView;
class CUserDialogs;
class CVXDevice;
class QLabel;
class QSplitter;
class QTimer;
class QToolBar;

class CMainFrame : public QMainWindow, private IReceiveSink {
    Q_OBJECT
public:
    static constexpr const char* kSettingsFile = kSettingsFileName;
    static constexpr int kDefaultWidth = 1000;
    static constexpr int kDefaultHeight = 700;
    // How often a unit that went away is looked for.
    static constexpr int kReconnectPollMs = 500;
    // How often the unit, the packet counts, the log's state and the refused frames are looked
    // at.
    static constexpr int kStatusPollMs = 250;

    // Reads "Tavrin.ini" from the current directory, opens the log and the configured unit,
    // builds the window and starts receiving. Messages go through dialogs, which must outlive
    // the window.
    explicit CMainFrame(CUserDialogs& dialogs, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Sends a packet of the traffic list again: a sent line, the send, a "SEND: " log line.
    bool TransmitPacket(const CPacket* packet);
    // Sends the current packet file's packet for a key in the file's terms (app/KeyChar.h:
    // a signed Windows-1251 byte, or a character of a UTF-8 file), asking for its parameters
    // first: a line, the send, a "SEND: " log line, or a message.
    bool SendPacketForKey(int key);
    // The same for a character typed in a view.
    bool SendPacketForCharacter(char32_t character);
    // Fills the empty packet from the definition, after the parameters dialog when the
    // definition has parameters. False when the dialog is cancelled (nothing shown) or the
    // text is no packet ("Неверный формат пакета").
    bool BuildPacketFromDefinition(CPacket* packet, CPacketHolder* definition);
    // Loads a packet file into the list and the tree, or says why not.
    void LoadPacketFile(const QString& path);
    void SelectPacketFile(CPacketTable* file);
    void RemovePacketFile(CPacketTable* file);
    void ClearPacketFiles();
    // Empty text empties the definition view.
    void ShowDefinitionText(const QString& text);
    void UpdateTitle();
    void OpenConfiguredDevice();
    // Runs a command by its id, as its menu item, button or key would.
    void OnCommand(int id);
    // Stops the receive thread; the first thing every way of closing does. Idempotent.
    void StopReceiving();

    CVXDevice& GetDevice() { return *m_device; }
    const CPacketFileList& GetPacketFiles() const { return m_packetFiles; }
    CConfig& GetConfig() { return m_config; }
    // The permanent status bar panes, beside the message, left to right: the unit and its
    // state, the packets received and sent since it opened, the frames refused, the traffic
    // list's bound, a log that is not written. Each has an accessible name.
    QLabel* GetUnitPane() const { return m_unitPane; }
    QLabel* GetCountsPane() const { return m_countsPane; }
    QLabel* GetRefusedPane() const { return m_refusedPane; }
    QLabel* GetListBoundPane() const { return m_listBoundPane; }
    QLabel* GetLogProblemPane() const { return m_logProblemPane; }
    // What the traffic list says about its bound once reached; empty text hides the pane.
    void ShowListBound(const QString& text);
    CTavrinView* GetTrafficView() const { return m_trafficView; }
    CTavrinTreeView* GetTreeView() const { return m_treeView; }
    CPacketHolderView* GetDefinitionView() const { return m_definitionView; }
    QSplitter* GetVerticalSplitter() const { return m_verticalSplitter; }
    QSplitter* GetHorizontalSplitter() const { return m_horizontalSplitter; }
    QToolBar* GetToolBar() const { return m_toolBar; }
    // The menu item of a command (the toolbar has its own programming button).
    QAction* GetMenuAction(int id) const;
    QAction* GetToolBarAction(int id) const;

    // None: the bars are shown and hidden through the "&Вид" menu alone.
    QMenu* createPopupMenu() override;

protected:
    // Every way of closing: the capture windows close, the receive thread stops, and the
    // window's size, place, panes and bars go to [Window].
    void closeEvent(QCloseEvent* event) override;
    // Application-wide: while this window is the active one, the accelerator keys are taken
    // before any view sees them, text fields included.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PacketReceived(const CPacket& packet) override;
    void DeviceLost() override;
    void UnitLost() override;
    // The title drops the unit at once, and the unit is watched for until it comes back.
    void OnUnitLost();
    void WatchForUnit(int typeIndex, int number);
    void StopWatchingForUnit();
    void TryReconnect();

    QAction* AddCommand(QMenu* menu, const QString& text, int id, const QString& statusTip = {});
    void CreateMenus();
    void CreateToolBar();
    void CreateAccelerators();
    void CreateViews();
    void OpenLog();
    QLabel* AddStatusPane(const QString& name);
    void CreateStatusPanes();
    void UpdateStatusPanes();
    void UpdateUnitPanes();
    void UpdateRefusedPane();
    void InitLayout();
    void CentreOnScreen();
    // [Window] as read at start-up: the bars, the size and place (kept on a screen), the
    // panes once laid out.
    void ApplyWindowState();
    void SaveWindowState();

    void OnDeviceSelect();
    void OnProgramming();
    void OnOpenPacketFile();
    // "Открыть захват...": a capture or log file in a window of its own.
    void OnOpenCapture();
    void OnAbout();
    void OnExit();
    // "Найти...", "Найти далее" and "Найти ранее" in the traffic list.
    void OnFind();
    void FindAgain(bool forward);
    void UpdateListBoundPane();
    // The steps every send shares once a packet is chosen: a sent line, the send, the log line.
    bool SendAndLog(const CPacket& packet);
    void ToggleToolBar();
    void ToggleStatusBar();
    ScriptEncoding CurrentEncoding() const;

    CUserDialogs& m_dialogs;
    CPacketFileList m_packetFiles;
    CParameterMemory m_parameterMemory;
    CConfig m_config;
    CLogFile m_logFile;
    std::string m_deviceDirectory;
    std::unique_ptr<CVXDevice> m_device;
    std::unique_ptr<CReceiveThread> m_receiver;
    std::unique_ptr<CReconnectWatch> m_reconnect;
    QTimer* m_reconnectTimer = nullptr;
    QString m_reconnectedText;    // the status bar's news of the last reconnection
    bool m_choosingUnit = false;  // the device dialog is open: no unit is opened behind it

    CTavrinView* m_trafficView = nullptr;
    CTavrinTreeView* m_treeView = nullptr;
    CPacketHolderView* m_definitionView = nullptr;
    QSplitter* m_verticalSplitter = nullptr;
    QSplitter* m_horizontalSplitter = nullptr;
    QToolBar* m_toolBar = nullptr;
    std::map<int, QAction*> m_menuActions;
    std::map<int, QAction*> m_toolBarActions;
    std::vector<std::pair<QKeySequence, int>> m_accelerators;
    bool m_toolBarVisible = true;
    WindowState m_savedWindow;  // [Window] as read at start-up
    bool m_laidOut = false;     // the panes have their sizes
    QLabel* m_unitPane = nullptr;
    QLabel* m_countsPane = nullptr;
    QLabel* m_refusedPane = nullptr;
    QLabel* m_listBoundPane = nullptr;
    QLabel* m_logProblemPane = nullptr;
    CUnitStatus m_unitStatus;
    long long m_sentTotal = 0;  // packets sent since start-up
    long long m_shownRefused = 0;
    CFindCommand m_find;
    bool m_refusedExplained = false;  // the reason is said once a session
};
