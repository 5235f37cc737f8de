#pragma once
// A row edited in place with a single-line edit. Writing converts the text to the row's type
// (the first value written sets it); a row of an unsigned integer type accepts digits only.

#include <QPointer>

#include "ui/PropertyItem.h"

class CPropertyEditWindow;

class CPropertyEditItem : public CPropertyItem {
public:
    static constexpr int kKind = 3;

    explicit CPropertyEditItem(const QString& name);
    ~CPropertyEditItem() override;

    int Kind() const override { return kKind; }
    QWidget* CreateEditor(QWidget* parent, const QRect& rect) override;
    // Select focuses the editor; DoubleClick, Tab and Key also select its whole text.
    bool Activate(PropertyAction action, const QPoint& point) override;
    bool ReadEditor(QWidget* editor) override;
    // False, with the value unchanged, when the value cannot take the source's type.
    bool WriteValue(const QVariant& value) override;

private:
    QPointer<CPropertyEditWindow> m_editor;
};
