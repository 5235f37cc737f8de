#include "ui/PacketHolderView.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QTextCursor>

#include "app/DefinitionHighlight.h"

namespace {

// Whether the characters a definition holds (digits, letters of both alphabets, its marks) are
// all equally wide in the font, so that the definitions' columns line up. Fonts do not always
// say so themselves: a monospace face may report itself as not of fixed pitch.
bool HasEqualWidths(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QLatin1Char('0'));
    for (const QChar character : QStringLiteral("iWm.$&; Жш")) {
        if (metrics.horizontalAdvance(character) != width) {
            return false;
        }
    }
    return width > 0;
}

QFont Sized(QFont font) {
    font.setPointSize(10);
    font.setBold(false);
    return font;
}

// Courier New where it is installed; otherwise the system's fixed-width face, or else the
// first installed face whose characters are equally wide.
QFont DefinitionFont() {
    QFont courier(QStringLiteral("Courier New"));
    courier.setStyleHint(QFont::Monospace);
    const QFont candidates[] = {Sized(courier),
                                Sized(QFontDatabase::systemFont(QFontDatabase::FixedFont))};
    for (const QFont& font : candidates) {
        if (HasEqualWidths(font)) {
            return font;
        }
    }
    for (const QString& family : QFontDatabase::families()) {
        const QFont font = Sized(QFont(family));
        if (HasEqualWidths(font)) {
            return font;
        }
    }
    return candidates[1];
}

}  // namespace

CPacketHolderView::CPacketHolderView(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShadow(QFrame::Sunken);
    setFont(DefinitionFont());
    // No menu of its own: its "Копировать" would copy what Ctrl+C, taken by the accelerator
    // table, does not.
    setContextMenuPolicy(Qt::NoContextMenu);
    setAccessibleName(QStringLiteral("Текст пакета"));
}

CPacketHolderView::~CPacketHolderView() = default;

void CPacketHolderView::ShowDefinitionText(const QString& text) {
    setPlainText(text);
    if (!text.isEmpty()) {
        ApplyHighlighting();
    }
}

// The document keeps each line break as one character, and so does its plain text, so the
// positions found in that text are the document's.
int CPacketHolderView::ApplyHighlighting() {
    const QString text = toPlainText();
    if (text.isEmpty()) {
        return 0;
    }
    return HighlightDefinition(text);
}

int CPacketHolderView::HighlightDefinition(const QString& text) {
    const std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()),
                                    static_cast<std::size_t>(text.size()));
    const std::optional<std::vector<ColourRange>> ranges = FindDefinitionColours(units);
    if (!ranges) {
        return 0;
    }
    for (const ColourRange& range : *ranges) {
        const RgbColour colour = DefinitionColourValue(range.colour);
        SetRangeColour(range.start, range.end, QColor(colour.red, colour.green, colour.blue));
    }
    return 1;
}

void CPacketHolderView::SetRangeColour(int start, int end, const QColor& colour) {
    if (end <= start) {
        return;
    }
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.mergeCharFormat(format);
}
