#pragma once
// "Параметры": asks for the values of a packet definition's parameters, one row each, and
// writes every committed row's text into its parameter at once. OK closes only when every
// value is whole bytes in hexadecimal; otherwise it names the first parameter that is not and
// why, and puts the user back on its row with every typed value kept. Names are shown decoded
// as the packet file is; values are narrowed to the program's code page.

#include <QDialog>
#include <vector>

#include "app/PacketFileText.h"
#include "inspect/PacketParameters.h"

class CPropertyListCtrl;
class CUserDialogs;
class IProperty;
class QPushButton;

class CParametersDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kListId = 1011;
    static constexpr int kNameColumnWidth = 200;

    // Edits the caller's list in place, starting from the values it holds; it must outlive
    // the dialog, and so must dialogs, which shows the refusals.
    CParametersDlg(std::vector<PacketParameter>& parameters, ScriptEncoding encoding,
                   CUserDialogs& dialogs, QWidget* parent = nullptr);
    ~CParametersDlg() override;

    CPropertyListCtrl* GetList() const { return m_list; }
    QPushButton* GetOkButton() const { return m_ok; }
    QPushButton* GetCancelButton() const { return m_cancel; }

public slots:
    // An edit still open is taken first; then the values are checked.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnValueChanged(IProperty* item);

    std::vector<PacketParameter>& m_parameters;
    ScriptEncoding m_encoding;
    CUserDialogs& m_dialogs;
    CPropertyListCtrl* m_list;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
