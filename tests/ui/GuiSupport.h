#pragma once
// What the GUI tests share: a recorder in place of the message boxes, waiting for the event
// loop, and a main window started in a scratch directory beside an in-process simulator.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QString>
#include <QThread>
#include <QWidget>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "ui/MainFrame.h"
#include "ui/UserDialogs.h"
#include "packet/Packet.h"
#include "sim/Simulator.h"
#include "support/TempFiles.h"

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
    QString GetOpenFileName(QWidget*, const QString& filter) override {
        fileFilters.push_back(filter);
        return chosenFile;
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
    QString chosenFile;  // what the open-file dialog answers; empty: cancelled
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
    void Start(const Settings& main) {
        std::string ini = "[Main]\r\n";
        for (const auto& [key, value] : main) {
            ini += key + "=" + value + "\r\n";
        }
        ini += "\r\n[Driver]\r\nDirectory=" + UnitDirectory() + "\r\n";
        m_dir.Write("Tavrin.ini", ini);
        m_frame = std::make_unique<CMainFrame>(dialogs);
        m_frame->show();
        QApplication::processEvents();
    }
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
