#include "ui/GridDelegate.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

void CGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    PaintGridLines(painter, option.rect);
}

QSize CGridDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), QFontMetrics(option.font).height() + kRowPadding));
    return size;
}

void CGridDelegate::PaintGridLines(QPainter* painter, const QRect& cell) {
    painter->save();
    painter->setPen(GridColour());
    painter->drawLine(cell.bottomLeft(), cell.bottomRight());
    painter->drawLine(cell.topRight(), cell.bottomRight());
    painter->restore();
}
