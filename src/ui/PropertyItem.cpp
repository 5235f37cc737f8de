#include "ui/PropertyItem.h"

#include <QPainter>

CPropertyItem::CPropertyItem(const QString& name) : CProperty(name) {}

CPropertyItem::~CPropertyItem() = default;

void CPropertyItem::DrawValue(const PropertyDrawInfo& info) {
    QString text;
    if (!ValueText(text)) {
        return;
    }
    QPainter& painter = *info.painter;
    painter.setPen((info.state & kPropertyDisabled) ? info.disabledText : info.text);
    painter.setFont(info.normalFont);
    const QRect cell = info.rect.adjusted(2, 0, 0, 0);
    painter.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(text, Qt::ElideRight, cell.width()));
}

bool CPropertyItem::ValueText(QString& text) const {
    if (!m_value.isValid()) {
        text.clear();
        return true;
    }
    QVariant converted = m_value;
    if (!converted.convert(QMetaType::fromType<QString>())) {
        return false;
    }
    text = converted.toString();
    return true;
}

bool CPropertyItem::ReadValue(QVariant& value) const {
    value = m_value;
    return true;
}

bool CPropertyItem::WriteValue(const QVariant& value) {
    m_value = value;
    return true;
}
