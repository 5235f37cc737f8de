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
    std::unique_ptr<QFileDialog> dialog = MakeOpenFileDialog(owner, filter);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return {};
    }
    return dialog->selectedFiles().constFirst();
}

QString CQtUserDialogs::GetSaveFileName(QWidget* owner, const QString& filter,
                                        const QString& defaultSuffix) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOptions(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.resize(760, 460);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

std::unique_ptr<QFileDialog> CQtUserDialogs::MakeOpenFileDialog(QWidget* owner,
                                                                const QString& filter) {
    auto dialog = std::make_unique<QFileDialog>(owner);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setOptions(QFileDialog::ReadOnly | QFileDialog::HideNameFilterDetails);
    dialog->setNameFilter(filter);
    // Room for the name, size, type and date columns of a folder's files.
    dialog->resize(760, 460);
    return dialog;
}
