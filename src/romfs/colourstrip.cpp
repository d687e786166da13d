#include "colourstrip.h"

#include <QHeaderView>
#include <QTableView>

#include "module1.h"

#include <QPainter>

namespace {

QColor colourOf(quint16 word)
{
    using Module1::Scale5To8;
    return QColor(Scale5To8(word & 31), Scale5To8(word >> 5 & 31), Scale5To8(word >> 10 & 31));
}

} // namespace

void ColourStripDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    const QVariantList words = index.data(Qt::UserRole).toList();
    const QRect area = option.rect.adjusted(2, 3, -2, -3);
    painter->save();
    painter->setPen(QColor(64, 64, 64));
    for (int i = 0; i < std::min<int>(words.size(), 16); ++i) {
        const QRect swatch(area.left() + i * Swatch, area.top(), Swatch - 1, area.height() - 1);
        painter->fillRect(swatch, colourOf(quint16(words[i].toUInt())));
        painter->drawRect(swatch);
    }
    painter->restore();
}

QSize ColourStripDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(16 * Swatch + 4, 18);
}

QTableView *makeFoundList(QWidget *parent, QAbstractItemModel *model, int stretchColumn)
{
    auto *list = new QTableView(parent);
    list->setModel(model);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setAlternatingRowColors(true);
    list->verticalHeader()->hide();
    list->verticalHeader()->setDefaultSectionSize(20);
    list->horizontalHeader()->setSectionResizeMode(stretchColumn, QHeaderView::Stretch);
    return list;
}
