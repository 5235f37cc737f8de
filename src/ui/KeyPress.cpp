#include "ui/KeyPress.h"

#include <QKeyEvent>
#include <string>

#include "app/KeyChar.h"

std::optional<char32_t> SentKeyFromEvent(const QKeyEvent& event) {
    PressedKey key = PressedKey::Other;
    switch (event.key()) {
        case Qt::Key_Tab:
            key = PressedKey::Tab;
            break;
        case Qt::Key_Backtab:
            key = PressedKey::Backtab;
            break;
        case Qt::Key_Delete:
            key = PressedKey::Delete;
            break;
        default:
            break;
    }
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    const std::u32string text = event.text().toStdU32String();
    return SentKeyFromPress(key, text, modifiers.testFlag(Qt::AltModifier),
                            modifiers.testFlag(Qt::ControlModifier));
}
