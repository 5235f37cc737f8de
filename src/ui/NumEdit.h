#pragma once
// The numeric edit field: one unsigned number in decimal, hexadecimal, binary, octal or as a
// character, typed within a range. It turns white on red while its text is out of range, and
// reports Enter, Escape, Tab, the navigation keys and the notation shortcuts to its owner as
// signals instead of acting on them; its owner closes it. The rules live in CNumberField.
//
// Its keys are handled in the field itself, so they act only while it has the focus.

#include <QColor>
#include <QLineEdit>
#include <cstdint>
#include <string>

#include "inspect/NumberField.h"

class CNumEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kControlId = 10;

    explicit CNumEdit(QWidget* parent = nullptr);

    void SetNumber(std::uint32_t value, NumberBase base, int rangeKind, std::uint32_t low,
                   std::uint32_t high, int minimumDigits = 0);
    // Reads the text and parses it in the field's notation.
    std::uint32_t Value();
    bool IsValid();
    // Whether the text read by the last Value() differs from the text SetNumber wrote.
    bool IsChanged() const { return m_field.IsChanged(m_lastRead); }
    // which: 0 normal text, 1 normal background, 2 invalid text, 3 invalid background.
    void SetColour(int which, const QColor& colour, bool redraw);
    const CNumberField& GetField() const { return m_field; }
    // The key of a Qt key code, as the field's rules know it.
    static NumEditKey KeyOf(int key);

signals:
    // Each carries the action code (NumEditAction) and the value at that moment.
    void NumEditCancel(int action, unsigned value);
    void NumEditCommit(int action, unsigned value);
    void NumEditNavigate(int action, unsigned value);
    void NumEditSwitchBase(int action, unsigned value);

protected:
    // Tab and Shift+Tab come here before the focus chain would take them.
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool HandleKey(QKeyEvent* event);
    void Notify(int action);
    void UpdateColours();
    // The text as the field's bytes (Windows-1251 for the character notation).
    std::string TextBytes() const;

    CNumberField m_field;
    std::string m_lastRead;
    QColor m_colours[4];
    bool m_valid = true;
};
