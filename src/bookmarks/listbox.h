#pragma once

#include <QListView>
#include <QStringList>

class QAbstractListModel;

// An unsorted list of texts with one chosen entry, cheap to refill with a
// hundred thousand entries (a QListWidget makes one object per entry).
// itemClicked() tells that the user chose an entry, by mouse or keyboard,
// or that setCurrentRow() did; refilling the list chooses nothing.
class ListBox : public QListView
{
    Q_OBJECT
public:
    explicit ListBox(QWidget *parent = nullptr);

    int count() const;
    QString itemText(int row) const;
    QStringList items() const;

    void clear();
    void addItem(const QString &text);
    // Replaces all entries at once, as clear() and addItem() for each would.
    void setItems(const QStringList &texts);

    // The chosen entry, -1 for none; its text, empty for none.
    int currentRow() const;
    QString currentText() const;
    void setCurrentRow(int row);

    // The entry's rectangle in viewport coordinates, for pointing at it.
    QRect itemRect(int row) const;

signals:
    void itemClicked();

protected:
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;

private:
    class Model;
    Model *m_model;
};
