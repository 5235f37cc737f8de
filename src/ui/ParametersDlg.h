#pragma once
// "Параметры": asks for the values of a packet definition's parameters, one row each, and
// writes every committed row's text into its parameter at once, so OK only has to close.
// Names are shown decoded as the packet file is; values are narrowed to the program's code
// page.

#include <QDialog>
#include <vector>

#include "app/PacketFileText.h"
#include "inspect/PacketParameters.h"

class CPropertyListCtrl;
class IProperty;
class QPushButton;

class CParametersDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kListId = 1011;
    static constexpr int kNameColumnWidth = 200;

    // Edits the caller's list in place; it must outlive the dialog.
    CParametersDlg(std::vector<PacketParameter>& parameters, ScriptEncoding encoding,
                   QWidget* parent = nullptr);
    ~CParametersDlg() override;

    CPropertyListCtrl* GetList() const { return m_list; }
    QPushButton* GetOkButton() const { return m_ok; }
    QPushButton* GetCancelButton() const { return m_cancel; }

public slots:
    // An edit still open is taken first.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnValueChanged(IProperty* item);

    std::vector<PacketParameter>& m_parameters;
    CPropertyListCtrl* m_list;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
