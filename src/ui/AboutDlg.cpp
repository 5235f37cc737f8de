#include "ui/AboutDlg.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/DialogPlacement.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("О программе ..."));
    auto* group = new QGroupBox(this);
    auto* icon = new QLabel(group);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setAlignment(Qt::AlignCenter);
    // The program's icon, wherever the application has set it.
    QIcon programIcon = QApplication::windowIcon();
    if (programIcon.isNull() && parent != nullptr) {
        programIcon = parent->window()->windowIcon();
    }
    if (!programIcon.isNull()) {
        icon->setPixmap(programIcon.pixmap(32, 32));
    }
    auto* text = new QLabel(QString::fromUtf8(kVersionText), group);
    text->setAlignment(Qt::AlignCenter);
    auto* inside = new QVBoxLayout(group);
    inside->addStretch(1);
    inside->addWidget(icon);
    inside->addSpacing(8);
    inside->addWidget(text);
    inside->addStretch(1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addLayout(buttons);
    // 187 x 103 dialog units of the original's small dialog font.
    resize(300, 170);
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOverOwner(*this);
}
