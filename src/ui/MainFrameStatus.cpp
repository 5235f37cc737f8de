// The main window's status bar panes beside the message. Their states change on other threads
// (packets received, frames refused by the channel's reader, a full disk under the receive
// thread's log writes), which tell nobody: the window looks a few times a second, so that no
// thread posts a message per packet, line or frame.
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include "app/PacketLogLine.h"
#include "app/TrafficText.h"
#include "device/VXDevice.h"
#include "ui/TavrinView.h"
#include "ui/TrafficModel.h"
#include "ui/MainFrame.h"

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A pane shows its text, and only while it has one.
void ShowPaneText(QLabel* pane, const QString& text) {
    if (pane->text() != text) {
        pane->setText(text);
    }
    pane->setVisible(!text.isEmpty());
}

}  // namespace

QLabel* CMainFrame::AddStatusPane(const QString& name) {
    auto* pane = new QLabel(statusBar());
    pane->setAccessibleName(name);
    // Set apart from each other as the panes of a status bar are, whatever the style.
    pane->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    pane->setContentsMargins(4, 0, 4, 0);
    pane->hide();
    statusBar()->addPermanentWidget(pane);
    return pane;
}

void CMainFrame::CreateStatusPanes() {
    m_unitPane = AddStatusPane(QStringLiteral("Устройство"));
    m_countsPane = AddStatusPane(QStringLiteral("Пакеты"));
    m_refusedPane = AddStatusPane(QStringLiteral("Отброшенные кадры"));
    m_listBoundPane = AddStatusPane(QStringLiteral("Граница списка"));
    m_logProblemPane = AddStatusPane(QStringLiteral("Журнал"));
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &CMainFrame::UpdateStatusPanes);
    poll->start(kStatusPollMs);
}

void CMainFrame::ShowListBound(const QString& text) {
    ShowPaneText(m_listBoundPane, text);
}

// A log that stops being written (a full disk) is shown until writing works again.
void CMainFrame::UpdateStatusPanes() {
    UpdateUnitPanes();
    const bool logFailing = m_logFile.IsWriteFailing();
    ShowPaneText(m_logProblemPane,
                 logFailing ? FromUtf8(LogNotWrittenText(m_logFile.GetErrorText())) : QString());
    UpdateRefusedPane();
    UpdateListBoundPane();
}

// The list's bound is said once it has taken lines, with the lines the list holds now and
// whether the log holds them all.
void CMainFrame::UpdateListBoundPane() {
    if (m_trafficView == nullptr) {
        return;
    }
    const CTrafficModel& model = *m_trafficView->GetModel();
    const bool dropped = model.GetDroppedCount() > 0;
    ShowListBound(dropped ? FromUtf8(ListBoundText(static_cast<std::size_t>(model.rowCount()),
                                                   m_logFile.IsOpen() && !m_logFile.HasLostLines()))
                          : QString());
}

void CMainFrame::UpdateUnitPanes() {
    const PacketTotals totals{m_receiver ? m_receiver->GetReceivedCount() : 0, m_sentTotal};
    m_unitStatus.Update(m_device->IsOpen(), m_device->GetTypeIndex(), m_device->GetNumber(),
                        totals);
    ShowPaneText(m_unitPane, FromUtf8(m_unitStatus.UnitText()));
    ShowPaneText(m_countsPane, FromUtf8(m_unitStatus.CountsText()));
}

// Refused frames are counted since the unit opened, and their likely reason said once a
// session.
void CMainFrame::UpdateRefusedPane() {
    const long long refused = m_device->GetRefusedFrames();
    if (refused == m_shownRefused) {
        return;
    }
    m_shownRefused = refused;
    ShowPaneText(m_refusedPane, refused > 0 ? FromUtf8(RefusedFramesText(refused)) : QString());
    if (refused > 0 && !m_refusedExplained) {
        m_refusedExplained = true;
        statusBar()->showMessage(QString::fromUtf8(kRefusedFramesReason));
    }
}
