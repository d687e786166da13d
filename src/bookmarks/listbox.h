#pragma once

#include "packedrows.h"

#include <QListView>
#include <QStringList>

// The bookmark names of a set of rows, unsorted, with one chosen entry.
// The list shows the rows it was given as they are held, without a copy:
// a hundred thousand bookmarks cost no more than the rows themselves.
// itemClicked() tells that the user chose an entry, by mouse or keyboard,
// or that setCurrentRow() did; refilling the list chooses nothing.
// itemActivated() tells that the user double-clicked an entry or pressed
// Enter on it: the user wants to use that bookmark.
class ListBox : public QListView
{
    Q_OBJECT
public:
    explicit ListBox(QWidget *parent = nullptr);

    int count() const;
    QString itemText(int row) const;
    QStringList items() const;

    // Shows the names of rows, in their order.
    void setRows(const Bookmarks::PackedRows &rows);

    // The chosen entry, -1 for none; its text, empty for none.
    int currentRow() const;
    QString currentText() const;
    void setCurrentRow(int row);

    // The entry's rectangle in viewport coordinates, for pointing at it.
    QRect itemRect(int row) const;

signals:
    void itemClicked();
    void itemActivated(int row);

protected:
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;

private:
    class Model;
    Model *m_model;
};
