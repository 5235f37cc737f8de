#include "ui/Property.h"

#include <QPainter>

IProperty::~IProperty() = default;

CProperty::CProperty(const QString& name) : m_name(name) {}

CProperty::~CProperty() = default;

bool CProperty::Enable(int flag) {
    m_enabled = flag == 1;
    return m_enabled;
}

// Selected colours only while the list itself has focus; the text is drawn as it stands, no
// mnemonic underlining.
void CProperty::DrawName(const PropertyDrawInfo& info) {
    QPainter& painter = *info.painter;
    const bool highlighted = (info.state & kPropertySelected) && (info.state & kPropertyFocus);
    painter.fillRect(info.rect, highlighted ? info.selectedBackground : info.background);
    QColor colour = highlighted ? info.selectedText : info.text;
    if (info.state & kPropertyDisabled) {
        colour = info.disabledText;
    }
    painter.setPen(colour);
    painter.setFont(info.normalFont);
    const QRect text = info.rect.adjusted(2, 0, 0, 0);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(m_name, Qt::ElideRight, text.width()));
}

void CProperty::DrawValue(const PropertyDrawInfo&) {}

QWidget* CProperty::CreateEditor(QWidget*, const QRect&) {
    return nullptr;
}

bool CProperty::Activate(PropertyAction, const QPoint&) {
    return true;
}

bool CProperty::ValueText(QString&) const {
    return false;
}

bool CProperty::ReadValue(QVariant&) const {
    return false;
}

bool CProperty::ReadEditor(QWidget*) {
    return false;
}

bool CProperty::WriteValue(const QVariant&) {
    return false;
}
