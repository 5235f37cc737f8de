#include "ui/PropertyEditWindow.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>

#include "inspect/PropertyListRules.h"

using namespace PropertyList;

CPropertyEditWindow::CPropertyEditWindow(QWidget* parent, QWidget* focusTarget)
    : QLineEdit(parent), m_focusTarget(focusTarget) {
    setFrame(false);
    // The edit keeps 2 pixels before its text by itself, where the value cell draws it.
    setTextMargins(0, 0, 0, 0);
}

CPropertyEditWindow::~CPropertyEditWindow() = default;

void CPropertyEditWindow::Close() {
    m_closing = true;
    hide();
    deleteLater();
}

// Tab would move focus to the next control before reaching keyPressEvent; the editor keeps
// every key for itself.
bool CPropertyEditWindow::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            PostNavigate(kTab);
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CPropertyEditWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            m_cancel = true;
            m_focusTarget->setFocus(Qt::OtherFocusReason);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            m_focusTarget->setFocus(Qt::OtherFocusReason);
            return;
        case Qt::Key_Up:
            PostNavigate(kUp);
            return;
        case Qt::Key_Down:
            PostNavigate(kDown);
            return;
        case Qt::Key_Left:
        case Qt::Key_Right: {
            const int key = event->key() == Qt::Key_Left ? kLeft : kRight;
            if (EditorNavigates(key, cursorPosition(), hasSelectedText(),
                                static_cast<int>(text().size()))) {
                PostNavigate(key);
                return;
            }
            break;
        }
        default:
            break;
    }
    QLineEdit::keyPressEvent(event);
}

void CPropertyEditWindow::focusInEvent(QFocusEvent* event) {
    m_cancel = false;
    QLineEdit::focusInEvent(event);
}

// A pop-up (the edit's own context menu) or another program's window taking focus for a while
// decides nothing: the edit goes on when focus comes back.
void CPropertyEditWindow::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (m_closing || event->reason() == Qt::PopupFocusReason ||
        event->reason() == Qt::ActiveWindowFocusReason) {
        return;
    }
    if (EditorLeaves(m_cancel, isModified()) == EditorEnd::Commit) {
        emit EditCommit(this);
    } else {
        emit EditCancel(this);
    }
}

void CPropertyEditWindow::PostNavigate(int key) {
    QTimer::singleShot(0, this, [this, key] {
        if (!m_closing) {
            emit EditNavigate(key);
        }
    });
}
