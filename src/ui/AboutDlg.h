#pragma once
// "О программе ...": the program's icon, its name and version, and OK (Escape closes it too).

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kVersionText = "Tavrin версия 1.03";

    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

protected:
    void showEvent(QShowEvent* event) override;
};
