#pragma once
// Where the hex view puts things: the info panel's fields, the optional header row, the grid's
// columns, its lines and the scroll bar, for a client rectangle and a font's character size.
// The widget measures the font and paints; every number here is window-free. All rectangles
// are in pixels, right and bottom exclusive.

#include <cstdint>
#include <vector>

struct HexRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const HexRect&) const = default;
};

// cx: the font's average character width; cy: its line height (character height x 1.2,
// truncated); scrollBarWidth: the system's width of a vertical scroll bar.
struct HexMetrics {
    int cx = 8;
    int cy = 16;
    int scrollBarWidth = 16;
};

struct HexInfoField {
    int type = 0;
    int labelLength = 0;  // characters of the label, without its colon
    HexRect field;        // label, colon and value area
    HexRect value;        // where the value is drawn and edited
};

struct HexGridColumn {
    int type = 0;
    int unitWidth = 0;  // characters of one unit (the address width for the address column)
    HexRect rect;       // from the grid's top to the client's bottom
};

struct HexLayout {
    HexRect client;
    HexMetrics metrics;
    std::vector<HexInfoField> fields;    // in placing order
    HexRect panel;                       // empty without info fields
    HexRect header;                      // empty without the header flag
    std::vector<HexGridColumn> columns;  // left to right
    int gridTop = 0;
    int gridBottom = 0;
    int unitsPerLine = 0;  // 0 when no data column fits
    int visibleRows = 0;   // whole text rows within the grid
    int unitsPerPage = 0;
    HexRect scrollBar;

    const HexInfoField* FindField(int type) const;
    const HexGridColumn* FindColumn(int type) const;
    // Units per line as scrolling and caret moves count them: at least 1.
    int LineStep() const { return unitsPerLine > 0 ? unitsPerLine : 1; }
    // Top of text row k of the grid.
    int RowTop(int row) const { return gridTop + metrics.cy / 4 + row * metrics.cy; }
};

// Lays out the view for the style flags, the address width in digits and the unit size in
// bytes (1, or 2 for 16-bit units).
HexLayout ComputeHexLayout(const HexRect& client, const HexMetrics& metrics, std::uint32_t style,
                           int addressWidth, int unitBytes);

// The scroll bar's maximum in lines: (units - units per page) / units per line, truncated
// toward zero, 0 when negative, and one more when the units do not fill their last line.
// A units-per-line of 0 counts as 1.
int HexScrollMax(int unitCount, int unitsPerLine, int unitsPerPage);

struct HexHit {
    int column = 0;  // HexNoColumn when the point is on no field and no cell
    int unit = -1;   // the grid cell's unit; -1 for an info field (the shown unit) or no cell
};

// What lies at (x, y) with the given top unit: an info field's value area, or a grid cell whose
// unit exists. Any point of an address row gives the line's first unit.
HexHit HexHitTest(const HexLayout& layout, int x, int y, int top, int unitCount);

// The rectangle of a unit's cell in a grid column with the given top unit, or of an info
// field's value area; empty for a column that is off.
HexRect HexCellRect(const HexLayout& layout, int top, int unit, int column);
