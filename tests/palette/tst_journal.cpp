// The write journal: an entry before every write, marked after it; the
// state of an unfinished entry read from the image; restores from the
// Write History window; a broken journal warns once and never stops a
// write; palette files through the main window's File menu.
#include "frmmain.h"
#include "frmwritehistory.h"
#include "testfiles.h"
#include "testservices.h"
#include "writejournal.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

const QByteArray oldColours = QByteArray::fromHex("FF7F1F00");
const QByteArray newColours = QByteArray::fromHex("E003007C");

} // namespace

class tst_Journal : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void stateOfAnEntry_data();
    void stateOfAnEntry();
    void keepsTheNewestEntriesOfEachImage();
    void restoreFromTheWindow_data();
    void restoreFromTheWindow();
    void listShowsEachColourAtLocalTime();
    void brokenJournalWarnsOnceAndWritesGoOn();
    void paletteFilesThroughTheFileMenu();

private:
    std::unique_ptr<frmMain> windowAt1A0();
    void typePalette(frmMain &window, const QString &word);
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_rom;
    TestServices m_services;
};

void tst_Journal::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("CINDRAL_DATA_DIR", QFile::encodeName(m_dir->filePath(QStringLiteral("data"))));
    m_rom = m_dir->filePath(QStringLiteral("game.nds"));
    QVERIFY(TestFiles::writeFile(m_rom, TestFiles::romImage(0x1000, { { 0x1A0, oldColours } })));
    m_services.messages.messages.clear();
}

void tst_Journal::stateOfAnEntry_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<bool>("markedDone");
    QTest::addColumn<QString>("state");
    QTest::newRow("write finished") << "write" << newColours << true << "done";
    QTest::newRow("died before writing") << "" << newColours << false << "not-written";
    QTest::newRow("died after writing") << "write-unmarked" << newColours << false << "done";
    QTest::newRow("changed since") << "other" << newColours << false << "changed";
    // Zeros, as the bytes past the end of a file would read.
    const QByteArray zeros(4, '\0');
    QTest::newRow("file cut short since") << "write, cut" << zeros << true << "changed";
}

void tst_Journal::stateOfAnEntry()
{
    QFETCH(QString, what);
    QFETCH(QByteArray, written);
    QFETCH(bool, markedDone);
    QFETCH(QString, state);
    WriteJournal::Journal journal(WriteJournal::Journal::defaultPath());
    if (what.startsWith(QLatin1String("write,")) || what == QLatin1String("write")) {
        const auto outcome = WriteJournal::write(journal, m_rom, 0x1A0, written);
        QVERIFY2(outcome.file.ok && outcome.entryId > 0, qPrintable(outcome.journalError));
    } else {
        // As if the program died between the steps of a write.
        const auto id = journal.record(m_rom, 0x1A0, oldColours, written);
        QVERIFY2(id, qPrintable(journal.lastError()));
        if (!what.isEmpty())
            QVERIFY(RomPalette::writeBytes(m_rom, 0x1A0,
                                           what == QLatin1String("other") ? QByteArray("\1\2\3\4")
                                                                          : written)
                            .ok);
    }
    if (what.endsWith(QLatin1String("cut")))
        QVERIFY(QFile::resize(m_rom, 0x1A2)); // half of the entry's bytes are gone
    const auto entries = journal.entries(m_dir->filePath(QStringLiteral("./game.nds")));
    QCOMPARE(entries.size(), 1);
    const WriteJournal::Entry &entry = entries.first();
    QCOMPARE(entry.romPath, QFileInfo(m_rom).canonicalFilePath());
    QCOMPARE(entry.offset, 0x1A0u);
    QCOMPARE(entry.oldBytes, oldColours);
    QCOMPARE(entry.newBytes, written);
    QCOMPARE(entry.markedDone, markedDone);
    QCOMPARE(WriteJournal::stateName(entry.state), state);
    // Only an entry whose bytes the image holds is taken back.
    const QByteArray before = TestFiles::readFile(m_rom);
    const auto restored = WriteJournal::restore(journal, m_rom, entry.id);
    QCOMPARE(restored.refused, state != QLatin1String("done"));
    QCOMPARE(TestFiles::readFile(m_rom).mid(0x1A0),
             restored.refused ? before.mid(0x1A0) : oldColours + before.mid(0x1A4));
}

void tst_Journal::keepsTheNewestEntriesOfEachImage()
{
    const QString other = m_dir->filePath(QStringLiteral("other.nds"));
    QVERIFY(TestFiles::writeFile(other, TestFiles::romImage(0x100)));
    const QString path = WriteJournal::Journal::defaultPath();
    qint64 sizes[2] = {};
    for (qint64 &size : sizes) {
        {
            WriteJournal::Journal journal(path);
            QVERIFY(journal.record(other, 0, oldColours, newColours));
            qint64 last = 0;
            for (int i = 0; i < 10150; ++i)
                last = journal.record(m_rom, 0x1A0, oldColours, newColours).value_or(-1);
            const auto kept = journal.entries(m_rom);
            QCOMPARE(kept.size(), 10000);
            QCOMPARE(kept.first().id, last);
            QCOMPARE(kept.last().id, last - 9999);
        } // closed: the log is folded into the file
        size = QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
    }
    QCOMPARE(WriteJournal::Journal(path).entries(other).size(), 2); // another image's stay
    // The second round replaced the first instead of adding to it.
    QVERIFY2(sizes[1] < sizes[0] * 6 / 5,
             qPrintable(QStringLiteral("%1 then %2 bytes").arg(sizes[0]).arg(sizes[1])));
}

std::unique_ptr<frmMain> tst_Journal::windowAt1A0()
{
    auto window = std::make_unique<frmMain>(m_services.services());
    window->chooseRom(m_rom);
    window->loadPaletteAt(QStringLiteral("1A0"));
    return window;
}

void tst_Journal::typePalette(frmMain &window, const QString &word)
{
    for (QLineEdit *box : window.txtChgPal)
        box->setText(word);
}

// Writes "OFFSET:WORD WORD..." in turn, separated by "; ": through the
// journal, from the main "window", "outside" the journal, or into an "old"
// journal made before restores were marked. Then a restore from the
// Write History window, answered as given.
void tst_Journal::restoreFromTheWindow_data()
{
    QTest::addColumn<QString>("writes");
    QTest::addColumn<qint64>("restore");
    QTest::addColumn<bool>("agree");
    QTest::addColumn<QString>("at1A0");    // the image afterwards
    QTest::addColumn<QString>("states");   // "id state|..." newest first
    QTest::addColumn<QString>("messages"); // "title: first line|..."
    const QString twoWrites = "1A0:E003 007C; 1A0:1F00",
                  restored = Platform::programTitle() + ": Palette 1A0 Restored";
    QTest::newRow("newest, at once") << twoWrites << qint64(2) << false << "E003 007C"
                                     << "3 Done (restores 2)|2 Restored by 3|1 Done" << restored;
    QTest::newRow("older, declined") << twoWrites << qint64(1) << false << "1F00 007C"
                                     << "2 Done|1 Done"
                                     << "Restore: Entry 2 wrote here since; restore it first.";
    QTest::newRow("older, through the later one")
            << "1A0:E003 007C; window 1A0:1F00" << qint64(1) << true << "FF7F 1F00"
            << "4 Done (restores 1)|3 Done (restores 2)|2 Restored by 3|1 Restored by 4"
            << "Restore: Entry 2 wrote here since; restore it first.|" + restored;
    QTest::newRow("only the overlapping ones, newest first")
            << "1A0:E003 007C; 1A2:0000; 1C0:0000; 1A0:1111" << qint64(1) << true << "FF7F 1F00"
            << "7 Done (restores 1)|6 Done (restores 2)|5 Done (restores 4)|4 Restored by 5|"
               "3 Done|2 Restored by 6|1 Restored by 7"
            << "Restore: Entries 2 and 4 wrote here since; restore them first.|" + restored;
    QTest::newRow("a later one changed outside the journal")
            << twoWrites + "; outside 1A0:2222" << qint64(1) << true << "2222 007C"
            << "2 Done|1 Done"
            << "Warning: Entry 2 wrote here since; restore it first.";
    QTest::newRow("from a journal older than the marks")
            << "old 1A0:E003 007C" << qint64(1) << false << "FF7F 1F00"
            << "2 Done (restores 1)|1 Restored by 2" << restored;
}

void tst_Journal::restoreFromTheWindow()
{
    QFETCH(QString, writes);
    QFETCH(qint64, restore);
    QFETCH(bool, agree);
    WriteJournal::Journal journal(WriteJournal::Journal::defaultPath());
    const auto owner = windowAt1A0();
    frmMain &window = *owner;
    for (QString write : writes.split("; ")) {
        const QString first = write.section(' ', 0, 0);
        const QString how = first.contains(':') ? QString() : first;
        if (!how.isEmpty())
            write = write.section(' ', 1);
        const quint32 offset = write.section(':', 0, 0).toUInt(nullptr, 16);
        const QByteArray bytes = QByteArray::fromHex(write.section(':', 1).toLatin1());
        if (how == "old") {
            // The journal as the program wrote it before restores were marked.
            sqlite3 *db = nullptr;
            QVERIFY(QDir().mkpath(QFileInfo(WriteJournal::Journal::defaultPath()).path()));
            sqlite3_open(WriteJournal::Journal::defaultPath().toUtf8().constData(), &db);
            const QByteArray sql
                    = "CREATE TABLE writes(id INTEGER PRIMARY KEY AUTOINCREMENT, "
                      "time TEXT NOT NULL, rom TEXT NOT NULL, offset INTEGER NOT NULL, "
                      "old BLOB NOT NULL, new BLOB NOT NULL, done INTEGER NOT NULL "
                      "DEFAULT 0); INSERT INTO writes VALUES(1, '2020-01-01T00:00:00Z', '"
                    + WriteJournal::romKey(m_rom).toUtf8() + "', " + QByteArray::number(offset)
                    + ", x'" + TestFiles::readFile(m_rom).mid(offset, bytes.size()).toHex()
                    + "', x'" + bytes.toHex() + "', 1)";
            QCOMPARE(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
        }
        if (how == "window") {
            window.loadPaletteAt(write.section(':', 0, 0));
            window.txtChgPal[0]->setText(write.section(':', 1));
            window.Command1_Click();
            continue;
        }
        QVERIFY(how.isEmpty() ? WriteJournal::write(journal, m_rom, offset, bytes).file.ok
                              : RomPalette::writeBytes(m_rom, offset, bytes).ok);
    }
    window.loadPaletteAt(QStringLiteral("1A0"));
    m_services.messages.messages.clear();
    window.mnuWriteHistory_Click();
    frmWriteHistory *history = window.writeHistoryWindow();
    QVERIFY(history);
    QTableWidget *list = history->lstEntries;
    list->selectRow(list->rowCount() - int(restore));
    m_services.messages.answers = { agree ? QMessageBox::Yes : QMessageBox::No };
    history->cmdRestore_Click();

    QFETCH(QString, at1A0);
    QCOMPARE(WriteJournal::wordTexts(TestFiles::readFile(m_rom).mid(0x1A0, 4)), at1A0);
    QCOMPARE(window.txtChgPal[0]->text() + ' ' + window.txtChgPal[1]->text(), at1A0);
    QStringList states, messages;
    for (int row = 0; row < list->rowCount(); ++row)
        states << list->item(row, 0)->text() + ' '
                        + list->item(row, list->columnCount() - 1)->text();
    QTEST(states.join('|'), "states");
    for (const RecordedMessage &message : std::as_const(m_services.messages.messages))
        messages << message.title + ": " + message.text.section('\n', 0, 0);
    QTEST(messages.join('|'), "messages");
    // The selection stays on the entry the user chose.
    QCOMPARE(list->selectedItems().value(0)->row(), list->rowCount() - int(restore));
}

void tst_Journal::listShowsEachColourAtLocalTime()
{
    qputenv("TZ", "JST-9"); // nine hours ahead of UTC, all year
    QByteArray colours;
    for (int word = 0; word < 256; ++word)
        colours += char(word) + QByteArray(1, char(word >> 3));
    WriteJournal::Journal journal(WriteJournal::Journal::defaultPath());
    QVERIFY(WriteJournal::write(journal, m_rom, 0x200, colours).file.ok);
    frmWriteHistory history(m_services.services(), &journal);
    history.showRom(m_rom);
    const QTableWidget *list = history.lstEntries;
    QStringList headers;
    for (int column = 0; column < list->columnCount(); ++column)
        headers << list->horizontalHeaderItem(column)->text();
    QCOMPARE(headers.join(' '), "Id Time Offset Colours Before After State");
    QCOMPARE(list->item(0, 3)->text(), "256");
    const QImage strip = list->item(0, 5)->data(Qt::DecorationRole).value<QPixmap>().toImage();
    QSet<QRgb> shown;
    for (int i = 0; i < 256; ++i)
        shown.insert(strip.pixel(12 * (i % 16) + 6, 12 * (i / 16) + 6));
    QCOMPARE(shown.size(), 256);
    const QDateTime utc = QDateTime::fromString(journal.entries(m_rom).first().time, Qt::ISODate);
    QCOMPARE(list->item(0, 1)->text(), utc.addSecs(9 * 3600).toString("yyyy-MM-dd HH:mm:ss"));
}

void tst_Journal::brokenJournalWarnsOnceAndWritesGoOn()
{
    QVERIFY(QDir().mkpath(WriteJournal::Journal::defaultPath())); // a folder in its place
    const auto owner = windowAt1A0();
    frmMain &window = *owner;
    for (const QString &word : { QStringLiteral("1F00"), QStringLiteral("E003") }) {
        typePalette(window, word);
        window.Command1_Click();
        QCOMPARE(TestFiles::readFile(m_rom).mid(0x1A0, 2), QByteArray::fromHex(word.toLatin1()));
    }
    const auto &messages = m_services.messages.messages;
    QCOMPARE(messages.size(), 3); // one warning, then "Palette 1A0 Edited" twice
    QVERIFY(messages[0].title == "Warning" && messages[0].text.contains("Journal.sqlite"));
    QVERIFY(messages[1].title == Platform::programTitle() && messages[2].title == messages[1].title);
}

void tst_Journal::paletteFilesThroughTheFileMenu()
{
    const QByteArray romBefore = TestFiles::readFile(m_rom);
    const auto owner = windowAt1A0();
    frmMain &window = *owner;
    const QString gpl = m_dir->filePath(QStringLiteral("two.gpl"));
    QVERIFY(TestFiles::writeFile(gpl, "GIMP Palette\n0 255 0 green\n  0 0 255\n"));
    const QString bad = m_dir->filePath(QStringLiteral("bad.gpl"));
    QVERIFY(TestFiles::writeFile(bad, "GIMP Palette\n0 0\n"));
    m_services.files.answers = { gpl, bad };
    window.mnuImportPalette_Click();
    window.mnuImportPalette_Click();
    // Two colours came, the rest stayed, the bad file changed nothing.
    QCOMPARE(window.txtChgPal[0]->text() + window.txtChgPal[1]->text(), QStringLiteral("E003007C"));
    QCOMPARE(window.txtChgPal[2]->text().toLatin1(), romBefore.mid(0x1A4, 2).toHex().toUpper());
    QCOMPARE(m_services.messages.messages.size(), 2);
    QVERIFY(m_services.messages.messages.first().text.contains(QStringLiteral("holds 2 colours")));
    QCOMPARE(m_services.messages.messages.last().title, QStringLiteral("Error"));
    QVERIFY(m_services.messages.messages.last().text.contains(bad + QStringLiteral("\", line 2")));
    QCOMPARE(TestFiles::readFile(m_rom), romBefore); // importing writes nothing

    // Export writes the boxes, and only a complete palette.
    const QString act = m_dir->filePath(QStringLiteral("out.act"));
    m_services.files.answers = { act, act };
    window.mnuExportPalette_Click();
    window.txtChgPal[0]->setText(QStringLiteral("12"));
    window.mnuExportPalette_Click();
    QCOMPARE(m_services.messages.messages.last().title, QStringLiteral("Error"));
    QCOMPARE(TestFiles::readFile(act).left(6), QByteArray::fromHex("00FF000000FF"));
}

QTEST_MAIN(tst_Journal)

#include "tst_journal.moc"
