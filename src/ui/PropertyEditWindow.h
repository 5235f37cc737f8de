#pragma once
// The property list's in-place editor: a single-line edit over a row's value cell. It decides
// on losing focus whether its text is taken (modified, and not left with Escape) and tells the
// list; Enter and Escape only move focus back to the list, so the dialog never sees them as OK
// or Отмена. Up, Down and Tab, and Left or Right at either end of the text, hand the key to
// the list (posted: the list closes this editor in answer).

#include <QLineEdit>

class CPropertyEditWindow : public QLineEdit {
    Q_OBJECT
public:
    // focusTarget: the list, which takes focus back on Enter and Escape.
    CPropertyEditWindow(QWidget* parent, QWidget* focusTarget);
    ~CPropertyEditWindow() override;

    // The list let go of this editor: it decides nothing more and goes with the next turn of
    // the event loop.
    void Close();
    bool IsClosing() const { return m_closing; }

signals:
    void EditCommit(QWidget* editor);
    void EditCancel(QWidget* editor);
    void EditNavigate(int key);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void PostNavigate(int key);

    QWidget* m_focusTarget;
    bool m_cancel = false;
    bool m_closing = false;
};
