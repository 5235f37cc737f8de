#include "ui/TavrinView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QThread>
#include <QToolTip>
#include <algorithm>

#include "app/KeyChar.h"
#include "app/TrafficText.h"
#include "packet/Packet.h"
#include "ui/CommandIds.h"
#include "ui/HexViewFrame.h"

namespace {

constexpr int kToolTipHideDelayMs = 32000;

// Paints a cell the cheap way: one line of text drawn at its base line and clipped to the
// cell, instead of the style's laid-out, elided text. With a busy device the list repaints
// many times a second, and laying out every visible cell was most of the program's CPU.
// Also draws the grid lines between cells.
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
        painter->drawText(QPoint(x, baseLine), cell.text);
        painter->setPen(QColor(0xD8, 0xD8, 0xD8));
        const QRect& r = cell.rect;
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->restore();
    }
};

}  // namespace

// A table, not a tree: a tree view lays out every row again at each insertion, which at a
// million lines costs tens of milliseconds a batch; a table's fixed-height rows cost nothing.
CTavrinView::CTavrinView(QWidget* parent) : QTableView(parent), m_model(new CTrafficModel(this)) {
    setModel(m_model);
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
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SetColumnWidths();
    viewport()->setMouseTracking(true);

    connect(m_model, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this] { OnRowsAboutToBeInserted(); });
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int, int last) { OnRowsInserted(last); });
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
    const int time = text.horizontalAdvance(QStringLiteral("00.00.0000 00:00:00")) +
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
    m_model->ClearLog();
}

QString CTavrinView::GetTooltipText(int line) const {
    return QString::fromLatin1(BreakTooltipText(m_model->GetDataText(line).toStdString()));
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
// is followed exactly when its first line would be, and then so is each line after it.
void CTavrinView::OnRowsAboutToBeInserted() {
    m_follow = ShouldFollow(m_model->rowCount(), GetSelectedLine());
}

void CTavrinView::OnRowsInserted(int last) {
    if (!m_follow) {
        return;
    }
    m_follow = false;
    const QModelIndex index = m_model->index(last, 0);
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

QMenu* CTavrinView::CreateContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    QAction* resend =
        menu->addAction(QStringLiteral("Отправить пакет"), this, [this] { Resend(); });
    resend->setData(ID_PACKET_RESEND);
    resend->setEnabled(GetSelectedLine() >= 0);
    menu->addSeparator();
    QAction* clear = menu->addAction(QStringLiteral("Очистить лог"), this, [this] { ClearLog(); });
    clear->setData(ID_LOG_CLEAR);
    return menu;
}

void CTavrinView::Resend() {
    const CPacket* packet = m_model->GetPacket(GetSelectedLine());
    if (packet != nullptr) {
        emit ResendRequested(packet);
    }
}

void CTavrinView::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty()) {
        QTableView::keyPressEvent(event);  // arrows, paging: the list's own navigation
        return;
    }
    // Characters send packets; the list's type-ahead search never runs.
    for (char32_t character : text.toUcs4()) {
        if (std::optional<int> key = KeyFromCharacter(character)) {
            emit KeyTyped(*key);
        }
    }
    event->accept();
}

void CTavrinView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = CreateContextMenu(this);
    menu->exec(event->globalPos());
    delete menu;
}

void CTavrinView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    const CPacket* packet = m_model->GetPacket(GetSelectedLine());
    if (packet != nullptr) {
        emit ShowPacketRequested(packet);
    }
}

// The tip for a line shows from the second mouse move over it, and stays up to 32 s.
void CTavrinView::mouseMoveEvent(QMouseEvent* event) {
    QTableView::mouseMoveEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) {
        HideToolTip();
        return;
    }
    if (index.row() == m_hoverLine) {
        QString tip = GetTooltipText(m_hoverLine);
        tip.remove(QLatin1Char('\r'));
        QToolTip::showText(event->globalPosition().toPoint(), tip, viewport(), QRect(),
                           kToolTipHideDelayMs);
        return;
    }
    QToolTip::hideText();
    m_hoverLine = index.row();
}

void CTavrinView::mousePressEvent(QMouseEvent* event) {
    HideToolTip();
    QTableView::mousePressEvent(event);
}

void CTavrinView::scrollContentsBy(int dx, int dy) {
    HideToolTip();
    QTableView::scrollContentsBy(dx, dy);
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
    m_hoverLine = -1;
}
