#include "ui/FindDlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "ui/DialogPlacement.h"
#include "ui/TavrinView.h"
#include "ui/UserDialogs.h"

CFindDlg::CFindDlg(const QString& text, FindDirection direction, CUserDialogs& dialogs,
                   QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs), m_text(new QLineEdit(text, this)) {
    setWindowTitle(QStringLiteral("Найти"));
    const QString fieldName = QString::fromUtf8(kFindFieldName);
    m_text->setAccessibleName(fieldName);
    m_text->setPlaceholderText(QStringLiteral("53 0A 1F  или  команда 53"));
    m_text->selectAll();
    auto* fields = new QFormLayout;
    fields->addRow(fieldName + QStringLiteral(":"), m_text);

    auto* lines = new QGroupBox(QStringLiteral("Направление"), this);
    lines->setAccessibleName(QStringLiteral("Направление"));
    auto* row = new QHBoxLayout(lines);
    const char* captions[] = {"приём", "передача", "оба"};
    for (std::size_t i = 0; i < m_directions.size(); ++i) {
        m_directions[i] = new QRadioButton(QString::fromUtf8(captions[i]), lines);
        m_directions[i]->setAccessibleName(QString::fromUtf8(captions[i]));
        row->addWidget(m_directions[i]);
    }
    GetDirectionButton(direction)->setChecked(true);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Найти"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFindDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CFindDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(lines);
    layout->addWidget(buttons);
    m_text->setFocus();
}

CFindDlg::~CFindDlg() = default;

QString CFindDlg::GetText() const {
    return m_text->text();
}

FindDirection CFindDlg::GetDirection() const {
    for (std::size_t i = 0; i < m_directions.size(); ++i) {
        if (m_directions[i]->isChecked()) {
            return static_cast<FindDirection>(i);
        }
    }
    return FindDirection::Both;
}

QRadioButton* CFindDlg::GetDirectionButton(FindDirection direction) const {
    return m_directions[static_cast<std::size_t>(direction)];
}

void CFindDlg::accept() {
    std::string message;
    const std::optional<TrafficQuery> query =
        ReadFindText(m_text->text().toStdString(), GetDirection(), &message);
    if (!query) {
        m_dialogs.ShowMessage(this, QString::fromStdString(message), QStringLiteral("Ошибка"),
                              MessageIcon::None);
        m_text->setFocus();  // the text stays as typed
        return;
    }
    m_query = *query;
    QDialog::accept();
}

void CFindDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOverOwner(*this);
}

void CFindCommand::Find(CTavrinView& view, QStatusBar* bar, const QString& ready) {
    CFindDlg dialog(m_text, m_direction, m_dialogs, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    m_text = dialog.GetText();
    m_direction = dialog.GetDirection();
    m_query = dialog.GetQuery();
    FindAgain(view, bar, ready, true, true);
}

void CFindCommand::FindAgain(CTavrinView& view, QStatusBar* bar, const QString& ready, bool forward,
                             bool fromStart) {
    if (!m_query) {
        Find(view, bar, ready);
        return;
    }
    const QString noMatch = QString::fromUtf8(kNoMatchText);
    if (!view.FindLine(*m_query, forward, fromStart)) {
        bar->showMessage(noMatch);
    } else if (bar->currentMessage() == noMatch) {
        bar->showMessage(ready);  // an earlier search's news no longer holds
    }
}
