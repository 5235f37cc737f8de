#pragma once
// What the GUI tests share: a recorder in place of the message boxes, waiting for the event
// loop, and a main window started in a scratch directory beside an in-process simulator.

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QString>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "packet/Packet.h"
#include "sim/Simulator.h"
#include "support/TempFiles.h"
#include "ui/MainFrame.h"
#include "ui/UserDialogs.h"

// Failures show the text, not the bytes of the object.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

struct ShownMessage {
    QString text;
    QString caption;
    MessageIcon icon;
};

class CRecordingDialogs : public CUserDialogs {
public:
    void ShowMessage(QWidget*, const QString& text, const QString& caption,
                     MessageIcon icon) override {
        messages.push_back({text, caption, icon});
    }
    // Answers with the next of openFileAnswers while there are any, then with chosenFile.
    QString GetOpenFileName(QWidget*, const QString& filter) override {
        fileFilters.push_back(filter);
        if (openFileAnswers.empty()) {
            return chosenFile;
        }
        QString answer = openFileAnswers.front();
        openFileAnswers.erase(openFileAnswers.begin());
        return answer;
    }
    // Answers with savedFile.
    QString GetSaveFileName(QWidget*, const QString& filter, const QString&) override {
        saveFilters.push_back(filter);
        return savedFile;
    }
    int Count(const QString& text) const {
        int count = 0;
        for (const ShownMessage& message : messages) {
            count += message.text == text ? 1 : 0;
        }
        return count;
    }
    // The same, counting only boxes with this caption and icon too.
    int Count(const QString& text, const QString& caption, MessageIcon icon) const {
        int count = 0;
        for (const ShownMessage& message : messages) {
            count += message.text == text && message.caption == caption && message.icon == icon;
        }
        return count;
    }

    std::vector<ShownMessage> messages;
    std::vector<QString> fileFilters;
    QString chosenFile;                    // what the open-file dialog answers; empty: cancelled
    std::vector<QString> openFileAnswers;  // answered first, one per dialog
    std::vector<QString> saveFilters;
    QString savedFile;  // what the save-file dialog answers; empty: cancelled
};

// Runs the event loop until the condition holds or the time is up.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

inline void RunEvents(int ms) {
    WaitUntil([] { return false; }, ms);
}

// Makes a window the active one, as a click on it would, once it is on the screen, so that its
// keys reach it.
inline bool Activate(QWidget* window) {
    if (!QTest::qWaitForWindowExposed(window)) {
        return false;
    }
    window->activateWindow();
    return WaitUntil([window] { return QApplication::activeWindow() == window; });
}

// A character as the keyboard layout delivers it (QTest knows only ASCII keys).
inline void TypeCharacter(QWidget* target, QChar character) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(character));
    QApplication::sendEvent(target, &release);
}

// Runs the action inside the next modal dialog's own event loop, once it is up and active (so
// keys sent to the focus widget reach the dialog); the action ends the dialog. The timer goes with
// the returned object, so a dialog that never comes leaves nothing behind.
inline std::unique_ptr<QTimer> OnNextModal(std::function<void(QDialog*)> action) {
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(5);
    QTimer* raw = timer.get();
    QObject::connect(raw, &QTimer::timeout, [raw, action] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr && dialog->isVisible() && QApplication::activeWindow() == dialog) {
            raw->stop();
            action(dialog);
        }
    });
    timer->start();
    return timer;
}

inline std::unique_ptr<CPacket> MakePacket(unsigned char command,
                                           std::vector<unsigned char> payload = {}) {
    auto packet = std::make_unique<CPacket>();
    packet->SetPacket(command, payload.data(), static_cast<int>(payload.size()));
    return packet;
}

// The item of a menu or toolbar that runs this command id.
inline QAction* FindAction(const QWidget* owner, int id) {
    for (QAction* action : owner->actions()) {
        if (!action->isSeparator() && action->data().toInt() == id) {
            return action;
        }
    }
    return nullptr;
}

// Settings file lines for [Main]: key -> value; the [Driver] directory is added for the
// simulator's units.
using Settings = std::vector<std::pair<std::string, std::string>>;

inline Settings Unit(int type, int number) {
    return {{"DeviceType", std::to_string(type)}, {"DeviceNumber", std::to_string(number)}};
}

// The settings file, the log and the simulator's units share one scratch directory, which is
// the current directory while the window lives.
class MainFrameFixture {
public:
    MainFrameFixture() : m_scope(m_dir.Path()), m_simulator(m_dir.Path().string()) {
        m_simulator.SetEcho(false);
    }

    // Units are made before the window starts, so the configured one can open.
    void AddUnits(std::initializer_list<std::pair<int, int>> units) {
        for (const auto& [type, number] : units) {
            m_simulator.AddUnit(type, number);
        }
    }
    // more: lines put after the [Driver] section.
    void Start(const Settings& main, const std::string& more = "") {
        std::string ini = "[Main]\r\n";
        for (const auto& [key, value] : main) {
            ini += key + "=" + value + "\r\n";
        }
        ini += "\r\n[Driver]\r\nDirectory=" + UnitDirectory() + "\r\n" + more;
        m_dir.Write("Tavrin.ini", ini);
        Restart();
    }
    // A new window on the settings file as it is now; the old window goes first.
    void Restart() {
        m_frame.reset();
        m_frame = std::make_unique<CMainFrame>(dialogs);
        m_frame->show();
        QApplication::processEvents();
    }
    // The window on the simulator's USB 0, writing its log to LogPath().
    void StartOnUsb0WithLog() {
        AddUnits({{0, 0}});
        Settings settings = Unit(0, 0);
        settings.push_back({"Log", LogPath()});
        Start(settings);
    }
    std::string LogPath() const { return m_dir.File("traffic.log"); }
    vxsim::Simulator& Simulator() { return m_simulator; }
    std::string UnitDirectory() const { return m_dir.Path().string(); }
    CMainFrame& Frame() { return *m_frame; }
    void DestroyFrame() { m_frame.reset(); }
    const TempDir& Dir() const { return m_dir; }

    CRecordingDialogs dialogs;

private:
    TempDir m_dir;
    CurrentDirectoryScope m_scope;
    vxsim::Simulator m_simulator;
    std::unique_ptr<CMainFrame> m_frame;
};
