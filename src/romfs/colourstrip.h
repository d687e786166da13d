#pragma once

#include <QStyledItemDelegate>

class QAbstractItemModel;
class QTableView;

// Paints the colour words a cell holds under Qt::UserRole (a list of
// 15-bit words, at most sixteen shown) as a strip of swatches: how the
// windows that list palettes show their colours.
class ColourStripDelegate : public QStyledItemDelegate
{
public:
    static constexpr int Swatch = 12;
    // The width a column needs for sixteen swatches.
    static constexpr int ColumnWidth = 16 * Swatch + 8;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override;
};

// A list of found things as the windows that find them show it: whole rows
// selected one at a time, read-only, compact, the stretch column widest.
QTableView *makeFoundList(QWidget *parent, QAbstractItemModel *model, int stretchColumn);
