#include "listbox.h"

#include <QAbstractListModel>

class ListBox::Model final : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(texts.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= texts.size())
            return QVariant();
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return texts.at(index.row());
        return QVariant();
    }

    void replace(const QStringList &newTexts)
    {
        beginResetModel();
        texts = newTexts;
        endResetModel();
    }

    void append(const QString &text)
    {
        const int row = int(texts.size());
        beginInsertRows(QModelIndex(), row, row);
        texts.append(text);
        endInsertRows();
    }

    QStringList texts;
};

ListBox::ListBox(QWidget *parent) : QListView(parent), m_model(new Model(this))
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every entry is one line of text: the view need not measure each one.
    setUniformItemSizes(true);
}

int ListBox::count() const
{
    return int(m_model->texts.size());
}

QString ListBox::itemText(int row) const
{
    return m_model->texts.value(row);
}

QStringList ListBox::items() const
{
    return m_model->texts;
}

void ListBox::clear()
{
    m_model->replace(QStringList());
}

void ListBox::addItem(const QString &text)
{
    m_model->append(text);
}

void ListBox::setItems(const QStringList &texts)
{
    m_model->replace(texts);
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
