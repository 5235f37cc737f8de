#pragma once
// "Программирование": the firmware image file, the six programming steps with the three bit
// values, "AT Mega 103", and "Выполнить операцию", which hands the choices to a programming run
// (programming/ProgrammingRun.h) and shows its report. The dialog only reads and shows; the
// run does the work, on the main window's device channel, which the dialog does not own.
//
// Every way out ("Выход", Enter, Escape, the close box) first reads the fields back
// (ReadControls), and a value field of a checked step that is blank or holds no bit value
// (0-255, decimal or 0x..) keeps the dialog open, so that no such value reaches the settings. While
// a run is under way none of them closes it.
//
// Runs on the user-interface thread. During a write or verify the run's worker thread sends
// the request while the progress window (CProgressDlg) polls it here.

#include <QDialog>
#include <array>

#include "programming/ProgrammingOptions.h"
#include "programming/ProgrammingRun.h"
#include "programming/ProgressMonitor.h"

class CUserDialogs;
class CVXDevice;
class QCheckBox;
class QLineEdit;
class QPushButton;

class CProgrammingDlg : public QDialog, private IProgressMonitor {
    Q_OBJECT
public:
    // Control ids; each control's object name is its id.
    static constexpr int kExitId = 1;
    static constexpr int kFileNameId = 1002;
    static constexpr int kChooseId = 1003;
    static constexpr int kWriteId = 1004;
    static constexpr int kVerifyId = 1005;
    static constexpr int kLockId = 1006;
    static constexpr int kLockValueId = 1007;
    static constexpr int kFuseId = 1008;
    static constexpr int kFuseValueId = 1009;
    static constexpr int kExecuteId = 1010;
    static constexpr int kEraseId = 1011;
    static constexpr int kFuseExId = 1012;
    static constexpr int kFuseExValueId = 1013;
    static constexpr int kAtMega103Id = 1014;

    // The filters of "Выбрать", as CUserDialogs takes them.
    static const QString kFileFilter;

    CProgrammingDlg(CVXDevice& device, CUserDialogs& dialogs, const ProgrammingOptions& options,
                    QWidget* parent = nullptr);
    ~CProgrammingDlg() override;

    // The choices as last read from the fields; what the main window writes back.
    const ProgrammingOptions& GetOptions() const { return m_options; }
    // The control with this id.
    QWidget* GetControl(int id) const;

    // Sets the fields from the choices.
    void InitControls();
    // Each value field is enabled only while its step is checked.
    void UpdateBitFields();
    void ChooseFile();
    // Reads the fields into the choices; 0 (after the message, with the focus on the field)
    // when a checked step's value field is blank or holds no bit value, 1 otherwise.
    int ReadControls();
    // "Выполнить операцию".
    void Execute();

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct StepBox {
        std::uint32_t bit;
        int id;
        QCheckBox* box;
    };

    void CreateControls();
    QCheckBox* AddCheckBox(int id, const QString& caption);
    QLineEdit* AddValueEdit(int id, const QString& name);
    void CloseIfRead();
    void ShowOutcome(const ProgrammingOutcome& outcome);

    void ShowProgress(CStepProgress& progress) override;
    void AwaitWorker(CStepProgress& progress) override;

    CUserDialogs& m_dialogs;
    CProgrammingRun m_run;
    ProgrammingOptions m_options;
    bool m_running = false;

    QLineEdit* m_fileName = nullptr;
    std::array<StepBox, 6> m_steps{};
    QCheckBox* m_atMega103 = nullptr;
    std::array<QLineEdit*, 3> m_values{};  // lock, fuse, extended fuse
};
