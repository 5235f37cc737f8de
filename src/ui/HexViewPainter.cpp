#include "ui/HexViewPainter.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "app/KeyChar.h"
#include "inspect/HexViewState.h"

struct CHexViewPainter::Pens {
    QColor text;
    QColor background;
    QColor changed;
    QColor selection;
    QColor address;
    QColor gridLines;
    QColor headerText;
    QColor hotFrame;
    QColor buttonFace;
    QColor light;
    QColor shadow;
};

namespace {

QRect ToQRect(const HexRect& rect) {
    return QRect(rect.left, rect.top, rect.Width(), rect.Height());
}

QString LabelOf(int type) {
    const std::string_view label = HexColumnLabel(type);
    return QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size()));
}

}  // namespace

CHexViewPainter::CHexViewPainter(const QFont& font) : m_font(font), m_spacedFont(font) {
    const QFontMetrics metrics(font);
    m_cx = std::max(metrics.averageCharWidth(), 1);
    m_height = metrics.height();
    m_cy = std::max(static_cast<int>(m_height * 1.2), 1);
    m_ascent = metrics.ascent();
    // A line's cells go out as one text only where that puts every digit exactly where a
    // cell of its own would: a fixed font whose advance is a whole cx.
    const QFontMetricsF exact(font);
    m_exactAdvance = QFontInfo(font).fixedPitch() &&
                     exact.horizontalAdvance(QLatin1Char('0')) == static_cast<qreal>(m_cx) &&
                     exact.horizontalAdvance(QLatin1Char('W')) == static_cast<qreal>(m_cx);
    m_spacedFont.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t character =
            byte < 32 ? U' ' : CharacterFromByte(static_cast<unsigned char>(byte));
        m_characters[byte] = QChar(static_cast<char16_t>(character != 0 ? character : 0xFFFD));
    }
}

QString CHexViewPainter::Decode(const std::string& bytes, bool keepControls) const {
    QString text(static_cast<qsizetype>(bytes.size()), QLatin1Char(' '));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        text[static_cast<qsizetype>(i)] =
            keepControls && byte < 32 ? QChar(byte) : m_characters[byte];
    }
    return text;
}

void CHexViewPainter::Paint(QPainter& painter, const QRect& area, const CHexViewState& state,
                            const HexPaintColours& colours, bool focused, bool enabled) const {
    const auto& table = colours.table;
    Pens pens{table[0],  table[1],  table[2],           table[7],      table[8],      table[9],
              table[10], table[11], colours.buttonFace, colours.light, colours.shadow};
    if (!enabled) {
        pens.text = pens.changed = pens.address = pens.headerText = colours.shadow;
        pens.background = pens.selection = colours.buttonFace;
    }
    painter.fillRect(area, pens.background);
    painter.setFont(m_font);
    const HexLayout& layout = state.GetLayout();
    if (!layout.panel.IsEmpty() && area.intersects(ToQRect(layout.panel))) {
        PaintPanel(painter, state, pens);
    }
    if (!layout.header.IsEmpty()) {
        PaintHeader(painter, state, pens);
    }
    for (int row = 0; row < layout.visibleRows && layout.unitsPerLine > 0; ++row) {
        const int rowTop = layout.RowTop(row);
        if (rowTop + m_cy <= area.top()) {
            continue;
        }
        if (rowTop > area.bottom() ||
            state.GetTop() + row * layout.unitsPerLine >= state.GetUnitCount()) {
            break;
        }
        PaintLine(painter, state, pens, row);
    }
    if (state.Has(HexStyleGridLines)) {
        painter.setPen(pens.gridLines);
        for (const HexGridColumn& column : layout.columns) {
            painter.drawLine(column.rect.right - 1, layout.gridTop, column.rect.right - 1,
                             layout.gridBottom - 1);
        }
    }
    const HexRect hot = state.GetHotRect();
    if (state.Has(HexStyleHotFrame) && !hot.IsEmpty()) {
        painter.setPen(pens.hotFrame);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(ToQRect(hot).adjusted(0, 0, -1, -1));
    }
    if (focused) {
        painter.setPen(QPen(pens.text, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(ToQRect(layout.client).adjusted(0, 0, -1, -1));
    }
}

void CHexViewPainter::PaintPanel(QPainter& painter, const CHexViewState& state,
                                 const Pens& pens) const {
    const HexLayout& layout = state.GetLayout();
    const QRect panel = ToQRect(layout.panel);
    painter.fillRect(panel, pens.buttonFace);
    painter.setPen(pens.light);
    painter.drawLine(panel.topLeft(), panel.topRight());
    painter.drawLine(panel.topLeft(), panel.bottomLeft());
    painter.setPen(pens.shadow);
    painter.drawLine(panel.bottomLeft(), panel.bottomRight());
    painter.drawLine(panel.topRight(), panel.bottomRight());
    const int shown = state.ShownUnit();
    for (const HexInfoField& field : layout.fields) {
        const QRect value = ToQRect(field.value);
        const int baseLine = value.top() + (value.height() - m_height) / 2 + m_ascent;
        painter.setPen(pens.text);
        painter.drawText(field.field.left, baseLine, LabelOf(field.type) + QLatin1Char(':'));
        painter.fillRect(value, pens.background);
        painter.drawText(value.left(), baseLine, Decode(state.CellText(field.type, shown)));
    }
}

void CHexViewPainter::PaintHeader(QPainter& painter, const CHexViewState& state,
                                  const Pens& pens) const {
    const HexLayout& layout = state.GetLayout();
    const QFontMetrics metrics(m_font);
    painter.setPen(pens.headerText);
    for (const HexGridColumn& column : layout.columns) {
        const QString label = LabelOf(column.type);
        const int x =
            column.rect.left + (column.rect.Width() - metrics.horizontalAdvance(label)) / 2;
        painter.drawText(x, BaseLine(layout.header.top), label);
    }
    painter.setPen(pens.gridLines);
    painter.drawLine(layout.header.left, layout.header.bottom - 1, layout.header.right - 1,
                     layout.header.bottom - 1);
}

void CHexViewPainter::PaintLine(QPainter& painter, const CHexViewState& state, const Pens& pens,
                                int row) const {
    const HexLayout& layout = state.GetLayout();
    const int first = state.GetTop() + row * layout.unitsPerLine;
    const int count = std::min(layout.unitsPerLine, state.GetUnitCount() - first);
    const int baseLine = BaseLine(layout.RowTop(row));
    for (const HexGridColumn& column : layout.columns) {
        if (column.type == HexGridAddr) {
            painter.setPen(pens.address);
            painter.drawText(column.rect.left, baseLine,
                             Decode(state.CellText(HexGridAddr, first)));
            continue;
        }
        // The caret's (or the selection's) background behind the digits only.
        const int inset = column.type == HexGridAscii ? 1 : m_cx / 2;
        for (int unit = std::max(first, state.GetSelectionStart());
             unit <= std::min(first + count - 1, state.GetSelectionEnd()); ++unit) {
            const HexRect cell = HexCellRect(layout, state.GetTop(), unit, column.type);
            painter.fillRect(
                QRect(cell.left + inset, cell.top + 1, cell.Width() - 2 * inset, cell.Height() - 2),
                pens.selection);
        }
        if (m_exactAdvance) {
            PaintCells(painter, state, pens, column, first, count, baseLine);
        } else {
            PaintCellsOneByOne(painter, state, pens, column, first, count, baseLine);
        }
    }
}

// One text per run of cells of one colour: a numeric column's cells (w + 1) characters apart,
// the character column's cx + 1 pixels apart through the letter-spaced font.
void CHexViewPainter::PaintCells(QPainter& painter, const CHexViewState& state, const Pens& pens,
                                 const HexGridColumn& column, int first, int count,
                                 int baseLine) const {
    const bool character = column.type == HexGridAscii;
    const int stride = character ? 1 : column.unitWidth + 1;
    QString text(static_cast<qsizetype>(count * stride + 2), QLatin1Char(' '));
    for (int i = 0; i < count; ++i) {
        const std::string cell = state.CellText(column.type, first + i);
        if (character) {
            text[i] = m_characters[static_cast<unsigned char>(cell[1])];
            continue;
        }
        for (std::size_t j = 0; j < cell.size(); ++j) {
            if (cell[j] != ' ') {
                text[static_cast<qsizetype>(i * stride) + static_cast<qsizetype>(j)] =
                    QLatin1Char(cell[j]);
            }
        }
    }
    painter.setFont(character ? m_spacedFont : m_font);
    const int origin = column.rect.left + (character ? m_cx : 0);
    const int pitch = character ? m_cx + 1 : stride * m_cx;
    for (int start = 0; start < count;) {
        const bool changed = state.IsUnitChanged(first + start);
        int end = start + 1;
        while (end < count && state.IsUnitChanged(first + end) == changed) {
            ++end;
        }
        const qsizetype length = (end - start) * stride + (end == count ? 2 : 0);
        painter.setPen(changed ? pens.changed : pens.text);
        painter.drawText(origin + start * pitch, baseLine, text.mid(start * stride, length));
        start = end;
    }
    painter.setFont(m_font);
}

void CHexViewPainter::PaintCellsOneByOne(QPainter& painter, const CHexViewState& state,
                                         const Pens& pens, const HexGridColumn& column, int first,
                                         int count, int baseLine) const {
    const bool character = column.type == HexGridAscii;
    const int pitch = character ? m_cx + 1 : (column.unitWidth + 1) * m_cx;
    for (int i = 0; i < count; ++i) {
        painter.setPen(state.IsUnitChanged(first + i) ? pens.changed : pens.text);
        painter.drawText(column.rect.left + i * pitch, baseLine,
                         Decode(state.CellText(column.type, first + i)));
    }
}
