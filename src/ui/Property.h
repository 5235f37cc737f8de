#pragma once
// One row of the property list: the interface every row item implements, what a row gets to
// paint itself with, and the base item that holds the name, the enabled flag and the caller's
// tag. The list owns its items; items only refer to the list (their owner).

#include <QColor>
#include <QFont>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QVariant>
#include <cstdint>

class QPainter;
class QWidget;

// Row state flags handed to the painting operations.
enum PropertyState : unsigned {
    kPropertySelected = 0x1,
    kPropertyDisabled = 0x4,
    kPropertyFocus = 0x10,
    kPropertyEditing = 0x1000,
};

// Why the list activates a row: the row was selected, clicked, double-clicked, reached with
// Tab, or a key asks to edit it.
enum class PropertyAction : int { Select = 1, Click = 2, DoubleClick = 4, Tab = 6, Key = 7 };

// What a row paints with; the list fills it from the system colours.
struct PropertyDrawInfo {
    QPainter* painter = nullptr;
    QRect rect;  // the cell
    unsigned state = 0;
    QFont normalFont;
    QFont boldFont;
    QPen gridPen;
    QColor text;
    QColor background;
    QColor selectedText;
    QColor selectedBackground;
    QColor grid;
    QColor disabledText;
    unsigned listStyle = 0;
};

class IProperty {
public:
    virtual ~IProperty();
    virtual int Kind() const = 0;
    virtual void SetOwner(QWidget* owner) = 0;
    virtual const QString& Name() const = 0;
    // Enabled exactly when the flag is 1; returns the new state.
    virtual bool Enable(int flag) = 0;
    virtual bool IsEnabled() const = 0;
    virtual void SetTag(std::intptr_t tag) = 0;
    virtual std::intptr_t Tag() const = 0;
    virtual void DrawName(const PropertyDrawInfo& info) = 0;
    virtual void DrawValue(const PropertyDrawInfo& info) = 0;
    // An in-place editor over the rectangle, a child of parent; nullptr when the row has none.
    virtual QWidget* CreateEditor(QWidget* parent, const QRect& rect) = 0;
    virtual bool Activate(PropertyAction action, const QPoint& point) = 0;
    virtual bool ValueText(QString& text) const = 0;
    virtual bool ReadValue(QVariant& value) const = 0;
    // Takes the editor's text as the new value.
    virtual bool ReadEditor(QWidget* editor) = 0;
    virtual bool WriteValue(const QVariant& value) = 0;
};

class CProperty : public IProperty {
public:
    explicit CProperty(const QString& name);
    ~CProperty() override;

    void SetOwner(QWidget* owner) override { m_owner = owner; }
    const QString& Name() const override { return m_name; }
    bool Enable(int flag) override;
    bool IsEnabled() const override { return m_enabled; }
    void SetTag(std::intptr_t tag) override { m_tag = tag; }
    std::intptr_t Tag() const override { return m_tag; }
    void DrawName(const PropertyDrawInfo& info) override;
    void DrawValue(const PropertyDrawInfo& info) override;
    QWidget* CreateEditor(QWidget* parent, const QRect& rect) override;
    bool Activate(PropertyAction action, const QPoint& point) override;
    bool ValueText(QString& text) const override;
    bool ReadValue(QVariant& value) const override;
    bool ReadEditor(QWidget* editor) override;
    bool WriteValue(const QVariant& value) override;

protected:
    QWidget* Owner() const { return m_owner; }

private:
    QWidget* m_owner = nullptr;
    QString m_name;
    bool m_enabled = true;
    std::intptr_t m_tag = 0;
};
