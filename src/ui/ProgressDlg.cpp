#include "ui/ProgressDlg.h"

#include <QProgressBar>
#include <QVBoxLayout>

#include "programming/StepProgress.h"
#include "ui/DialogPlacement.h"

CProgressDlg::CProgressDlg(CStepProgress& progress, QWidget* parent)
    : QDialog(parent), m_progress(progress), m_bar(new QProgressBar(this)) {
    // No close button to offer: the window goes when the step is over.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    const QString title = QString::fromUtf8(progress.GetTitle());
    setWindowTitle(title);
    m_bar->setObjectName(QString::number(kProgressId));
    m_bar->setAccessibleName(title);
    m_bar->setRange(0, progress.GetRange());
    m_bar->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    setMinimumWidth(340);

    m_timer.setInterval(CStepProgress::kPollIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
    m_timer.start();
}

CProgressDlg::~CProgressDlg() = default;

// Escape and the close box end here; the step goes on.
void CProgressDlg::reject() {}

void CProgressDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOverOwner(*this);
}

void CProgressDlg::Tick() {
    const int progress = m_progress.Poll();
    if (progress < 0) {
        m_timer.stop();
        done(QDialog::Accepted);
        return;
    }
    m_bar->setValue(progress);
}
