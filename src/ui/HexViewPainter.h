#pragma once
// Paints the hex view as its state and layout say: the info panel with its labels and values,
// the header row, the grid's visible lines (only those the update area touches), the caret's
// background, the hot cell's frame and the focus rectangle. Cell texts are Windows-1251 bytes.
//
// Cells are drawn as glyphs placed one by one from a 256-glyph table made once per font: no
// text is shaped while painting (shaping every cell of a page cost most of a repaint), and
// every character sits exactly on its cell whatever the font's advance.

#include <QColor>
#include <QFont>
#include <QRawFont>
#include <QRect>
#include <QString>
#include <array>
#include <string>

class CHexViewState;
class QPainter;

struct HexPaintColours {
    std::array<QColor, 12> table;  // the view's colour table
    QColor buttonFace;             // the info panel
    QColor light;                  // its 3D edge, top and left
    QColor shadow;                 // its 3D edge, bottom and right; disabled text
};

class CHexViewPainter {
public:
    explicit CHexViewPainter(const QFont& font);

    // Control codes stay as they are with keepControls (line breaks of a tip), else blanks (they
    // have no glyph); the one byte the code page leaves unused becomes U+FFFD.
    QString Decode(const std::string& bytes, bool keepControls = false) const;
    int Cx() const { return m_cx; }
    int Cy() const { return m_cy; }

    void Paint(QPainter& painter, const QRect& area, const CHexViewState& state,
               const HexPaintColours& colours, bool focused, bool enabled) const;

private:
    struct Pens;
    class CGlyphs;
    void PaintPanel(QPainter& painter, const CHexViewState& state, const Pens& pens) const;
    void PaintHeader(QPainter& painter, const CHexViewState& state, const Pens& pens) const;
    void PaintLine(QPainter& painter, const CHexViewState& state, const Pens& pens, int row) const;
    // A cell's text, each character at x + i * cx on the base line; a cell with a character
    // the font has no glyph for is drawn as text, so the system's fallback font shows it.
    void AddCell(QPainter& painter, CGlyphs& glyphs, const std::string& text, int x, int baseLine,
                 const QColor& colour) const;
    int BaseLine(int rowTop) const { return rowTop + (m_cy - m_height) / 2 + m_ascent; }

    QFont m_font;
    QRawFont m_rawFont;
    QChar m_characters[256];
    quint32 m_glyphs[256];  // 0: no glyph in the font
    int m_cx = 0;
    int m_cy = 0;
    int m_height = 0;
    int m_ascent = 0;
};
