#pragma once
// Grid lines between the cells of a list, and rows with room above and below their text, for
// the lists that ask for grid lines (the device list, the traffic list's own cell painter).

#include <QStyledItemDelegate>

class CGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Pixels added to the text's height, shared above and below it.
    static constexpr int kRowPadding = 6;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The cell's bottom and right edges in the grid colour.
    static void PaintGridLines(QPainter* painter, const QRect& cell);
    static QColor GridColour() { return {0xD8, 0xD8, 0xD8}; }
};
