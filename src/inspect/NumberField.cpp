#include "inspect/NumberField.h"

#include <algorithm>

int NumEditCodeOf(int action) {
    if (action == NumEditActionCancel) {
        return NumEditCancelCode;
    }
    if (action == NumEditActionCommit) {
        return NumEditCommitCode;
    }
    if (action >= NumEditActionLineStart && action <= NumEditActionPageDown) {
        return NumEditNavigateCode;
    }
    if (action >= NumEditActionToHex && action <= NumEditActionToChar) {
        return NumEditSwitchBaseCode;
    }
    return 0;
}

void CNumberField::SetNumber(std::uint32_t value, NumberBase base, int rangeKind, std::uint32_t low,
                             std::uint32_t high, int minimumDigits) {
    m_base = base;
    if (rangeKind == NumRangeByte) {
        m_minimum = 0;
        m_maximum = 255;
    } else if (rangeKind == NumRangeWord) {
        m_minimum = 0;
        m_maximum = 65535;
    } else {
        m_minimum = std::min(low, high);
        m_maximum = std::max(low, high);
    }
    m_value = value < m_minimum || value > m_maximum ? m_minimum : value;
    m_digits = std::max(NumberDigitCount(m_maximum, base), minimumDigits);
    m_textAsSet = FormatNumber(m_value, base, m_digits);
}

bool CNumberField::IsValid(std::string_view text) const {
    const std::uint32_t value = Parse(text);
    return value >= m_minimum && value <= m_maximum;
}

std::optional<char> CNumberField::FilterCharacter(char character, int textLength,
                                                  bool hasSelection) const {
    if (static_cast<unsigned char>(character) < 32) {
        return character;
    }
    if (textLength >= m_digits && !hasSelection) {
        return std::nullopt;
    }
    if (m_base == NumberChar) {
        return character;
    }
    if (character >= 'a' && character <= 'f') {
        character = static_cast<char>(character - 'a' + 'A');
    }
    const bool digit = character >= '0' && character <= '9';
    const bool hexLetter = character >= 'A' && character <= 'F';
    switch (m_base) {
        case NumberDecimal:
            return digit ? std::optional<char>(character) : std::nullopt;
        case NumberHex:
            return digit || hexLetter ? std::optional<char>(character) : std::nullopt;
        case NumberBinary:
            return character == '0' || character == '1' ? std::optional<char>(character)
                                                        : std::nullopt;
        case NumberOctal:
            return character >= '0' && character <= '7' ? std::optional<char>(character)
                                                        : std::nullopt;
        default:
            return std::nullopt;
    }
}

namespace {

int NavigateAction(NumEditKey key, const NumEditKeyState& state) {
    const bool atStart = state.caret <= 0 && !state.hasSelection;
    const bool atEnd = state.caret >= state.textLength && !state.hasSelection;
    switch (key) {
        case NumEditKey::PageUp:
            return NumEditActionPageUp;
        case NumEditKey::PageDown:
            return NumEditActionPageDown;
        case NumEditKey::Up:
            return NumEditActionUp;
        case NumEditKey::Down:
            return NumEditActionDown;
        case NumEditKey::Home:
            return state.ctrl ? NumEditActionLineStart : -1;
        case NumEditKey::End:
            return state.ctrl ? NumEditActionLineEnd : -1;
        case NumEditKey::Left:
            return atStart || state.ctrl ? NumEditActionLeft : -1;
        case NumEditKey::Right:
            return atEnd || state.ctrl ? NumEditActionRight : -1;
        default:
            return -1;
    }
}

}  // namespace

int NumEditSwitchAction(NumEditKey key) {
    switch (key) {
        case NumEditKey::H:
            return NumEditActionToHex;
        case NumEditKey::D:
            return NumEditActionToDec;
        case NumEditKey::B:
            return NumEditActionToBin;
        case NumEditKey::O:
            return NumEditActionToOct;
        case NumEditKey::A:
            return NumEditActionToChar;
        default:
            return -1;
    }
}

NumEditKeyResult TranslateNumEditKey(NumEditKey key, const NumEditKeyState& state) {
    int action = -1;
    switch (key) {
        case NumEditKey::Escape:
            return {true, NumEditActionCancel};
        case NumEditKey::Enter:
            action = NumEditActionCommit;
            break;
        case NumEditKey::Tab:
            action = state.shift ? NumEditActionShiftTab : NumEditActionTab;
            break;
        case NumEditKey::H:
        case NumEditKey::D:
        case NumEditKey::B:
        case NumEditKey::O:
        case NumEditKey::A:
            if (!state.ctrl) {
                return {};
            }
            action = NumEditSwitchAction(key);
            break;
        default:
            action = NavigateAction(key, state);
            if (action < 0) {
                return {};
            }
            break;
    }
    return {true, state.valid ? action : -1};
}
