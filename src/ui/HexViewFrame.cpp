#include "ui/HexViewFrame.h"

#include <QMenuBar>

#include "inspect/HexCellText.h"
#include "packet/Packet.h"
#include "ui/HexViewCtrl.h"

CHexViewFrame::CHexViewFrame(QWidget* owner) : QMainWindow(owner, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("hexView"));
    QMenu* settings = menuBar()->addMenu(QStringLiteral("Установки"));
    settings->addAction(QStringLiteral("Параметры пакета"))->setData(ID_PACKET_PARAMETERS);

    m_view = new CHexViewCtrl(this);
    m_view->setObjectName(QStringLiteral("hexViewCtrl%1").arg(kViewId));
    setCentralWidget(m_view);
    m_view->SetNotifyTarget(true);
    m_view->SetInfoFormat(kInfoFormat, true);
    m_view->SetReplacementChar('.', true);
    m_view->SetColour(CHexViewCtrl::ColourBackground, QColor(255, 255, 224), true);
    setWindowTitle(QString::fromUtf8(FormatHexCaption(nullptr)));
    resize(kWidth, kHeight);
    m_view->setFocus();
}

void CHexViewFrame::ShowPacket(const CPacket* packet) {
    if (packet != nullptr && packet->GetLength() > 0 && packet->GetData() != nullptr) {
        m_bytes.assign(packet->GetData(), packet->GetData() + packet->GetLength());
    } else {
        m_bytes.clear();
    }
    setWindowTitle(QString::fromUtf8(FormatHexCaption(packet)));
    m_view->SetData(static_cast<int>(m_bytes.size()), m_bytes.data(), nullptr, true);
}

void CHexViewFrame::CentreOverOwner() {
    const QWidget* owner = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    if (owner != nullptr) {
        move(owner->frameGeometry().center() - frameGeometry().center() + pos());
    }
}
