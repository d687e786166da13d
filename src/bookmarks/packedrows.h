#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace Bookmarks {

struct Row
{
    qint64 rowid = 0;
    QString surname; // a null QString is SQL NULL
    QString forename;
};

// Rows of tbldata held compactly: the texts of every row in one UTF-8
// buffer and a small fixed entry per row, instead of two heap strings per
// row (a hundred thousand bookmarks take a few MiB, not tens). Copies share
// their data until one of them is written.
class PackedRows
{
public:
    enum Column { Surname = 0, Forename = 1 };

    qsizetype size() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }

    qint64 rowid(qsizetype row) const { return m_entries.at(row).rowid; }
    bool isNull(qsizetype row, int column) const;
    // The stored bytes; empty for NULL.
    QByteArrayView utf8(qsizetype row, int column) const;
    // A null QString for NULL, never for an empty text.
    QString text(qsizetype row, int column) const;
    Row row(qsizetype row) const;

    void append(const Row &row);
    // Appends row `row` of other, bytes as they are.
    void appendFrom(const PackedRows &other, qsizetype row);
    // A null view is NULL.
    void appendUtf8(qint64 rowid, QByteArrayView surname, QByteArrayView forename);
    void insert(qsizetype at, const Row &row);
    void replace(qsizetype at, const Row &row);
    void remove(qsizetype at);
    void clear();
    // Gives back the room kept for growth.
    void squeeze();

private:
    // A row's texts lie at start in m_texts: for each column its size plus
    // one (0 for NULL) as a 7-bit varint, then its bytes.
    struct Entry
    {
        qint64 rowid;
        qsizetype start;
    };
    struct Field
    {
        QByteArrayView bytes; // null for NULL
        qsizetype end; // where the next field begins
    };

    Field field(qsizetype from) const;
    Entry store(qint64 rowid, QByteArrayView surname, QByteArrayView forename);
    void dropped(const Entry &entry);

    QList<Entry> m_entries;
    QByteArray m_texts;
    qsizetype m_unused = 0; // bytes of replaced and removed rows
};

} // namespace Bookmarks
