#include "ui/NumEdit.h"

#include <QKeyEvent>
#include <algorithm>

#include "app/KeyChar.h"

namespace {

// The one byte Windows-1251 leaves unused shows as the replacement character, and reads back
// as itself, so opening and leaving the field on it changes nothing.
constexpr char16_t kUnusedShown = 0xFFFD;

int UnusedByte() {
    static const int byte = [] {
        for (int candidate = 0x80; candidate < 0x100; ++candidate) {
            if (CharacterFromByte(static_cast<unsigned char>(candidate)) == 0) {
                return candidate;
            }
        }
        return -1;
    }();
    return byte;
}

QChar ShownCharacter(unsigned char byte) {
    const char32_t character = CharacterFromByte(byte);
    return QChar(character != 0 ? static_cast<char16_t>(character) : kUnusedShown);
}

// The byte a typed character stands for in a notation: digits and letters are ASCII, the
// character notation takes any Windows-1251 character. -1 for anything else.
int ByteOf(QChar character, NumberBase base) {
    if (base != NumberChar) {
        return character.unicode() < 0x80 ? character.unicode() : -1;
    }
    if (character.unicode() == kUnusedShown) {
        return UnusedByte();
    }
    const std::optional<int> key = KeyFromCharacter(character.unicode());
    return key ? static_cast<unsigned char>(*key) : -1;
}

}  // namespace

NumEditKey CNumEdit::KeyOf(int key) {
    switch (key) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return NumEditKey::Tab;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return NumEditKey::Enter;
        case Qt::Key_Escape:
            return NumEditKey::Escape;
        case Qt::Key_Home:
            return NumEditKey::Home;
        case Qt::Key_End:
            return NumEditKey::End;
        case Qt::Key_Left:
            return NumEditKey::Left;
        case Qt::Key_Right:
            return NumEditKey::Right;
        case Qt::Key_Up:
            return NumEditKey::Up;
        case Qt::Key_Down:
            return NumEditKey::Down;
        case Qt::Key_PageUp:
            return NumEditKey::PageUp;
        case Qt::Key_PageDown:
            return NumEditKey::PageDown;
        case Qt::Key_H:
            return NumEditKey::H;
        case Qt::Key_D:
            return NumEditKey::D;
        case Qt::Key_B:
            return NumEditKey::B;
        case Qt::Key_O:
            return NumEditKey::O;
        case Qt::Key_A:
            return NumEditKey::A;
        default:
            return NumEditKey::Other;
    }
}

CNumEdit::CNumEdit(QWidget* parent) : QLineEdit(parent) {
    m_colours[0] = palette().color(QPalette::Text);
    m_colours[1] = palette().color(QPalette::Base);
    m_colours[2] = QColor(255, 255, 255);
    m_colours[3] = QColor(255, 0, 0);
    setAccessibleName(QStringLiteral("Значение"));
    connect(this, &QLineEdit::textChanged, this, [this] { UpdateColours(); });
}

void CNumEdit::SetNumber(std::uint32_t value, NumberBase base, int rangeKind, std::uint32_t low,
                         std::uint32_t high, int minimumDigits) {
    m_field.SetNumber(value, base, rangeKind, low, high, minimumDigits);
    const std::string& text = m_field.GetTextAsSet();
    QString shown;
    for (char byte : text) {
        shown += base == NumberChar
                     ? ShownCharacter(static_cast<unsigned char>(byte))
                     : QChar(static_cast<char16_t>(static_cast<unsigned char>(byte)));
    }
    setMaxLength(std::max({m_field.GetDigits(), static_cast<int>(text.size()), 1}));
    setText(shown);
    m_lastRead = text;
    UpdateColours();
}

std::string CNumEdit::TextBytes() const {
    std::string bytes;
    for (QChar character : text()) {
        const int byte = ByteOf(character, m_field.GetBase());
        bytes += byte >= 0 ? static_cast<char>(byte) : '?';
    }
    return bytes;
}

std::uint32_t CNumEdit::Value() {
    m_lastRead = TextBytes();
    return m_field.Parse(m_lastRead);
}

bool CNumEdit::IsValid() {
    return m_field.IsValid(TextBytes());
}

void CNumEdit::SetColour(int which, const QColor& colour, bool redraw) {
    if (which < 0 || which > 3) {
        return;
    }
    m_colours[which] = colour;
    UpdateColours();
    if (redraw) {
        repaint();
    }
}

void CNumEdit::UpdateColours() {
    m_valid = IsValid();
    QPalette colours = palette();
    colours.setColor(QPalette::Text, m_colours[m_valid ? 0 : 2]);
    colours.setColor(QPalette::Base, m_colours[m_valid ? 1 : 3]);
    setPalette(colours);
}

bool CNumEdit::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            HandleKey(key);
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CNumEdit::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(event)) {
        QLineEdit::keyPressEvent(event);
    }
}

// True when the key was taken here: reported, refused, or typed through the filter.
bool CNumEdit::HandleKey(QKeyEvent* event) {
    NumEditKeyState state;
    state.ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    state.shift = (event->modifiers() & Qt::ShiftModifier) != 0 || event->key() == Qt::Key_Backtab;
    state.caret = cursorPosition();
    state.textLength = static_cast<int>(text().size());
    state.hasSelection = hasSelectedText();
    state.valid = IsValid();
    const NumEditKeyResult result = TranslateNumEditKey(KeyOf(event->key()), state);
    if (result.consumed) {
        event->accept();
        if (result.action >= 0) {
            Notify(result.action);
        }
        return true;
    }
    const QString typed = event->text();
    if (typed.size() != 1 || typed[0].unicode() < 32 || typed[0].unicode() == 0x7F) {
        return false;  // editing keys and control characters
    }
    const int byte = ByteOf(typed[0], m_field.GetBase());
    const std::optional<char> taken =
        byte < 0 ? std::nullopt
                 : m_field.FilterCharacter(static_cast<char>(byte), state.textLength,
                                           state.hasSelection);
    event->accept();
    if (taken) {
        insert(m_field.GetBase() == NumberChar ? typed : QString(QChar(*taken)));
    }
    return true;
}

void CNumEdit::Notify(int action) {
    const unsigned value = Value();
    switch (NumEditCodeOf(action)) {
        case NumEditCancelCode:
            emit NumEditCancel(action, value);
            break;
        case NumEditCommitCode:
            emit NumEditCommit(action, value);
            break;
        case NumEditNavigateCode:
            emit NumEditNavigate(action, value);
            break;
        case NumEditSwitchBaseCode:
            emit NumEditSwitchBase(action, value);
            break;
        default:
            break;
    }
}
