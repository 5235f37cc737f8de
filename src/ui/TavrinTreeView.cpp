#include "ui/TavrinTreeView.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "app/KeyChar.h"
#include "packet/PacketTable.h"
#include "ui/CommandIds.h"
#include "ui/KeyPress.h"

namespace {

constexpr int kObjectRole = Qt::UserRole;
constexpr int kEncodingRole = Qt::UserRole + 1;

ScriptEncoding EncodingOf(const QTreeWidgetItem* fileNode) {
    return static_cast<ScriptEncoding>(fileNode->data(0, kEncodingRole).toInt());
}

}  // namespace

CTavrinTreeView::CTavrinTreeView(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setFrameShadow(QFrame::Sunken);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAccessibleName(QStringLiteral("Файлы с пакетами"));
    // Labels are shown whole, the pane scrolling sideways, as a tree control does: a cut label
    // would hide the end of a packet.
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CTavrinTreeView::OnSelectionChanged);
}

CTavrinTreeView::~CTavrinTreeView() = default;

bool CTavrinTreeView::AddPacketFile(CPacketTable* file) {
    if (file == nullptr) {
        return false;
    }
    auto* node = new QTreeWidgetItem(QStringList(QFile::decodeName(file->GetName().c_str())));
    node->setData(0, kObjectRole, QVariant::fromValue(reinterpret_cast<quintptr>(file)));
    node->setData(0, kEncodingRole, static_cast<int>(DetectScriptEncoding(*file)));
    addTopLevelItem(node);
    for (int i = 0; i < file->GetCount(); ++i) {
        if (CPacketHolder* definition = file->GetHolder(i)) {
            AddPacketNode(node, definition);
        }
    }
    return true;
}

bool CTavrinTreeView::AddPacketNode(QTreeWidgetItem* fileNode, CPacketHolder* definition) {
    if (fileNode == nullptr || definition == nullptr) {
        return false;
    }
    const ScriptEncoding encoding = EncodingOf(fileNode);
    auto* node = new QTreeWidgetItem(QStringList(QString::fromStdString(
        DefinitionLabel(RecordKey(*definition, encoding), definition->GetText(), encoding))));
    node->setData(0, kObjectRole, QVariant::fromValue(reinterpret_cast<quintptr>(definition)));
    fileNode->addChild(node);
    return true;
}

QTreeWidgetItem* CTavrinTreeView::FindFileNode(const CPacketTable* file) const {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (FileOf(topLevelItem(i)) == file) {
            return topLevelItem(i);
        }
    }
    return nullptr;
}

CPacketTable* CTavrinTreeView::FileOf(const QTreeWidgetItem* node) {
    if (node == nullptr || node->parent() != nullptr) {
        return nullptr;
    }
    return reinterpret_cast<CPacketTable*>(node->data(0, kObjectRole).value<quintptr>());
}

CPacketHolder* CTavrinTreeView::DefinitionOf(const QTreeWidgetItem* node) {
    if (node == nullptr || node->parent() == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<CPacketHolder*>(node->data(0, kObjectRole).value<quintptr>());
}

// A definition node shows its source and makes its file current; a file node empties the view
// and makes itself current; no node leaves the view as it is and no file current.
void CTavrinTreeView::OnSelectionChanged() {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    QTreeWidgetItem* node = selected.isEmpty() ? nullptr : selected.first();
    if (CPacketHolder* definition = DefinitionOf(node)) {
        const ScriptEncoding encoding = EncodingOf(node->parent());
        emit ShowDefinitionRequested(
            QString::fromStdString(DecodeScriptText(definition->GetSource(), encoding)));
        emit PacketFileSelected(FileOf(node->parent()));
    } else if (CPacketTable* file = FileOf(node)) {
        emit ShowDefinitionRequested(QString());
        emit PacketFileSelected(file);
    } else {
        emit PacketFileSelected(nullptr);
    }
}

QMenu* CTavrinTreeView::CreateContextMenu(QTreeWidgetItem* node, QWidget* parent) {
    m_rightClicked =
        node != nullptr ? QPersistentModelIndex(indexFromItem(node)) : QPersistentModelIndex();
    if (FileOf(node) == nullptr) {
        return nullptr;
    }
    auto* menu = new QMenu(parent);
    QAction* remove =
        menu->addAction(QStringLiteral("Удалить"), this, [this] { RemoveRightClickedFile(); });
    remove->setData(ID_PACKET_FILE_REMOVE);
    return menu;
}

void CTavrinTreeView::RemoveRightClickedFile() {
    QTreeWidgetItem* node = m_rightClicked.isValid() ? itemFromIndex(m_rightClicked) : nullptr;
    m_rightClicked = QPersistentModelIndex();
    CPacketTable* file = FileOf(node);
    if (file == nullptr) {
        return;
    }
    // As a tree does when its selected node goes, the selection moves to the next file (or the
    // one before) first, and that runs the selection rules; with no other file it goes.
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (!selected.isEmpty() && (selected.first() == node || selected.first()->parent() == node)) {
        const int index = indexOfTopLevelItem(node);
        QTreeWidgetItem* next = topLevelItem(index + 1);
        if (next == nullptr && index > 0) {
            next = topLevelItem(index - 1);
        }
        if (next != nullptr) {
            setCurrentItem(next);
        } else {
            clearSelection();
            setCurrentItem(nullptr);
        }
    }
    delete node;
    emit PacketFileRemoved(file);
}

// Tab would move focus before reaching keyPressEvent; here it is a key like the others.
bool CTavrinTreeView::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(key);
            return true;
        }
    }
    return QTreeWidget::event(event);
}

void CTavrinTreeView::keyPressEvent(QKeyEvent* event) {
    if (std::optional<char32_t> key = SentKeyFromEvent(*event)) {
        emit KeyTyped(*key);
        event->accept();
        return;
    }
    // A character that sends nothing (Delete's) must not start the tree's type-ahead search;
    // keys without one (arrows, paging) move through the tree.
    if (!event->text().isEmpty() && !event->modifiers().testFlag(Qt::AltModifier)) {
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

// Only the left button selects. A right click names a node for the context menu without
// selecting it, so the current file stays what it was; the middle button does nothing here.
void CTavrinTreeView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void CTavrinTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QTreeWidgetItem* node = itemAt(event->position().toPoint());
    if (CPacketHolder* definition = DefinitionOf(node)) {
        emit SendKeyRequested(RecordKey(*definition, EncodingOf(node->parent())));
    }
}

// As in a tree control, only a node takes the selection: a click below the nodes or beside a
// label, or Ctrl on the selected node, leaves it, and with it the current file.
QItemSelectionModel::SelectionFlags CTavrinTreeView::selectionCommand(const QModelIndex& index,
                                                                      const QEvent* event) const {
    if (!index.isValid()) {
        return QItemSelectionModel::NoUpdate;
    }
    const QItemSelectionModel::SelectionFlags flags = QTreeWidget::selectionCommand(index, event);
    if (flags.testFlag(QItemSelectionModel::Deselect)) {
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    }
    return flags;
}

void CTavrinTreeView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = CreateContextMenu(itemAt(event->pos()), this);
    if (menu != nullptr) {
        menu->exec(event->globalPos());
        delete menu;
    }
}
