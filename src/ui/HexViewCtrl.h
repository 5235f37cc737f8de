#pragma once
// The hex viewer: a strip of info fields describing one unit, a grid of lines with an address,
// a hexadecimal and a character column (more with other style flags), a vertical scroll bar, a
// caret, a tool tip that describes the unit under the pointer, and in-place editing of a value
// or an address in a numeric edit field. What it decides lives in CHexViewState; this widget
// measures its font, paints the visible lines and forwards input.
//
// It never writes into the data it shows: an edited value is only reported (HexValueEdited).
// The data is not owned; the caller keeps it alive and unchanged while it is shown.
//
// Enter and the Ctrl letter shortcuts act only while this view or its editor has the focus,
// so no key pressed in another window ever opens an editor here.

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "inspect/HexViewState.h"
#include "ui/NumEdit.h"

class CHexViewPainter;
class QScrollBar;

class CHexViewCtrl : public QWidget {
    Q_OBJECT
public:
    enum ColourIndex : int {
        ColourText = 0,
        ColourBackground = 1,
        ColourChanged = 2,
        ColourEditorText = 3,
        ColourEditorBackground = 4,
        ColourEditorInvalidText = 5,
        ColourEditorInvalidBackground = 6,
        ColourSelection = 7,
        ColourAddress = 8,
        ColourGridLines = 9,
        ColourHeaderText = 10,
        ColourHotFrame = 11,
        ColourCount = 12,
    };
    static constexpr int kScrollBarId = 100;

    explicit CHexViewCtrl(QWidget* parent = nullptr);
    ~CHexViewCtrl() override;

    void SetData(int byteCount, const unsigned char* data, const unsigned char* comparison,
                 bool redraw);
    void SetStyle(std::uint32_t set, std::uint32_t clear, bool redraw);
    std::uint32_t GetStyle() const { return m_state.GetStyle(); }
    void SetFont(const QString& face, int points, bool underline, bool bold, bool strikeOut,
                 bool italic, bool redraw);
    // The old colour; an index above 11 changes nothing and gives an invalid colour.
    QColor SetColour(int index, const QColor& colour, bool redraw);
    void SetDefaultColours(bool redraw);
    void SetReplacementChar(char replacement, bool redraw);
    // Whether the notifications (signals) are sent at all.
    void SetNotifyTarget(bool notify) { m_notify = notify; }
    // The tool tip's format (see ExpandInfoText); an empty format keeps the tip off.
    void SetInfoFormat(const std::string& format, bool active);
    // Opens the editor over a cell: -1 keeps the edited unit or column.
    void OpenEditor(int unit, int column);

    const CHexViewState& GetState() const { return m_state; }
    CNumEdit* GetEditor() const { return m_editor; }
    QScrollBar* GetScrollBar() const { return m_scrollBar; }
    const QFont& GetViewFont() const { return m_font; }
    // The tip's text as it stands, and whether it may show (from the second move over a cell).
    QString GetTipText() const { return m_tipText; }
    bool IsTipActive() const { return m_tipActive; }

signals:
    // An edited data value was committed with a changed text.
    void HexValueEdited(int unit, int value);
    // The top unit changed by scrolling or by keeping the caret visible.
    void HexTopChanged(int top);
    // The left button went up after dragging over more than one unit (drag style only).
    void HexSelectionMade(int start, int end);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Relayout();
    void SyncScrollBar();
    // Sends HexTopChanged and refreshes what depends on the top when it moved from oldTop.
    void Changed(int oldTop);
    void OnScrollBar(int position);
    bool HandleOpeningKey(QKeyEvent* event);
    void UpdatePointer(const QPoint& position);
    void UpdateTip();
    void HideTip();

    void CloseEditor();
    void CloseGridEditor();
    // Reports the editor's value when it is valid and changed; false while it is out of range.
    bool CommitEditor();
    void OnEditorCommit();
    void OnEditorNavigate(int action);
    void OnEditorSwitch(int action);
    void ApplyEditorColours();

    CHexViewState m_state;
    QFont m_font;
    std::unique_ptr<CHexViewPainter> m_painter;  // made for the font
    QColor m_colours[ColourCount];
    QScrollBar* m_scrollBar = nullptr;
    QPointer<CNumEdit> m_editor;
    bool m_notify = false;
    bool m_syncing = false;
    int m_wheelDelta = 0;

    QString m_tipText;
    bool m_tipActive = false;
    bool m_infoActive = false;
};
