#include "writejournal.h"

#include "datafolder.h"
#include "sqlitehandle.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>

#include <sqlite3.h>

#include <algorithm>

namespace WriteJournal {

namespace {

constexpr const char *schemaSql
        = "CREATE TABLE IF NOT EXISTS writes("
          " id INTEGER PRIMARY KEY AUTOINCREMENT, time TEXT NOT NULL, rom TEXT NOT NULL,"
          " offset INTEGER NOT NULL, old BLOB NOT NULL, new BLOB NOT NULL,"
          " done INTEGER NOT NULL DEFAULT 0, restores INTEGER);"
          "CREATE INDEX IF NOT EXISTS writes_by_rom ON writes(rom, id);";
// Journals written before restores were marked lack the column; their
// entries stay and simply restore nothing.
constexpr const char *restoresColumnSql = "ALTER TABLE writes ADD COLUMN restores INTEGER";
constexpr const char *columns
        = "SELECT id, time, rom, offset, old, new, done, restores FROM writes ";
// Pruning looks at many rows, so it runs on a connection's first entry for
// an image and then on every hundredth; the lists never show more than
// KeptPerImage entries in between.
constexpr int PruneEvery = 100;

} // namespace

struct Journal::Connection
{
    Sqlite::ConnectionHandle db;
    Sqlite::Statement insert, done, prune, byRom, byId;
    QHash<QString, int> recorded; // entries per image since opening

    Entry read(Sqlite::Statement &query) const
    {
        Entry entry;
        entry.id = query.columnInt64(0);
        entry.time = query.columnText(1);
        entry.romPath = query.columnText(2);
        entry.offset = quint32(query.columnInt64(3));
        entry.oldBytes = query.columnBlob(4);
        entry.newBytes = query.columnBlob(5);
        entry.markedDone = query.columnInt64(6) != 0;
        entry.restores = query.columnInt64(7); // NULL reads as 0
        return entry;
    }
};

QString stateName(State state)
{
    switch (state) {
    case State::Done:
        return QStringLiteral("done");
    case State::NotWritten:
        return QStringLiteral("not-written");
    case State::Changed:
        break;
    }
    return QStringLiteral("changed");
}

QString romKey(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(path).absoluteFilePath() : canonical;
}

QString wordTexts(const QByteArray &bytes)
{
    QStringList texts;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        texts.append(RomPalette::BytesToWordText(quint8(bytes[i]), quint8(bytes[i + 1])));
    return texts.join(QLatin1Char(' '));
}

Journal::Journal(QString path, bool create)
    : m_path(std::move(path))
    , m_create(create)
{ }

Journal::~Journal() = default;

QString Journal::defaultPath()
{
    return Platform::dataFile(fileName());
}

bool Journal::firstWarning()
{
    const bool first = !m_warned;
    m_warned = true;
    return first;
}

void Journal::fail(const QString &reason)
{
    m_lastError = QStringLiteral("The write journal \"%1\" cannot be used: %2").arg(m_path, reason);
}

bool Journal::ensureOpen()
{
    if (m_connection)
        return true;
    if (!m_create && !QFileInfo::exists(m_path)) {
        fail(QStringLiteral("it does not exist"));
        return false;
    }
    auto connection = std::make_unique<Connection>();
    sqlite3 *db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (m_create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(m_path.toUtf8().constData(), &db, flags, nullptr);
    connection->db.reset(db);
    if (rc != SQLITE_OK) {
        fail(Sqlite::errorOf(db));
        return false;
    }
    sqlite3_busy_timeout(db, 5000);
    // WAL: an entry is in the log before the ROM image is touched, so it
    // outlives the program being killed at any moment, and a reader never
    // waits for a writer. Syncing each entry to the disk as well would cost
    // more than the write it records (a disk sync takes milliseconds); the
    // log is synced at its checkpoints instead.
    if (Sqlite::execute(db, "PRAGMA journal_mode=WAL") != SQLITE_OK
        || Sqlite::execute(db, "PRAGMA synchronous=NORMAL") != SQLITE_OK
        || Sqlite::execute(db, schemaSql) != SQLITE_OK
        || (!Sqlite::Statement(db, "SELECT restores FROM writes LIMIT 0")
            && Sqlite::execute(db, restoresColumnSql) != SQLITE_OK)) {
        fail(Sqlite::errorOf(db));
        return false;
    }
    const QByteArray byRomSql = QByteArray(columns) + "WHERE rom = ?1 ORDER BY id DESC LIMIT "
            + QByteArray::number(KeptPerImage);
    const QByteArray byIdSql = QByteArray(columns) + "WHERE id = ?1";
    connection->insert
            = Sqlite::Statement(db,
                                "INSERT INTO writes(time, rom, offset, old, new, restores)"
                                " VALUES(?1, ?2, ?3, ?4, ?5, NULLIF(?6, 0))");
    connection->done = Sqlite::Statement(db, "UPDATE writes SET done = 1 WHERE id = ?1");
    connection->prune = Sqlite::Statement(
            db,
            "DELETE FROM writes WHERE rom = ?1 AND id <= (SELECT id FROM writes WHERE rom = ?1"
            " ORDER BY id DESC LIMIT 1 OFFSET ?2)");
    connection->byRom = Sqlite::Statement(db, byRomSql.constData());
    connection->byId = Sqlite::Statement(db, byIdSql.constData());
    if (!connection->insert || !connection->done || !connection->prune || !connection->byRom
        || !connection->byId) {
        fail(Sqlite::errorOf(db));
        return false;
    }
    m_connection = std::move(connection);
    return true;
}

std::optional<qint64> Journal::record(const QString &romPath, quint32 offset,
                                      const QByteArray &oldBytes, const QByteArray &newBytes,
                                      qint64 restores)
{
    if (!ensureOpen())
        return std::nullopt;
    sqlite3 *db = m_connection->db.get();
    const QString rom = romKey(romPath);
    Sqlite::Statement &insert = m_connection->insert;
    insert.bind(1, QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    insert.bind(2, rom);
    insert.bind(3, qint64(offset));
    insert.bindBlob(4, oldBytes);
    insert.bindBlob(5, newBytes);
    insert.bind(6, restores);
    const int rc = insert.step();
    insert.reset();
    if (rc != SQLITE_DONE) {
        fail(Sqlite::errorOf(db));
        return std::nullopt;
    }
    const qint64 id = sqlite3_last_insert_rowid(db);
    if (m_connection->recorded[rom]++ % PruneEvery == 0) {
        // Its own statement after the entry is safe: a failure here loses
        // nothing the user needs.
        Sqlite::Statement &prune = m_connection->prune;
        prune.bind(1, rom);
        prune.bind(2, qint64(KeptPerImage - 1));
        prune.step();
        prune.reset();
    }
    return id;
}

bool Journal::markDone(qint64 id)
{
    if (!ensureOpen())
        return false;
    Sqlite::Statement &done = m_connection->done;
    done.bind(1, id);
    const int rc = done.step();
    done.reset();
    if (rc != SQLITE_DONE) {
        fail(Sqlite::errorOf(m_connection->db.get()));
        return false;
    }
    return true;
}

namespace {

// fileSize: the image's size now. An entry whose bytes no longer all lie
// in the image is never done, whatever it held.
State stateOf(const Entry &entry, qint64 fileSize)
{
    if (entry.offset + entry.newBytes.size() > fileSize)
        return State::Changed;
    if (entry.markedDone)
        return State::Done;
    QByteArray now;
    if (!RomPalette::readBytes(entry.romPath, entry.offset, entry.newBytes.size(), now).ok)
        return State::Changed;
    if (now == entry.newBytes)
        return State::Done;
    return now == entry.oldBytes ? State::NotWritten : State::Changed;
}

} // namespace

QList<Entry> Journal::entries(const QString &romPath)
{
    QList<Entry> result;
    if (!ensureOpen())
        return result;
    Sqlite::Statement &query = m_connection->byRom;
    query.bind(1, romKey(romPath));
    QHash<qint64, qint64> restoredBy; // newest first, so the newest restore wins
    const qint64 size = QFileInfo(romPath).size();
    while (query.step() == SQLITE_ROW) {
        Entry entry = m_connection->read(query);
        entry.state = stateOf(entry, size);
        if (entry.restores && !restoredBy.contains(entry.restores))
            restoredBy.insert(entry.restores, entry.id);
        result.append(entry);
    }
    query.reset();
    for (Entry &entry : result)
        entry.restoredBy = restoredBy.value(entry.id);
    return result;
}

std::optional<Entry> Journal::entry(qint64 id)
{
    if (!ensureOpen())
        return std::nullopt;
    Sqlite::Statement &query = m_connection->byId;
    query.bind(1, id);
    std::optional<Entry> found;
    if (query.step() == SQLITE_ROW) {
        found = m_connection->read(query);
        found->state = stateOf(*found, QFileInfo(found->romPath).size());
    }
    query.reset();
    return found;
}

namespace {

bool overlap(const Entry &a, const Entry &b)
{
    return a.offset < b.offset + quint64(b.newBytes.size())
            && b.offset < a.offset + quint64(a.newBytes.size());
}

} // namespace

RestorePlan planRestore(const QList<Entry> &entries, qint64 id)
{
    RestorePlan plan;
    // Oldest first from the entry on: a later entry is in the way when it
    // wrote over the entry or over one already in the way.
    QList<const Entry *> inTheWay;
    for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
        if (it->id == id
            || (!inTheWay.isEmpty()
                && std::any_of(inTheWay.begin(), inTheWay.end(),
                               [&](const Entry *e) { return overlap(*e, *it); })))
            inTheWay.append(&*it);
    }
    if (inTheWay.isEmpty() || inTheWay.first()->id != id)
        return { {}, id };
    const Entry &target = *inTheWay.takeFirst();

    // The image's bytes under every entry concerned, changed as each
    // restore would change them.
    QHash<quint64, char> image;
    for (const Entry *entry : std::as_const(inTheWay) + QList<const Entry *>{ &target }) {
        QByteArray now;
        qsizetype pastEnd = 0;
        if (!RomPalette::readBytes(entry->romPath, entry->offset, entry->newBytes.size(), now,
                                   &pastEnd)
                     .ok
            || pastEnd > 0)
            return { {}, entry->id };
        for (qsizetype i = 0; i < now.size(); ++i)
            image.insert(entry->offset + quint64(i), now[i]);
    }
    auto holds = [&](const Entry &entry, const QByteArray &bytes) {
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (image.value(entry.offset + quint64(i)) != bytes[i])
                return false;
        }
        return true;
    };
    for (auto it = inTheWay.crbegin(); it != inTheWay.crend() && !holds(target, target.newBytes);
         ++it) {
        const Entry &entry = **it;
        if (!holds(entry, entry.newBytes)) {
            plan.laterEntries.clear(); // all of them then: each stands in the way
            for (auto later = inTheWay.crbegin(); later != inTheWay.crend(); ++later)
                plan.laterEntries.append((*later)->id);
            return { plan.laterEntries, entry.id };
        }
        for (qsizetype i = 0; i < entry.oldBytes.size(); ++i)
            image.insert(entry.offset + quint64(i), entry.oldBytes[i]);
        plan.laterEntries.append(entry.id);
    }
    if (!holds(target, target.newBytes))
        plan.blockedBy = id;
    return plan;
}

WriteOutcome write(Journal &journal, const QString &romPath, quint32 offset,
                   const QByteArray &bytes, qint64 restores)
{
    WriteOutcome outcome;
    QByteArray oldBytes;
    qsizetype pastEnd = 0;
    const RomPalette::FileResult read
            = RomPalette::readBytes(romPath, offset, bytes.size(), oldBytes, &pastEnd);
    // Nothing to change: no entry to take back and no write to make.
    if (read.ok && pastEnd == 0 && oldBytes == bytes)
        return outcome;
    std::optional<qint64> id;
    if (read.ok && !(id = journal.record(romPath, offset, oldBytes, bytes, restores)))
        outcome.journalError = journal.lastError();
    outcome.file = RomPalette::writeBytes(romPath, offset, bytes);
    // An image that cannot be read mostly cannot be written either; then
    // the write's own failure is the news.
    if (!read.ok && outcome.file.ok)
        outcome.journalError = QStringLiteral("The bytes to be replaced could not be read for "
                                              "the write journal: %1")
                                       .arg(read.reason);
    if (id) {
        outcome.entryId = *id;
        if (outcome.file.ok && !journal.markDone(*id))
            outcome.journalError = journal.lastError();
    }
    return outcome;
}

RestoreOutcome restore(Journal &journal, const QString &romPath, qint64 id)
{
    RestoreOutcome outcome;
    const auto entry = journal.entry(id);
    if (!entry || entry->romPath != romKey(romPath)) {
        outcome.refused = true;
        outcome.refusal = entry || journal.lastError().isEmpty()
                ? QStringLiteral("The write journal has no entry %1 for \"%2\".")
                          .arg(id)
                          .arg(romPath)
                : journal.lastError();
        return outcome;
    }
    outcome.entry = *entry;
    QByteArray now;
    qsizetype pastEnd = 0;
    const auto read
            = RomPalette::readBytes(romPath, entry->offset, entry->newBytes.size(), now, &pastEnd);
    if (!read.ok) {
        outcome.refused = true;
        outcome.refusal = QStringLiteral("Cannot read \"%1\": %2.").arg(romPath, read.reason);
        return outcome;
    }
    if (pastEnd > 0) {
        outcome.refused = true;
        outcome.refusal = QStringLiteral("Entry %1 cannot be restored: its bytes at %2 lie past "
                                         "the end of \"%3\", which is shorter now.")
                                  .arg(id)
                                  .arg(QString::number(entry->offset, 16).toUpper(), romPath);
        return outcome;
    }
    if (now != entry->newBytes) {
        // Later entries that overlap it are named; only other programs' changes show bytes.
        const RestorePlan plan = planRestore(journal.entries(romPath), id);
        outcome.refused = true;
        outcome.refusal = !plan.laterEntries.isEmpty()
                ? QStringLiteral("Entry %1 cannot be restored: %2")
                          .arg(QString::number(id), wroteHereSince(plan.laterEntries))
                : QStringLiteral("Entry %1 cannot be restored: the image no longer holds "
                                 "what it wrote at %2. It holds %3 now.")
                          .arg(id)
                          .arg(QString::number(entry->offset, 16).toUpper(), wordTexts(now));
        return outcome;
    }
    outcome.write = write(journal, romPath, entry->offset, entry->oldBytes, id);
    return outcome;
}

QString wroteHereSince(QList<qint64> laterEntries)
{
    std::sort(laterEntries.begin(), laterEntries.end());
    QStringList numbers;
    for (const qint64 id : std::as_const(laterEntries))
        numbers.append(QString::number(id));
    const QString last = numbers.takeLast();
    return numbers.isEmpty()
            ? QStringLiteral("Entry %1 wrote here since; restore it first.").arg(last)
            : QStringLiteral("Entries %1 and %2 wrote here since; restore them first.")
                      .arg(numbers.join(QStringLiteral(", ")), last);
}

} // namespace WriteJournal
