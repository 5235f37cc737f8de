#pragma once
// Where the program's dialogs appear: centred over the window that owns them, as each of them
// has always done when it shows.

#include <QWidget>

// Call from the dialog's showEvent, once it has its size. A dialog without an owner stays where
// the window system puts it.
inline void CentreOverOwner(QWidget& dialog) {
    if (dialog.parentWidget() != nullptr) {
        dialog.move(dialog.parentWidget()->window()->geometry().center() - dialog.rect().center());
    }
}
