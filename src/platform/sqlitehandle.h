#pragma once

#include <QByteArrayView>
#include <QByteArray>
#include <QString>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// Owning handles over SQLite's C API: a connection is closed and a statement
// finalised when its handle goes, so no early return can leak either.
namespace Sqlite {

struct ConnectionCloser
{
    void operator()(sqlite3 *db) const;
};
using ConnectionHandle = std::unique_ptr<sqlite3, ConnectionCloser>;

// A prepared statement, reset after each use so it can run again.
class Statement
{
public:
    Statement() = default;
    // Prepares sql for db; on failure the statement is null and
    // errorOf(db) says why.
    Statement(sqlite3 *db, const char *sql);

    explicit operator bool() const { return bool(m_stmt); }

    // Each bind, step and reset answers SQLite's result code.
    int bind(int index, const QString &text); // a null QString binds NULL
    int bind(int index, qint64 value);
    int bindBlob(int index, const QByteArray &bytes);
    int step();
    void reset(); // also clears the bindings

    qint64 columnInt64(int column) const;
    // A text column's UTF-8 bytes, valid until the next step or reset;
    // NULL gives a null view, an empty text an empty one.
    QByteArrayView columnUtf8(int column) const;
    // NULL gives a null QString.
    QString columnText(int column) const;
    QByteArray columnBlob(int column) const;

private:
    struct Finalizer
    {
        void operator()(sqlite3_stmt *stmt) const;
    };
    std::unique_ptr<sqlite3_stmt, Finalizer> m_stmt;
};

// Runs one statement, such as a pragma, that needs neither binding nor rows.
int execute(sqlite3 *db, const char *sql);

// SQLite's message for the last failure on db, with the system's reason
// when a system call failed ("unable to open database file: Permission
// denied").
QString errorOf(sqlite3 *db);

} // namespace Sqlite
