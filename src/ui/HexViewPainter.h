#pragma once
// Paints the hex view as its state and layout say: the info panel with its labels and values,
// the header row, the grid's visible lines (only those the update area touches), the caret's
// background, the hot cell's frame and the focus rectangle. Cell texts are Windows-1251 bytes;
// they are decoded through a 256-character table made once per font.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <array>
#include <string>

class CHexViewState;
class QPainter;
struct HexGridColumn;

struct HexPaintColours {
    std::array<QColor, 12> table;  // the view's colour table
    QColor buttonFace;             // the info panel
    QColor light;                  // its 3D edge, top and left
    QColor shadow;                 // its 3D edge, bottom and right; disabled text
};

class CHexViewPainter {
public:
    explicit CHexViewPainter(const QFont& font);

    // The character a byte is drawn as: its Windows-1251 character; a blank for control codes
    // (they have no glyph) and U+FFFD for the one byte the code page leaves unused.
    QChar CharacterOf(unsigned char byte) const { return m_characters[byte]; }
    // Control codes stay as they are with keepControls (line breaks of a tip), else blanks.
    QString Decode(const std::string& bytes, bool keepControls = false) const;
    int Cx() const { return m_cx; }
    int Cy() const { return m_cy; }

    void Paint(QPainter& painter, const QRect& area, const CHexViewState& state,
               const HexPaintColours& colours, bool focused, bool enabled) const;

private:
    struct Pens;
    void PaintPanel(QPainter& painter, const CHexViewState& state, const Pens& pens) const;
    void PaintHeader(QPainter& painter, const CHexViewState& state, const Pens& pens) const;
    void PaintLine(QPainter& painter, const CHexViewState& state, const Pens& pens, int row) const;
    void PaintCells(QPainter& painter, const CHexViewState& state, const Pens& pens,
                    const HexGridColumn& column, int first, int count, int baseLine) const;
    void PaintCellsOneByOne(QPainter& painter, const CHexViewState& state, const Pens& pens,
                            const HexGridColumn& column, int first, int count, int baseLine) const;
    int BaseLine(int rowTop) const { return rowTop + (m_cy - m_height) / 2 + m_ascent; }

    QFont m_font;
    QFont m_spacedFont;  // one pixel more per character, for the character column
    QChar m_characters[256];
    int m_cx = 0;
    int m_cy = 0;
    int m_height = 0;
    int m_ascent = 0;
    bool m_exactAdvance = false;  // the font advances exactly cx: a line's cells are one text
};
