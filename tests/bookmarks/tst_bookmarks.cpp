#include "bookmarkstore.h"
#include "datafolder.h"
#include "frmdatabase.h"
#include "frmmain.h"
#include "listbox.h"
#include "testfiles.h"
#include "testservices.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

using namespace Qt::StringLiterals;
using Bookmarks::Database;
using Bookmarks::RecordSet;

namespace {

QString storePath() { return Platform::dataFile(Bookmarks::storeFileName()); }

void rawExecute(const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(storePath().toUtf8().constData(), &db);
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("%s: %s", sql, sqlite3_errmsg(db));
    sqlite3_close(db);
}

// Rows as "name=offset,..."; ~ stands for NULL.
QString rowsOf(const RecordSet &set)
{
    QStringList rows;
    const auto text = [](const QString &t) { return t.isNull() ? u"~"_s : t; };
    for (const Bookmarks::Row &row : set.rows())
        rows << text(row.surname) + u'=' + text(row.forename);
    return rows.join(u',');
}

QString stored()
{
    Database db;
    return db.open(storePath()) ? rowsOf(db.openTable()) : db.lastError();
}

bool add(RecordSet &set, const QString &row)
{
    set.addNew();
    return set.setValue(u"Surname", row.section(u'=', 0, 0))
            && set.setValue(u"FORENAME", row.section(u'=', 1)) && set.update();
}

// The controls that are on: "boxes add delete edit end save cancel", 1 or 0 each.
QString enabledState(const frmDatabase &w)
{
    QString state = w.txtSurname->isEnabled() && w.txtForename->isEnabled() ? u"1"_s : u"0"_s;
    for (const QPushButton *b : { w.cmdAdd, w.cmdDelete, w.cmdEdit, w.cmdend, w.cmdsave,
                                  w.cmdCANCEL })
        state += b->isEnabled() ? u" 1"_s : u" 0"_s;
    return state;
}

// A message as window_data writes it, if it has the title, buttons and icon of its kind.
QString code(const RecordedMessage &m)
{
    const bool error = m.title == u"Error" && m.buttons == QMessageBox::Ok;
    if (error && m.text == u"No Records Found" && m.icon == QMessageBox::NoIcon)
        return u"N"_s;
    if (error && m.text == u"All Fields Must Contain Data" && m.icon == QMessageBox::Critical)
        return u"F"_s;
    if (error && m.text.startsWith(u"No bookmark is chosen") && m.icon == QMessageBox::Critical)
        return u"C"_s;
    // The question names the bookmark; Enter alone must not delete.
    if (m.title == u"Delete Record" && m.buttons == (QMessageBox::Yes | QMessageBox::No)
        && m.icon == QMessageBox::NoIcon && m.defaultButton == QMessageBox::No)
        return u"Q:"_s + m.text.section(u'"', 1, 1);
    return m.title + u": "_s + m.text;
}

} // namespace

class tst_Bookmarks : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void queries_data();
    void queries();
    void storeWrites();
    void window_data();
    void window();
    void usingABookmarkThenEnd();
private:
    void seed(const QString &rows);
    std::unique_ptr<QTemporaryDir> m_dir;
    TestServices m_services;
};

void tst_Bookmarks::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("CINDRAL_DATA_DIR", QFile::encodeName(m_dir->path()));
    m_services = {};
}

void tst_Bookmarks::seed(const QString &rows)
{
    Database db;
    QVERIFY2(db.open(storePath()), qPrintable(db.lastError()));
    RecordSet table = db.openTable();
    for (const QString &row : rows.split(u',', Qt::SkipEmptyParts))
        QVERIFY2(add(table, row), qPrintable(table.lastError()));
}

// The search (typed text, then *) with one row per rule of the pattern
// language (the fuzz target covers the rest), and the exact lookup.
void tst_Bookmarks::queries_data()
{
    QTest::addColumn<bool>("search"); // else the exact lookup
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("found");
    const auto row = [](const char *name, bool search, const char16_t *typed,
                         const char16_t *found) {
        QTest::newRow(name) << search << QString::fromUtf16(typed) << QString::fromUtf16(found);
    };
    row("NULL never matches", true, u"",
        u"Abc=1,ÉTÉ=2,e\u0301tude=3,O'B\"; --=4, x =5,a1b=6,"
        u"*?#[=7,100%=8,ΟΔΟΣ=9,\U00010428z=10,Abc=12");
    row("case ignored, all scripts", true, u"οδ", u"ΟΔΟΣ=9");
    row("case ignored, astral", true, u"\U00010400", u"\U00010428z=10");
    row("composed is decomposed", true, u"é", u"ÉTÉ=2,e\u0301tude=3");
    row("accent is significant", true, u"e", u"");
    row("* is any run", true, u"a*c", u"Abc=1,Abc=12");
    row("? is any one", true, u"a?b", u"a1b=6");
    row("# is a digit, sets", true, u"[a-c]#[!c-z]", u"a1b=6");
    row("bracketed specials", true, u"[*][?][#][[]", u"*?#[=7");
    row("SQL wildcards are text", true, u"10_", u"");
    row("quotes are text", true, u"o'b\"", u"O'B\"; --=4");
    row("backwards range is empty", true, u"[z-a]", u"");
    row("lookup: case, blanks", false, u" ABC ", u"Abc=1,Abc=12");
    row("lookup: blanks stored", false, u"x", u" x =5");
    row("lookup: no pattern", false, u"ab*", u"");
}

void tst_Bookmarks::queries()
{
    QFETCH(bool, search);
    QFETCH(QString, typed);
    seed(u"Abc=1,ÉTÉ=2,e\u0301tude=3,O'B\"; --=4, x =5,a1b=6,*?#[=7,100%=8,ΟΔΟΣ=9,"
         u"\U00010428z=10"_s);
    rawExecute("INSERT INTO tbldata VALUES(NULL, '11'); INSERT INTO tbldata VALUES('Abc', '12')");
    Database db;
    QVERIFY(db.open(storePath()));
    QTEST(rowsOf(search ? db.openSearch(typed) : db.openSelection(typed)), "found");
}

// A row another program deleted is reported, not written again; many changes
// keep every row's own texts, NULL apart from the empty text; a closed store
// writes nothing; a damaged one is refused.
void tst_Bookmarks::storeWrites()
{
    rawExecute("CREATE TABLE tbldata(surname TEXT, forename TEXT);"
               "INSERT INTO tbldata VALUES(NULL, ''); INSERT INTO tbldata VALUES('', NULL)");
    seed(u"first=1,changing=2,gone=3"_s);
    Database db, other;
    QVERIFY(db.open(storePath()) && other.open(storePath()));
    RecordSet mine = db.openSelection(u"gone"_s), theirs = other.openSelection(u"gone"_s);
    mine.moveFirst();
    theirs.moveFirst();
    QVERIFY(theirs.deleteCurrent());
    QVERIFY(mine.edit() && mine.setValue(u"forename", u"9"_s));
    QVERIFY(!mine.update());
    QVERIFY2(mine.lastError().contains(u"no longer"_s), qPrintable(mine.lastError()));
    RecordSet table = db.openTable();
    // The same connection's next read of the table sees a row it added.
    QVERIFY(add(table, u"added=5"_s));
    QVERIFY2(rowsOf(db.openTable()).endsWith(u",added=5"_s), qPrintable(rowsOf(db.openTable())));
    QVERIFY((table.moveLast(), table.deleteCurrent()));
    QString name;
    for (int i = 0; i < 400; ++i) {
        table.moveLast();
        name = u"%1 a longer name, so the old ones add up %2"_s.arg(i).arg(u"é"_s.repeated(i % 7));
        QVERIFY(table.edit() && table.setValue(u"surname", name) && table.update());
        if (i % 100 == 99) // one row more, then one fewer
            QVERIFY(add(table, u"extra=x"_s) && (table.moveLast(), table.deleteCurrent()));
    }
    const QString expected = u"~=,=~,first=1,"_s + name + u"=2"_s;
    QCOMPARE(rowsOf(table), expected);
    QCOMPARE(rowsOf(other.openTable()), expected);
    db.close();
    QVERIFY(!add(table, u"late=4"_s) && !db.openSearch(u"a"_s).isOpen());
    QCOMPARE(stored(), expected);
    QVERIFY(TestFiles::writeFile(storePath(), QByteArray(4096, 'x')));
    QVERIFY(!db.open(storePath()));
    QVERIFY2(db.lastError().contains(u"not a database"_s), qPrintable(db.lastError()));
}

// A scenario per row: the store holds `seed`, the user takes `steps`:
// type:T (into the search box), paste:T, click:N, down, enter, use:N
// (double-click), add, edit, save, cancel, name:T, offset:T, delete:yes|no,
// gone:NAME (another program deletes it). list: "search: names", * for the
// seeded names. state: S as loaded, C chosen, T typing. Messages: N "No
// Records Found", F "All Fields Must Contain Data", Q:NAME the delete
// question, C "No bookmark is chosen". used: offsets handed on. after: * as seeded.
void tst_Bookmarks::window_data()
{
    for (const char *column : { "seed", "steps", "list", "boxes", "state", "after", "messages",
                                "used" })
        QTest::addColumn<QString>(column);
    const QString three = u"one=1,two=2,three=3"_s, abc = u"Abc=1,abd=2,cab=3"_s;
    const auto row = [](const char *name, const QString &seed, const char *steps, QString list,
                        const char *boxes, char state, const QString &after = u"*"_s,
                        const char *messages = "", const char *used = "") {
        QStringList names;
        for (const QString &bookmark : seed.split(u',', Qt::SkipEmptyParts))
            names << bookmark.section(u'=', 0, 0);
        const QString states = u"S0 1 0 0 1 0 0C0 1 1 1 1 0 0T1 0 0 0 0 1 1"_s;
        QTest::newRow(name) << seed << QString::fromUtf8(steps)
                            << list.replace(u'*', names.join(u',')) << boxes
                            << states.mid(states.indexOf(QLatin1Char(state)) + 1, 13)
                            << (after == u"*" ? seed : after) << messages << used;
    };
    row("empty table says so once", "", "", ": *", "=", 'S', "*", "N");
    row("click shows it", three, "click:1", ": *", "two=2", 'C');
    row("arrow keys choose", three, "click:0|down|down", ": *", "three=3", 'C');
    row("a failing letter is dropped", abc, "type:abx", "ab: Abc,abd", "=", 'S', "*", "N");
    row("double-click uses it", three, "use:1", ": *", "two=2", 'C', "*", "", "2");
    row("Enter uses it", three, "click:2|enter", ": *", "three=3", 'C', "*", "", "3");
    row("duplicates show the first", "Boss=a,x=1,Boss=b", "use:2", ": *", "Boss=a", 'C', "*", "",
        "a");
    row("add appends", three, "add|name:four|offset:4|save", ": *,four", "=", 'S',
        three + u",four=4"_s);
    row("add after a click", three, "click:1|add|name:four|offset:4|save", ": two,four", "=", 'S',
        three + u",four=4"_s);
    row("save refused", three, "add|name:four|save", ": *", "four=", 'T', "*", "F");
    row("blanks are data", three, "add|name: |offset: |save", ": *, ", "=", 'S', three + u", = "_s);
    row("edit changes the chosen row", three, "click:1|edit|name:deux|save", ": one,deux,three",
        "=", 'S', "one=1,deux=2,three=3");
    row("cancel writes nothing", three, "type:t|click:0|edit|name:x|cancel", ": *", "=", 'S');
    row("delete, yes", three, "type:t|click:0|delete:yes", ": one,three", "=", 'C', "one=1,three=3",
        "Q:two");
    row("delete, no", three, "click:2|delete:no", ": *", "three=3", 'C', "*", "Q:three");
    row("no row after a deletion", three, "click:0|delete:yes|delete:yes|edit|name:x|offset:y|save",
        ": two,three", "x=y", 'T', "two=2,three=3", "Q:one C C");
    row("pasted, a letter per failure", abc, "paste:cabxy", "cab: cab", "=", 'S', "*", "N N");
    row("down to the empty text", abc, "type:c|paste:zz", ": *", "=", 'S', "*", "N N");
    row("astral character goes whole", abc, "paste:ab\U0001F600", "ab: Abc,abd", "=", 'S', "*",
        "N");
    row("empty table, search says so twice", "gone=1", "click:0|delete:yes|type:g", ": gone", "=",
        'C', "", "Q:gone N N N");
    row("vanished name empties the boxes", three, "click:0|gone:two|use:1", ": *", "=", 'S',
        "one=1,three=3");
    row("blanks around a stored name", "  padded =6", "use:0", ": *", "  padded =6", 'C', "*", "",
        "6");
}

void tst_Bookmarks::window()
{
    QFETCH(QString, seed);
    QFETCH(QString, steps);
    this->seed(seed);
    frmDatabase w(m_services.services());
    w.setEndProgram([] { QFAIL("End must not run here"); });
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QSignalSpy used(&w, &frmDatabase::offsetChosen);
    const QHash<QString, QLineEdit *> boxes{ { u"type"_s, w.txtSearch },
                                             { u"name"_s, w.txtSurname },
                                             { u"offset"_s, w.txtForename } };
    for (const QString &step : steps.split(u'|', Qt::SkipEmptyParts)) {
        const QString verb = step.section(u':', 0, 0), arg = step.section(u':', 1);
        const QPoint entry = w.lstdata->itemRect(arg.toInt()).center();
        if (QLineEdit *const box = boxes.value(verb)) {
            box->selectAll();
            QTest::keyClicks(box, arg);
        } else if (verb == u"paste") {
            w.txtSearch->setText(arg);
        } else if (verb == u"click" || verb == u"use") {
            QTest::mouseClick(w.lstdata->viewport(), Qt::LeftButton, {}, entry);
            if (verb == u"use") // a double-click's second press
                QTest::mouseDClick(w.lstdata->viewport(), Qt::LeftButton, {}, entry);
        } else if (verb == u"down" || verb == u"enter") {
            QTest::keyClick(w.lstdata, verb == u"down" ? Qt::Key_Down : Qt::Key_Return);
        } else if (verb == u"gone") {
            rawExecute(qPrintable(u"DELETE FROM tbldata WHERE surname = '%1'"_s.arg(arg)));
        } else { // a button, by the start of its caption
            m_services.messages.answers = { arg == u"yes" ? QMessageBox::Yes : QMessageBox::No };
            for (QPushButton *button : w.findChildren<QPushButton *>())
                if (button->text().startsWith(verb, Qt::CaseInsensitive))
                    QTest::mouseClick(button, Qt::LeftButton);
        }
    }
    QStringList messages, offsets;
    for (const RecordedMessage &m : std::as_const(m_services.messages.messages))
        messages << code(m);
    for (const QList<QVariant> &signal : std::as_const(used))
        offsets << signal.at(0).toString();
    QTEST(w.txtSearch->text() + u": "_s + w.lstdata->items().join(u','), "list");
    QTEST(w.txtSurname->text() + u'=' + w.txtForename->text(), "boxes");
    QTEST(enabledState(w), "state");
    QTEST(messages.join(u' '), "messages");
    QTEST(offsets.join(u','), "used");
    QTEST(stored(), "after");
}

// From the main window's menu: a used bookmark's offset goes to the offset
// box, and the palette there is read once an image is open. Then End closes
// the store and ends the event loop at once, closing no window.
void tst_Bookmarks::usingABookmarkThenEnd()
{
    seed(u"title=100,hero=1A0"_s);
    const QString rom = m_dir->filePath(u"game.nds"_s);
    const QByteArray palette = QByteArray::fromHex("1F7C" + QByteArray(56, '0') + "FF7F");
    QVERIFY(TestFiles::writeFile(rom, TestFiles::romImage(0x400, { { 0x1A0, palette } })));
    frmMain main(m_services.services());
    main.show();
    const auto boxes = [&] { return main.txtChgPal[0]->text() + main.txtChgPal[15]->text(); };
    const QString before = boxes();
    main.mnuData->trigger();
    QPointer<frmDatabase> w = main.databaseWindow();
    QVERIFY(w && QTest::qWaitForWindowExposed(w));
    const QPoint hero = w->lstdata->itemRect(1).center();
    for (bool imageOpen : { false, true }) {
        main.txtOffset->clear();
        if (imageOpen)
            main.chooseRom(rom);
        QTest::mouseClick(w->lstdata->viewport(), Qt::LeftButton, {}, hero);
        QTest::mouseDClick(w->lstdata->viewport(), Qt::LeftButton, {}, hero);
        QCOMPARE(main.txtOffset->text(), u"1A0"_s);
        QCOMPARE(boxes() == before, !imageOpen);
    }
    QCOMPARE(boxes(), u"1F7CFF7F"_s);
    QVERIFY(m_services.messages.messages.isEmpty());

    QTimer::singleShot(0, w, [&] { QTest::mouseClick(w->cmdend, Qt::LeftButton); });
    QTimer::singleShot(15000, &main, [] { QCoreApplication::exit(3); });
    QCOMPARE(QCoreApplication::exec(), 0);
    // Closed windows would be hidden; a window that asked would have a message.
    QVERIFY(main.isVisible() && w && w->isVisible() && !w->isStoreOpen());
    QVERIFY(m_services.messages.messages.isEmpty());
    delete w;
}

QTEST_MAIN(tst_Bookmarks)
#include "tst_bookmarks.moc"
