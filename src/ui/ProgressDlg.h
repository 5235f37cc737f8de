#pragma once
// "Запись данных" / "Проверка данных": the progress of a write or verify step, one bar over
// the image size, moved every 100 ms to the driver's count of bytes done. It closes by itself
// once the worker has finished or the progress query fails; the user cannot close it (Enter,
// Escape and the close box do nothing), so a step is never left behind unseen.
//
// Runs on the user-interface thread; the worker it watches is read only through CStepProgress.

#include <QDialog>
#include <QTimer>

class CStepProgress;
class QProgressBar;

class CProgressDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kProgressId = 1008;

    CProgressDlg(CStepProgress& progress, QWidget* parent = nullptr);
    ~CProgressDlg() override;

    QProgressBar* GetBar() const { return m_bar; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Tick();

    CStepProgress& m_progress;
    QProgressBar* m_bar;
    QTimer m_timer;
};
