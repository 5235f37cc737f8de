#pragma once
// The packet file tree in the top left pane: a node per loaded packet file, under it a node per
// definition ("< key > - text"). It talks to the main window through its signals only:
//  - the selection decides the current file and what the definition view shows;
//  - a typed character (Tab, Enter, Escape and Backspace too) or a double click on a
//    definition asks to send the current file's packet for that key; the tree's own
//    type-ahead search and focus moves never run for them;
//  - "Удалить" in a file node's context menu takes the node out and asks to unload its file.
// Nodes only refer to the files, which the main window owns.

#include <QPersistentModelIndex>
#include <QTreeWidget>

#include "app/PacketFileText.h"

class CPacketHolder;
class CPacketTable;
class QMenu;

class CTavrinTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit CTavrinTreeView(QWidget* parent = nullptr);
    ~CTavrinTreeView() override;

    // Appends a file node with a node for each definition; false for no file.
    bool AddPacketFile(CPacketTable* file);
    bool AddPacketNode(QTreeWidgetItem* fileNode, CPacketHolder* definition);

    QTreeWidgetItem* FindFileNode(const CPacketTable* file) const;
    // The file a file node stands for, the definition a definition node stands for.
    static CPacketTable* FileOf(const QTreeWidgetItem* node);
    static CPacketHolder* DefinitionOf(const QTreeWidgetItem* node);

    // The context menu for a right click on the node, remembered as the right-clicked node:
    // "Удалить" for a file node, nullptr (no menu) for any other.
    QMenu* CreateContextMenu(QTreeWidgetItem* node, QWidget* parent);
    // "Удалить": takes the right-clicked file's node out, then asks to unload the file.
    void RemoveRightClickedFile();

signals:
    // A character typed in the tree.
    void KeyTyped(char32_t character);
    // A double click on a definition: its key in its file's terms (RecordKey).
    void SendKeyRequested(int key);
    // The definition view's new text; empty to empty it.
    void ShowDefinitionRequested(const QString& text);
    void PacketFileSelected(CPacketTable* file);
    void PacketFileRemoved(CPacketTable* file);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    void OnSelectionChanged();

    // Kept as an index, so a node gone meanwhile is seen as gone.
    QPersistentModelIndex m_rightClicked;
};
