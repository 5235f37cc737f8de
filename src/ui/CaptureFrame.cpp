#include "ui/CaptureFrame.h"

#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <new>

#include "capture/ListCapture.h"
#include "ui/CommandIds.h"
#include "ui/TavrinView.h"
#include "ui/UserDialogs.h"

namespace {

const QString kErrorCaption = QStringLiteral("Ошибка");

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The file's lines, or what is wrong with it.
bool ReadLines(const QString& path, TrafficFile* file, CTrafficStore* lines, std::string* error) {
    try {
        if (!ReadTrafficFile(QFile::encodeName(path).toStdString(), file, error)) {
            return false;
        }
        if (FillTrafficStore(file->records, lines)) {
            file->records.clear();
            return true;
        }
    } catch (const std::bad_alloc&) {
    }
    *error = "недостаточно памяти для всех пакетов файла";
    return false;
}

}  // namespace

CCaptureFrame::CCaptureFrame(QWidget* owner, CUserDialogs& dialogs)
    : QMainWindow(owner, Qt::Window),
      m_dialogs(dialogs),
      m_view(new CTavrinView(this)),
      m_cutPane(new QLabel(this)),
      m_find(dialogs) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("captureWindow"));
    m_view->SetReadOnly(true);
    setCentralWidget(m_view);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&Файл"));
    AddCommand(file, QStringLiteral("Сохранить список как захват..."), ID_CAPTURE_SAVE, {});
    file->addSeparator();
    AddCommand(file, QStringLiteral("&Закрыть"), ID_FILE_CLOSE, QKeySequence::Close);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("П&равка"));
    AddCommand(edit, QStringLiteral("&Найти...\tCtrl+F"), ID_EDIT_FIND,
               QKeySequence(Qt::CTRL | Qt::Key_F));
    AddCommand(edit, QStringLiteral("Найти &далее\tF3"), ID_EDIT_REPEAT, QKeySequence(Qt::Key_F3));
    AddCommand(edit, QStringLiteral("Найти &ранее\tShift+F3"), ID_EDIT_FIND_PREVIOUS,
               QKeySequence(Qt::SHIFT | Qt::Key_F3));

    m_cutPane->setAccessibleName(QStringLiteral("Файл обрезан"));
    m_cutPane->hide();
    statusBar()->addPermanentWidget(m_cutPane);
    resize(kWidth, kHeight);
}

void CCaptureFrame::AddCommand(QMenu* menu, const QString& text, int id, const QKeySequence& keys) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions[id] = action;
}

QAction* CCaptureFrame::GetMenuAction(int id) const {
    auto found = m_actions.find(id);
    return found != m_actions.end() ? found->second : nullptr;
}

void CCaptureFrame::OnCommand(int id) {
    switch (id) {
        case ID_CAPTURE_SAVE:
            SaveList(*this, m_dialogs, *m_view);
            break;
        case ID_FILE_CLOSE:
            close();
            break;
        case ID_EDIT_FIND:
            m_find.Find(*m_view, statusBar(), QString());
            break;
        case ID_EDIT_REPEAT:
        case ID_EDIT_FIND_PREVIOUS:
            m_find.FindAgain(*m_view, statusBar(), QString(), id == ID_EDIT_REPEAT);
            break;
        default:
            break;
    }
}

CCaptureFrame* CCaptureFrame::Open(QWidget* owner, CUserDialogs& dialogs, const QString& path) {
    TrafficFile file;
    CTrafficStore lines;
    std::string error;
    if (!ReadLines(path, &file, &lines, &error)) {
        dialogs.ShowMessage(owner, path + QStringLiteral(": ") + FromUtf8(error), kErrorCaption,
                            MessageIcon::Error);
        return nullptr;
    }
    auto* frame = new CCaptureFrame(owner, dialogs);
    frame->setWindowTitle(FromUtf8(TrafficFileCaption(file.kind, path.toStdString())));
    frame->m_view->GetModel()->LoadLines(std::move(lines), ClockOf(file));
    frame->show();
    if (!file.cutShort.empty()) {
        const QString cut = FromUtf8(file.cutShort);
        frame->m_cutPane->setText(cut);
        frame->m_cutPane->show();
        dialogs.ShowMessage(frame, path + QStringLiteral(": ") + cut, QStringLiteral("Внимание"),
                            MessageIcon::Warning);
    }
    return frame;
}

void CCaptureFrame::SaveList(QMainWindow& window, CUserDialogs& dialogs, CTavrinView& view) {
    const QString path = dialogs.GetSaveFileName(
        &window, QStringLiteral("Захват (*.pcap) (*.pcap);;All Files(*.*) (*)"),
        QStringLiteral("pcap"));
    if (path.isEmpty()) {
        return;
    }
    CTrafficModel& model = *view.GetModel();
    model.Flush();  // every line received up to now
    std::string error;
    if (!SaveLinesAsCapture(model.GetLines(), model.GetClock(),
                            QFile::encodeName(path).toStdString(), &error)) {
        dialogs.ShowMessage(&window, FromUtf8(error), kErrorCaption, MessageIcon::Error);
        return;
    }
    window.statusBar()->showMessage(
        FromUtf8(CaptureSavedText(path.toStdString(), model.GetLines().GetCount())));
}
