#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <map>

#include "GuiSupport.h"
#include "device/VXDevice.h"
#include "packet/PacketTable.h"
#include "support/PacketBytes.h"
#include "ui/CommandIds.h"
#include "ui/PacketHolderView.h"
#include "ui/ParametersDlg.h"
#include "ui/PropertyListCtrl.h"
#include "ui/TavrinTreeView.h"
#include "ui/TavrinView.h"

namespace {

const QString kError = QStringLiteral("Ошибка");
const std::string kAddress = "\xc0\xe4\xf0\xe5\xf1";            // "Адрес" in Windows-1251
const std::string kValue = "\xc7\xed\xe0\xf7\xe5\xed\xe8\xe5";  // "Значение"

// A window on USB 0 of the simulator (single framing, echo off) writing a log, and packet
// files written into its scratch folder and opened through the open-file command.
class PacketViews : public ::testing::Test {
protected:
    void SetUp() override {
        fixture.StartOnUsb0WithLog();
        ASSERT_TRUE(Frame().GetDevice().IsOpen());
        Frame().activateWindow();
    }
    CMainFrame& Frame() { return fixture.Frame(); }
    CTavrinTreeView& Tree() { return *Frame().GetTreeView(); }
    CPacketHolderView& Definition() { return *Frame().GetDefinitionView(); }
    std::string LogPath() const { return fixture.LogPath(); }
    int Lines() { return Frame().GetTrafficView()->GetModel()->rowCount(); }

    std::string Write(const std::string& relative, const std::string& bytes) {
        std::filesystem::create_directories(
            (fixture.Dir().Path() / "kad" / relative).parent_path());
        return fixture.Dir().Write("kad/" + relative, bytes);
    }
    void Open(const std::string& path) {
        fixture.dialogs.openFileAnswers.push_back(QString::fromStdString(path));
        Frame().OnCommand(ID_FILE_OPEN);
    }
    QTreeWidgetItem* Node(int file, int definition = -1) {
        QTreeWidgetItem* node = Tree().topLevelItem(file);
        return definition < 0 || node == nullptr ? node : node->child(definition);
    }
    void Select(QTreeWidgetItem* node) {
        ASSERT_NE(node, nullptr);
        Tree().setCurrentItem(node);
    }
    void Remove(QTreeWidgetItem* fileNode) {
        std::unique_ptr<QMenu> menu(Tree().CreateContextMenu(fileNode, nullptr));
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->actions().size(), 1);
        EXPECT_EQ(menu->actions()[0]->text(), "Удалить");
        FindAction(menu.get(), ID_PACKET_FILE_REMOVE)->trigger();
    }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Tree().setFocus();
        QTest::keyClick(&Tree(), key, modifiers);
    }
    void Type(QChar character) {
        Tree().setFocus();
        TypeCharacter(&Tree(), character);
    }
    // Packets the unit got, command first, in hexadecimal (single framing: byte 0 counts
    // itself, the command and the payload).
    std::vector<std::string> Sent() {
        std::vector<std::string> packets;
        for (const auto& frame : fixture.Simulator().GetFrames(0, 0)) {
            packets.push_back(HexOf(frame.data() + 1, frame[0] - 1u));
        }
        return packets;
    }
    bool WaitSent(std::size_t count) { return fixture.Simulator().WaitFrames(0, 0, count, 2000); }
    int Shown(const char* text, MessageIcon icon = MessageIcon::Error) {
        return fixture.dialogs.Count(QString::fromUtf8(text), kError, icon);
    }
    // In the parameters dialog: a click on a row's value, and the values the rows show.
    static void ClickRow(CPropertyListCtrl& list, int row) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                          list.RowRect(row).center());
        RunEvents(20);
    }
    static QStringList Values(const CPropertyListCtrl& list) {
        QStringList values;
        for (int row = 0; row < list.GetCount(); ++row) {
            QString value;
            list.GetItem(row)->ValueText(value);
            values << value;
        }
        return values;
    }

    MainFrameFixture fixture;
};

// Every example loads, each a file node with its definitions, labelled in Russian.
TEST_F(PacketViews, LoadsEveryExampleFile) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(SourcePath("examples"))) {
        if (entry.path().extension() == ".kad") {
            names.push_back(entry.path().filename().string());
            Open(entry.path().string());
        }
    }
    ASSERT_GE(names.size(), 3u);
    EXPECT_TRUE(fixture.dialogs.messages.empty());
    ASSERT_EQ(Tree().topLevelItemCount(), static_cast<int>(names.size()));
    QStringList labels;
    for (int i = 0; i < Tree().topLevelItemCount(); ++i) {
        EXPECT_EQ(Node(i)->text(0).toStdString(), names[static_cast<std::size_t>(i)]);
        CPacketTable* file = CTavrinTreeView::FileOf(Node(i));
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(Node(i)->childCount(), file->GetCount());
        EXPECT_GT(file->GetCount(), 0);
        for (int k = 0; k < Node(i)->childCount(); ++k) {
            labels << Node(i, k)->text(0);
        }
    }
    EXPECT_TRUE(labels.contains("< r > - 10&Адрес&04")) << labels.join("|").toStdString();
    EXPECT_TRUE(labels.contains("< w > - 11&Адрес&&Значение&"));
    EXPECT_EQ(Frame().GetPacketFiles().GetCurrent(), nullptr);  // loading selects nothing
    EXPECT_EQ(Tree().selectedItems().size(), 0);
}

TEST_F(PacketViews, NamesAreUniqueByteForByte) {
    Open(Write("one/p.kad", "$1 01"));
    Open(Write("two/p.kad", "$1 02"));
    EXPECT_EQ(Shown("Такой файл уже загружен", MessageIcon::None), 1);
    Open(Write("two/P.kad", "$1 03"));
    Open(fixture.Dir().File("kad/missing.kad"));
    EXPECT_EQ(Shown("Невозможно загрузить файл с пакетами", MessageIcon::None), 1);
    fixture.dialogs.openFileAnswers.clear();
    Frame().OnCommand(ID_FILE_OPEN);  // cancelled: nothing
    EXPECT_EQ(fixture.dialogs.messages.size(), 2u);
    ASSERT_EQ(Tree().topLevelItemCount(), 2);
    EXPECT_EQ(Node(0)->text(0), "p.kad");
    EXPECT_EQ(Node(1)->text(0), "P.kad");
    EXPECT_EQ(Frame().GetPacketFiles().GetCount(), 2);
}

// Before any node is selected there is no current file, focus in the tree or not; with one,
// a key it does not define says so. Without a unit keys and sends ask for one. None adds a line.
TEST_F(PacketViews, KeysWithoutAFileADefinitionOrAUnit) {
    Open(Write("a.kad", "$1 01"));
    Frame().GetTrafficView()->setFocus();
    TypeCharacter(Frame().GetTrafficView(), '1');
    EXPECT_EQ(Shown("Нет пакетов для отправки"), 1);
    Select(Node(0));
    Type('2');
    EXPECT_EQ(Shown("Не определен пакет для данной клавиши"), 1);
    Frame().GetDevice().Close();
    Type('1');
    EXPECT_FALSE(Frame().TransmitPacket(MakePacket(0x01).get()));
    EXPECT_EQ(Shown("Выберите устройство"), 2);
    EXPECT_EQ(fixture.dialogs.messages.size(), 4u);
    EXPECT_EQ(Lines(), 0);
}

// A definition without parameters goes at once: a sent line and the frame (its text and log
// line are the traffic tests'). Typed in the traffic list it goes the same way.
TEST_F(PacketViews, SendsADefinitionWithoutParameters) {
    Open(Write("a.kad", "$1 0A 01 02 ; three bytes\r\n$2 0B"));
    Select(Node(0, 1));
    Type('1');
    ASSERT_TRUE(WaitSent(1));
    EXPECT_EQ(Sent(), std::vector<std::string>{"0A0102"});
    ASSERT_EQ(Lines(), 1);

    Frame().GetTrafficView()->setFocus();
    TypeCharacter(Frame().GetTrafficView(), '2');
    ASSERT_TRUE(WaitSent(2));
    EXPECT_EQ(Sent().back(), "0B");
    EXPECT_TRUE(fixture.dialogs.messages.empty());
}

// Tab (Shift+Tab too), Enter, Escape and Backspace are keys like the characters, and so are the
// tree's own expand and search keys; Delete, arrows, F2 and Alt combinations send nothing.
TEST_F(PacketViews, WhichKeysTheTreeSends) {
    Open(Write("keys.kad",
               "$\t 09\r\n$\r 0D\r\n$\x1b 1B\r\n$\b 08\r\n$  20\r\n$+ 2B\r\n$* 2A"
               "\r\n$a 61\r\n$\x7f 7F"));
    Select(Node(0));
    Press(Qt::Key_Tab);
    EXPECT_TRUE(Tree().hasFocus());
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    Press(Qt::Key_Return);
    Press(Qt::Key_Escape);
    Press(Qt::Key_Backspace);
    Press(Qt::Key_Space);
    Press(Qt::Key_Plus);
    Press(Qt::Key_Asterisk);
    Press(Qt::Key_Delete);
    Press(Qt::Key_Down);
    Press(Qt::Key_F2);
    Press(Qt::Key_A, Qt::AltModifier);
    ASSERT_TRUE(WaitSent(8));
    RunEvents(100);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"09", "09", "0D", "1B", "08", "20", "2B", "2A"}));
    EXPECT_TRUE(fixture.dialogs.messages.empty());
}

// Removing another file keeps the current one; removing the current file's node moves the
// selection to the next file, which becomes current; removing the last leaves none and the
// definition view as it was. A right click names a node without selecting it.
TEST_F(PacketViews, RemovingFiles) {
    Open(Write("A.kad", "$k 0A"));
    Open(Write("B.kad", "$k 0B"));
    Open(Write("C.kad", "$k 0C"));
    Select(Node(1));
    QTest::mouseClick(Tree().viewport(), Qt::RightButton, Qt::NoModifier,
                      Tree().visualItemRect(Node(0)).center());
    EXPECT_EQ(Tree().currentItem(), Node(1));
    EXPECT_EQ(Tree().CreateContextMenu(Node(1, 0), nullptr), nullptr);  // definitions: no menu
    Remove(Node(0));
    ASSERT_EQ(Tree().topLevelItemCount(), 2);
    Type('k');
    ASSERT_TRUE(WaitSent(1));
    EXPECT_EQ(Sent().back(), "0B");

    Select(Node(0, 0));
    Remove(Node(0));
    ASSERT_EQ(Tree().selectedItems().size(), 1);
    EXPECT_EQ(Tree().selectedItems()[0]->text(0), "C.kad");
    Type('k');
    ASSERT_TRUE(WaitSent(2));
    EXPECT_EQ(Sent().back(), "0C");

    Select(Node(0, 0));
    EXPECT_EQ(Definition().toPlainText(), "$k 0C");
    Remove(Node(0));
    EXPECT_EQ(Tree().topLevelItemCount(), 0);
    EXPECT_EQ(Frame().GetPacketFiles().GetCurrent(), nullptr);
    EXPECT_EQ(Definition().toPlainText(), "$k 0C");
    Type('k');
    EXPECT_EQ(Shown("Нет пакетов для отправки"), 1);
}

// As in a tree control, only a left click on a node takes the selection: a click below the
// nodes or beside a label, Ctrl on the selected node, or the middle button on another node
// leaves it and the current file as they were.
TEST_F(PacketViews, ClicksBesideTheNodesKeepTheSelection) {
    Open(Write("a.kad", "$1 01\r\n$2 02"));
    Node(0)->setExpanded(true);
    const QRect last = Tree().visualItemRect(Node(0, 1));
    const struct {
        QPoint at;
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
    } clicks[] = {
        {last.center(), Qt::LeftButton, Qt::NoModifier},
        {QPoint(last.center().x(), last.bottom() + 40), Qt::LeftButton, Qt::NoModifier},
        {QPoint(last.right() + 20, last.center().y()), Qt::LeftButton, Qt::NoModifier},
        {last.center(), Qt::LeftButton, Qt::ControlModifier},
        {Tree().visualItemRect(Node(0, 0)).center(), Qt::MiddleButton, Qt::NoModifier},
    };
    for (const auto& [at, button, modifiers] : clicks) {
        QTest::mouseMove(Tree().viewport(), at);
        QTest::mousePress(Tree().viewport(), button, modifiers, at);
        QTest::mouseRelease(Tree().viewport(), button, modifiers, at);
        ASSERT_EQ(Tree().selectedItems().size(), 1) << at.x() << "," << at.y();
        EXPECT_EQ(Tree().selectedItems()[0], Node(0, 1));
    }
    Type('2');
    ASSERT_TRUE(WaitSent(1));
    EXPECT_EQ(Sent(), std::vector<std::string>{"02"});
    EXPECT_TRUE(fixture.dialogs.messages.empty());
}

// The first definition of the key is sent, whichever of its nodes is double-clicked; a file
// node sends nothing.
TEST_F(PacketViews, DoubleClickSendsTheKeysFirstDefinition) {
    Open(Write("twice.kad", "$k 01\r\n$k 02\r\n"));
    QTest::mouseDClick(Tree().viewport(), Qt::LeftButton, Qt::NoModifier,
                       Tree().visualItemRect(Node(0)).center());
    Node(0)->setExpanded(true);
    QTest::mouseDClick(Tree().viewport(), Qt::LeftButton, Qt::NoModifier,
                       Tree().visualItemRect(Node(0, 1)).center());
    ASSERT_TRUE(WaitSent(1));
    RunEvents(50);
    EXPECT_EQ(Sent(), std::vector<std::string>{"01"});
    EXPECT_EQ(Definition().toPlainText(), "$k 02\n");
}

// The unit echoes every packet at once, often before the send has returned; still, the SEND
// line of each packet comes before the RECV line of its echo, in the log and in the list.
TEST_F(PacketViews, EachSentLineComesBeforeItsEcho) {
    constexpr int kSends = 1000;
    fixture.Simulator().SetEcho(true);
    Open(Write("echo.kad", "$a 11\r\n$b 1201\r\n$c 130203\r\n$d 14\r\n"));
    Select(Node(0, 0));
    for (int i = 0; i < kSends; ++i) {
        Type(QLatin1Char("abcd"[i % 4]));
    }
    CTrafficModel& model = *Frame().GetTrafficView()->GetModel();
    ASSERT_TRUE(WaitUntil([&] { return model.rowCount() == 2 * kSends; }, 20000))
        << model.rowCount();
    EXPECT_TRUE(fixture.dialogs.messages.empty());
    // Per command: a received line only after as many sent lines as received ones before it.
    struct Order {
        std::map<int, int> sent, received;
        std::vector<int> early;  // lines that came before their send
        void Take(int line, bool isSent, int command) {
            if (isSent) {
                ++sent[command];
            } else if (++received[command] > sent[command]) {
                early.push_back(line);
            }
        }
    } list, log;
    for (int row = 0; row < model.rowCount(); ++row) {
        list.Take(row, model.GetLine(row).sent, model.GetLine(row).command);
    }
    EXPECT_TRUE(list.early.empty()) << list.early.size() << " echoes listed before their send";
    ASSERT_TRUE(WaitUntil([&] {
        const std::string text = ReadBytes(LogPath());
        return std::count(text.begin(), text.end(), '\n') == 2 * kSends;
    }));
    const std::string logged = ReadBytes(LogPath());
    int line = 0;
    for (std::size_t at = logged.find("] - "); at != std::string::npos;
         at = logged.find("] - ", at + 1), ++line) {
        const std::string head = logged.substr(at + 4, 12);  // "SEND: 03 11 "
        log.Take(line, head.rfind("SEND", 0) == 0, std::stoi(head.substr(9, 2), nullptr, 16));
    }
    EXPECT_EQ(line, 2 * kSends);
    EXPECT_TRUE(log.early.empty()) << log.early.size() << " echoes logged before their send";
}

// The values typed into the rows go where the names stood; the record's next send offers them
// again.
TEST_F(PacketViews, ParametersFilledInByTyping) {
    Open(Write("mem.kad", "$w 11 &" + kAddress + "& &" + kValue + "&\r\n"));
    Select(Node(0, 0));
    QStringList names;
    auto modal = OnNextModal([&](QDialog* shown) {
        auto* dialog = qobject_cast<CParametersDlg*>(shown);
        ASSERT_NE(dialog, nullptr);
        CPropertyListCtrl* list = dialog->GetList();
        for (int row = 0; row < list->GetCount(); ++row) {
            names << list->GetItem(row)->Name();
        }
        ClickRow(*list, 0);
        QTest::keyClicks(QApplication::focusWidget(), "01F0");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        RunEvents(20);
        QTest::keyClicks(QApplication::focusWidget(), "5A");
        QTest::mouseClick(dialog->GetOkButton(), Qt::LeftButton);
    });
    Type('w');
    ASSERT_TRUE(WaitSent(1));
    EXPECT_EQ(names, (QStringList{"Адрес", "Значение"}));
    EXPECT_EQ(Sent().back(), "1101F05A");

    QStringList offered;
    modal = OnNextModal([&](QDialog* shown) {
        auto* dialog = qobject_cast<CParametersDlg*>(shown);
        offered = Values(*dialog->GetList());
        dialog->GetOkButton()->click();
    });
    Type('w');
    ASSERT_TRUE(WaitSent(2));
    EXPECT_EQ(offered, (QStringList{"01F0", "5A"}));
    EXPECT_EQ(Sent().back(), "1101F05A");
    EXPECT_TRUE(fixture.dialogs.messages.empty());
}

// OK with a value that is not whole bytes names the parameter and why, and leaves the user on
// its row with every typed value kept; blanks inside a value are dropped.
TEST_F(PacketViews, ValuesMustBeWholeBytes) {
    Open(Write("mem.kad", "$w 11 &" + kAddress + "& &" + kValue + "&\r\n"));
    Select(Node(0));
    struct Refusal {
        const char* typed;
        const char* message;
    };
    const Refusal refusals[] = {
        {"1F0", "Параметр «Адрес»: нечётное число цифр"},
        {"ZZ", "Параметр «Адрес»: допустимы только шестнадцатеричные цифры"},
    };
    auto modal = OnNextModal([&](QDialog* shown) {
        auto* dialog = qobject_cast<CParametersDlg*>(shown);
        CPropertyListCtrl* list = dialog->GetList();
        ClickRow(*list, 1);
        QTest::keyClicks(QApplication::focusWidget(), "5A");
        ClickRow(*list, 0);
        for (const Refusal& refusal : refusals) {
            // The editor's text is selected: typing replaces it.
            QTest::keyClicks(QApplication::focusWidget(), refusal.typed);
            QTest::mouseClick(dialog->GetOkButton(), Qt::LeftButton);
            EXPECT_TRUE(dialog->isVisible()) << refusal.typed;
            const ShownMessage last =
                fixture.dialogs.messages.empty() ? ShownMessage{} : fixture.dialogs.messages.back();
            EXPECT_EQ(last.text, QString::fromUtf8(refusal.message));
            EXPECT_EQ(last.caption, kError);
            EXPECT_EQ(last.icon, MessageIcon::Error);
            EXPECT_EQ(list->GetSelectedRow(), 0);
            auto* editor = qobject_cast<QLineEdit*>(list->GetEditor());
            EXPECT_TRUE(editor != nullptr && editor->hasFocus());
            EXPECT_EQ(editor != nullptr ? editor->selectedText() : QString(), refusal.typed);
            EXPECT_EQ(Values(*list), (QStringList{refusal.typed, "5A"}));
        }
        QTest::keyClicks(QApplication::focusWidget(), "01 F0");
        QTest::mouseClick(dialog->GetOkButton(), Qt::LeftButton);
        if (dialog->isVisible()) {
            dialog->reject();  // a failure above: the test goes on to say so
        }
    });
    Type('w');
    ASSERT_TRUE(WaitSent(1));
    EXPECT_EQ(Sent(), std::vector<std::string>{"1101F05A"});
    EXPECT_EQ(fixture.dialogs.messages.size(), std::size(refusals));
}

// Delete on the list, which X11 reports as the DEL character, leaves the row's value alone.
TEST_F(PacketViews, DeleteInTheParameterListKeepsTheValue) {
    Open(Write("mem.kad", "$r 10 &" + kAddress + "& 04"));
    Select(Node(0));
    auto modal = OnNextModal([&](QDialog* shown) {
        auto* dialog = qobject_cast<CParametersDlg*>(shown);
        CPropertyListCtrl* list = dialog->GetList();
        ClickRow(*list, 0);
        QTest::keyClicks(QApplication::focusWidget(), "01F0");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_TRUE(list->hasFocus());
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
        QApplication::sendEvent(list, &press);
        RunEvents(20);
        QTest::mouseClick(dialog->GetOkButton(), Qt::LeftButton);
    });
    Type('r');
    ASSERT_TRUE(WaitSent(1));
    EXPECT_EQ(Sent(), std::vector<std::string>{"1001F004"});
}

// "Отмена" sends nothing and says nothing; a spliced text that is still no packet (the record's
// own digits are odd) is refused.
TEST_F(PacketViews, CancelledAndMalformedParameters) {
    Open(Write("mem.kad", "$r 10 &" + kAddress + "& 04\r\n$o 0A 1 &" + kAddress + "&"));
    Select(Node(0));
    auto modal = OnNextModal([&](QDialog* dialog) {
        auto* list = static_cast<CParametersDlg*>(dialog)->GetList();
        list->SelectRow(0);
        QTest::keyClicks(QApplication::focusWidget(), "01F0");
        static_cast<CParametersDlg*>(dialog)->GetCancelButton()->click();
    });
    Type('r');
    RunEvents(100);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Lines(), 0);
    EXPECT_TRUE(fixture.dialogs.messages.empty());

    modal = OnNextModal([&](QDialog* dialog) {
        static_cast<CParametersDlg*>(dialog)->GetList()->SelectRow(0);
        QTest::keyClicks(QApplication::focusWidget(), "FF");
        static_cast<CParametersDlg*>(dialog)->GetOkButton()->click();
    });
    Type('o');
    EXPECT_EQ(Shown("Неверный формат пакета"), 1);
    EXPECT_EQ(Lines(), 0);
}

// In a UTF-8 file a key is its character as written, labelled and typed as such, even where
// two keys begin with the same byte (я and с), and a double click sends the clicked one.
TEST_F(PacketViews, KeysOfAUtf8File) {
    Open(Write("ru.kad", "; ключи\r\n$я 0F\r\n$с 0E\r\n"));
    EXPECT_EQ(Node(0, 0)->text(0), "< я > - 0F");
    EXPECT_EQ(Node(0, 1)->text(0), "< с > - 0E");
    Select(Node(0));
    Type(QChar(0x441));  // с
    Type(QChar(0x44F));  // я
    Node(0)->setExpanded(true);
    QTest::mouseDClick(Tree().viewport(), Qt::LeftButton, Qt::NoModifier,
                       Tree().visualItemRect(Node(0, 1)).center());
    ASSERT_TRUE(WaitSent(3));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"0E", "0F", "0E"}));
    EXPECT_TRUE(fixture.dialogs.messages.empty());
}

// What the definition view shows and how it colours it, read back from its document:
// K red key, P blue parameter, C green comment (the rules' edge cases are the core's).
TEST_F(PacketViews, DefinitionViewColours) {
    Open(Write("c.kad", "$A 01 &" + kAddress + "& 02 ;note\r\n$B 01"));
    // The columns of the definitions line up: every character is as wide as the others.
    const QFontMetrics metrics(Definition().font());
    for (const QChar character : QStringLiteral("iWm.$&; Жш")) {
        EXPECT_EQ(metrics.horizontalAdvance(character), metrics.horizontalAdvance('0'))
            << QString(character).toStdString();
    }
    EXPECT_EQ(QFontInfo(Definition().font()).pointSize(), 10);
    EXPECT_TRUE(Definition().isReadOnly());
    const auto marks = [&] {
        QTextDocument* document = Definition().document();
        std::string out;
        for (int i = 0; i + 1 < document->characterCount(); ++i) {
            QTextCursor cursor(document);
            cursor.setPosition(i + 1);
            const QBrush brush = cursor.charFormat().foreground();
            const QColor colour = brush.color();
            out += brush.style() == Qt::NoBrush  ? '.'
                   : colour == QColor(255, 0, 0) ? 'K'
                   : colour == QColor(0, 0, 255) ? 'P'
                   : colour == QColor(0, 128, 0) ? 'C'
                                                 : '?';
        }
        return out;
    };
    Select(Node(0, 0));
    EXPECT_EQ(Definition().toPlainText().toStdString(), "$A 01 &Адрес& 02 ;note\n");
    EXPECT_EQ(marks(), ".K.....PPPPP......CCCC.");
    Select(Node(0));
    EXPECT_EQ(Definition().toPlainText(), "");
}

}  // namespace
