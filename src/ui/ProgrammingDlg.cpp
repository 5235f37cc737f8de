#include "ui/ProgrammingDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "device/DeviceCommand.h"
#include "programming/StepProgress.h"
#include "ui/DialogPlacement.h"
#include "ui/ProgressDlg.h"
#include "ui/UserDialogs.h"

namespace {

// The dialog's messages are plain boxes: a caption and an OK button, no icon.
const QString kErrorCaption = QStringLiteral("Ошибка");
// How often the dialog looks whether a worker it waits for has finished, in ms.
constexpr int kAwaitSliceMs = 20;

QFrame* Separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

const QString CProgrammingDlg::kFileFilter = QStringLiteral(
    "Intel HEX files(*.hex) (*.hex);;Binary files(*.bin) (*.bin);;"
    "All Files(*.*) (*)");

CProgrammingDlg::CProgrammingDlg(CVXDevice& device, CUserDialogs& dialogs,
                                 const ProgrammingOptions& options, QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs), m_run(device), m_options(options) {
    setWindowTitle(QStringLiteral("Программирование"));
    CreateControls();
    InitControls();
}

CProgrammingDlg::~CProgrammingDlg() = default;

QCheckBox* CProgrammingDlg::AddCheckBox(int id, const QString& caption) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(QString::number(id));
    return box;
}

QLineEdit* CProgrammingDlg::AddValueEdit(int id, const QString& name) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::number(id));
    edit->setAccessibleName(name);
    edit->setFixedWidth(80);
    return edit;
}

void CProgrammingDlg::CreateControls() {
    m_fileName = new QLineEdit(this);
    m_fileName->setObjectName(QString::number(kFileNameId));
    m_fileName->setAccessibleName(QStringLiteral("Файл"));
    m_fileName->setMinimumWidth(320);
    auto* choose = new QPushButton(QStringLiteral("Выбрать"), this);
    choose->setObjectName(QString::number(kChooseId));
    choose->setAutoDefault(false);
    connect(choose, &QPushButton::clicked, this, [this] { ChooseFile(); });
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("Файл"), this));
    fileRow->addWidget(m_fileName, 1);
    fileRow->addWidget(choose);

    // Left the image steps, right the bit steps with their values.
    const std::pair<std::uint32_t, int> steps[] = {
        {DeviceCommand::EraseFlash, kEraseId},   {DeviceCommand::WriteData, kWriteId},
        {DeviceCommand::VerifyData, kVerifyId},  {DeviceCommand::WriteLockBits, kLockId},
        {DeviceCommand::WriteFuseBits, kFuseId}, {DeviceCommand::WriteFuseExBits, kFuseExId}};
    auto* grid = new QGridLayout;
    grid->setColumnMinimumWidth(1, 24);
    grid->setColumnStretch(1, 1);
    for (std::size_t i = 0; i < m_steps.size(); ++i) {
        const auto [bit, id] = steps[i];
        QCheckBox* box = AddCheckBox(id, QString::fromUtf8(FindStep(bit)->caption));
        m_steps[i] = {bit, id, box};
        const int row = static_cast<int>(i % 3);
        grid->addWidget(box, row, i < 3 ? 0 : 2);
    }
    const int valueIds[] = {kLockValueId, kFuseValueId, kFuseExValueId};
    const char* valueNames[] = {"Биты Lock", "Биты Fuse", "Биты FuseEx"};
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        m_values[i] = AddValueEdit(valueIds[i], QString::fromUtf8(valueNames[i]));
        grid->addWidget(m_values[i], static_cast<int>(i), 3);
        connect(m_steps[i + 3].box, &QCheckBox::toggled, this, [this] { UpdateBitFields(); });
    }
    m_atMega103 = AddCheckBox(kAtMega103Id, QStringLiteral("AT Mega 103"));
    grid->addWidget(m_atMega103, 3, 0);

    auto* execute = new QPushButton(QStringLiteral("Выполнить операцию"), this);
    execute->setObjectName(QString::number(kExecuteId));
    connect(execute, &QPushButton::clicked, this, [this] { Execute(); });
    auto* exit = new QPushButton(QStringLiteral("Выход"), this);
    exit->setObjectName(QString::number(kExitId));
    exit->setDefault(true);
    connect(exit, &QPushButton::clicked, this, [this] { accept(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(execute);
    buttons->addWidget(exit);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addWidget(Separator(this));
    layout->addLayout(grid);
    layout->addWidget(Separator(this));
    layout->addLayout(buttons);
}

QWidget* CProgrammingDlg::GetControl(int id) const {
    return findChild<QWidget*>(QString::number(id));
}

void CProgrammingDlg::InitControls() {
    for (const StepBox& step : m_steps) {
        step.box->setChecked(m_options.Has(step.bit));
    }
    m_atMega103->setChecked((m_options.mode & kModeAtMega103) != 0);
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        m_values[i]->setText(QString::number(m_options.*BitFields()[i].value));
    }
    m_fileName->setText(QFile::decodeName(m_options.fileName.c_str()));
    UpdateBitFields();
}

void CProgrammingDlg::UpdateBitFields() {
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        m_values[i]->setEnabled(m_steps[i + 3].box->isChecked());
    }
}

void CProgrammingDlg::ChooseFile() {
    const QString path = m_dialogs.GetOpenFileName(this, kFileFilter);
    if (!path.isEmpty()) {
        m_options.fileName = QFile::encodeName(path).toStdString();
        m_fileName->setText(path);
    }
}

int CProgrammingDlg::ReadControls() {
    for (const StepBox& step : m_steps) {
        m_options.steps =
            step.box->isChecked() ? m_options.steps | step.bit : m_options.steps & ~step.bit;
    }
    m_options.mode = m_atMega103->isChecked() ? m_options.mode | kModeAtMega103
                                              : m_options.mode & ~kModeAtMega103;
    std::array<std::string, 3> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        texts[i] = m_values[i]->text().toStdString();
    }
    std::size_t field = 0;
    if (const char* message = ReadBitFields(texts, &m_options, &field)) {
        m_dialogs.ShowMessage(this, QString::fromUtf8(message), kErrorCaption, MessageIcon::None);
        // Back to the field, its text as typed, so that the user sees what was refused.
        m_values[field]->setFocus();
        return 0;
    }
    m_options.fileName = QFile::encodeName(m_fileName->text()).toStdString();
    return 1;
}

void CProgrammingDlg::Execute() {
    if (m_running || !ReadControls()) {
        return;
    }
    m_running = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ProgrammingOutcome outcome = m_run.Execute(m_options, *this);
    QApplication::restoreOverrideCursor();
    m_running = false;
    ShowOutcome(outcome);
}

void CProgrammingDlg::ShowOutcome(const ProgrammingOutcome& outcome) {
    if (!outcome.message.empty()) {
        m_dialogs.ShowMessage(this, QString::fromStdString(outcome.message), kErrorCaption,
                              MessageIcon::None);
    } else if (outcome.status == ProgrammingOutcome::Status::Ran) {
        m_dialogs.ShowMessage(this, QString::fromUtf8(outcome.report), QStringLiteral("Результат"),
                              MessageIcon::None);
    }
}

void CProgrammingDlg::ShowProgress(CStepProgress& progress) {
    CProgressDlg dialog(progress, this);
    dialog.exec();
}

// The progress query failed while the request goes on: the window keeps painting, but takes no
// input until the request has ended.
void CProgrammingDlg::AwaitWorker(CStepProgress& progress) {
    setEnabled(false);
    while (!progress.WaitForWorker(kAwaitSliceMs)) {
        QApplication::processEvents(QEventLoop::AllEvents, kAwaitSliceMs);
    }
    setEnabled(true);
}

void CProgrammingDlg::CloseIfRead() {
    if (!m_running && ReadControls()) {
        QDialog::done(QDialog::Accepted);
    }
}

void CProgrammingDlg::accept() {
    CloseIfRead();
}

// Escape and the close box, which QDialog turns into reject.
void CProgrammingDlg::reject() {
    CloseIfRead();
}

void CProgrammingDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOverOwner(*this);
}
