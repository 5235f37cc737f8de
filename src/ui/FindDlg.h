#pragma once
// "Найти": what to look for in the traffic list (bytes in hexadecimal, or "команда NN") and in
// which lines (received, sent, both). The text is read by the window-free rule (ReadFindText);
// text it refuses keeps the dialog open with a message that names the field, the text as
// typed. The search itself is the caller's.

#include <QDialog>
#include <array>
#include <optional>

#include "app/TrafficFind.h"

class CTavrinView;
class CUserDialogs;
class QLineEdit;
class QRadioButton;
class QStatusBar;

class CFindDlg : public QDialog {
    Q_OBJECT
public:
    // Starts from the last text and lines looked for; dialogs shows the refusals and must
    // outlive the dialog.
    CFindDlg(const QString& text, FindDirection direction, CUserDialogs& dialogs,
             QWidget* parent = nullptr);
    ~CFindDlg() override;

    QString GetText() const;
    FindDirection GetDirection() const;
    // What was accepted; valid once the dialog was accepted.
    const TrafficQuery& GetQuery() const { return m_query; }
    QLineEdit* GetTextField() const { return m_text; }
    QRadioButton* GetDirectionButton(FindDirection direction) const;

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    CUserDialogs& m_dialogs;
    QLineEdit* m_text;
    std::array<QRadioButton*, 3> m_directions{};  // in FindDirection's order
    TrafficQuery m_query;
};

// The find commands of a window over a traffic list: what the dialog last took (text and lines
// as typed, and the query they make) and the search from the list's selected line. Each window
// with a list has its own. A search that finds nothing says "нет совпадений" in the window's
// status bar; the next one that finds a line puts ready back in its place.
class CFindCommand {
public:
    explicit CFindCommand(CUserDialogs& dialogs) : m_dialogs(dialogs) {}

    // "Найти...": asks what to look for, then looks from the selected line on.
    void Find(CTavrinView& view, QStatusBar* bar, const QString& ready);
    // "Найти далее" (forward) and "Найти ранее"; the first asks what to look for.
    void FindAgain(CTavrinView& view, QStatusBar* bar, const QString& ready, bool forward,
                   bool fromStart = false);

private:
    CUserDialogs& m_dialogs;
    QString m_text;
    FindDirection m_direction = FindDirection::Both;
    std::optional<TrafficQuery> m_query;
};
