#include "ui/PropertyListCtrl.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "inspect/PropertyListRules.h"
#include "ui/PropertyEditWindow.h"

using namespace PropertyList;

namespace {

// The column border is one pixel; the mouse may miss it by this much and still grab it.
constexpr int kBorderGrip = 2;

}  // namespace

CPropertyListCtrl::CPropertyListCtrl(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setBackgroundRole(QPalette::Base);
    FillDrawInfo();
}

// The editor goes without deciding anything: nobody is left to hear a commit.
CPropertyListCtrl::~CPropertyListCtrl() {
    if (m_editor != nullptr) {
        m_editor->Close();
    }
    m_items.clear();
}

void CPropertyListCtrl::AddItem(std::unique_ptr<IProperty> item) {
    if (!item) {
        return;
    }
    item->SetOwner(this);
    m_items.push_back(std::move(item));
    UpdateScrollBar();
    viewport()->update();
}

void CPropertyListCtrl::Clear() {
    CloseEditor();
    m_items.clear();
    m_selected = -1;
    UpdateScrollBar();
    viewport()->update();
}

IProperty* CPropertyListCtrl::GetItem(int row) const {
    if (row < 0 || row >= GetCount()) {
        return nullptr;
    }
    return m_items[static_cast<std::size_t>(row)].get();
}

void CPropertyListCtrl::SetNameColumnWidth(int width) {
    m_nameColumnWidth = width;
    if (m_editor != nullptr && m_editedRow >= 0) {
        const QRect row = RowRect(m_editedRow);
        m_editor->setGeometry(QRect(QPoint(m_nameColumnWidth + 1, row.top() + 1),
                                    QPoint(row.right(), row.bottom() - 1)));
    }
    viewport()->update();
}

void CPropertyListCtrl::SelectRow(int row) {
    MoveSelection(row < 0 || row >= GetCount() ? -1 : row);
}

QWidget* CPropertyListCtrl::GetEditor() const {
    return m_editor;
}

int CPropertyListCtrl::RowHeight() const {
    return PropertyList::RowHeight(fontMetrics().height());
}

QRect CPropertyListCtrl::RowRect(int row) const {
    const int height = RowHeight();
    return QRect(0, row * height - verticalScrollBar()->value(), viewport()->width(), height);
}

int CPropertyListCtrl::RowAt(int y) const {
    const int row = (y + verticalScrollBar()->value()) / RowHeight();
    return y >= 0 && row < GetCount() ? row : -1;
}

// Open: only the selected, enabled row gets an editor, over its value cell.
void CPropertyListCtrl::OpenEditor(int row) {
    CloseEditor();
    IProperty* item = GetItem(row);
    if (item == nullptr || row != m_selected || !item->IsEnabled()) {
        return;
    }
    const QRect rowRect = RowRect(row);
    const QRect rect(QPoint(m_nameColumnWidth + 1, rowRect.top() + 1),
                     QPoint(rowRect.right(), rowRect.bottom() - 1));
    auto* editor = qobject_cast<CPropertyEditWindow*>(item->CreateEditor(viewport(), rect));
    if (editor == nullptr) {
        return;
    }
    connect(editor, &CPropertyEditWindow::EditCommit, this, &CPropertyListCtrl::OnEditCommit);
    connect(editor, &CPropertyEditWindow::EditCancel, this, &CPropertyListCtrl::OnEditCancel);
    connect(editor, &CPropertyEditWindow::EditNavigate, this, &CPropertyListCtrl::OnEditNavigate);
    m_editor = editor;
    m_editedRow = row;
}

// Moving focus out of the editor makes it decide (commit or cancel), and that may open a fresh
// editor for the row; whatever editor is open afterwards is the one closed.
void CPropertyListCtrl::CloseEditor() {
    if (m_editor != nullptr && m_editor->hasFocus()) {
        setFocus(Qt::OtherFocusReason);
    }
    if (m_editor != nullptr) {
        m_editor->Close();
        m_editor = nullptr;
    }
    m_editedRow = -1;
}

void CPropertyListCtrl::OnSelectionChanged() {
    IProperty* item = SelectedItem();
    if (item != nullptr && item->IsEnabled()) {
        OpenEditor(m_selected);
        item->Activate(PropertyAction::Select, {});
    } else {
        CloseEditor();
    }
    emit SelectionChanged(item);
}

void CPropertyListCtrl::OnEditCommit(QWidget* editor) {
    if (m_editedRow < 0 || editor == nullptr || editor != m_editor) {
        return;
    }
    const int row = m_editedRow;
    IProperty* item = GetItem(row);
    bool veto = false;
    emit ValueChanging(item, &veto);
    if (veto) {
        return;
    }
    if (!item->ReadEditor(editor)) {
        QApplication::beep();
    }
    emit ValueChanged(item);
    viewport()->update(RowRect(row));
    if (m_editedRow == row) {
        OpenEditor(row);
    }
}

void CPropertyListCtrl::OnEditCancel(QWidget* editor) {
    if (m_editedRow < 0 || editor != m_editor) {
        return;
    }
    viewport()->update(RowRect(m_editedRow));
    OpenEditor(m_editedRow);
}

void CPropertyListCtrl::OnEditNavigate(int key) {
    const std::optional<int> row = RowAfterNavigate(m_selected, key, GetCount());
    if (!row) {
        return;
    }
    CloseEditor();
    m_selected = *row;
    ScrollToRow(*row);
    viewport()->update();
    OnSelectionChanged();
}

void CPropertyListCtrl::CommitEdit() {
    if (m_editor == nullptr || m_editor->IsClosing()) {
        return;
    }
    if (m_editor->hasFocus()) {
        setFocus(Qt::OtherFocusReason);  // the editor decides as it loses focus
    } else if (m_editor->isModified()) {
        OnEditCommit(m_editor);
    }
}

void CPropertyListCtrl::EditRow(int row) {
    SelectRow(row);
    EditSelected(PropertyAction::Key);
}

void CPropertyListCtrl::EditSelected(PropertyAction action) {
    IProperty* item = SelectedItem();
    if (item == nullptr || !item->IsEnabled()) {
        return;
    }
    if (m_editor == nullptr || m_editedRow != m_selected) {
        OpenEditor(m_selected);
    }
    item->Activate(action, {});
}

// A new selected row (none beyond the rows), brought into view; the selection reaction runs
// when it changed, as a list box reports only changes.
void CPropertyListCtrl::MoveSelection(int row) {
    if (row >= GetCount()) {
        row = -1;
    }
    if (row == m_selected) {
        return;
    }
    m_selected = row;
    ScrollToRow(row);
    viewport()->update();
    OnSelectionChanged();
}

void CPropertyListCtrl::ScrollToRow(int row) {
    if (row < 0) {
        return;
    }
    const QRect rect = RowRect(row);
    QScrollBar* bar = verticalScrollBar();
    if (rect.top() < 0) {
        bar->setValue(bar->value() + rect.top());
    } else if (rect.bottom() >= viewport()->height()) {
        bar->setValue(bar->value() + rect.bottom() - viewport()->height() + 1);
    }
}

bool CPropertyListCtrl::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && SelectedItem() != nullptr && SelectedItem()->IsEnabled()) {
            EditSelected(PropertyAction::Tab);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void CPropertyListCtrl::keyPressEvent(QKeyEvent* event) {
    const int last = GetCount() - 1;
    const int page = std::max(viewport()->height() / RowHeight(), 1);
    const int selected = m_selected;
    switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_F2:
            EditSelected(PropertyAction::Key);
            return;
        case Qt::Key_Up:
            MoveSelection(std::max(selected - 1, 0));
            return;
        case Qt::Key_Down:
            MoveSelection(std::min(selected + 1, last));
            return;
        case Qt::Key_PageUp:
            MoveSelection(std::max(selected - page, 0));
            return;
        case Qt::Key_PageDown:
            MoveSelection(std::min(std::max(selected, 0) + page, last));
            return;
        case Qt::Key_Home:
            MoveSelection(last >= 0 ? 0 : -1);
            return;
        case Qt::Key_End:
            MoveSelection(last);
            return;
        default:
            break;
    }
    const QString text = event->text();
    const TypedAction action =
        text.isEmpty() ? TypedAction::Default : ListTypedAction(text.at(0).unicode());
    if (action == TypedAction::Edit && SelectedItem() != nullptr && SelectedItem()->IsEnabled()) {
        EditSelected(PropertyAction::Key);
        if (m_editor != nullptr) {
            QKeyEvent typed(QEvent::KeyPress, event->key(), event->modifiers(), text);
            QApplication::sendEvent(m_editor, &typed);
        }
        return;
    }
    if (action == TypedAction::Default) {
        event->ignore();  // Enter and Escape reach the dialog's buttons
    }
}

void CPropertyListCtrl::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint point = event->position().toPoint();
    if (IsOnColumnBorder(point.x())) {
        m_dragging = true;
        m_dragStartX = m_dragX = ClampDragX(point.x(), viewport()->width());
        viewport()->update();
    }
    const int row = RowAt(point.y());
    if (row >= 0) {
        MoveSelection(row);
    }
    IProperty* item = SelectedItem();
    bool veto = false;
    emit Clicked(item, &veto);
    if (!veto && item != nullptr && item->IsEnabled()) {
        item->Activate(PropertyAction::Click, point);
    }
}

void CPropertyListCtrl::mouseMoveEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x();
    if (m_dragging) {
        m_dragX = ClampDragX(x, viewport()->width());
        viewport()->update();
        return;
    }
    if (IsOnColumnBorder(x)) {
        viewport()->setCursor(Qt::SplitHCursor);
    } else {
        viewport()->unsetCursor();
    }
}

void CPropertyListCtrl::mouseReleaseEvent(QMouseEvent*) {
    if (!m_dragging) {
        return;
    }
    m_dragging = false;
    SetNameColumnWidth(m_nameColumnWidth + m_dragX - m_dragStartX);
}

void CPropertyListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    IProperty* item = SelectedItem();
    bool veto = false;
    emit DoubleClicked(item, &veto);
    if (!veto && item != nullptr && item->IsEnabled()) {
        item->Activate(PropertyAction::DoubleClick, event->position().toPoint());
    }
}

void CPropertyListCtrl::wheelEvent(QWheelEvent* event) {
    CloseEditor();
    QAbstractScrollArea::wheelEvent(event);
}

void CPropertyListCtrl::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    CloseEditor();
    m_dragging = false;
    UpdateScrollBar();
    OnSelectionChanged();
}

void CPropertyListCtrl::scrollContentsBy(int, int) {
    CloseEditor();
    viewport()->update();
}

void CPropertyListCtrl::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void CPropertyListCtrl::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void CPropertyListCtrl::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    const QEvent::Type type = event->type();
    if (type == QEvent::FontChange || type == QEvent::PaletteChange ||
        type == QEvent::StyleChange) {
        FillDrawInfo();
        UpdateScrollBar();
        viewport()->update();
    }
}

void CPropertyListCtrl::UpdateScrollBar() {
    const int height = RowHeight();
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(GetCount() * height - viewport()->height(), 0));
    bar->setPageStep(viewport()->height());
    bar->setSingleStep(height);
}

void CPropertyListCtrl::FillDrawInfo() {
    const QPalette& colours = palette();
    m_drawInfo.normalFont = font();
    m_drawInfo.boldFont = font();
    m_drawInfo.boldFont.setBold(true);
    m_drawInfo.text = colours.color(QPalette::Active, QPalette::Text);
    m_drawInfo.background = colours.color(QPalette::Active, QPalette::Base);
    m_drawInfo.selectedText = colours.color(QPalette::Active, QPalette::HighlightedText);
    m_drawInfo.selectedBackground = colours.color(QPalette::Active, QPalette::Highlight);
    m_drawInfo.grid = colours.color(QPalette::Active, QPalette::Button);
    m_drawInfo.disabledText = colours.color(QPalette::Disabled, QPalette::Text);
    m_drawInfo.gridPen = QPen(m_drawInfo.grid, 1);
}

bool CPropertyListCtrl::IsOnColumnBorder(int x) const {
    return std::abs(x - m_nameColumnWidth) <= kBorderGrip;
}

void CPropertyListCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    PropertyDrawInfo info = m_drawInfo;
    info.painter = &painter;
    info.listStyle = m_style;
    const int height = RowHeight();
    const int width = viewport()->width();
    int bottom = 0;
    for (int row = std::max(RowAt(0), 0); row < GetCount(); ++row) {
        const QRect rect = RowRect(row);
        if (rect.top() >= viewport()->height()) {
            break;
        }
        IProperty* item = GetItem(row);
        info.state = (row == m_selected ? kPropertySelected : 0u) |
                     (item->IsEnabled() ? 0u : kPropertyDisabled) |
                     (hasFocus() ? kPropertyFocus : 0u) |
                     (row == m_editedRow ? kPropertyEditing : 0u);
        info.rect = QRect(0, rect.top(), m_nameColumnWidth, height);
        item->DrawName(info);
        const QRect value(m_nameColumnWidth + 1, rect.top(), width - m_nameColumnWidth - 1, height);
        painter.fillRect(value, info.background);
        if (row != m_editedRow) {
            info.rect = value;
            item->DrawValue(info);
        }
        painter.setPen(info.gridPen);
        painter.drawLine(0, rect.bottom(), width, rect.bottom());
        bottom = rect.bottom();
    }
    painter.setPen(info.gridPen);
    painter.drawLine(m_nameColumnWidth, 0, m_nameColumnWidth, bottom);
    if (m_dragging) {
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.fillRect(QRect(m_dragX - 1, 0, 2, viewport()->height()), Qt::white);
    }
}
