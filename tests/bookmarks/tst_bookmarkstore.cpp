#include "bookmarkstore.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <sqlite3.h>

#include <cstdio>
#include <thread>

using namespace Qt::StringLiterals;

using Bookmarks::Database;
using Bookmarks::RecordSet;

namespace {

QStringList namesOf(const RecordSet &set)
{
    QStringList names;
    for (const Bookmarks::Row &row : set.rows())
        names.append(row.surname);
    return names;
}

bool addRow(RecordSet &set, const QString &name, const QString &offset)
{
    set.addNew();
    return set.setValue(u"surname", name) && set.setValue(u"Forename", offset) && set.update();
}

// Rows with these names, each at offset 0.
bool addRows(RecordSet &set, const QStringList &names)
{
    return std::all_of(names.begin(), names.end(),
                       [&set](const QString &name) { return addRow(set, name, QStringLiteral("0")); });
}

// Raw rows as another program would read them, bypassing the store.
QStringList rawNames(const QString &path)
{
    QStringList names;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT surname FROM tbldata ORDER BY rowid", -1, &stmt, nullptr);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
            names.append(QString::fromUtf8(
                    reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0))));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return names;
}

void rawExecute(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK)
        qFatal("%s: %s", sql, error);
    sqlite3_close(db);
}

// The rows the search tests look for, in table order.
const QStringList searchNames = {
    QStringLiteral("Abc"),          QStringLiteral("abd"),       QStringLiteral("cab"),
    u"école"_s,                   u"e\u0301tude"_s,          QStringLiteral("eclair"),
    u"ΟΔΟΣ"_s,                    u"\U00010428abc"_s,        QStringLiteral("a1"),
    QStringLiteral("a2b"),          QStringLiteral("*star"),     QStringLiteral("?query"),
    QStringLiteral("#7"),           QStringLiteral("[bracket"),  QStringLiteral("100%"),
    QStringLiteral("1000"),         QStringLiteral("a_b"),       QStringLiteral("axb"),
    QStringLiteral("O'Brien"),      QStringLiteral("\"quoted\""),
    QStringLiteral("x'; DROP TABLE tbldata; --"),
};

} // namespace

class tst_BookmarkStore : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void createsFileAndTableWhenMissing();
    void openFailsInAMissingFolder();
    void usesWriteAheadLogWithFullSync();
    void search_data();
    void search();
    void selection_data();
    void selection();
    void quotesAndSqlTextAreStoredAsText();
    void tableKeepsItsOwnOrder();
    void duplicatesSelectInTableOrder();
    void addThroughQueryAppearsAtItsEnd();
    void editChangesTheCurrentRowOnly();
    void deleteRemovesTheRowAndMovesOn();
    void writesWithoutCurrentRowFail();
    void fieldNamesIgnoreCase();
    void nullIsNotEmptyText();
    void seesWritesOfAnotherConnection();
    void closedDatabaseRefusesWrites();
    void savedRowSurvivesAKilledProcess();
    void damagedFileIsRefused_data();
    void damagedFileIsRefused();

private:
    QString freshPath();
    QTemporaryDir m_dir;
    int m_count = 0;
    QString m_searchStore;
};

QString tst_BookmarkStore::freshPath()
{
    return m_dir.filePath(QStringLiteral("store%1.sqlite").arg(++m_count));
}

void tst_BookmarkStore::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_searchStore = freshPath();
    Database db;
    QVERIFY2(db.open(m_searchStore), qPrintable(db.lastError()));
    RecordSet table = db.openTable();
    for (const QString &name : searchNames)
        QVERIFY2(addRow(table, name, QStringLiteral("100")), qPrintable(table.lastError()));
}

void tst_BookmarkStore::createsFileAndTableWhenMissing()
{
    const QString path = freshPath();
    Database db;
    QVERIFY2(db.open(path), qPrintable(db.lastError()));
    QVERIFY(QFile::exists(path));
    const RecordSet table = db.openTable();
    QVERIFY(table.isOpen());
    QCOMPARE(table.recordCount(), 0);
    QVERIFY(table.isBOF() && table.isEOF() && !table.hasCurrent());
    db.close();
    // Opening again keeps what is there.
    rawExecute(path, "INSERT INTO tbldata VALUES('kept', '1')");
    QVERIFY(db.open(path));
    QCOMPARE(namesOf(db.openTable()), QStringList{ QStringLiteral("kept") });
}

void tst_BookmarkStore::openFailsInAMissingFolder()
{
    const QString path = m_dir.filePath(QStringLiteral("no such folder/Database.sqlite"));
    Database db;
    QVERIFY(!db.open(path));
    QVERIFY(!db.isOpen());
    QVERIFY2(db.lastError().contains(QStringLiteral("unable to open database file")),
             qPrintable(db.lastError()));
    QVERIFY(!db.openTable().isOpen());
}

void tst_BookmarkStore::usesWriteAheadLogWithFullSync()
{
    const QString path = freshPath();
    Database db;
    QVERIFY(db.open(path));
    RecordSet table = db.openTable();
    QVERIFY(addRow(table, QStringLiteral("a"), QStringLiteral("1")));
    // The committed row sits in the log until a checkpoint: the log exists
    // and another reader sees the row.
    QVERIFY(QFile::exists(path + QStringLiteral("-wal")));
    QCOMPARE(rawNames(path), QStringList{ QStringLiteral("a") });
    sqlite3 *raw = nullptr;
    sqlite3_open(path.toUtf8().constData(), &raw);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(raw, "PRAGMA journal_mode", -1, &stmt, nullptr);
    QCOMPARE(sqlite3_step(stmt), SQLITE_ROW);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0))),
             QByteArray("wal"));
    sqlite3_finalize(stmt);
    sqlite3_close(raw);
}

void tst_BookmarkStore::search_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("found");

    QTest::newRow("beginning, case ignored") << "ab" << QStringList{ "Abc", "abd" };
    QTest::newRow("capitals") << "AB" << QStringList{ "Abc", "abd" };
    QTest::newRow("accented capital") << u"É"_s << QStringList{ u"école"_s, u"e\u0301tude"_s };
    QTest::newRow("plain e is not é") << "ec" << QStringList{ "eclair" };
    QTest::newRow("Greek") << u"οδ"_s << QStringList{ u"ΟΔΟΣ"_s };
    QTest::newRow("outside the BMP") << u"\U00010400A"_s << QStringList{ u"\U00010428abc"_s };
    QTest::newRow("* inside") << "a*b" << QStringList{ "Abc", "abd", "a2b", "a_b", "axb" };
    QTest::newRow("?") << "a?b" << QStringList{ "a2b", "a_b", "axb" };
    QTest::newRow("#") << "a#" << QStringList{ "a1", "a2b" };
    QTest::newRow("set") << "[ce]" << QStringList{ "cab", "eclair" };
    QTest::newRow("set, accented capital") << u"[XÉ]t"_s << QStringList{ u"e\u0301tude"_s };
    QTest::newRow("negated set") << "a[!b1-9_]" << QStringList{ "axb" };
    QTest::newRow("[*]") << "[*]" << QStringList{ "*star" };
    QTest::newRow("[?]") << "[?]" << QStringList{ "?query" };
    QTest::newRow("[#]") << "[#]" << QStringList{ "#7" };
    QTest::newRow("[[]") << "[[]" << QStringList{ "[bracket" };
    QTest::newRow("unclosed [") << "[br" << QStringList{ "[bracket" };
    QTest::newRow("% is text") << "100%" << QStringList{ "100%" };
    QTest::newRow("_ is text") << "a_" << QStringList{ "a_b" };
    QTest::newRow("quote") << "o'" << QStringList{ "O'Brien" };
    QTest::newRow("double quote") << "\"q" << QStringList{ "\"quoted\"" };
    QTest::newRow("SQL text") << "x'; DROP" << QStringList{ "x'; DROP TABLE tbldata; --" };
    QTest::newRow("nothing") << "zz" << QStringList{};
}

void tst_BookmarkStore::search()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, found);
    Database db;
    QVERIFY(db.open(m_searchStore));
    const RecordSet result = db.openSearch(typed);
    QVERIFY2(result.isOpen(), qPrintable(db.lastError()));
    QCOMPARE(result.type(), RecordSet::Type::Query);
    QCOMPARE(namesOf(result), found);
    QCOMPARE(result.recordCount(), found.size());
    // The table is untouched by any of it.
    QCOMPARE(namesOf(db.openTable()), searchNames);
}

void tst_BookmarkStore::selection_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("found");

    QTest::newRow("exact") << "abd" << QStringList{ "abd" };
    QTest::newRow("case ignored") << "ABC" << QStringList{ "Abc" };
    QTest::newRow("accented case ignored") << u"ÉCOLE"_s << QStringList{ u"école"_s };
    QTest::newRow("blanks around ignored") << "  abd " << QStringList{ "abd" };
    QTest::newRow("no pattern characters") << "a*" << QStringList{};
    QTest::newRow("a beginning is not enough") << "ab" << QStringList{};
    QTest::newRow("quote") << "o'brien" << QStringList{ "O'Brien" };
    QTest::newRow("SQL text") << "x'; DROP TABLE tbldata; --"
                              << QStringList{ "x'; DROP TABLE tbldata; --" };
}

void tst_BookmarkStore::selection()
{
    QFETCH(QString, name);
    QFETCH(QStringList, found);
    Database db;
    QVERIFY(db.open(m_searchStore));
    const RecordSet result = db.openSelection(name);
    QVERIFY2(result.isOpen(), qPrintable(db.lastError()));
    QCOMPARE(namesOf(result), found);
}

void tst_BookmarkStore::quotesAndSqlTextAreStoredAsText()
{
    const QString path = freshPath();
    Database db;
    QVERIFY(db.open(path));
    RecordSet table = db.openTable();
    const QStringList names = { QStringLiteral("it's"), QStringLiteral("say \"hi\""),
                                QStringLiteral("50% off_now"),
                                QStringLiteral("'); DELETE FROM tbldata; --") };
    for (const QString &name : names)
        QVERIFY(addRow(table, name, name + QStringLiteral(" offset")));
    db.close();
    QCOMPARE(rawNames(path), names);
    QVERIFY(db.open(path));
    for (const QString &name : names) {
        RecordSet chosen = db.openSelection(name);
        QCOMPARE(chosen.recordCount(), 1);
        chosen.moveFirst();
        QCOMPARE(chosen.value(u"forename").toString(), name + QStringLiteral(" offset"));
    }
}

void tst_BookmarkStore::tableKeepsItsOwnOrder()
{
    const QString path = freshPath();
    Database db;
    QVERIFY(db.open(path));
    RecordSet table = db.openTable();
    const QStringList names = { "zeta", "Alpha", "mid", "alpha" };
    QVERIFY(addRows(table, names));
    QCOMPARE(namesOf(table), names);
    QCOMPARE(namesOf(db.openTable()), names);
    QCOMPARE(namesOf(db.openSearch(QStringLiteral("a"))), (QStringList{ "Alpha", "alpha" }));
}

void tst_BookmarkStore::duplicatesSelectInTableOrder()
{
    const QString path = freshPath();
    Database db;
    QVERIFY(db.open(path));
    RecordSet table = db.openTable();
    QVERIFY(addRow(table, QStringLiteral("Boss"), QStringLiteral("first")));
    QVERIFY(addRow(table, QStringLiteral("other"), QStringLiteral("x")));
    QVERIFY(addRow(table, QStringLiteral("boss"), QStringLiteral("second")));
    RecordSet chosen = db.openSelection(QStringLiteral("BOSS"));
    QCOMPARE(chosen.recordCount(), 2);
    chosen.moveFirst();
    QCOMPARE(chosen.value(u"forename").toString(), QStringLiteral("first"));
    chosen.moveNext();
    QCOMPARE(chosen.value(u"forename").toString(), QStringLiteral("second"));
    chosen.moveNext();
    QVERIFY(chosen.isEOF());
}

void tst_BookmarkStore::addThroughQueryAppearsAtItsEnd()
{
    const QString path = freshPath();
    Database db;
    QVERIFY(db.open(path));
    RecordSet table = db.openTable();
    QVERIFY(addRows(table, { "ant", "bee", "apple" }));

    RecordSet found = db.openSearch(QStringLiteral("a"));
    found.moveFirst();
    QVERIFY(addRow(found, QStringLiteral("zebra"), QStringLiteral("7")));
    // Kept although it does not match; the cursor stays on its row.
    QCOMPARE(namesOf(found), (QStringList{ "ant", "apple", "zebra" }));
    QCOMPARE(found.recordCount(), 3);
    QCOMPARE(found.value(u"surname").toString(), QStringLiteral("ant"));
    found.moveLast();
    QCOMPARE(found.value(u"surname").toString(), QStringLiteral("zebra"));
    QCOMPARE(found.value(u"forename").toString(), QStringLiteral("7"));
    found.moveNext();
    QVERIFY(found.isEOF() && !found.hasCurrent());
    // Also in the table, at its end, for this and any other connection.
    QCOMPARE(namesOf(db.openTable()), (QStringList{ "ant", "bee", "apple", "zebra" }));
    QCOMPARE(rawNames(path), (QStringList{ "ant", "bee", "apple", "zebra" }));
}

void tst_BookmarkStore::editChangesTheCurrentRowOnly()
{
    const QString path = freshPath();
    Database db;
    QVERIFY(db.open(path));
    RecordSet table = db.openTable();
    QVERIFY(addRows(table, { "one", "two", "three" }));

    RecordSet chosen = db.openSelection(QStringLiteral("two"));
    chosen.moveFirst();
    QVERIFY(chosen.edit());
    QCOMPARE(chosen.value(u"SURNAME").toString(), QStringLiteral("two"));
    QVERIFY(chosen.setValue(u"surname", QStringLiteral("deux")));
    QVERIFY(chosen.setValue(u"forename", QStringLiteral("2")));
    QVERIFY2(chosen.update(), qPrintable(chosen.lastError()));
    QCOMPARE(chosen.recordCount(), 1);
    QCOMPARE(chosen.value(u"surname").toString(), QStringLiteral("deux"));
    QCOMPARE(namesOf(db.openTable()), (QStringList{ "one", "deux", "three" }));
    QCOMPARE(rawNames(path), (QStringList{ "one", "deux", "three" }));

    // A row someone else deleted meanwhile is reported, not recreated.
    chosen.moveFirst();
    rawExecute(path, "DELETE FROM tbldata WHERE surname = 'deux'");
    QVERIFY(chosen.edit());
    QVERIFY(chosen.setValue(u"surname", QStringLiteral("again")));
    QVERIFY(!chosen.update());
    QVERIFY(chosen.lastError().contains(QStringLiteral("no longer")));
    QCOMPARE(rawNames(path), (QStringList{ "one", "three" }));
}

void tst_BookmarkStore::deleteRemovesTheRowAndMovesOn()
{
    const QString path = freshPath();
    Database db;
    QVERIFY(db.open(path));
    RecordSet table = db.openTable();
    QVERIFY(addRows(table, { "one", "two", "three" }));
    table.moveFirst();
    table.moveNext();
    QVERIFY(table.deleteCurrent());
    QVERIFY(!table.hasCurrent());
    QVERIFY(!table.value(u"surname").isValid());
    table.moveNext();
    QCOMPARE(table.value(u"surname").toString(), QStringLiteral("three"));
    QCOMPARE(table.recordCount(), 2);
    QCOMPARE(rawNames(path), (QStringList{ "one", "three" }));
    QCOMPARE(namesOf(db.openTable()), (QStringList{ "one", "three" }));
}

void tst_BookmarkStore::writesWithoutCurrentRowFail()
{
    const QString path = freshPath();
    Database db;
    QVERIFY(db.open(path));
    RecordSet table = db.openTable();
    QVERIFY(addRow(table, QStringLiteral("only"), QStringLiteral("0")));
    table.moveLast();
    table.moveNext(); // past the last row, as after filling the list
    QVERIFY(!table.edit());
    QVERIFY(!table.deleteCurrent());
    QVERIFY(!table.setValue(u"surname", QStringLiteral("x")));
    QVERIFY(!table.update());
    QCOMPARE(rawNames(path), QStringList{ QStringLiteral("only") });
}

void tst_BookmarkStore::fieldNamesIgnoreCase()
{
    QCOMPARE(RecordSet::fieldIndex(u"surname"), int(RecordSet::Surname));
    QCOMPARE(RecordSet::fieldIndex(u"Surname"), int(RecordSet::Surname));
    QCOMPARE(RecordSet::fieldIndex(u"FORENAME"), int(RecordSet::Forename));
    QCOMPARE(RecordSet::fieldIndex(u"name"), -1);
    Database db;
    QVERIFY(db.open(m_searchStore));
    RecordSet table = db.openTable();
    table.moveFirst();
    QCOMPARE(table.value(u"Surname").toString(), QStringLiteral("Abc"));
    QVERIFY(!table.value(u"offset").isValid());
    table.addNew();
    QVERIFY(!table.setValue(u"offset", QStringLiteral("1")));
    table.cancelUpdate();
}

void tst_BookmarkStore::nullIsNotEmptyText()
{
    // Rows written by other tools may hold NULL; they never match a search.
    const QString path = freshPath();
    Database db;
    QVERIFY(db.open(path));
    rawExecute(path, "INSERT INTO tbldata VALUES(NULL, ''), ('', NULL)");
    RecordSet table = db.openTable();
    table.moveFirst();
    QVERIFY(table.value(u"surname").isNull());
    QVERIFY(table.text(RecordSet::Surname).isNull());
    QVERIFY(!table.value(u"forename").isNull());
    QCOMPARE(table.value(u"forename").toString(), QString());
    table.moveNext();
    QVERIFY(!table.text(RecordSet::Surname).isNull());
    QVERIFY(table.value(u"forename").isNull());
    QCOMPARE(namesOf(db.openSearch(QString())), QStringList{ QString() });
}

void tst_BookmarkStore::seesWritesOfAnotherConnection()
{
    const QString path = freshPath();
    Database mine, theirs;
    QVERIFY(mine.open(path));
    QVERIFY(theirs.open(path));
    RecordSet myTable = mine.openTable();
    QVERIFY(addRow(myTable, QStringLiteral("mine"), QStringLiteral("1")));
    RecordSet theirTable = theirs.openTable();
    QCOMPARE(namesOf(theirTable), QStringList{ QStringLiteral("mine") });
    QVERIFY(addRow(theirTable, QStringLiteral("theirs"), QStringLiteral("2")));
    QCOMPARE(namesOf(mine.openTable()), (QStringList{ "mine", "theirs" }));
    rawExecute(path, "UPDATE tbldata SET surname = 'changed' WHERE surname = 'mine'");
    QCOMPARE(namesOf(mine.openTable()), (QStringList{ "changed", "theirs" }));
}

void tst_BookmarkStore::closedDatabaseRefusesWrites()
{
    Database db;
    QVERIFY(db.open(freshPath()));
    RecordSet table = db.openTable();
    db.close();
    QVERIFY(!db.isOpen());
    table.addNew();
    QVERIFY(table.setValue(u"surname", QStringLiteral("late")));
    QVERIFY(table.setValue(u"forename", QStringLiteral("1")));
    QVERIFY(!table.update());
    QVERIFY(table.lastError().contains(QStringLiteral("closed")));
    QVERIFY(!db.openSearch(QStringLiteral("a")).isOpen());
}

void tst_BookmarkStore::savedRowSurvivesAKilledProcess()
{
    const QString path = freshPath();
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                { QStringLiteral("--save-and-wait"), path, QStringLiteral("survivor") });
    QVERIFY(child.waitForStarted());
    QByteArray said;
    while (!said.contains("saved") && child.waitForReadyRead(10000))
        said += child.readAllStandardOutput();
    QVERIFY2(said.contains("saved"), said.constData());
    child.kill(); // SIGKILL: no destructor, no close, no checkpoint
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    QCOMPARE(rawNames(path), QStringList{ QStringLiteral("survivor") });
    Database db;
    QVERIFY(db.open(path));
    RecordSet chosen = db.openSelection(QStringLiteral("survivor"));
    chosen.moveFirst();
    QCOMPARE(chosen.value(u"forename").toString(), QStringLiteral("C0FFEE"));
}

void tst_BookmarkStore::damagedFileIsRefused_data()
{
    QTest::addColumn<QByteArray>("damage");
    QTest::addColumn<QString>("reason");

    QTest::newRow("not a database") << QByteArray("garbage") << "file is not a database";
    QTest::newRow("damaged table page") << QByteArray("page") << "malformed";
    QTest::newRow("table without the columns") << QByteArray("columns") << "no such column";
}

void tst_BookmarkStore::damagedFileIsRefused()
{
    QFETCH(QByteArray, damage);
    QFETCH(QString, reason);
    const QString path = freshPath();
    if (damage == "garbage") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    } else if (damage == "columns") {
        rawExecute(path, "CREATE TABLE tbldata(name TEXT, offset TEXT)");
    } else {
        // Enough rows to give the table pages of its own, then scribble
        // over the first of them.
        rawExecute(path,
                   "PRAGMA page_size=1024; CREATE TABLE tbldata(surname TEXT, forename TEXT);"
                   "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500)"
                   " INSERT INTO tbldata SELECT 'name ' || i, 'offset' FROM n;");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(1024));
        file.write(QByteArray(1024, '\xA5'));
    }
    Database db;
    QVERIFY(!db.open(path));
    QVERIFY2(db.lastError().contains(reason), qPrintable(db.lastError()));
    QVERIFY(!db.isOpen());
}

// Child process of savedRowSurvivesAKilledProcess: saves one row through a
// record set, says so, and waits to be killed.
static int saveAndWait(const QString &path, const QString &name)
{
    Database db;
    if (!db.open(path))
        return 2;
    RecordSet table = db.openTable();
    if (!addRow(table, name, QStringLiteral("C0FFEE")))
        return 3;
    std::fputs("saved\n", stdout);
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--save-and-wait") == 0)
        return saveAndWait(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    tst_BookmarkStore test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_bookmarkstore.moc"
