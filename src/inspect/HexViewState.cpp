#include "inspect/HexViewState.h"

#include <algorithm>

#include "inspect/HexCellText.h"
#include "inspect/HexInfoText.h"
#include "inspect/NumberField.h"

namespace {

NumberBase BaseOfKind(int kind) {
    switch (kind) {
        case HexKindDec:
            return NumberDecimal;
        case HexKindBin:
            return NumberBinary;
        case HexKindOct:
            return NumberOctal;
        case HexKindChar:
            return NumberChar;
        default:
            return NumberHex;
    }
}

}  // namespace

std::optional<HexKey> HexKeyOf(NumEditKey key, bool ctrl) {
    switch (key) {
        case NumEditKey::Left:
            return HexKey::Left;
        case NumEditKey::Right:
            return HexKey::Right;
        case NumEditKey::Up:
            return HexKey::Up;
        case NumEditKey::Down:
            return HexKey::Down;
        case NumEditKey::Home:
            return ctrl ? HexKey::CtrlHome : HexKey::Home;
        case NumEditKey::End:
            return ctrl ? HexKey::CtrlEnd : HexKey::End;
        case NumEditKey::PageUp:
            return HexKey::PageUp;
        case NumEditKey::PageDown:
            return HexKey::PageDown;
        default:
            return std::nullopt;
    }
}

int HexInfoFieldOf(int switchAction) {
    if (switchAction < NumEditActionToHex || switchAction > NumEditActionToChar) {
        return HexNoColumn;
    }
    return HexInfoHex + (switchAction - NumEditActionToHex);
}

CHexViewState::CHexViewState() {
    Recompute();
}

void CHexViewState::Recompute() {
    m_unitCount = m_data != nullptr ? std::max(m_byteCount, 0) / GetUnitBytes() : 0;
    m_addressWidth = HexAddressWidth(GetBaseAddress() + m_unitCount - 1);
}

void CHexViewState::SetData(int byteCount, const unsigned char* data,
                            const unsigned char* comparison) {
    m_editorOpen = false;
    m_data = byteCount > 0 ? data : nullptr;
    m_byteCount = m_data != nullptr ? byteCount : 0;
    m_comparison = m_data != nullptr ? comparison : nullptr;
    m_dragging = false;
    m_tipUnit = -1;
    Recompute();
    m_top = 0;
    m_caret = m_selectionStart = m_selectionEnd = 0;
}

void CHexViewState::SetStyle(std::uint32_t set, std::uint32_t clear) {
    m_editorOpen = false;
    const bool wordsChanged = ((m_style ^ (set | (m_style & ~clear))) & HexStyleWords) != 0;
    m_style = set | (m_style & ~clear);
    Recompute();
    if ((m_unitCount > 0 && m_hasLayout) || wordsChanged) {
        m_top = 0;
    }
    if (m_top < m_unitCount) {
        m_caret = m_selectionStart = m_selectionEnd = m_top;
    }
}

unsigned CHexViewState::UnitValue(int unit) const {
    if (unit < 0 || unit >= m_unitCount) {
        return 0;
    }
    const int bytes = GetUnitBytes();
    return ComposeHexValue(m_data + static_cast<long long>(unit) * bytes, bytes,
                           Has(HexStyleLittleEndian));
}

bool CHexViewState::IsUnitChanged(int unit) const {
    if (m_comparison == nullptr || unit < 0 || unit >= m_unitCount) {
        return false;
    }
    const int bytes = GetUnitBytes();
    return ComposeHexValue(m_comparison + static_cast<long long>(unit) * bytes, bytes,
                           Has(HexStyleLittleEndian)) != UnitValue(unit);
}

std::string CHexViewState::CellText(int column, int unit) const {
    const int kind = HexKindOf(column);
    if (kind == HexKindAddress) {
        return HexAddressText(GetBaseAddress() + std::max(unit, 0), m_addressWidth);
    }
    return HexValueText(kind, UnitValue(unit), GetUnitBytes(), m_replacement);
}

std::string CHexViewState::InfoText(int unit) const {
    HexInfoOptions options;
    options.unitBytes = GetUnitBytes();
    options.littleEndian = Has(HexStyleLittleEndian);
    options.addressWidth = m_addressWidth;
    options.replacement = m_replacement;
    return ExpandInfoText(m_infoFormat, m_data, m_byteCount, unit, options);
}

// A caret in view before stays in view after, so a resize never loses the user's place.
void CHexViewState::SetLayout(const HexLayout& layout) {
    const bool caretShown = m_hasLayout && m_caret >= m_top &&
                            m_caret < m_top + std::max(m_layout.unitsPerPage, m_layout.LineStep());
    m_layout = layout;
    m_hasLayout = true;
    const int step = m_layout.LineStep();
    SetTop(std::min(m_top - m_top % step, ScrollMax() * step));
    if (caretShown && m_caret < m_unitCount) {
        EnsureVisible(m_caret);
    }
}

void CHexViewState::SetTop(int top) {
    m_top = std::max(top, 0);
}

bool CHexViewState::IsSelected(int unit) const {
    return unit >= GetSelectionStart() && unit <= GetSelectionEnd();
}

int CHexViewState::ScrollMax() const {
    return HexScrollMax(m_unitCount, m_layout.unitsPerLine, m_layout.unitsPerPage);
}

// A window too low for one line counts as a page of one line, so the unit's line is shown at
// the top instead of the line after it.
void CHexViewState::EnsureVisible(int unit) {
    const int step = m_layout.LineStep();
    const int page = std::max(m_layout.unitsPerPage, step);
    const int line = unit - unit % step;
    if (line < m_top) {
        SetTop(line);
    } else if (line >= m_top + page) {
        SetTop(line + step - page);
    }
}

void CHexViewState::SetCaret(int unit) {
    if (unit >= 0 && unit < m_unitCount) {
        m_caret = m_selectionStart = m_selectionEnd = unit;
        EnsureVisible(unit);
    }
}

void CHexViewState::MoveCaret(HexKey key) {
    if (m_unitCount == 0) {
        return;
    }
    const int step = m_layout.LineStep();
    const int lineStart = m_caret - m_caret % step;
    int target = m_caret;
    switch (key) {
        case HexKey::Left:
            target = m_caret - 1;
            break;
        case HexKey::Right:
            target = m_caret + 1;
            break;
        case HexKey::Up:
            target = m_caret - step;
            break;
        case HexKey::Down:
            target = m_caret + step;
            break;
        case HexKey::Home:
            target = lineStart;
            break;
        case HexKey::End:
            target = std::min(lineStart + step - 1, m_unitCount - 1);
            break;
        case HexKey::CtrlHome:
            target = 0;
            break;
        case HexKey::CtrlEnd:
            target = m_unitCount - 1;
            break;
        case HexKey::PageUp:
            target = m_caret - m_layout.unitsPerPage;
            if (target < 0) {
                target = m_caret % step;
            }
            break;
        case HexKey::PageDown:
            target = m_caret + m_layout.unitsPerPage;
            break;
    }
    if (target < 0) {
        SetTop(0);
    } else if (target >= m_unitCount) {
        // The caret stays; a line still below the page scrolls into view first.
        const int last = m_unitCount - 1;
        EnsureVisible(
            last - last % step >= m_top + std::max(m_layout.unitsPerPage, step) ? last : m_caret);
    } else {
        SetCaret(target);
    }
}

void CHexViewState::Scroll(HexScroll action, int trackPosition) {
    const int step = m_layout.LineStep();
    const int max = ScrollMax();
    const int pageLines = m_layout.unitsPerPage / step;
    int position = ScrollPosition();
    switch (action) {
        case HexScroll::LineUp:
            position -= 1;
            break;
        case HexScroll::LineDown:
            position += 1;
            break;
        case HexScroll::PageUp:
            position -= pageLines;
            break;
        case HexScroll::PageDown:
            position += pageLines;
            break;
        case HexScroll::Track:
            position = trackPosition;
            break;
        case HexScroll::Top:
            position = 0;
            break;
        case HexScroll::Bottom:
            position = max;
            break;
    }
    SetTop(std::clamp(position, 0, max) * step);
}

void CHexViewState::SetPointer(int x, int y) {
    const HexHit hit = HexHitTest(m_layout, x, y, m_top, m_unitCount);
    m_hotColumn = hit.column;
    m_hotUnit = IsGridColumn(hit.column) ? hit.unit : -1;
    if (m_dragging && IsGridDataColumn(m_hotColumn)) {
        m_selectionStart = m_caret;
        m_selectionEnd = m_hotUnit;
    }
}

void CHexViewState::ClearPointer() {
    m_hotColumn = HexNoColumn;
    m_hotUnit = -1;
}

HexRect CHexViewState::GetHotRect() const {
    if (m_hotColumn == HexNoColumn) {
        return {};
    }
    return HexCellRect(m_layout, m_top, m_hotUnit, m_hotColumn);
}

int CHexViewState::ShownUnit() const {
    const bool overGrid = IsGridColumn(m_hotColumn);
    if (!m_editorOpen) {
        return overGrid ? m_hotUnit : m_caret;
    }
    return overGrid && IsGridColumn(m_editedColumn) ? m_hotUnit : m_editedUnit;
}

HexTipStep CHexViewState::NextTipStep() {
    if (!IsGridDataColumn(m_hotColumn)) {
        m_tipUnit = -1;
        return HexTipStep::Hide;
    }
    if (m_hotUnit == m_tipUnit) {
        return HexTipStep::Show;
    }
    m_tipUnit = m_hotUnit;
    return HexTipStep::NewText;
}

bool CHexViewState::Press() {
    if (!IsGridDataColumn(m_hotColumn)) {
        return false;
    }
    m_editorOpen = false;
    SetCaret(m_hotUnit);
    m_dragging = Has(HexStyleDragSelect);
    return true;
}

std::optional<std::pair<int, int>> CHexViewState::Release() {
    const bool dragged = m_dragging;
    m_dragging = false;
    if (dragged && GetSelectionEnd() > GetSelectionStart()) {
        return std::make_pair(GetSelectionStart(), GetSelectionEnd());
    }
    return std::nullopt;
}

std::optional<HexEditorSetup> CHexViewState::OpenEditor(int unit, int column) {
    unit = unit < 0 ? m_editedUnit : unit;
    column = column < 0 ? m_editedColumn : column;
    const bool address = IsAddressColumn(column);
    if (!IsColumnOn(m_style, column) || (Has(HexStyleReadOnly) && !address) || unit < 0 ||
        unit >= m_unitCount) {
        return std::nullopt;
    }
    if (IsGridColumn(column)) {
        EnsureVisible(unit);
    }
    HexEditorSetup setup;
    setup.unit = unit;
    setup.column = column;
    setup.rect = HexCellRect(m_layout, m_top, unit, column);
    if (setup.rect.IsEmpty()) {
        return std::nullopt;
    }
    if (address) {
        setup.value = static_cast<std::uint32_t>(GetBaseAddress() + unit);
        setup.base = NumberHex;
        setup.rangeKind = NumRangeGiven;
        setup.low = static_cast<std::uint32_t>(GetBaseAddress());
        setup.high = static_cast<std::uint32_t>(GetBaseAddress() + m_unitCount - 1);
        setup.digits = m_addressWidth;
    } else {
        setup.value = UnitValue(unit);
        setup.base = BaseOfKind(HexKindOf(column));
        setup.rangeKind = GetUnitBytes() == 2 ? NumRangeWord : NumRangeByte;
    }
    m_editorOpen = true;
    m_editedUnit = unit;
    m_editedColumn = column;
    return setup;
}

int CHexViewState::EnterColumn() const {
    for (int column = HexGridHex; column <= HexGridAscii; ++column) {
        if (IsColumnOn(m_style, column)) {
            return column;
        }
    }
    return HexGridAddr;
}

HexCommit CHexViewState::Commit(std::uint32_t value, bool changed) {
    if (!changed) {
        return {};
    }
    if (IsAddressColumn(m_editedColumn)) {
        const long long unit = static_cast<long long>(value) - GetBaseAddress();
        if (unit >= 0 && unit < m_unitCount) {
            SetCaret(static_cast<int>(unit));
        }
        return {};
    }
    return {true, m_editedUnit, value};
}

int CHexViewState::StepColumn(int column, bool forward) const {
    const int place = column & 0xF0;
    int next = column;
    for (int i = 0; i < 5; ++i) {
        int kind = HexKindOf(next) + (forward ? 1 : -1);
        if (kind > HexKindChar) {
            kind = HexKindHex;
        } else if (kind < HexKindHex) {
            kind = HexKindChar;
        }
        next = place | kind;
        if (IsColumnOn(m_style, next)) {
            return next;
        }
    }
    return column;
}

bool CHexViewState::Navigate(int action) {
    if (IsAddressColumn(m_editedColumn)) {
        return false;
    }
    if (action == NumEditActionTab || action == NumEditActionShiftTab) {
        m_editedColumn = StepColumn(m_editedColumn, action == NumEditActionTab);
    } else {
        // The editor's moves are the view's keys; its Ctrl+Home and Ctrl+End stay on the line.
        constexpr std::pair<int, HexKey> kMoves[] = {
            {NumEditActionLineStart, HexKey::Home}, {NumEditActionLineEnd, HexKey::End},
            {NumEditActionLeft, HexKey::Left},      {NumEditActionRight, HexKey::Right},
            {NumEditActionUp, HexKey::Up},          {NumEditActionDown, HexKey::Down},
            {NumEditActionPageUp, HexKey::PageUp},  {NumEditActionPageDown, HexKey::PageDown}};
        const auto* move =
            std::find_if(std::begin(kMoves), std::end(kMoves),
                         [action](const auto& entry) { return entry.first == action; });
        if (move == std::end(kMoves)) {
            return false;
        }
        MoveCaret(move->second);
    }
    m_editedUnit = m_caret;
    return true;
}

int CHexViewState::SwitchTarget(int action) const {
    const int field = HexInfoFieldOf(action);
    if (field == HexNoColumn || Has(HexStyleReadOnly) || !IsColumnOn(m_style, field) ||
        field == m_editedColumn) {
        return HexNoColumn;
    }
    return field;
}

std::optional<std::pair<int, int>> CHexViewState::DoubleClickTarget(int previousUnit) {
    const int column = m_hotColumn;
    if (IsGridDataColumn(column)) {
        SetCaret(m_hotUnit);
    }
    if (column == HexNoColumn || (Has(HexStyleReadOnly) && !IsAddressColumn(column))) {
        return std::nullopt;
    }
    if (column == HexGridAddr) {
        return std::make_pair(m_hotUnit, column);
    }
    if (IsInfoField(column)) {
        return std::make_pair(previousUnit >= 0 ? previousUnit : m_caret, column);
    }
    return std::make_pair(m_caret, column);
}
