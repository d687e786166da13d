#include "sqlitehandle.h"

#include <sqlite3.h>

#include <cstring>

namespace Sqlite {

void ConnectionCloser::operator()(sqlite3 *db) const
{
    sqlite3_close_v2(db);
}

void Statement::Finalizer::operator()(sqlite3_stmt *stmt) const
{
    sqlite3_finalize(stmt);
}

Statement::Statement(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) == SQLITE_OK)
        m_stmt.reset(stmt);
    else
        sqlite3_finalize(stmt);
}

int Statement::bind(int index, const QString &text)
{
    if (text.isNull())
        return sqlite3_bind_null(m_stmt.get(), index);
    const QByteArray utf8 = text.toUtf8();
    return sqlite3_bind_text64(m_stmt.get(), index, utf8.constData(), sqlite3_uint64(utf8.size()),
                               SQLITE_TRANSIENT, SQLITE_UTF8);
}

int Statement::bind(int index, qint64 value)
{
    return sqlite3_bind_int64(m_stmt.get(), index, value);
}

int Statement::bindBlob(int index, const QByteArray &bytes)
{
    // A null pointer would bind NULL; an empty blob is not NULL.
    if (bytes.isEmpty())
        return sqlite3_bind_zeroblob(m_stmt.get(), index, 0);
    return sqlite3_bind_blob64(m_stmt.get(), index, bytes.constData(), sqlite3_uint64(bytes.size()),
                               SQLITE_TRANSIENT);
}

int Statement::step()
{
    return sqlite3_step(m_stmt.get());
}

void Statement::reset()
{
    sqlite3_reset(m_stmt.get());
    sqlite3_clear_bindings(m_stmt.get());
}

qint64 Statement::columnInt64(int column) const
{
    return sqlite3_column_int64(m_stmt.get(), column);
}

QByteArrayView Statement::columnUtf8(int column) const
{
    sqlite3_stmt *stmt = m_stmt.get();
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL)
        return QByteArrayView();
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    const int size = sqlite3_column_bytes(stmt, column);
    return text ? QByteArrayView(text, size) : QByteArrayView("", 0);
}

QString Statement::columnText(int column) const
{
    const QByteArrayView utf8 = columnUtf8(column);
    return utf8.isNull() ? QString() : QString::fromUtf8(utf8);
}

QByteArray Statement::columnBlob(int column) const
{
    sqlite3_stmt *stmt = m_stmt.get();
    const auto *bytes = static_cast<const char *>(sqlite3_column_blob(stmt, column));
    return QByteArray(bytes, sqlite3_column_bytes(stmt, column));
}

int execute(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

QString errorOf(sqlite3 *db)
{
    QString message = QString::fromUtf8(sqlite3_errmsg(db));
    const int code = sqlite3_extended_errcode(db);
    const int systemError = sqlite3_system_errno(db);
    // The system's reason only belongs to failures of a system call.
    const int primary = code & 0xFF;
    if (systemError != 0
        && (primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR || primary == SQLITE_FULL
            || primary == SQLITE_READONLY))
        message += QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(systemError));
    return message;
}

} // namespace Sqlite
