#include "bookmarkstore.h"

#include "jettext.h"
#include "sqlitehandle.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <memory>
#include <optional>

namespace Bookmarks {

namespace {

const QString closedReason = QStringLiteral("the bookmark database is closed");

constexpr const char *selectAllSql = "SELECT rowid, surname, forename FROM tbldata ORDER BY rowid";

// Blanks (spaces only) removed from both ends, as SQL's trim(x, ' ').
QByteArrayView trimBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && text.front() == ' ')
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == ' ')
        text.chop(1);
    return text;
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
    Sqlite::Statement selectAll, insert, change, remove, dataVersion;
    Sqlite::Statement begin, commit, rollback;

    PackedRows table;
    qint64 tableVersion = -1;
    bool tableCurrent = false;

    bool isOpen() const { return bool(db); }
    QString error() const { return Sqlite::errorOf(db.get()); }

    void close()
    {
        for (Sqlite::Statement *statement :
             { &selectAll, &insert, &change, &remove, &dataVersion, &begin, &commit, &rollback })
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
    bool readRows(Sqlite::Statement &query, PackedRows &rows)
    {
        rows.clear();
        int rc;
        while ((rc = query.step()) == SQLITE_ROW)
            rows.appendUtf8(query.columnInt64(0), query.columnUtf8(1), query.columnUtf8(2));
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
        PackedRows rows;
        if (!readRows(selectAll, rows))
            return false;
        rows.squeeze();
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

// Where a row of rowid belongs in rows kept in rowid order.
qsizetype rowidPosition(const PackedRows &rows, qint64 rowid)
{
    qsizetype low = 0, high = rows.size();
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if (rows.rowid(middle) < rowid)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

// Answers where the row went.
qsizetype insertInRowidOrder(PackedRows &rows, const Row &row)
{
    const qsizetype at = rows.isEmpty() || rows.rowid(rows.size() - 1) < row.rowid
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
    if (field != Surname && field != Forename)
        return QString();
    if (m_pending != Pending::None)
        return field == Surname ? m_buffer.surname : m_buffer.forename;
    return hasCurrent() ? m_rows.text(m_position, field) : QString();
}

QList<Row> RecordSet::rows() const
{
    QList<Row> rows;
    rows.reserve(m_rows.size());
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        rows.append(m_rows.row(i));
    return rows;
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
    m_buffer = m_rows.row(m_position);
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
        c.followOwnWrite([&](PackedRows &table) { insertInRowidOrder(table, added); });
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
        c.followOwnWrite([&](PackedRows &table) {
            const qsizetype at = rowidPosition(table, changedRow.rowid);
            if (at < table.size() && table.rowid(at) == changedRow.rowid)
                table.replace(at, changedRow);
        });
        if (hasCurrent() && m_rows.rowid(m_position) == changedRow.rowid)
            m_rows.replace(m_position, changedRow);
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
    const qint64 rowid = m_rows.rowid(m_position);
    c.remove.bind(1, rowid);
    QString reason;
    if (c.writeTransaction(c.remove, &reason) < 0)
        return fail(reason);
    c.followOwnWrite([&](PackedRows &table) {
        const qsizetype at = rowidPosition(table, rowid);
        if (at < table.size() && table.rowid(at) == rowid)
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
    // Reads go to the copy of the table kept below, so SQLite's own page
    // cache need only serve single-row writes: keep it small rather than
    // hold a second copy of the table.
    if (Sqlite::execute(db, "PRAGMA cache_size=-512") != SQLITE_OK)
        return failed();
    if (Sqlite::execute(db, "CREATE TABLE IF NOT EXISTS tbldata(surname TEXT, forename TEXT)")
        != SQLITE_OK)
        return failed();

    struct
    {
        Sqlite::Statement &statement;
        const char *sql;
    } statements[] = {
        { connection->selectAll, selectAllSql },
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
    const QByteArray wanted = name.toUtf8();
    const QByteArrayView trimmed = trimBlanks(wanted);
    return openQuery([&](QByteArrayView surname) {
        return JetText::compareUtf8(trimBlanks(surname), trimmed) == 0;
    });
}

RecordSet Database::openSearch(const QString &typed)
{
    const JetText::Pattern pattern(typed + QLatin1Char('*'));
    return openQuery([&](QByteArrayView surname) { return pattern.matchesUtf8(surname); });
}

template<typename Keep>
RecordSet Database::openQuery(Keep keep)
{
    if (!isOpen()) {
        m_lastError = closedReason;
        return RecordSet();
    }
    if (!m_connection->refreshTable()) {
        m_lastError = m_connection->error();
        return RecordSet();
    }
    const PackedRows &table = m_connection->table;
    RecordSet set;
    for (qsizetype row = 0; row < table.size(); ++row) {
        // A NULL name matches nothing, as in SQL.
        const QByteArrayView surname = table.utf8(row, RecordSet::Surname);
        if (!surname.isNull() && keep(surname))
            set.m_rows.appendFrom(table, row);
    }
    set.m_connection = m_connection;
    set.m_type = RecordSet::Type::Query;
    set.m_position = set.m_rows.isEmpty() ? -1 : 0;
    return set;
}

} // namespace Bookmarks
