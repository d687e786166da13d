#pragma once

#include <QString>
#include <QStringList>

#include <sqlite3.h>

// The bookmark store as another program sees it, bypassing Bookmarks::Database.
namespace TestStore {

// The first column of each row the statement gives; on an error, the one
// line "error: <why>".
inline QStringList query(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    QStringList rows;
    auto add = [](void* out, int, char** values, char**) {
        static_cast<QStringList*>(out)->append(QString::fromUtf8(values[0]));
        return 0;
    };
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
        || sqlite3_exec(db, sql, add, &rows, nullptr) != SQLITE_OK)
        rows = QStringList { QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db)) };
    sqlite3_close(db);
    return rows;
}

// The stored names, in table order.
inline QStringList names(const QString& path)
{
    return query(path, "SELECT surname FROM tbldata ORDER BY rowid");
}

} // namespace TestStore
