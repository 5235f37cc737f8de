#include "ui/MainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include "app/KeyChar.h"
#include "app/MainWindowState.h"
#include "app/PacketFileText.h"
#include "app/PacketLogLine.h"
#include "app/StartupDevice.h"
#include "app/TrafficSettings.h"
#include "device/VXDevice.h"
#include "inspect/PacketParameters.h"
#include "packet/Packet.h"
#include "packet/PacketTable.h"
#include "ui/AboutDlg.h"
#include "ui/CaptureFrame.h"
#include "ui/CommandIds.h"
#include "ui/DeviceListDlg.h"
#include "ui/FindDlg.h"
#include "ui/PacketHolderView.h"
#include "ui/ParametersDlg.h"
#include "ui/ProgrammingDlg.h"
#include "ui/TavrinTreeView.h"
#include "ui/TavrinView.h"
#include "ui/UserDialogs.h"

namespace {

const QString kErrorCaption = QStringLiteral("Ошибка");
const QString kReady = QStringLiteral("Ready");

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CMainFrame::CMainFrame(CUserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_find(dialogs) {
    setWindowTitle(QStringLiteral("Tavrin"));
    m_config.Load(kSettingsFile);
    m_savedWindow = ReadWindowState(m_config);
    OpenLog();
    m_deviceDirectory = ConfiguredDeviceDirectory(m_config);
    m_device = std::make_unique<CVXDevice>(m_deviceDirectory);
    m_reconnect = std::make_unique<CReconnectWatch>(*m_device);
    m_reconnectTimer = new QTimer(this);
    m_reconnectTimer->setInterval(kReconnectPollMs);
    connect(m_reconnectTimer, &QTimer::timeout, this, [this] { TryReconnect(); });

    CreateMenus();
    CreateToolBar();
    CreateAccelerators();
    statusBar()->showMessage(kReady);
    statusBar()->setSizeGripEnabled(true);
    // A menu item's prompt goes when the pointer leaves it; "Ready" comes back in its place.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& text) {
        if (text.isEmpty()) {
            statusBar()->showMessage(kReady);
        }
    });
    m_menuActions[ID_PROGRAMMING]->setEnabled(false);
    CreateStatusPanes();

    // The receiver is attached before the unit opens and starts once the views are there: a
    // unit that sends at once waits in its driver meanwhile instead of losing packets.
    IReceiveSink& sink = *this;
    m_receiver = std::make_unique<CReceiveThread>(*m_device, m_logFile, sink);
    OpenConfiguredDevice();
    CreateViews();
    qApp->installEventFilter(this);
    m_receiver->Start();
    UpdateStatusPanes();

    QMetaObject::invokeMethod(
        this, [this] { InitLayout(); }, Qt::QueuedConnection);
    ApplyWindowState();
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
    StopReceiving();
    m_receiver.reset();  // it refers to the channel, which goes below
    // The views go before the channel, the log and the settings, as the window goes before
    // the frame's members.
    delete m_verticalSplitter;
    m_verticalSplitter = nullptr;
    m_logFile.Close();
    m_device.reset();
}

QAction* CMainFrame::AddCommand(QMenu* menu, const QString& text, int id,
                                const QString& statusTip) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    action->setStatusTip(statusTip);
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_menuActions[id] = action;
    return action;
}

void CMainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Файл"));
    AddCommand(file, QStringLiteral("&Открыть файл с пакетами...\tCtrl+O"), ID_FILE_OPEN,
               QStringLiteral("Open an existing document"));
    file->addSeparator();
    AddCommand(file, QStringLiteral("Открыть захват..."), ID_CAPTURE_OPEN,
               QStringLiteral("Открыть захват или журнал в отдельном окне"));
    AddCommand(file, QStringLiteral("Сохранить список как захват..."), ID_CAPTURE_SAVE,
               QStringLiteral("Записать пакеты списка в файл захвата (pcap)"));
    file->addSeparator();
    AddCommand(file, QStringLiteral("&Выход"), ID_APP_EXIT,
               QStringLiteral("Quit the application; prompts to save documents"));

    // Find lives in a menu: characters typed in the list send packets.
    QMenu* edit = menuBar()->addMenu(QStringLiteral("П&равка"));
    AddCommand(edit, QStringLiteral("&Найти...\tCtrl+F"), ID_EDIT_FIND,
               QStringLiteral("Найти строку в списке"));
    AddCommand(edit, QStringLiteral("Найти &далее\tF3"), ID_EDIT_REPEAT,
               QStringLiteral("Найти следующую такую строку"));
    AddCommand(edit, QStringLiteral("Найти &ранее\tShift+F3"), ID_EDIT_FIND_PREVIOUS,
               QStringLiteral("Найти предыдущую такую строку"));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&Вид"));
    AddCommand(view, QStringLiteral("&Toolbar"), ID_VIEW_TOOLBAR,
               QStringLiteral("Show or hide the toolbar"))
        ->setCheckable(true);
    AddCommand(view, QStringLiteral("&Status Bar"), ID_VIEW_STATUS_BAR,
               QStringLiteral("Show or hide the status bar"))
        ->setCheckable(true);
    m_menuActions[ID_VIEW_TOOLBAR]->setChecked(true);
    m_menuActions[ID_VIEW_STATUS_BAR]->setChecked(true);

    QMenu* settings = menuBar()->addMenu(QStringLiteral("&Настройки"));
    AddCommand(settings, QStringLiteral("Выбор устройства ..."), ID_DEVICE_SELECT);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("Инструменты"));
    AddCommand(tools, QStringLiteral("Программирование"), ID_PROGRAMMING);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Помощь"));
    AddCommand(help, QStringLiteral("&О программе..."), ID_APP_ABOUT,
               QStringLiteral("Display program information, version number and copyright"));
}

// The toolbar's buttons are its own actions: the menu's enabled states do not reach them, so
// the programming button stays usable whatever the device.
void CMainFrame::CreateToolBar() {
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("toolbar"));
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(16, 15));
    struct Button {
        int id;
        QStyle::StandardPixmap icon;
        const char* tip;
    };
    const Button buttons[] = {{ID_FILE_OPEN, QStyle::SP_DialogOpenButton, "Open"},
                              {ID_DEVICE_SELECT, QStyle::SP_ComputerIcon, "Выбор устройства"},
                              {ID_PROGRAMMING, QStyle::SP_DriveHDIcon, "Программирование"}};
    bool first = true;
    for (const Button& button : buttons) {
        if (!first) {
            m_toolBar->addSeparator();
        }
        first = false;
        QAction* action =
            m_toolBar->addAction(style()->standardIcon(button.icon), QString::fromUtf8(button.tip));
        action->setData(button.id);
        const int id = button.id;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        m_toolBarActions[id] = action;
        m_menuActions[id]->setIcon(action->icon());  // the menu shows the button's image
    }
}

void CMainFrame::CreateAccelerators() {
    m_accelerators = {
        {QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN},
        {QKeySequence(Qt::CTRL | Qt::Key_N), ID_FILE_NEW},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ID_FILE_SAVE},
        {QKeySequence(Qt::CTRL | Qt::Key_P), ID_FILE_PRINT},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), ID_EDIT_UNDO},
        {QKeySequence(Qt::ALT | Qt::Key_Backspace), ID_EDIT_UNDO},
        {QKeySequence(Qt::CTRL | Qt::Key_X), ID_EDIT_CUT},
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), ID_EDIT_CUT},
        {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE},
        {QKeySequence(Qt::SHIFT | Qt::Key_Insert), ID_EDIT_PASTE},
        {QKeySequence(Qt::Key_F6), ID_NEXT_PANE},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), ID_PREV_PANE},
        {QKeySequence(Qt::CTRL | Qt::Key_F), ID_EDIT_FIND},
        {QKeySequence(Qt::Key_F3), ID_EDIT_REPEAT},
        {QKeySequence(Qt::SHIFT | Qt::Key_F3), ID_EDIT_FIND_PREVIOUS},
    };
}

// A log that cannot be opened is said once, and the program runs on without it.
void CMainFrame::OpenLog() {
    const std::string logName = m_config.GetString("Main", "Log");
    m_logFile.SetMilliseconds(ReadLogMilliseconds(m_config));
    if (!logName.empty() && !m_logFile.Open(logName.c_str(), true)) {
        m_dialogs.ShowMessage(
            this, FromUtf8(CannotOpenLogText(m_logFile.GetPath(), m_logFile.GetErrorText())),
            kErrorCaption, MessageIcon::None);
    }
}

void CMainFrame::CreateViews() {
    m_verticalSplitter = new QSplitter(Qt::Horizontal, this);
    m_horizontalSplitter = new QSplitter(Qt::Vertical, m_verticalSplitter);
    m_trafficView = new CTavrinView(m_verticalSplitter);
    m_trafficView->SetMaxLines(ReadMaxListLines(m_config));
    m_treeView = new CTavrinTreeView(m_horizontalSplitter);
    m_definitionView = new CPacketHolderView(m_horizontalSplitter);
    // Resizing the window gives and takes room from the traffic list and the tree; the left
    // pane's width and the definition pane's height stay as set.
    m_verticalSplitter->setStretchFactor(0, 0);
    m_verticalSplitter->setStretchFactor(1, 1);
    m_horizontalSplitter->setStretchFactor(0, 1);
    m_horizontalSplitter->setStretchFactor(1, 0);
    m_verticalSplitter->setChildrenCollapsible(false);
    m_horizontalSplitter->setChildrenCollapsible(false);
    setCentralWidget(m_verticalSplitter);

    connect(m_trafficView, &CTavrinView::KeyTyped, this, &CMainFrame::SendPacketForCharacter);
    connect(m_trafficView, &CTavrinView::ResendRequested, this,
            [this](const CPacket* packet) { TransmitPacket(packet); });
    connect(m_treeView, &CTavrinTreeView::KeyTyped, this, &CMainFrame::SendPacketForCharacter);
    connect(m_treeView, &CTavrinTreeView::SendKeyRequested, this, &CMainFrame::SendPacketForKey);
    connect(m_treeView, &CTavrinTreeView::ShowDefinitionRequested, this,
            &CMainFrame::ShowDefinitionText);
    connect(m_treeView, &CTavrinTreeView::PacketFileSelected, this, &CMainFrame::SelectPacketFile);
    connect(m_treeView, &CTavrinTreeView::PacketFileRemoved, this, &CMainFrame::RemovePacketFile);
}

void CMainFrame::InitLayout() {
    const PaneSizes panes =
        LayoutPanes(m_verticalSplitter->width(), m_horizontalSplitter->height(), m_savedWindow);
    m_verticalSplitter->setSizes({panes.left, panes.right});
    m_horizontalSplitter->setSizes({panes.tree, panes.definition});
    m_laidOut = true;
}

void CMainFrame::CentreOnScreen() {
    QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
}

void CMainFrame::OpenConfiguredDevice() {
    const DeviceChoice choice = ChooseConfiguredDevice(m_config);
    // The framing holds for every unit opened later through the device dialog too, so it is
    // chosen whether or not the settings name a unit to open now.
    m_device->SetSingleFrameMode(choice.singleFrame);
    if (!choice.open) {
        return;
    }
    m_unitStatus.Configured(choice.typeIndex, choice.number);
    if (m_device->Open(static_cast<unsigned>(choice.typeIndex), choice.number)) {
        UpdateTitle();
    } else {
        m_dialogs.ShowMessage(this, QStringLiteral("Невозможно открыть устройство"), kErrorCaption,
                              MessageIcon::None);
    }
}

void CMainFrame::UpdateTitle() {
    const bool open = m_device->IsOpen();
    const int type = m_device->GetTypeIndex();
    m_menuActions[ID_PROGRAMMING]->setEnabled(IsProgrammingEnabled(open, type));
    setWindowTitle(FromUtf8(MakeTitle(open, type, m_device->GetNumber())));
    if (m_unitPane != nullptr) {
        UpdateUnitPanes();
    }
    // The news of a reconnection holds only until the unit changes again.
    if (!m_reconnectedText.isEmpty() && statusBar()->currentMessage() == m_reconnectedText) {
        statusBar()->showMessage(kReady);
    }
}

bool CMainFrame::TransmitPacket(const CPacket* packet) {
    if (!m_device->IsOpen()) {
        m_dialogs.ShowMessage(this, QStringLiteral("Выберите устройство"), kErrorCaption,
                              MessageIcon::Error);
        return false;
    }
    if (packet == nullptr) {
        return false;
    }
    return SendAndLog(*packet);
}

bool CMainFrame::SendAndLog(const CPacket& packet) {
    // The line goes in before the send, so it stays even when the send fails.
    m_trafficView->AddPacket(&packet, true);
    bool sent = false;
    {
        // The unit's answer may be received before the send returns; its lines wait until the
        // "SEND" line is written. The scope ends before the message box, which waits for the
        // user.
        CReceiveThread::CSendScope sending(*m_receiver);
        sent = m_device->SendPacket(&packet) != 0;
        if (sent) {
            ++m_sentTotal;
            WritePacketLog(m_logFile, true, packet);
        }
    }
    if (!sent) {
        m_dialogs.ShowMessage(this, QStringLiteral("Невозможно отправить пакет"), kErrorCaption,
                              MessageIcon::Error);
    }
    return sent;
}

ScriptEncoding CMainFrame::CurrentEncoding() const {
    CPacketTable* file = m_packetFiles.GetCurrent();
    return file != nullptr ? DetectScriptEncoding(*file) : ScriptEncoding::Windows1251;
}

// A character that can be no key in the current file (one Windows-1251 lacks, where keys are
// such bytes) is no key press at all: nothing is said.
bool CMainFrame::SendPacketForCharacter(char32_t character) {
    const std::optional<int> key = TypedKey(character, CurrentEncoding());
    return key && SendPacketForKey(*key);
}

// The device is not asked again after the parameters dialog: a unit gone meanwhile makes the
// send fail, which says so.
bool CMainFrame::SendPacketForKey(int key) {
    const char* problem = nullptr;
    CPacketHolder* definition = nullptr;
    CPacketTable* file = m_packetFiles.GetCurrent();
    if (!m_device->IsOpen()) {
        problem = "Выберите устройство";
    } else if (file == nullptr) {
        problem = "Нет пакетов для отправки";
    } else if ((definition = FindRecordByKey(*file, CurrentEncoding(), key)) == nullptr) {
        problem = "Не определен пакет для данной клавиши";
    }
    if (problem != nullptr) {
        m_dialogs.ShowMessage(this, QString::fromUtf8(problem), kErrorCaption, MessageIcon::Error);
        return false;
    }
    CPacket packet;
    if (!BuildPacketFromDefinition(&packet, definition)) {
        return false;
    }
    return SendAndLog(packet);
}

// The dialog offers the values last given for the record and lets OK through only with values
// that are whole bytes; what it was given is offered again on the record's next send.
bool CMainFrame::BuildPacketFromDefinition(CPacket* packet, CPacketHolder* definition) {
    if (packet == nullptr || definition == nullptr) {
        return false;
    }
    std::vector<PacketParameter> parameters;
    const std::string text = ExtractParameters(definition->GetText(), parameters);
    if (!parameters.empty()) {
        m_parameterMemory.Recall(definition, parameters);
        CParametersDlg dialog(parameters, CurrentEncoding(), m_dialogs,
                              QApplication::activeWindow());
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        m_parameterMemory.Remember(definition, parameters);
    }
    if (FindBadParameter(parameters) >= 0 ||
        !PacketFromWholeHexText(SpliceCheckedParameters(text, parameters), packet)) {
        m_dialogs.ShowMessage(this, QStringLiteral("Неверный формат пакета"), kErrorCaption,
                              MessageIcon::Error);
        return false;
    }
    return true;
}

void CMainFrame::LoadPacketFile(const QString& path) {
    CPacketTable* file = nullptr;
    switch (m_packetFiles.Load(QFile::encodeName(path).toStdString(), &file)) {
        case CPacketFileList::LoadResult::CannotLoad:
            m_dialogs.ShowMessage(this, QStringLiteral("Невозможно загрузить файл с пакетами"),
                                  kErrorCaption, MessageIcon::None);
            break;
        case CPacketFileList::LoadResult::AlreadyLoaded:
            m_dialogs.ShowMessage(this, QStringLiteral("Такой файл уже загружен"), kErrorCaption,
                                  MessageIcon::None);
            break;
        case CPacketFileList::LoadResult::Loaded:
            m_treeView->AddPacketFile(file);
            break;
    }
}

void CMainFrame::SelectPacketFile(CPacketTable* file) {
    m_packetFiles.Select(file);
}

void CMainFrame::RemovePacketFile(CPacketTable* file) {
    if (file != nullptr && m_packetFiles.Contains(file)) {
        m_parameterMemory.Forget(*file);
    }
    m_packetFiles.Remove(file);
}

// The tree's nodes go first: they refer to the files.
void CMainFrame::ClearPacketFiles() {
    m_treeView->clear();
    m_parameterMemory.Clear();
    m_packetFiles.Clear();
}

void CMainFrame::ShowDefinitionText(const QString& text) {
    m_definitionView->ShowDefinitionText(text);
}

// Receive thread: the line waits in the list's pending batch; nothing here waits for us.
void CMainFrame::PacketReceived(const CPacket& packet) {
    m_trafficView->AddPacket(&packet, false);
}

// Receive thread: the message is posted, so the thread goes on and shut-down never waits for a
// box the user has not closed yet.
void CMainFrame::DeviceLost() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_dialogs.ShowMessage(this, QStringLiteral("Устройство отключено!!!"),
                                  QStringLiteral("Внимание"), MessageIcon::None);
            if (m_receiver) {
                m_receiver->DeviceLostShown();
            }
        },
        Qt::QueuedConnection);
}

// Receive thread: every loss, also while the message about an earlier one is still up.
void CMainFrame::UnitLost() {
    QMetaObject::invokeMethod(
        this, [this] { OnUnitLost(); }, Qt::QueuedConnection);
}

void CMainFrame::OnUnitLost() {
    UpdateTitle();
    int type = -1;
    int number = -1;
    if (!m_device->IsOpen() && m_device->GetLostUnit(&type, &number)) {
        WatchForUnit(type, number);
    }
}

void CMainFrame::WatchForUnit(int typeIndex, int number) {
    m_reconnect->Watch(typeIndex, number);
    m_reconnectTimer->start();
}

void CMainFrame::StopWatchingForUnit() {
    m_reconnect->Stop();
    m_reconnectTimer->stop();
}

void CMainFrame::TryReconnect() {
    if (m_choosingUnit) {
        return;
    }
    const bool reopened = m_reconnect->Tick();
    if (!m_reconnect->IsWatching()) {
        m_reconnectTimer->stop();
    }
    if (reopened) {
        UpdateTitle();
        m_reconnectedText =
            FromUtf8(ReconnectedText(m_reconnect->GetTypeIndex(), m_reconnect->GetNumber()));
        statusBar()->showMessage(m_reconnectedText);
    }
}

void CMainFrame::StopReceiving() {
    if (m_receiver) {
        m_receiver->Stop();
    }
}

void CMainFrame::OnCommand(int id) {
    switch (id) {
        case ID_FILE_OPEN:
            OnOpenPacketFile();
            break;
        case ID_APP_EXIT:
            OnExit();
            break;
        case ID_CAPTURE_OPEN:
            OnOpenCapture();
            break;
        case ID_CAPTURE_SAVE:
            CCaptureFrame::SaveList(*this, m_dialogs, *m_trafficView);
            break;
        case ID_VIEW_TOOLBAR:
            ToggleToolBar();
            break;
        case ID_VIEW_STATUS_BAR:
            ToggleStatusBar();
            break;
        case ID_DEVICE_SELECT:
            OnDeviceSelect();
            break;
        case ID_APP_ABOUT:
            OnAbout();
            break;
        case ID_PROGRAMMING:
            OnProgramming();
            break;
        case ID_EDIT_FIND:
            OnFind();
            break;
        case ID_EDIT_REPEAT:
            FindAgain(true);
            break;
        case ID_EDIT_FIND_PREVIOUS:
            FindAgain(false);
            break;
        case ID_FILE_NEW:  // reaches a handler that does nothing
        default:
            break;
    }
}

void CMainFrame::OnDeviceSelect() {
    CDeviceListDlg dialog(*m_device, m_dialogs, m_deviceDirectory, QApplication::activeWindow());
    // The user's choice ends the watch for a lost unit; a unit lost after it is watched.
    connect(&dialog, &CDeviceListDlg::UnitChosen, this, [this] {
        StopWatchingForUnit();
        UpdateUnitPanes();  // each choice is an opening of its own, however quick the next
    });
    m_choosingUnit = true;
    dialog.exec();
    m_choosingUnit = false;
    UpdateTitle();
    const bool open = m_device->IsOpen();
    const std::string type = open ? std::to_string(m_device->GetTypeIndex()) : "-1";
    const std::string number = open ? std::to_string(m_device->GetNumber()) : "-1";
    m_config.SetValue("Main", "DeviceType", type.c_str());
    m_config.SetValue("Main", "DeviceNumber", number.c_str());
    m_config.Save();
}

// The [Programming] choices go back to the settings however the dialog closes.
void CMainFrame::OnProgramming() {
    const int type = m_device->GetTypeIndex();
    const int number = m_device->GetNumber();
    CProgrammingDlg dialog(*m_device, m_dialogs, ReadProgrammingOptions(m_config),
                           QApplication::activeWindow());
    dialog.exec();
    // A unit that the run closed and could not open again (one restarting on new firmware may
    // take a moment) is watched for as one that went away.
    if (type >= 0 && !m_device->IsOpen()) {
        WatchForUnit(type, number);
    }
    UpdateTitle();
    WriteProgrammingOptions(m_config, dialog.GetOptions());
    m_config.Save();
}

void CMainFrame::OnOpenPacketFile() {
    const QString path = m_dialogs.GetOpenFileName(
        QApplication::activeWindow(),
        QStringLiteral("Файлы с пакетами(*.kad) (*.kad);;All Files(*.*) (*)"));
    if (!path.isEmpty()) {
        LoadPacketFile(path);
    }
}

void CMainFrame::OnOpenCapture() {
    const QString path = m_dialogs.GetOpenFileName(
        QApplication::activeWindow(),
        QStringLiteral("Захваты и журналы (*.pcap *.log) (*.pcap *.log);;All Files(*.*) (*)"));
    if (!path.isEmpty()) {
        CCaptureFrame::Open(this, m_dialogs, path);
    }
}

void CMainFrame::OnAbout() {
    CAboutDlg dialog(QApplication::activeWindow());
    dialog.exec();
}

void CMainFrame::OnFind() {
    m_find.Find(*m_trafficView, statusBar(), kReady);
}

void CMainFrame::FindAgain(bool forward) {
    m_find.FindAgain(*m_trafficView, statusBar(), kReady, forward);
}

void CMainFrame::OnExit() {
    ClearPacketFiles();
    StopReceiving();
    close();
}

void CMainFrame::ToggleToolBar() {
    m_toolBarVisible = !m_toolBarVisible;
    m_toolBar->setVisible(m_toolBarVisible);
    m_menuActions[ID_VIEW_TOOLBAR]->setChecked(m_toolBarVisible);
}

void CMainFrame::ToggleStatusBar() {
    const bool show = statusBar()->isHidden();
    statusBar()->setVisible(show);
    m_menuActions[ID_VIEW_STATUS_BAR]->setChecked(show);
}

QAction* CMainFrame::GetMenuAction(int id) const {
    auto found = m_menuActions.find(id);
    return found != m_menuActions.end() ? found->second : nullptr;
}

QAction* CMainFrame::GetToolBarAction(int id) const {
    auto found = m_toolBarActions.find(id);
    return found != m_toolBarActions.end() ? found->second : nullptr;
}

// Qt's own menu of bars (a right click on the toolbar) would hide the toolbar behind the back
// of "&Toolbar", whose check mark would then be wrong; the menu item is the one way.
QMenu* CMainFrame::createPopupMenu() {
    return nullptr;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    for (CCaptureFrame* capture : findChildren<CCaptureFrame*>(Qt::FindDirectChildrenOnly)) {
        capture->close();
    }
    StopReceiving();
    SaveWindowState();
    event->accept();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QMainWindow::eventFilter(watched, event);
    }
    // The table's keys belong to this window: the packet window (where Ctrl+O, Ctrl+D ... are
    // its own), a modal dialog and an open menu keep theirs (a dialog only just opened may not
    // be the active window yet).
    if (!watched->isWidgetType() || QApplication::activeWindow() != this ||
        QApplication::activeModalWidget() != nullptr ||
        QApplication::activePopupWidget() != nullptr) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(key->keyCombination());
    for (const auto& [sequence, id] : m_accelerators) {
        if (sequence == pressed) {
            OnCommand(id);
            return true;
        }
    }
    return false;
}
