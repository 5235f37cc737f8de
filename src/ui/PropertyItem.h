#pragma once
// A row with a value: a variant that starts with no type and shows its text in the value cell.

#include "ui/Property.h"

class CPropertyItem : public CProperty {
public:
    static constexpr int kKind = 2;

    explicit CPropertyItem(const QString& name);
    ~CPropertyItem() override;

    int Kind() const override { return kKind; }
    void DrawValue(const PropertyDrawInfo& info) override;
    bool ValueText(QString& text) const override;
    bool ReadValue(QVariant& value) const override;
    // A plain copy: the value takes the source's type too.
    bool WriteValue(const QVariant& value) override;

protected:
    QVariant& Value() { return m_value; }
    const QVariant& Value() const { return m_value; }

private:
    QVariant m_value;
};
