#include "ui/PropertyEditItem.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "ui/PropertyEditWindow.h"

namespace {

bool IsUnsignedInteger(const QVariant& value) {
    const int type = value.metaType().id();
    return type == QMetaType::UChar || type == QMetaType::UShort || type == QMetaType::UInt;
}

}  // namespace

CPropertyEditItem::CPropertyEditItem(const QString& name) : CPropertyItem(name) {}

CPropertyEditItem::~CPropertyEditItem() = default;

QWidget* CPropertyEditItem::CreateEditor(QWidget* parent, const QRect& rect) {
    QString text;
    if (!ValueText(text)) {
        return nullptr;
    }
    // The list is the editor's parent's owner; it takes focus back on Enter and Escape.
    QWidget* list = Owner() != nullptr ? Owner() : parent;
    auto* editor = new CPropertyEditWindow(parent, list);
    editor->setText(text);
    editor->setFont(list->font());
    editor->setAccessibleName(Name());
    if (IsUnsignedInteger(Value())) {
        editor->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), editor));
    }
    editor->setGeometry(rect);
    editor->show();
    m_editor = editor;
    return editor;
}

bool CPropertyEditItem::Activate(PropertyAction action, const QPoint&) {
    if (m_editor == nullptr || m_editor->IsClosing()) {
        return true;
    }
    switch (action) {
        case PropertyAction::Select:
            m_editor->setFocus(Qt::OtherFocusReason);
            break;
        case PropertyAction::DoubleClick:
        case PropertyAction::Tab:
        case PropertyAction::Key:
            m_editor->setFocus(Qt::OtherFocusReason);
            m_editor->selectAll();
            break;
        default:
            break;
    }
    return true;
}

bool CPropertyEditItem::ReadEditor(QWidget* editor) {
    auto* edit = qobject_cast<QLineEdit*>(editor);
    if (edit == nullptr) {
        return false;
    }
    return WriteValue(QVariant(edit->text()));
}

bool CPropertyEditItem::WriteValue(const QVariant& value) {
    if (!Value().isValid()) {
        Value() = value;
    }
    QVariant converted = value;
    if (!converted.convert(Value().metaType())) {
        return false;
    }
    Value() = converted;
    return true;
}
