#pragma once
// The window-free half of the numeric edit field: its notation, range and text as set, the
// filter for typed characters, and which keys become notifications to its owner. The widget
// (CNumEdit) holds the text the user edits and asks this what to do.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "inspect/NumberCodec.h"

// What the field reports, as action codes; each action has its notification code below.
enum NumEditAction : int {
    NumEditActionCancel = 0,     // Escape
    NumEditActionCommit = 1,     // Enter
    NumEditActionLineStart = 4,  // Ctrl+Home
    NumEditActionLineEnd = 5,    // Ctrl+End
    NumEditActionLeft = 6,
    NumEditActionRight = 7,
    NumEditActionUp = 8,
    NumEditActionDown = 9,
    NumEditActionTab = 10,
    NumEditActionShiftTab = 11,
    NumEditActionPageUp = 12,
    NumEditActionPageDown = 13,
    NumEditActionToHex = 14,   // Ctrl+H
    NumEditActionToDec = 15,   // Ctrl+D
    NumEditActionToBin = 16,   // Ctrl+B
    NumEditActionToOct = 17,   // Ctrl+O
    NumEditActionToChar = 18,  // Ctrl+A
};

enum NumEditCode : int {
    NumEditCancelCode = 1126,
    NumEditCommitCode = 1127,
    NumEditNavigateCode = 1128,
    NumEditSwitchBaseCode = 1129,
};

// The notification code of an action; 0 for actions that send nothing.
int NumEditCodeOf(int action);

enum NumRangeKind : int {
    NumRangeGiven = 0,  // low and high as given, in either order
    NumRangeByte = 1,   // 0..255
    NumRangeWord = 2,   // 0..65535
};

enum class NumEditKey {
    Tab,
    Enter,
    Escape,
    Home,
    End,
    Left,
    Right,
    Up,
    Down,
    PageUp,
    PageDown,
    H,
    D,
    B,
    O,
    A,  // the notation shortcuts, with Ctrl
    Other,
};

struct NumEditKeyState {
    bool ctrl = false;
    bool shift = false;
    int caret = 0;  // caret position in characters
    int textLength = 0;
    bool hasSelection = false;
    bool valid = true;  // the text lies within the range
};

struct NumEditKeyResult {
    bool consumed = false;  // the edit does not see the key
    int action = -1;        // reported to the owner when not -1
};

class CNumberField {
public:
    // Notation, range and text. Out-of-range values are shown as the minimum. The field takes
    // as many characters as the maximum has digits, or minimumDigits when that is more (an
    // address is shown, and typed, with the digits of the address column).
    void SetNumber(std::uint32_t value, NumberBase base, int rangeKind, std::uint32_t low,
                   std::uint32_t high, int minimumDigits = 0);

    NumberBase GetBase() const { return m_base; }
    std::uint32_t GetMinimum() const { return m_minimum; }
    std::uint32_t GetMaximum() const { return m_maximum; }
    std::uint32_t GetValue() const { return m_value; }  // as set, after clamping
    int GetDigits() const { return m_digits; }
    const std::string& GetTextAsSet() const { return m_textAsSet; }

    std::uint32_t Parse(std::string_view text) const { return ParseNumber(text, m_base); }
    bool IsValid(std::string_view text) const;
    bool IsChanged(std::string_view text) const { return text != m_textAsSet; }

    // A typed character as the edit should take it (hexadecimal letters in upper case), or
    // nothing when it is refused. Control characters always pass; nothing more is taken once
    // the text has the digit count and no text is selected.
    std::optional<char> FilterCharacter(char character, int textLength, bool hasSelection) const;

private:
    NumberBase m_base = NumberDecimal;
    std::uint32_t m_minimum = 0;
    std::uint32_t m_maximum = 0;
    std::uint32_t m_value = 0;
    int m_digits = 0;
    std::string m_textAsSet;
};

// The notation action (NumEditActionToHex .. NumEditActionToChar) of a Ctrl letter key, -1 for
// any other key.
int NumEditSwitchAction(NumEditKey key);

// What a key pressed in the field does. Escape always cancels; Enter, Tab, the navigation keys
// and the notation shortcuts report only while the value is valid, and are consumed either way.
// Home and End navigate only with Ctrl, Left only from the start of the text and Right only
// from its end (or with Ctrl); other keys edit the text.
NumEditKeyResult TranslateNumEditKey(NumEditKey key, const NumEditKeyState& state);
