#pragma once
// The traffic list: one line per packet received or sent, newest at the bottom. The list talks
// to the main window only through its signals (send by key, resend a line, show a line's
// packet), so it can be tested on its own.

#include <QPointer>
#include <QTableView>
#include <memory>

#include "ui/TrafficModel.h"

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
    // The line's data text with CR LF after every 48th character.
    QString GetTooltipText(int line) const;

    CTrafficModel* GetModel() const { return m_model; }
    // The first selected line, -1 for none.
    int GetSelectedLine() const;
    // The context menu as it would open now ("Отправить пакет" greyed without a selection); its
    // "Отправить пакет" sends the line selected now, whatever is selected when it is chosen.
    QMenu* CreateContextMenu(QWidget* parent);
    // The line whose text the tool tip holds, -1 for none.
    int GetHoverLine() const { return m_hoverLine; }
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
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void SetColumnWidths();
    void OnRowsAboutToBeInserted();
    void OnRowsInserted(int last);
    // A copy of the line's packet, null for no line.
    std::shared_ptr<const CPacket> CopyLinePacket(int line) const;
    void HideToolTip();
    void ShowHexView(const CPacket* packet);
    void CloseHexView();

    CTrafficModel* m_model;
    QPointer<CHexViewFrame> m_hexView;
    int m_hoverLine = -1;
    bool m_tipReady = false;  // the pointer has moved on the hover line again
    bool m_follow = false;
};
