#pragma once
// The traffic list: one line per packet received or sent, newest at the bottom. The list talks
// to the main window only through its signals (send by key, resend a line, show a line's
// packet), so it can be tested on its own.

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableView>
#include <memory>

#include "ui/TrafficModel.h"

struct TrafficQuery;

class CHexViewFrame;
class QMenu;

class CTavrinView : public QTableView {
    Q_OBJECT
public:
    static constexpr int kTimeColumnWidth = 130;
    static constexpr int kLengthColumnWidth = 90;
    static constexpr int kDataColumnWidth = 500;

    explicit CTavrinView(QWidget* parent = nullptr);
    ~CTavrinView() override;

    // Any thread. On the user-interface thread the line is in the list on return; from another
    // thread it arrives with the next batch. Never waits for the user-interface thread.
    bool AddPacket(const CPacket* packet, bool sent);
    void ClearLog();
    // The line's time, CR LF, and its data text with CR LF after every 48th character.
    QString GetTooltipText(int line) const;
    // At most this many lines (0: no bound).
    void SetMaxLines(std::size_t maxLines);
    // A list that sends nothing (a file's traffic): typed keys ask for no packet and the
    // context menu has no "Отправить пакет".
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }

    // Selects and shows the nearest matching line after the selected one (forward) or before
    // it; without a selection, the first or the last matching line. fromStart looks from the
    // first line on when none is selected or the list is following the traffic (the last line
    // selected). False, and nothing changes, when no line is left that way. While the line
    // found is shown the list does not follow the traffic, until the user chooses a line
    // (End included).
    bool FindLine(const TrafficQuery& query, bool forward, bool fromStart = false);

    CTrafficModel* GetModel() const { return m_model; }
    // The first selected line, -1 for none.
    int GetSelectedLine() const;
    // The context menu as it would open now ("Отправить пакет" greyed without a selection); its
    // "Отправить пакет" sends the line selected now, whatever is selected when it is chosen.
    QMenu* CreateContextMenu(QWidget* parent);
    // The line whose text the tool tip holds, -1 for none.
    int GetHoverLine() const { return m_hover.isValid() ? m_hover.row() : -1; }
    // The packet window, once a double click made it and until it is closed or the log cleared.
    CHexViewFrame* GetHexView() const;

signals:
    // A character typed in the list, to send the current file's packet for.
    void KeyTyped(char32_t character);
    // "Отправить пакет" on a line; the packet is a copy, valid during the call.
    void ResendRequested(const CPacket* packet);
    // Double click on the selected line; reserved for the hex view.
    void ShowPacketRequested(const CPacket* packet);
    // The lines are about to go: whoever shows one of their packets lets go of it.
    void LogClearing();

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void SetColumnWidths();
    void OnLinesAboutToArrive();
    void OnRowsInserted(int last);
    // Keeps the lines in sight where they were when the oldest leave above them.
    void OnRowsRemoved(int count);
    // Selects the line and brings it into sight, as the program's own choice (not the user's).
    void SelectLine(int line, ScrollHint hint);
    void HideToolTip();
    void ShowHexView(const CPacket* packet);
    void CloseHexView();

    CTrafficModel* m_model;
    QPointer<CHexViewFrame> m_hexView;
    QPersistentModelIndex m_hover;  // the line whose text the tool tip holds
    bool m_tipReady = false;        // the pointer has moved on the hover line again
    bool m_follow = false;
    bool m_readOnly = false;
    bool m_holdForFind = false;  // a line found is shown: new lines are not followed
    bool m_selecting = false;    // the program, not the user, is changing the selection
    int m_scrollBeforeRemoval = 0;
};
