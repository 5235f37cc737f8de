#include "ui/TavrinView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QThread>
#include <QToolTip>
#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

#include "app/TrafficFind.h"
#include "app/TrafficText.h"
#include "packet/Packet.h"
#include "ui/CommandIds.h"
#include "ui/GridDelegate.h"
#include "ui/HexViewFrame.h"
#include "ui/KeyPress.h"

namespace {

constexpr int kToolTipHideDelayMs = 32000;

// Paints a cell the cheap way: one line of text drawn at its base line and clipped to the
// cell, instead of the style's laid-out, elided text. With a busy device the list repaints
// many times a second, and laying out every visible cell was most of the program's CPU. A text
// too long for its cell ends in an ellipsis after its last whole field, measured with the
// advances of single characters (the texts are ASCII). Also draws the grid lines.
class CCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        const QWidget* widget = cell.widget;
        QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);
        painter->save();
        painter->setClipRect(cell.rect);
        constexpr int kMargin = 3;
        int x = cell.rect.left() + kMargin;
        if (cell.features & QStyleOptionViewItem::HasDecoration) {
            const QSize size = cell.decorationSize;
            const QPixmap pixmap = cell.icon.pixmap(size);
            painter->drawPixmap(x, cell.rect.top() + (cell.rect.height() - size.height()) / 2,
                                pixmap);
            x += size.width() + kMargin;
        }
        const bool selected = cell.state & QStyle::State_Selected;
        painter->setPen(cell.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(cell.font);
        const QFontMetrics metrics(cell.font);
        const int baseLine =
            cell.rect.top() + (cell.rect.height() - metrics.height()) / 2 + metrics.ascent();
        painter->drawText(QPoint(x, baseLine),
                          ShownText(cell.text, cell.font, cell.rect.right() - kMargin - x));
        painter->restore();
        CGridDelegate::PaintGridLines(painter, cell.rect);
    }

private:
    QString ShownText(const QString& text, const QFont& font, int width) const {
        if (font != m_measuredFont || !m_measured) {
            const QFontMetricsF metrics(font);
            for (int i = 0; i < 128; ++i) {
                m_advances[static_cast<std::size_t>(i)] = metrics.horizontalAdvance(QChar(i));
            }
            m_ellipsis = metrics.horizontalAdvance(QChar(0x2026));
            m_measuredFont = font;
            m_measured = true;
        }
        const QByteArray bytes = text.toLatin1();
        const auto advance = [this](char character) {
            return m_advances[static_cast<unsigned char>(character) & 0x7F];
        };
        const CellTextFit fit =
            FitCellText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        advance, m_ellipsis, width);
        return fit.elided ? text.left(static_cast<qsizetype>(fit.length)) + QChar(0x2026) : text;
    }

    mutable QFont m_measuredFont;
    mutable bool m_measured = false;
    mutable std::array<qreal, 128> m_advances{};
    mutable qreal m_ellipsis = 0;
};

}  // namespace

// A table, not a tree: a tree view lays out every row again at each insertion, which at a
// million lines costs tens of milliseconds a batch; a table's fixed-height rows cost nothing.
CTavrinView::CTavrinView(QWidget* parent) : QTableView(parent), m_model(new CTrafficModel(this)) {
    setModel(m_model);
    setAccessibleName(QStringLiteral("Лог"));
    setItemDelegate(new CCellDelegate(this));
    setShowGrid(false);  // the delegate draws the lines, inside each cell
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(std::max(fontMetrics().height(), 16) + 4);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(false);
    setFrameShadow(QFrame::Sunken);
    setIconSize(QSize(16, 16));
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    // The data column takes the rest of the width; what does not fit ends in an ellipsis.
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SetColumnWidths();
    viewport()->setMouseTracking(true);
    // Only the user's scrolling puts the tip away; the follow rule's does not.
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()}) {
        connect(bar, &QAbstractSlider::actionTriggered, this, [this] { HideToolTip(); });
    }

    connect(m_model, &CTrafficModel::LinesAboutToArrive, this, [this] { OnLinesAboutToArrive(); });
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int, int last) { OnRowsInserted(last); });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) { OnRowsRemoved(last - first + 1); });
    // A line the user chooses ends the hold of a line found; the program's own choices do not.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_selecting) {
            m_holdForFind = false;
        }
    });
    connect(this, &CTavrinView::ShowPacketRequested, this, &CTavrinView::ShowHexView);
    connect(this, &CTavrinView::LogClearing, this, &CTavrinView::CloseHexView);
}

CTavrinView::~CTavrinView() {
    ClearLog();
}

// 130, 90 and 500 pixels fitted the original's small dialog font; where the desktop's font is
// larger, the first two columns grow just enough to show a whole time stamp and caption.
void CTavrinView::SetColumnWidths() {
    const QFontMetrics text(font());
    const QFontMetrics caption(horizontalHeader()->font());
    constexpr int kPadding = 16;
    const int time = text.horizontalAdvance(QStringLiteral("00.00.0000 00:00:00.000")) +
                     iconSize().width() + kPadding;
    const int length =
        caption.horizontalAdvance(
            m_model->headerData(CTrafficModel::LengthColumn, Qt::Horizontal, Qt::DisplayRole)
                .toString()) +
        kPadding;
    setColumnWidth(CTrafficModel::TimeColumn, std::max(kTimeColumnWidth, time));
    setColumnWidth(CTrafficModel::LengthColumn, std::max(kLengthColumnWidth, length));
    setColumnWidth(CTrafficModel::DataColumn, kDataColumnWidth);
}

bool CTavrinView::AddPacket(const CPacket* packet, bool sent) {
    if (!m_model->AddPacket(packet, sent)) {
        return false;
    }
    if (QThread::currentThread() == thread()) {
        m_model->Flush();
    }
    return true;
}

void CTavrinView::ClearLog() {
    emit LogClearing();
    HideToolTip();
    m_holdForFind = false;
    m_model->ClearLog();
}

QString CTavrinView::GetTooltipText(int line) const {
    return m_model->GetTooltipText(line);
}

void CTavrinView::SetMaxLines(std::size_t maxLines) {
    m_model->SetMaxLines(maxLines);
}

bool CTavrinView::FindLine(const TrafficQuery& query, bool forward, bool fromStart) {
    const int count = m_model->rowCount();
    const int selected = GetSelectedLine();
    int from = forward ? selected + 1 : selected - 1;
    if (selected < 0) {
        from = forward ? 0 : count - 1;
    }
    if (fromStart && (selected < 0 || selected == count - 1)) {
        from = 0;
    }
    if (from < 0) {
        return false;
    }
    const std::optional<std::size_t> found =
        FindTrafficLine(m_model->GetLines(), query, static_cast<std::size_t>(from), forward);
    if (!found) {
        return false;
    }
    SelectLine(static_cast<int>(*found), PositionAtCenter);
    m_holdForFind = true;
    return true;
}

void CTavrinView::SelectLine(int line, ScrollHint hint) {
    const QModelIndex index = m_model->index(line, 0);
    m_selecting = true;
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_selecting = false;
    scrollTo(index, hint);
}

int CTavrinView::GetSelectedLine() const {
    const QModelIndexList rows =
        selectionModel() != nullptr ? selectionModel()->selectedRows() : QModelIndexList();
    int first = -1;
    for (const QModelIndex& row : rows) {
        if (first < 0 || row.row() < first) {
            first = row.row();
        }
    }
    return first;
}

// Follow rule: the view scrolls along while the user keeps the last line selected. A batch
// is followed exactly when its first line would be, and then so is each line after it. It is
// decided before the oldest lines leave for the batch: the last line may be among them.
void CTavrinView::OnLinesAboutToArrive() {
    m_follow = !m_holdForFind && ShouldFollow(m_model->rowCount(), GetSelectedLine());
}

void CTavrinView::OnRowsInserted(int last) {
    if (!m_follow) {
        return;
    }
    m_follow = false;
    SelectLine(last, EnsureVisible);
}

// A list control in single selection would make the next line the selected one when the
// current line leaves; here the selection goes with its line, and nothing is chosen for the user.
void CTavrinView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() >= start && current.row() <= end) {
        selectionModel()->clearCurrentIndex();
    }
    m_scrollBeforeRemoval = verticalScrollBar()->value();
    QTableView::rowsAboutToBeRemoved(parent, start, end);
}

void CTavrinView::OnRowsRemoved(int count) {
    if (!m_follow) {
        verticalScrollBar()->setValue(std::max(m_scrollBeforeRemoval - count, 0));
    }
}

QMenu* CTavrinView::CreateContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    // The line is taken now: while the menu is open, the follow rule may move the selection on
    // to lines that arrive meanwhile.
    if (!m_readOnly) {
        std::shared_ptr<const CPacket> line = m_model->CopyPacket(GetSelectedLine());
        QAction* resend = menu->addAction(QStringLiteral("Отправить пакет"), this, [this, line] {
            if (line) {
                emit ResendRequested(line.get());
            }
        });
        resend->setData(ID_PACKET_RESEND);
        resend->setEnabled(line != nullptr);
        menu->addSeparator();
    }
    QAction* clear = menu->addAction(QStringLiteral("Очистить лог"), this, [this] { ClearLog(); });
    clear->setData(ID_LOG_CLEAR);
    return menu;
}

// Tab and Shift+Tab are keys to send, not a way to the next cell or widget.
bool CTavrinView::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QTableView::event(event);
}

void CTavrinView::keyPressEvent(QKeyEvent* event) {
    if (std::optional<char32_t> key = SentKeyFromEvent(*event)) {
        if (!m_readOnly) {
            emit KeyTyped(*key);
        }
        event->accept();
        return;
    }
    // A character that sends nothing (Delete's) must not start the list's type-ahead search;
    // keys without one (arrows, Home, End, paging) are the list's navigation.
    const bool alt = event->modifiers().testFlag(Qt::AltModifier);
    if (!event->text().isEmpty() && !alt) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

// Home and End go to the first and last line, with Ctrl or without, as in a list; a table
// would move along the row instead.
QModelIndex CTavrinView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    m_holdForFind = false;  // the user moves on from a line found, End included
    const int rows = m_model->rowCount();
    if ((action == MoveHome || action == MoveEnd) && rows > 0) {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        return m_model->index(action == MoveHome ? 0 : rows - 1, column);
    }
    return QTableView::moveCursor(action, modifiers);
}

// Every key move selects the line it reaches, Ctrl or not (Ctrl+End must not deselect the
// last line when it is already selected, which would stop the list following).
QItemSelectionModel::SelectionFlags CTavrinView::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
    if (event != nullptr && event->type() == QEvent::KeyPress && index.isValid()) {
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    }
    return QTableView::selectionCommand(index, event);
}

void CTavrinView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = CreateContextMenu(this);
    menu->exec(event->globalPos());
    delete menu;
}

void CTavrinView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    // The packet window keeps its own copy: the line may leave the list while it is shown.
    const std::unique_ptr<CPacket> packet = m_model->CopyPacket(GetSelectedLine());
    if (packet) {
        emit ShowPacketRequested(packet.get());
    }
}

// The tip belongs to the line under the pointer. Moving onto another line puts it away; moving
// on the same line again makes it ready, so it shows from the second move over a line, once
// the pointer rests (Qt's tool-tip event).
void CTavrinView::mouseMoveEvent(QMouseEvent* event) {
    QTableView::mouseMoveEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) {
        HideToolTip();
        return;
    }
    if (index.row() == GetHoverLine()) {
        m_tipReady = true;
        return;
    }
    QToolTip::hideText();
    m_hover = m_model->index(index.row(), 0);
    m_tipReady = false;
}

// The tip is served here rather than from the model's tool-tip role: the view's own handling
// would answer the resting pointer with the model's (empty) tip and take ours away. It shows
// the hover line's text even when the follow rule has since scrolled another line under the
// pointer: the pointer has not moved, so the line it came to rest on is the one wanted.
bool CTavrinView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QTableView::viewportEvent(event);
    }
    const auto* help = static_cast<QHelpEvent*>(event);
    // A hover line that has left the list takes its tip with it.
    if (!m_tipReady || !m_hover.isValid()) {
        QToolTip::hideText();
        return true;
    }
    QString tip = GetTooltipText(m_hover.row());
    tip.remove(QLatin1Char('\r'));
    // Kept up to 32 s while the pointer stays on the strip of the line under it.
    const QModelIndex under = indexAt(help->pos());
    const QRect line = under.isValid() ? visualRect(under) : QRect();
    const QRect strip =
        line.isValid() ? QRect(0, line.top(), viewport()->width(), line.height()) : QRect();
    QToolTip::showText(help->globalPos(), tip, viewport(), strip, kToolTipHideDelayMs);
    return true;
}

// The left and right buttons choose a line, as in a list control; the middle one does not
// (it would stop the list following).
void CTavrinView::mousePressEvent(QMouseEvent* event) {
    HideToolTip();
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) {
        event->accept();
        return;
    }
    m_holdForFind = false;
    QTableView::mousePressEvent(event);
}

void CTavrinView::wheelEvent(QWheelEvent* event) {
    HideToolTip();
    QTableView::wheelEvent(event);
}

// One packet window for the list: made by the first double click, shown again and handed the
// new packet by later ones.
void CTavrinView::ShowHexView(const CPacket* packet) {
    if (!m_hexView) {
        m_hexView = new CHexViewFrame(this);
        m_hexView->CentreOverOwner();
    }
    if (m_hexView->isHidden()) {
        m_hexView->show();
    }
    // The packet the user asked for comes into sight, even from a minimised window.
    m_hexView->setWindowState(m_hexView->windowState() & ~Qt::WindowMinimized);
    m_hexView->raise();
    m_hexView->ShowPacket(packet);
}

CHexViewFrame* CTavrinView::GetHexView() const {
    return m_hexView;
}

void CTavrinView::CloseHexView() {
    if (m_hexView) {
        m_hexView->ShowPacket(nullptr);
        delete m_hexView;
    }
}

void CTavrinView::HideToolTip() {
    QToolTip::hideText();
    m_hover = QPersistentModelIndex();
    m_tipReady = false;
}
