#include "inspect/HexViewLayout.h"

#include <algorithm>

#include "inspect/HexColumns.h"

namespace {

// Fields go left to right in type order, one cx apart; a field that does not fit into the rest
// of its row starts the next one, cy lower; a field as wide as the whole row is left out.
void PlaceInfoFields(HexLayout& layout, std::uint32_t style, int addressWidth, int unitBytes) {
    const HexRect& client = layout.client;
    const int cx = layout.metrics.cx;
    const int cy = layout.metrics.cy;
    const int innerLeft = client.left + cx;
    const int innerRight = client.right - cx;
    int rowTop = client.top + cy / 6;
    int x = innerLeft;
    for (int type = HexInfoAddr; type <= HexInfoAscii; ++type) {
        if (!IsColumnOn(style, type)) {
            continue;
        }
        const int label = static_cast<int>(HexColumnLabel(type).size());
        const int width = (label + HexUnitWidth(HexKindOf(type), unitBytes, addressWidth) + 3) * cx;
        if (width >= innerRight - innerLeft) {
            continue;
        }
        if (x + width > innerRight) {
            rowTop += cy;
            x = innerLeft;
        }
        HexInfoField field;
        field.type = type;
        field.labelLength = label;
        field.field = {x, rowTop, x + width, rowTop + cy};
        field.value = {x + (label + 1) * cx, rowTop, x + width, rowTop + cy - cy / 6};
        layout.fields.push_back(field);
        x += width + cx;
    }
    if (!layout.fields.empty()) {
        layout.panel = {client.left, client.top, client.right, rowTop + cy};
    }
}

// Columns follow each other from the client's left edge. What is left right of the address
// column, less a scroll bar, is shared out in whole units per line.
void PlaceGridColumns(HexLayout& layout, std::uint32_t style, int addressWidth, int unitBytes) {
    const int cx = layout.metrics.cx;
    const HexRect& client = layout.client;
    int x = client.left;
    if (IsColumnOn(style, HexGridAddr)) {
        layout.columns.push_back(
            {HexGridAddr,
             addressWidth,
             {x, layout.gridTop, x + (addressWidth + 2) * cx, layout.gridBottom}});
        x += (addressWidth + 2) * cx;
    }
    const int room = client.right - x - layout.metrics.scrollBarWidth;
    int budget = cx > 0 ? room / cx : 0;
    int perUnit = 0;
    int margins = 0;
    bool anyData = false;
    for (int type = HexGridHex; type <= HexGridAscii; ++type) {
        if (!IsColumnOn(style, type)) {
            continue;
        }
        anyData = true;
        if (type == HexGridAscii) {
            budget -= 2;
            perUnit += cx + 1;
            margins += 2 * cx - 1;
        } else {
            budget -= 1;
            perUnit += (HexUnitWidth(HexKindOf(type), unitBytes, addressWidth) + 1) * cx;
            margins += cx;
        }
    }
    int perLine = 0;
    if (anyData && budget > 0 && perUnit > 0) {
        perLine = std::max(0, static_cast<int>(static_cast<double>(room - margins) / perUnit));
    }
    layout.unitsPerLine = perLine;
    for (int type = HexGridHex; type <= HexGridAscii; ++type) {
        if (!IsColumnOn(style, type)) {
            continue;
        }
        const int w = HexUnitWidth(HexKindOf(type), unitBytes, addressWidth);
        const int width =
            type == HexGridAscii ? perLine * (cx + 1) + 2 * cx : ((w + 1) * perLine + 1) * cx;
        layout.columns.push_back({type, w, {x, layout.gridTop, x + width, layout.gridBottom}});
        x += width;
    }
}

}  // namespace

const HexInfoField* HexLayout::FindField(int type) const {
    for (const HexInfoField& field : fields) {
        if (field.type == type) {
            return &field;
        }
    }
    return nullptr;
}

const HexGridColumn* HexLayout::FindColumn(int type) const {
    for (const HexGridColumn& column : columns) {
        if (column.type == type) {
            return &column;
        }
    }
    return nullptr;
}

HexLayout ComputeHexLayout(const HexRect& client, const HexMetrics& metrics, std::uint32_t style,
                           int addressWidth, int unitBytes) {
    HexLayout layout;
    layout.client = client;
    layout.metrics = metrics;
    const int cy = metrics.cy;
    int top = client.top;
    if ((style & HexStyleInfoMask) != 0) {
        PlaceInfoFields(layout, style, addressWidth, unitBytes);
        top = std::max(top, layout.panel.bottom);
    }
    if ((style & HexStyleHeader) != 0) {
        layout.header = {client.left, top, client.right, top + cy};
        top += cy;
    }
    layout.gridTop = top;
    layout.gridBottom = std::max(top, client.bottom);
    PlaceGridColumns(layout, style, addressWidth, unitBytes);
    layout.visibleRows = cy > 0 ? std::max(0, (layout.gridBottom - top - cy / 4) / cy) : 0;
    layout.unitsPerPage = layout.visibleRows * layout.unitsPerLine;
    layout.scrollBar = {client.right - metrics.scrollBarWidth, top, client.right,
                        layout.gridBottom};
    return layout;
}

int HexScrollMax(int unitCount, int unitsPerLine, int unitsPerPage) {
    const int perLine = std::max(1, unitsPerLine);
    int max = (unitCount - unitsPerPage) / perLine;  // truncated toward zero
    if (max < 0) {
        return 0;
    }
    if (unitCount % perLine != 0) {
        ++max;
    }
    return max;
}

HexHit HexHitTest(const HexLayout& layout, int x, int y, int top, int unitCount) {
    for (const HexInfoField& field : layout.fields) {
        if (field.value.Contains(x, y)) {
            return {field.type, -1};
        }
    }
    if (!layout.client.Contains(x, y)) {
        return {};
    }
    const int cx = layout.metrics.cx;
    const int cy = layout.metrics.cy;
    for (const HexGridColumn& column : layout.columns) {
        const HexRect& rect = column.rect;
        if (x < rect.left || x >= rect.right || y < rect.top || y >= rect.bottom) {
            continue;
        }
        const bool character = column.type == HexGridAscii;
        const int leftInset = character ? cx - 1 : cx / 2;
        const int rightInset = character ? cx + 1 : cx / 2 + 1;
        const int dy = y - rect.top - cy / 4;
        if (layout.unitsPerLine == 0 || x < rect.left + leftInset || x >= rect.right - rightInset ||
            dy < 0 || cy <= 0 || dy / cy >= layout.visibleRows) {
            return {};
        }
        const int index = character ? (x - rect.left - cx + 1) / (cx + 1)
                                    : (x - rect.left - cx / 2) / cx / (column.unitWidth + 1);
        const int unit = top + dy / cy * layout.unitsPerLine + index;
        if (unit < 0 || unit >= unitCount || index >= layout.unitsPerLine) {
            return {};
        }
        return {column.type, unit};
    }
    return {};
}

HexRect HexCellRect(const HexLayout& layout, int top, int unit, int column) {
    if (IsInfoField(column)) {
        const HexInfoField* field = layout.FindField(column);
        return field != nullptr ? field->value : HexRect{};
    }
    const HexGridColumn* grid = layout.FindColumn(column);
    if (grid == nullptr) {
        return {};
    }
    const int cx = layout.metrics.cx;
    const int cy = layout.metrics.cy;
    const int step = layout.LineStep();
    const int row = (unit - top) / step;
    const int index = (unit - top) % step;
    HexRect cell;
    cell.top = grid->rect.top + row * cy + cy / 4;
    cell.bottom = cell.top + cy;
    if (column == HexGridAscii) {
        cell.left = grid->rect.left + cx - 1 + index * (cx + 1);
        cell.right = cell.left + cx + 2;
    } else {
        cell.left = grid->rect.left + cx / 2 + index * (grid->unitWidth + 1) * cx;
        cell.right = cell.left + (grid->unitWidth + 1) * cx;
    }
    return cell;
}
