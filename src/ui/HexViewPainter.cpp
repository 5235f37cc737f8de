#include "ui/HexViewPainter.h"

#include <QFontMetrics>
#include <QGlyphRun>
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

class CHexViewPainter::CGlyphs {
public:
    CGlyphs(const QRawFont& rawFont, const QFont& font) {
        m_run.setRawFont(rawFont);
        m_run.setUnderline(font.underline());
        m_run.setStrikeOut(font.strikeOut());
    }
    void Add(quint32 glyph, int x, int y) {
        m_indexes.push_back(glyph);
        m_positions.push_back(QPointF(x, y));
    }
    qsizetype Size() const { return m_indexes.size(); }
    void Truncate(qsizetype size) {
        m_indexes.resize(size);
        m_positions.resize(size);
    }
    void Draw(QPainter& painter, const QColor& colour) {
        if (m_indexes.isEmpty()) {
            return;
        }
        m_run.setGlyphIndexes(m_indexes);
        m_run.setPositions(m_positions);
        painter.setPen(colour);
        painter.drawGlyphRun(QPointF(), m_run);
        m_indexes.clear();
        m_positions.clear();
    }

private:
    QGlyphRun m_run;
    QList<quint32> m_indexes;
    QList<QPointF> m_positions;
};

CHexViewPainter::CHexViewPainter(const QFont& font)
    : m_font(font), m_rawFont(QRawFont::fromFont(font)) {
    const QFontMetrics metrics(font);
    m_cx = std::max(metrics.averageCharWidth(), 1);
    m_height = metrics.height();
    m_cy = std::max(static_cast<int>(m_height * 1.2), 1);
    m_ascent = metrics.ascent();
    QString all;
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t character =
            byte < 32 ? U' ' : CharacterFromByte(static_cast<unsigned char>(byte));
        m_characters[byte] = QChar(static_cast<char16_t>(character != 0 ? character : 0xFFFD));
        all += m_characters[byte];
    }
    const QList<quint32> glyphs =
        m_rawFont.isValid() ? m_rawFont.glyphIndexesForString(all) : QList<quint32>();
    for (int byte = 0; byte < 256; ++byte) {
        m_glyphs[byte] = byte >= 32 && byte < glyphs.size() ? glyphs[byte] : 0;
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
    CGlyphs values(m_rawFont, m_font);
    for (const HexInfoField& field : layout.fields) {
        const QRect value = ToQRect(field.value);
        const int baseLine = value.top() + (value.height() - m_height) / 2 + m_ascent;
        painter.setPen(pens.text);
        painter.drawText(field.field.left, baseLine, LabelOf(field.type) + QLatin1Char(':'));
        painter.fillRect(value, pens.background);
        AddCell(painter, values, state.CellText(field.type, shown), value.left(), baseLine,
                pens.text);
    }
    values.Draw(painter, pens.text);
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
    CGlyphs normal(m_rawFont, m_font);
    CGlyphs changed(m_rawFont, m_font);
    for (const HexGridColumn& column : layout.columns) {
        if (column.type == HexGridAddr) {
            AddCell(painter, normal, state.CellText(HexGridAddr, first), column.rect.left, baseLine,
                    pens.address);
            normal.Draw(painter, pens.address);
            continue;
        }
        // The caret's (or the selection's) background behind the digits only.
        const bool character = column.type == HexGridAscii;
        const int inset = character ? 1 : m_cx / 2;
        for (int unit = std::max(first, state.GetSelectionStart());
             unit <= std::min(first + count - 1, state.GetSelectionEnd()); ++unit) {
            const HexRect cell = HexCellRect(layout, state.GetTop(), unit, column.type);
            painter.fillRect(
                QRect(cell.left + inset, cell.top + 1, cell.Width() - 2 * inset, cell.Height() - 2),
                pens.selection);
        }
        const int pitch = character ? m_cx + 1 : (column.unitWidth + 1) * m_cx;
        for (int i = 0; i < count; ++i) {
            const bool differs = state.IsUnitChanged(first + i);
            AddCell(painter, differs ? changed : normal, state.CellText(column.type, first + i),
                    column.rect.left + i * pitch, baseLine, differs ? pens.changed : pens.text);
        }
    }
    normal.Draw(painter, pens.text);
    changed.Draw(painter, pens.changed);
}

void CHexViewPainter::AddCell(QPainter& painter, CGlyphs& glyphs, const std::string& text, int x,
                              int baseLine, const QColor& colour) const {
    const qsizetype start = glyphs.Size();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == ' ') {
            continue;
        }
        if (m_glyphs[byte] == 0) {
            glyphs.Truncate(start);
            painter.setPen(colour);
            painter.drawText(x, baseLine, Decode(text));
            return;
        }
        glyphs.Add(m_glyphs[byte], x + static_cast<int>(i) * m_cx, baseLine);
    }
}
