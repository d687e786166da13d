#include "listbox.h"

#include <QAbstractListModel>

class ListBox::Model final : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(rows.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= rows.size())
            return QVariant();
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return text(index.row());
        return QVariant();
    }

    // The name as the list shows it: NULL shows as nothing.
    QString text(int row) const
    {
        return row >= 0 && row < rows.size() ? QString::fromUtf8(rows.utf8(row, rows.Surname))
                                             : QString();
    }

    void replace(const Bookmarks::PackedRows &newRows)
    {
        beginResetModel();
        rows = newRows;
        endResetModel();
    }

    Bookmarks::PackedRows rows;
};

ListBox::ListBox(QWidget *parent) : QListView(parent), m_model(new Model(this))
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every entry is one line of text: the view need not measure each one.
    setUniformItemSizes(true);
    // Double-click and Enter (activated) use the entry; a single click or
    // the arrow keys only choose it.
    connect(this, &QAbstractItemView::activated, this, [this](const QModelIndex &index) {
        if (index.isValid())
            emit itemActivated(index.row());
    });
}

int ListBox::count() const
{
    return m_model->rowCount();
}

QString ListBox::itemText(int row) const
{
    return m_model->text(row);
}

QStringList ListBox::items() const
{
    QStringList texts;
    texts.reserve(count());
    for (int row = 0; row < count(); ++row)
        texts.append(itemText(row));
    return texts;
}

void ListBox::setRows(const Bookmarks::PackedRows &rows)
{
    m_model->replace(rows);
}

int ListBox::currentRow() const
{
    const QModelIndexList chosen = selectionModel()->selectedRows();
    return chosen.isEmpty() ? -1 : chosen.first().row();
}

QString ListBox::currentText() const
{
    return itemText(currentRow());
}

void ListBox::setCurrentRow(int row)
{
    const QModelIndex index = m_model->index(row, 0);
    if (!index.isValid()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

QRect ListBox::itemRect(int row) const
{
    return visualRect(m_model->index(row, 0));
}

void ListBox::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QListView::selectionChanged(selected, deselected);
    if (!selected.isEmpty())
        emit itemClicked();
}
