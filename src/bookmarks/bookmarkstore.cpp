#include "bookmarkstore.h"

#include "jettext.h"
#include "sqlitehandle.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace Bookmarks {

namespace {

const QString closedReason = QStringLiteral("the bookmark database is closed");

// Both queries hand the user's text to SQLite as a parameter, so quotes,
// semicolons, % and _ in it are plain text. Jet's pattern and comparison
// rules come from the functions registered below.
constexpr const char *selectAllSql = "SELECT rowid, surname, forename FROM tbldata ORDER BY rowid";
constexpr const char *selectionSql
        = "SELECT rowid, surname, forename FROM tbldata"
          " WHERE trim(surname, ' ') = trim(?1, ' ') COLLATE jet_nocase ORDER BY rowid";
constexpr const char *searchSql = "SELECT rowid, surname, forename FROM tbldata"
                                  " WHERE jet_like(?1 || '*', surname) ORDER BY rowid";

void jetLike(sqlite3_context *context, int, sqlite3_value **arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL
        || sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto *name = reinterpret_cast<const char *>(sqlite3_value_text(arguments[1]));
    const QByteArrayView nameBytes(name, sqlite3_value_bytes(arguments[1]));
    // The pattern is the same for every row: compile it once per query and
    // let SQLite keep it. SQLite may drop it at once, so it is used before
    // it is handed over, never after.
    if (const auto *cached = static_cast<const JetText::Pattern *>(sqlite3_get_auxdata(context, 0))) {
        sqlite3_result_int(context, cached->matchesUtf8(nameBytes));
        return;
    }
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(arguments[0]));
    auto pattern = std::make_unique<JetText::Pattern>(
            QString::fromUtf8(text, sqlite3_value_bytes(arguments[0])));
    sqlite3_result_int(context, pattern->matchesUtf8(nameBytes));
    sqlite3_set_auxdata(context, 0, pattern.release(),
                        [](void *p) { delete static_cast<JetText::Pattern *>(p); });
}

int jetNoCase(void *, int leftSize, const void *left, int rightSize, const void *right)
{
    return JetText::compareUtf8(QByteArrayView(static_cast<const char *>(left), leftSize),
                                QByteArrayView(static_cast<const char *>(right), rightSize));
}

// SQLite creates the -wal and -shm files with the store's own mode, and
// keeps them after a connection that could only read. Once the store is
// made writable again, a read-only -shm left that way would keep every
// later connection read-only. Companions that belong to the store's owner
// get the store's mode back; changing a mode is harmless to a connection
// that has the file open.
void matchCompanionModes(const QString &path)
{
#ifdef Q_OS_UNIX
    const QFileInfo store(path);
    if (!store.exists() || !(store.permissions() & QFile::WriteOwner))
        return;
    for (const char *suffix : { "-wal", "-shm" }) {
        const QFileInfo companion(path + QLatin1String(suffix));
        if (companion.exists() && companion.ownerId() == store.ownerId()
            && !(companion.permissions() & QFile::WriteOwner))
            QFile::setPermissions(companion.filePath(), store.permissions());
    }
#else
    Q_UNUSED(path);
#endif
}

} // namespace

namespace detail {

// One open SQLite connection with its prepared statements, and a copy of
// the table that makes opening the whole table cheap. The copy follows this
// connection's own writes; a write by any other connection (another copy of
// the program) is noticed by data_version and the copy is read again.
struct Connection
{
    Sqlite::ConnectionHandle db;
    Sqlite::Statement selectAll, selection, search, insert, change, remove, dataVersion;
    Sqlite::Statement begin, commit, rollback;

    QList<Row> table;
    qint64 tableVersion = -1;
    bool tableCurrent = false;

    bool isOpen() const { return bool(db); }
    QString error() const { return Sqlite::errorOf(db.get()); }

    void close()
    {
        for (Sqlite::Statement *statement :
             { &selectAll, &selection, &search, &insert, &change, &remove, &dataVersion, &begin,
               &commit, &rollback })
            *statement = Sqlite::Statement();
        db.reset();
        table.clear();
        tableCurrent = false;
    }

    std::optional<qint64> readDataVersion()
    {
        const bool ok = dataVersion.step() == SQLITE_ROW;
        const qint64 version = dataVersion.columnInt64(0);
        dataVersion.reset();
        return ok ? std::optional<qint64>(version) : std::nullopt;
    }

    // Runs a query into rows; false on failure.
    bool readRows(Sqlite::Statement &query, QList<Row> &rows)
    {
        rows.clear();
        int rc;
        while ((rc = query.step()) == SQLITE_ROW)
            rows.append({ query.columnInt64(0), query.columnText(1), query.columnText(2) });
        query.reset();
        return rc == SQLITE_DONE;
    }

    bool refreshTable()
    {
        const auto version = readDataVersion();
        if (!version)
            return false;
        if (tableCurrent && *version == tableVersion)
            return true;
        QList<Row> rows;
        if (!readRows(selectAll, rows))
            return false;
        table = std::move(rows);
        tableVersion = *version;
        tableCurrent = true;
        return true;
    }

    // After this connection committed a change: keep the copy of the table
    // in step, unless someone else wrote meanwhile, then read it afresh later.
    template<typename Change>
    void followOwnWrite(Change change)
    {
        const auto version = readDataVersion();
        if (tableCurrent && version && *version == tableVersion)
            change(table);
        else
            tableCurrent = false;
    }

    // Runs statement, already bound, as one transaction; answers how many
    // rows it changed, or -1 on failure with the reason in *reason.
    int writeTransaction(Sqlite::Statement &statement, QString *reason)
    {
        if (begin.step() != SQLITE_DONE) {
            *reason = error();
            begin.reset();
            statement.reset();
            return -1;
        }
        begin.reset();
        const int rc = statement.step();
        statement.reset();
        if (rc != SQLITE_DONE) {
            *reason = error();
            rollback.step();
            rollback.reset();
            return -1;
        }
        const int changed = sqlite3_changes(db.get());
        if (commit.step() != SQLITE_DONE) {
            *reason = error();
            commit.reset();
            if (!sqlite3_get_autocommit(db.get())) {
                rollback.step();
                rollback.reset();
            }
            return -1;
        }
        commit.reset();
        return changed;
    }
};

} // namespace detail

namespace {

// Where a row of rowid belongs in a list kept in rowid order.
qsizetype rowidPosition(const QList<Row> &rows, qint64 rowid)
{
    return std::lower_bound(rows.begin(), rows.end(), rowid,
                            [](const Row &row, qint64 id) { return row.rowid < id; })
            - rows.begin();
}

// Answers where the row went.
qsizetype insertInRowidOrder(QList<Row> &rows, const Row &row)
{
    const qsizetype at = rows.isEmpty() || rows.last().rowid < row.rowid
            ? rows.size()
            : rowidPosition(rows, row.rowid);
    rows.insert(at, row);
    return at;
}

QString *fieldOf(Row &row, int field)
{
    switch (field) {
    case RecordSet::Surname:
        return &row.surname;
    case RecordSet::Forename:
        return &row.forename;
    default:
        return nullptr;
    }
}

QVariant variantOf(const QString &text)
{
    return text.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

} // namespace

// --- RecordSet ---------------------------------------------------------

bool RecordSet::fail(const QString &reason)
{
    m_lastError = reason;
    return false;
}

void RecordSet::moveFirst()
{
    m_currentDeleted = false;
    m_position = m_rows.isEmpty() ? -1 : 0;
}

void RecordSet::moveLast()
{
    m_currentDeleted = false;
    m_position = m_rows.isEmpty() ? -1 : m_rows.size() - 1;
}

void RecordSet::moveNext()
{
    if (m_currentDeleted) {
        // The deleted row's place now holds the row that followed it.
        m_currentDeleted = false;
        return;
    }
    if (m_position < m_rows.size())
        ++m_position;
}

bool RecordSet::isBOF() const
{
    return m_rows.isEmpty() || m_position < 0;
}

bool RecordSet::isEOF() const
{
    return m_rows.isEmpty() || m_position >= m_rows.size();
}

bool RecordSet::hasCurrent() const
{
    return !m_currentDeleted && m_position >= 0 && m_position < m_rows.size();
}

int RecordSet::fieldIndex(QStringView name)
{
    if (name.compare(u"surname", Qt::CaseInsensitive) == 0)
        return Surname;
    if (name.compare(u"forename", Qt::CaseInsensitive) == 0)
        return Forename;
    return -1;
}

QVariant RecordSet::value(int field) const
{
    if ((field != Surname && field != Forename)
        || (m_pending == Pending::None && !hasCurrent()))
        return QVariant();
    return variantOf(text(field));
}

QString RecordSet::text(int field) const
{
    const Row *row = nullptr;
    if (m_pending != Pending::None)
        row = &m_buffer;
    else if (hasCurrent())
        row = &m_rows[m_position];
    if (!row)
        return QString();
    switch (field) {
    case Surname:
        return row->surname;
    case Forename:
        return row->forename;
    default:
        return QString();
    }
}

void RecordSet::addNew()
{
    m_pending = Pending::Adding;
    m_buffer = Row();
}

bool RecordSet::edit()
{
    if (!hasCurrent())
        return fail(QStringLiteral("no bookmark is current"));
    m_pending = Pending::Editing;
    m_buffer = m_rows[m_position];
    return true;
}

bool RecordSet::setValue(int field, const QString &value)
{
    if (m_pending == Pending::None)
        return fail(QStringLiteral("no bookmark is being added or changed"));
    QString *target = fieldOf(m_buffer, field);
    if (!target)
        return fail(QStringLiteral("tbldata has no such column"));
    *target = value;
    return true;
}

void RecordSet::cancelUpdate()
{
    m_pending = Pending::None;
}

bool RecordSet::update()
{
    if (m_pending == Pending::None)
        return fail(QStringLiteral("no bookmark is being added or changed"));
    if (!m_connection || !m_connection->isOpen())
        return fail(closedReason);
    detail::Connection &c = *m_connection;
    QString reason;

    if (m_pending == Pending::Adding) {
        c.insert.bind(1, m_buffer.surname);
        c.insert.bind(2, m_buffer.forename);
        if (c.writeTransaction(c.insert, &reason) < 0)
            return fail(reason);
        Row added = m_buffer;
        added.rowid = sqlite3_last_insert_rowid(c.db.get());
        c.followOwnWrite([&](QList<Row> &table) { insertInRowidOrder(table, added); });
        const qsizetype at = m_type == Type::Table ? insertInRowidOrder(m_rows, added)
                                                   : (m_rows.append(added), m_rows.size() - 1);
        // The cursor keeps its row when the new one lands before it.
        if (m_position >= at)
            ++m_position;
    } else {
        c.change.bind(1, m_buffer.surname);
        c.change.bind(2, m_buffer.forename);
        c.change.bind(3, m_buffer.rowid);
        const int changed = c.writeTransaction(c.change, &reason);
        if (changed < 0)
            return fail(reason);
        if (changed == 0)
            return fail(QStringLiteral("the bookmark is no longer in the database"));
        const Row changedRow = m_buffer;
        c.followOwnWrite([&](QList<Row> &table) {
            const qsizetype at = rowidPosition(table, changedRow.rowid);
            if (at < table.size() && table[at].rowid == changedRow.rowid)
                table[at] = changedRow;
        });
        if (hasCurrent() && m_rows[m_position].rowid == changedRow.rowid)
            m_rows[m_position] = changedRow;
    }
    m_pending = Pending::None;
    return true;
}

bool RecordSet::deleteCurrent()
{
    if (!hasCurrent())
        return fail(QStringLiteral("no bookmark is current"));
    if (!m_connection || !m_connection->isOpen())
        return fail(closedReason);
    detail::Connection &c = *m_connection;
    const qint64 rowid = m_rows[m_position].rowid;
    c.remove.bind(1, rowid);
    QString reason;
    if (c.writeTransaction(c.remove, &reason) < 0)
        return fail(reason);
    c.followOwnWrite([&](QList<Row> &table) {
        const qsizetype at = rowidPosition(table, rowid);
        if (at < table.size() && table[at].rowid == rowid)
            table.remove(at);
    });
    m_rows.remove(m_position);
    m_currentDeleted = true;
    m_pending = Pending::None;
    return true;
}

// --- Database ----------------------------------------------------------

Database::Database() = default;

Database::~Database()
{
    close();
}

bool Database::isOpen() const
{
    return m_connection && m_connection->isOpen();
}

void Database::close()
{
    if (m_connection)
        m_connection->close();
    m_connection.reset();
}

bool Database::open(const QString &path)
{
    close();
    m_path = path;
    auto connection = std::make_shared<detail::Connection>();
    matchCompanionModes(path);

    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    connection->db.reset(raw);
    if (rc != SQLITE_OK) {
        m_lastError = raw ? Sqlite::errorOf(raw) : QStringLiteral("out of memory");
        return false;
    }
    sqlite3 *db = raw;
    sqlite3_extended_result_codes(db, 1);
    // Another copy of the program may be writing; wait for it a little.
    sqlite3_busy_timeout(db, 3000);

    auto failed = [&] {
        m_lastError = Sqlite::errorOf(db);
        return false;
    };

    // Write-ahead logging with full syncs: a commit is one append to the log
    // and one fsync, so it is on the disk when the call returns and survives
    // a crash or power cut; readers never block the writer. The first real
    // read of the file happens here, so a file that is not a database fails
    // at this point. Where SQLite cannot switch (a read-only file) the
    // rollback journal stays, which is just as durable with FULL, only
    // slower.
    {
        Sqlite::Statement journal(db, "PRAGMA journal_mode=WAL");
        if (!journal || journal.step() != SQLITE_ROW)
            return failed();
    }
    if (Sqlite::execute(db, "PRAGMA synchronous=FULL") != SQLITE_OK)
        return failed();
    // Each search reads the whole table; keep it in SQLite's page cache
    // rather than reading it from the file every time (32 MiB at most, a
    // few hundred thousand bookmarks).
    if (Sqlite::execute(db, "PRAGMA cache_size=-32768") != SQLITE_OK)
        return failed();
    if (Sqlite::execute(db, "CREATE TABLE IF NOT EXISTS tbldata(surname TEXT, forename TEXT)")
        != SQLITE_OK)
        return failed();

    if (sqlite3_create_function_v2(db, "jet_like", 2,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                   jetLike, nullptr, nullptr, nullptr)
                != SQLITE_OK
        || sqlite3_create_collation_v2(db, "jet_nocase", SQLITE_UTF8, nullptr, jetNoCase, nullptr)
                != SQLITE_OK)
        return failed();

    struct
    {
        Sqlite::Statement &statement;
        const char *sql;
    } statements[] = {
        { connection->selectAll, selectAllSql },
        { connection->selection, selectionSql },
        { connection->search, searchSql },
        { connection->insert, "INSERT INTO tbldata(surname, forename) VALUES(?1, ?2)" },
        { connection->change, "UPDATE tbldata SET surname = ?1, forename = ?2 WHERE rowid = ?3" },
        { connection->remove, "DELETE FROM tbldata WHERE rowid = ?1" },
        { connection->dataVersion, "PRAGMA data_version" },
        { connection->begin, "BEGIN IMMEDIATE" },
        { connection->commit, "COMMIT" },
        { connection->rollback, "ROLLBACK" },
    };
    // A table tbldata without the two columns fails here, naming the column.
    for (auto &[statement, sql] : statements) {
        statement = Sqlite::Statement(db, sql);
        if (!statement)
            return failed();
    }
    // Reading the whole table now finds a damaged table at once, not at
    // the user's first search.
    if (!connection->refreshTable())
        return failed();

    m_connection = std::move(connection);
    m_lastError.clear();
    return true;
}

RecordSet Database::openTable()
{
    if (!isOpen()) {
        m_lastError = closedReason;
        return RecordSet();
    }
    if (!m_connection->refreshTable()) {
        m_lastError = m_connection->error();
        return RecordSet();
    }
    RecordSet set;
    set.m_connection = m_connection;
    set.m_type = RecordSet::Type::Table;
    set.m_rows = m_connection->table;
    set.m_position = set.m_rows.isEmpty() ? -1 : 0;
    return set;
}

RecordSet Database::openSelection(const QString &name)
{
    return openQuery(0, name);
}

RecordSet Database::openSearch(const QString &typed)
{
    return openQuery(1, typed);
}

RecordSet Database::openQuery(int which, const QString &parameter)
{
    if (!isOpen()) {
        m_lastError = closedReason;
        return RecordSet();
    }
    Sqlite::Statement &query = which == 0 ? m_connection->selection : m_connection->search;
    RecordSet set;
    query.bind(1, parameter.isNull() ? QStringLiteral("") : parameter);
    if (!m_connection->readRows(query, set.m_rows)) {
        m_lastError = m_connection->error();
        return RecordSet();
    }
    set.m_connection = m_connection;
    set.m_type = RecordSet::Type::Query;
    set.m_position = set.m_rows.isEmpty() ? -1 : 0;
    return set;
}

} // namespace Bookmarks
