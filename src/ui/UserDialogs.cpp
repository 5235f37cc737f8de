#include "ui/UserDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

CUserDialogs::~CUserDialogs() = default;

void CQtUserDialogs::ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                                 MessageIcon icon) {
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    if (icon == MessageIcon::Error) {
        boxIcon = QMessageBox::Critical;
    } else if (icon == MessageIcon::Warning) {
        boxIcon = QMessageBox::Warning;
    }
    QMessageBox box(boxIcon, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

QString CQtUserDialogs::GetOpenFileName(QWidget* owner, const QString& filter) {
    return QFileDialog::getOpenFileName(owner, QString(), QString(), filter, nullptr,
                                        QFileDialog::ReadOnly | QFileDialog::HideNameFilterDetails);
}
