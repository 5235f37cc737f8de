#include "ui/ParametersDlg.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/CodePage.h"
#include "ui/DialogPlacement.h"
#include "ui/PropertyEditItem.h"
#include "ui/PropertyListCtrl.h"
#include "ui/UserDialogs.h"

CParametersDlg::CParametersDlg(std::vector<PacketParameter>& parameters, ScriptEncoding encoding,
                               CUserDialogs& dialogs, QWidget* parent)
    : QDialog(parent),
      m_parameters(parameters),
      m_encoding(encoding),
      m_dialogs(dialogs),
      m_list(new CPropertyListCtrl(this)) {
    setWindowTitle(QStringLiteral("Параметры"));
    m_list->setObjectName(QString::number(kListId));
    m_list->setAccessibleName(QStringLiteral("Параметры"));
    m_list->SetNameColumnWidth(kNameColumnWidth);
    m_list->SetListStyle(0);
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        auto item = std::make_unique<CPropertyEditItem>(
            QString::fromStdString(DecodeScriptText(parameters[i].name, encoding)));
        item->Enable(1);
        item->SetTag(static_cast<std::intptr_t>(i));
        item->WriteValue(
            QVariant(QString::fromStdString(DecodeScriptText(parameters[i].value, encoding))));
        m_list->AddItem(std::move(item));
    }
    connect(m_list, &CPropertyListCtrl::ValueChanged, this, &CParametersDlg::OnValueChanged);

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_cancel = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    m_ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CParametersDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CParametersDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    // 340 x 244 dialog units of the original's small dialog font.
    resize(510, 400);
    m_list->setFocus(Qt::OtherFocusReason);
}

// The list outlives this part of the dialog while its children go; it must not reach back.
CParametersDlg::~CParametersDlg() {
    disconnect(m_list, nullptr, this, nullptr);
}

void CParametersDlg::accept() {
    m_list->CommitEdit();
    HexTextProblem problem = HexTextProblem::None;
    const int bad = FindBadParameter(m_parameters, &problem);
    if (bad < 0) {
        QDialog::accept();
        return;
    }
    const std::string name =
        DecodeScriptText(m_parameters[static_cast<std::size_t>(bad)].name, m_encoding);
    m_dialogs.ShowMessage(this, QString::fromStdString(ParameterValueMessage(name, problem)),
                          QStringLiteral("Ошибка"), MessageIcon::Error);
    m_list->EditRow(bad);
}

void CParametersDlg::OnValueChanged(IProperty* item) {
    if (item == nullptr) {
        return;
    }
    const std::intptr_t index = item->Tag();
    if (index < 0 || index >= static_cast<std::intptr_t>(m_parameters.size())) {
        return;
    }
    QVariant value;
    if (!item->ReadValue(value)) {
        return;
    }
    const std::u32string text = value.toString().toStdU32String();
    m_parameters[static_cast<std::size_t>(index)].value = EncodeWindows1251(text);
}

void CParametersDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOverOwner(*this);
}
