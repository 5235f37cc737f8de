#pragma once
// Everything the hex view decides without a window: the data it shows as units, the style, the
// layout it was given, the top unit, the caret and selection, the cell under the pointer, the
// tool tip's steps, and where the in-place editor opens and what its results do. The widget
// (CHexViewCtrl) measures the font, hands the layout in, forwards input and paints what this
// says; it tells its owner when GetTop() has changed.
//
// The data is not owned: the caller keeps it alive and unchanged while it is shown.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "inspect/HexColumns.h"
#include "inspect/HexViewLayout.h"
#include "inspect/NumberCodec.h"
#include "inspect/NumberField.h"

enum class HexKey { Left, Right, Up, Down, Home, End, CtrlHome, CtrlEnd, PageUp, PageDown };

// The caret move of a key (Home and End with Ctrl go to the first and last unit); nothing for
// keys that move nothing.
std::optional<HexKey> HexKeyOf(NumEditKey key, bool ctrl);
// The info field of a notation action (NumEditActionToHex .. NumEditActionToChar), else
// HexNoColumn.
int HexInfoFieldOf(int switchAction);

enum class HexScroll { LineUp, LineDown, PageUp, PageDown, Track, Top, Bottom };

// What the tool tip does after a pointer move.
enum class HexTipStep {
    Hide,     // not over a grid data cell: no text, inactive, nothing described
    Show,     // over the unit described last: active
    NewText,  // over another unit: inactive, its text is InfoText(GetTipUnit())
};

// Where an editor is to open, and how.
struct HexEditorSetup {
    int unit = -1;
    int column = HexNoColumn;
    std::uint32_t value = 0;
    NumberBase base = NumberHex;
    int rangeKind = 0;  // NumRangeKind
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    int digits = 0;  // at least: an address has as many as its column shows
    HexRect rect;
};

struct HexCommit {
    bool edited = false;  // report HexValueEdited(unit, value)
    int unit = -1;
    std::uint32_t value = 0;
};

class CHexViewState {
public:
    CHexViewState();

    // Data and style. Both return the view to the first line with the caret on unit 0 (the
    // style only when there are units and a layout, or when the unit size changed).
    void SetData(int byteCount, const unsigned char* data, const unsigned char* comparison);
    void SetStyle(std::uint32_t set, std::uint32_t clear);
    std::uint32_t GetStyle() const { return m_style; }
    bool Has(std::uint32_t flag) const { return (m_style & flag) != 0; }
    void SetReplacementChar(char replacement) { m_replacement = replacement; }
    char GetReplacementChar() const { return m_replacement; }
    void SetInfoFormat(std::string format) { m_infoFormat = std::move(format); }
    const std::string& GetInfoFormat() const { return m_infoFormat; }

    int GetByteCount() const { return m_byteCount; }
    int GetUnitCount() const { return m_unitCount; }
    int GetUnitBytes() const { return Has(HexStyleWords) ? 2 : 1; }
    int GetAddressWidth() const { return m_addressWidth; }
    long long GetBaseAddress() const { return 0; }

    // A unit's value (0 for a unit that does not exist) and whether it differs from the
    // comparison data.
    unsigned UnitValue(int unit) const;
    bool IsUnitChanged(int unit) const;
    // The text of a unit's cell in a grid column or info field (the address for address
    // columns), in Windows-1251.
    std::string CellText(int column, int unit) const;
    // The info format expanded for a unit.
    std::string InfoText(int unit) const;

    // The layout for the current size and font. The top unit is brought to a line start and
    // within the scroll range, so no line is ever out of reach after a resize; a caret that was
    // in view stays in view.
    void SetLayout(const HexLayout& layout);
    const HexLayout& GetLayout() const { return m_layout; }

    int GetTop() const { return m_top; }
    int GetCaret() const { return m_caret; }
    int GetSelectionStart() const { return std::min(m_selectionStart, m_selectionEnd); }
    int GetSelectionEnd() const { return std::max(m_selectionStart, m_selectionEnd); }
    bool IsSelected(int unit) const;

    void MoveCaret(HexKey key);
    // Puts the caret on a unit that exists and keeps it visible.
    void SetCaret(int unit);
    void EnsureVisible(int unit);
    void Scroll(HexScroll action, int trackPosition = 0);
    int ScrollMax() const;
    int ScrollPosition() const { return m_top / m_layout.LineStep(); }

    // The pointer: the cell under it (or none when it left the view).
    void SetPointer(int x, int y);
    void ClearPointer();
    int GetHotColumn() const { return m_hotColumn; }
    int GetHotUnit() const { return m_hotUnit; }
    HexRect GetHotRect() const;
    // The unit the info panel describes.
    int ShownUnit() const;
    HexTipStep NextTipStep();
    void ForgetTip() { m_tipUnit = -1; }
    int GetTipUnit() const { return m_tipUnit; }

    // Left button over a grid data cell: the caret goes there (true); elsewhere nothing.
    bool Press();
    // The selection made by dragging over more than one unit, when the button goes up.
    std::optional<std::pair<int, int>> Release();

    // Editing. OpenEditor keeps the edited unit or column where -1 is given; it refuses
    // columns that are off, data columns in a read-only view, and units that do not exist.
    std::optional<HexEditorSetup> OpenEditor(int unit, int column);
    void CloseEditor() { m_editorOpen = false; }
    bool IsEditorOpen() const { return m_editorOpen; }
    int GetEditedColumn() const { return m_editedColumn; }
    int GetEditedUnit() const { return m_editedUnit; }
    // The column Enter opens: the first grid data column that is on, else the address column.
    int EnterColumn() const;
    // What a committed value does; a changed address moves the caret here.
    HexCommit Commit(std::uint32_t value, bool changed);
    // A navigation action of the editor (already committed and closed by the caller): moves
    // the caret or steps the edited column. False when it is ignored (an address is edited).
    bool Navigate(int action);
    // The info field a notation switch opens, or HexNoColumn when it is ignored.
    int SwitchTarget(int action) const;
    // The editor a double click opens at the pointer (the caret moves to a data cell first);
    // previousUnit is the unit of an editor the click just closed, or -1.
    std::optional<std::pair<int, int>> DoubleClickTarget(int previousUnit);
    // The next or previous enabled data column of the same place, wrapping around.
    int StepColumn(int column, bool forward) const;

private:
    void Recompute();
    void SetTop(int top);

    const unsigned char* m_data = nullptr;
    const unsigned char* m_comparison = nullptr;
    int m_byteCount = 0;
    int m_unitCount = 0;
    std::uint32_t m_style = HexStyleDefault;
    int m_addressWidth = 4;
    char m_replacement = 0;
    std::string m_infoFormat;
    HexLayout m_layout;
    bool m_hasLayout = false;

    int m_top = 0;
    int m_caret = 0;
    int m_selectionStart = 0;
    int m_selectionEnd = 0;
    int m_hotColumn = HexNoColumn;
    int m_hotUnit = -1;
    int m_tipUnit = -1;
    bool m_dragging = false;

    bool m_editorOpen = false;
    int m_editedColumn = HexNoColumn;
    int m_editedUnit = 0;
};
