// The capture window on what `tavrin-cli monitor --pcap` wrote: the same lines as the traffic
// list, saved again byte for byte; a damaged file refused with its record named; nothing typed
// in the window sent.

#ifdef CLI_PATH

#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTreeWidget>
#include <cstdio>

#include "GuiSupport.h"
#include "support/ChildProcess.h"
#include "ui/CaptureFrame.h"
#include "ui/CommandIds.h"
#include "ui/TavrinTreeView.h"
#include "ui/TavrinView.h"

namespace {

constexpr int kPackets = 1000;

std::vector<unsigned char> Payload(int i) {
    return std::vector<unsigned char>(static_cast<std::size_t>(i * 7 % 61),
                                      static_cast<unsigned char>(i));
}
unsigned char Command(int i) {
    return static_cast<unsigned char>(1 + i % 250);
}

// The list's data column, made here by hand: length + 2, command, payload, in hex.
QString DataText(int i) {
    const std::vector<unsigned char> payload = Payload(i);
    char field[8];
    std::snprintf(field, sizeof field, "%02X:%02X", static_cast<int>(payload.size() + 2) & 0xFF,
                  Command(i));
    QString text = QString::fromLatin1(field);
    for (unsigned char byte : payload) {
        std::snprintf(field, sizeof field, ":%02X", byte);
        text += QString::fromLatin1(field);
    }
    return text;
}

// The main window on USB 0; tavrin-cli monitors USB 1 of the same simulator.
class CaptureWindow : public ::testing::Test {
protected:
    void SetUp() override {
        fixture.AddUnits({{0, 0}, {0, 1}});
        fixture.Start(Unit(0, 0));
        ASSERT_TRUE(Frame().GetDevice().IsOpen());
    }
    CMainFrame& Frame() { return fixture.Frame(); }

    // kPackets packets from USB 1, as monitor captures them; its lines go to a file, which
    // never keeps it waiting as an unread pipe would.
    std::string Monitor() {
        const std::string pcap = fixture.Dir().File("monitor.pcap");
        const std::string command = std::string("exec ") + CLI_PATH + " --dir " +
                                    fixture.UnitDirectory() + " monitor USB1 --count " +
                                    std::to_string(kPackets) + " --pcap " + pcap + " >" + pcap +
                                    ".txt";
        CChildProcess monitor({"/bin/sh", "-c", command}, fixture.Dir().Path().string());
        EXPECT_TRUE(fixture.Simulator().WaitOpen(0, 1, true, 5000));
        for (int i = 0; i < kPackets; ++i) {
            const std::vector<unsigned char> payload = Payload(i);
            EXPECT_TRUE(fixture.Simulator().SendPacket(0, 1, Command(i), payload.data(),
                                                       static_cast<int>(payload.size())));
        }
        EXPECT_EQ(monitor.Wait(20000), 0) << monitor.Err();
        return pcap;
    }
    // The capture windows open now.
    QList<CCaptureFrame*> Windows() {
        return Frame().findChildren<CCaptureFrame*>(Qt::FindDirectChildrenOnly);
    }
    CCaptureFrame* Open(const std::string& path) {
        fixture.dialogs.openFileAnswers.push_back(QString::fromStdString(path));
        const qsizetype before = Windows().size();
        Frame().OnCommand(ID_CAPTURE_OPEN);
        return Windows().size() > before ? Windows().back() : nullptr;
    }

    MainFrameFixture fixture;
};

}  // namespace

TEST_F(CaptureWindow, OpensSavesBackByteForByteRefusesDamageAndSendsNothing) {
    const std::string pcap = Monitor();
    CCaptureFrame* window = Open(pcap);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Захват - monitor.pcap");
    CTrafficModel& model = *window->GetTrafficView()->GetModel();
    ASSERT_EQ(model.rowCount(), kPackets);
    for (int i = 0; i < kPackets; ++i) {
        ASSERT_EQ(model.index(i, 2).data().toString(), DataText(i)) << i;
    }
    EXPECT_TRUE(window->GetCutPane()->isHidden());

    const std::string saved = fixture.Dir().File("saved.pcap");
    fixture.dialogs.savedFile = QString::fromStdString(saved);
    window->GetMenuAction(ID_CAPTURE_SAVE)->trigger();
    EXPECT_EQ(ReadBytes(saved), ReadBytes(pcap));
    EXPECT_EQ(window->statusBar()->currentMessage(),
              QString::fromStdString("Захват сохранён: " + saved + " (пакетов: 1000)"));

    // Typed in the window, a key the main window would send goes nowhere; the list offers no
    // sending either.
    fixture.dialogs.openFileAnswers.push_back(
        QString::fromStdString(fixture.Dir().Write("a.kad", "$1 0A")));
    Frame().OnCommand(ID_FILE_OPEN);
    Frame().GetTreeView()->setCurrentItem(Frame().GetTreeView()->topLevelItem(0)->child(0));
    TypeCharacter(window->GetTrafficView(), '1');
    std::unique_ptr<QMenu> menu(window->GetTrafficView()->CreateContextMenu(nullptr));
    EXPECT_EQ(FindAction(menu.get(), ID_PACKET_RESEND), nullptr);
    RunEvents(100);
    EXPECT_EQ(Frame().GetTrafficView()->GetModel()->rowCount(), 0);
    TypeCharacter(Frame().GetTrafficView(), '1');  // the same key in the main window is sent
    EXPECT_TRUE(WaitUntil([&] { return Frame().GetTrafficView()->GetModel()->rowCount() == 1; }));
    EXPECT_TRUE(fixture.dialogs.messages.empty());

    // The third record's direction byte spoilt: refused, no window.
    std::string damaged = ReadBytes(pcap);
    std::size_t at = 24;
    for (int i = 0; i < 2; ++i) {
        at += 16 + static_cast<unsigned char>(damaged[at + 8]);
    }
    damaged[at + 16] = 7;
    const std::string bad = fixture.Dir().Write("bad.pcap", damaged);
    EXPECT_EQ(Open(bad), nullptr);
    ASSERT_EQ(fixture.dialogs.messages.size(), 1u);
    EXPECT_EQ(fixture.dialogs.messages[0].text,
              QString::fromStdString(bad + ": Запись 3: неизвестное направление 7 (0 — принят, "
                                           "1 — отправлен)"));
}

#endif  // CLI_PATH
