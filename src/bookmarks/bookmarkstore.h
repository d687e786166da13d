#pragma once

#include "packedrows.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

// The bookmark store: the table tbldata(surname TEXT, forename TEXT) of an
// SQLite file, reached through record sets in the manner of the desktop
// database engines the bookmark window was first written against.
namespace Bookmarks {

// The store's file name in the program's data folder.
inline QString storeFileName()
{
    return QStringLiteral("Database.sqlite");
}

namespace detail {
struct Connection;
}

// A set of rows with a cursor. Rows are read when the set is opened; rows
// added through the set appear in it; the set stays usable for counting and
// moving after every update. Writes go straight to the file, each in a
// transaction of its own that is durable when the call returns.
class RecordSet
{
public:
    enum class Type {
        Table, // the whole table, in the table's own order
        Query, // the rows a query selected, in the table's order
    };
    enum Field { Surname = 0, Forename = 1 };

    RecordSet() = default; // closed: no rows, every write fails

    bool isOpen() const { return bool(m_connection); }
    Type type() const { return m_type; }

    // Exact at all times, for query results as well.
    int recordCount() const { return int(m_rows.size()); }

    // Moving on an empty set leaves it before its first and after its last
    // row at once; moving past either end stays there.
    void moveFirst();
    void moveLast();
    void moveNext();
    bool isBOF() const;
    bool isEOF() const;
    // A row is current: not before the first, not after the last, not deleted.
    bool hasCurrent() const;

    // The field numbered by a column name given in any letter case
    // ("surname", "Surname"); -1 for any other name.
    static int fieldIndex(QStringView name);

    // The current row's value (while adding or editing: the value being
    // written). Null for SQL NULL; invalid when there is no such field or
    // no current row.
    QVariant value(int field) const;
    QVariant value(QStringView name) const { return value(fieldIndex(name)); }
    // The same as text, without a QVariant: SQL NULL and no value give a
    // null QString. For filling long lists.
    QString text(int field) const;

    // Begins a new row; update() writes it and adds it to this set: at the
    // end for a query, in table order for the table. The cursor stays where
    // it was.
    void addNew();
    // Begins changing the current row; false (and lastError()) without one.
    bool edit();
    // While adding or editing; false when there is no such field.
    bool setValue(int field, const QString &value);
    bool setValue(QStringView name, const QString &value) { return setValue(fieldIndex(name), value); }
    // Writes the new or changed row in one durable transaction. On failure
    // nothing is written and the set is still adding or editing.
    bool update();
    void cancelUpdate();

    // Deletes the current row in one durable transaction. The row leaves
    // the set; no row is current until the next move, and moveNext() goes
    // to the row that followed it.
    bool deleteCurrent();

    // Why the last failing call failed.
    QString lastError() const { return m_lastError; }

    // All rows, in order: as texts (for inspection; the window moves the
    // cursor), and as they are held, which costs no copy.
    QList<Row> rows() const;
    const PackedRows &packedRows() const { return m_rows; }

private:
    friend class Database;
    enum class Pending { None, Adding, Editing };

    bool fail(const QString &reason);

    std::shared_ptr<detail::Connection> m_connection;
    Type m_type = Type::Query;
    PackedRows m_rows;
    qsizetype m_position = 0; // -1 before the first row, size() after the last
    bool m_currentDeleted = false;
    Pending m_pending = Pending::None;
    Row m_buffer;
    QString m_lastError;
};

// The open store. It creates the file and the table when they are missing,
// and closes the file when it goes. Record sets opened from it stay valid
// objects after close() but can then no longer write.
class Database
{
public:
    Database();
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens (or creates) the store at path for reading and writing.
    bool open(const QString &path);
    void close();
    bool isOpen() const;
    QString path() const { return m_path; }

    // The whole table, in its own order.
    RecordSet openTable();
    // The rows whose name, without blanks before and after it, equals
    // name without them, letter case ignored.
    RecordSet openSelection(const QString &name);
    // The rows whose name matches typed followed by * as a pattern of
    // JetText::Pattern: the names that begin with what the user typed.
    // Both queries run over the copy of the table the store keeps, read
    // afresh when another connection has written.
    RecordSet openSearch(const QString &typed);

    // On failure the record sets above are closed and this says why.
    QString lastError() const { return m_lastError; }

private:
    // The rows of the whole table whose name is not NULL and for whose
    // UTF-8 bytes keep answers true.
    template<typename Keep>
    RecordSet openQuery(Keep keep);

    std::shared_ptr<detail::Connection> m_connection;
    QString m_path;
    QString m_lastError;
};

} // namespace Bookmarks
