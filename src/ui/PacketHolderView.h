#pragma once
// The definition view in the bottom left pane: the source of the selected packet definition,
// read-only, in Courier New 10 pt (or the nearest monospace face), with the key red, parameter
// names blue and comments green. Where the colours go is app/DefinitionHighlight.h; this view
// only applies them to its document.

#include <QColor>
#include <QTextEdit>

class CPacketHolderView : public QTextEdit {
    Q_OBJECT
public:
    explicit CPacketHolderView(QWidget* parent = nullptr);
    ~CPacketHolderView() override;

    // Replaces the whole text and colours it; an empty text empties the view.
    void ShowDefinitionText(const QString& text);
    // Colours the view's current text: 1 when coloured, 0 when the text is empty or holds no
    // "$" followed by a key.
    int ApplyHighlighting();
    // Colours the ranges found in text, which is the view's own text.
    int HighlightDefinition(const QString& text);
    // Sets only the text colour of [start, end); nothing when end <= start.
    void SetRangeColour(int start, int end, const QColor& colour);
};
