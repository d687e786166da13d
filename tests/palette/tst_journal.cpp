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
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

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
    void restoreFromTheWindowOnlyOverItsOwnWrite();
    void brokenJournalWarnsOnceAndWritesGoOn();
    void paletteFilesThroughTheFileMenu();

private:
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
    QTest::addColumn<bool>("markedDone");
    QTest::addColumn<QString>("state");
    QTest::newRow("write finished") << "write" << true << "done";
    QTest::newRow("died before writing") << "" << false << "not-written";
    QTest::newRow("died after writing") << "write-unmarked" << false << "done";
    QTest::newRow("changed since") << "other" << false << "changed";
    QTest::newRow("read-only image") << "read-only" << false << "not-written";
}

void tst_Journal::stateOfAnEntry()
{
    QFETCH(QString, what);
    QFETCH(bool, markedDone);
    QFETCH(QString, state);
    WriteJournal::Journal journal(WriteJournal::Journal::defaultPath());
    if (what == QLatin1String("read-only")) {
        QFile::setPermissions(m_rom, QFile::ReadOwner);
        if (QFileInfo(m_rom).isWritable())
            QSKIP("this user writes read-only files");
    }
    if (what == QLatin1String("write") || what == QLatin1String("read-only")) {
        const auto outcome = WriteJournal::write(journal, m_rom, 0x1A0, newColours);
        QCOMPARE(outcome.file.ok, what == QLatin1String("write"));
        QVERIFY2(outcome.entryId > 0, qPrintable(outcome.journalError));
    } else {
        // As if the program died between the steps of a write.
        const auto id = journal.record(m_rom, 0x1A0, oldColours, newColours);
        QVERIFY2(id, qPrintable(journal.lastError()));
        if (!what.isEmpty())
            QVERIFY(RomPalette::writeBytes(m_rom, 0x1A0,
                                           what == QLatin1String("other") ? QByteArray("\1\2\3\4")
                                                                          : newColours)
                            .ok);
    }
    const auto entries = journal.entries(m_dir->filePath(QStringLiteral("./game.nds")));
    QCOMPARE(entries.size(), 1);
    const WriteJournal::Entry &entry = entries.first();
    QCOMPARE(entry.romPath, QFileInfo(m_rom).canonicalFilePath());
    QCOMPARE(entry.offset, 0x1A0u);
    QCOMPARE(entry.oldBytes, oldColours);
    QCOMPARE(entry.newBytes, newColours);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$"))
                     .match(entry.time)
                     .hasMatch(),
             qPrintable(entry.time));
    QCOMPARE(entry.markedDone, markedDone);
    QCOMPARE(WriteJournal::stateName(entry.state), state);
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

void tst_Journal::typePalette(frmMain &window, const QString &word)
{
    for (QLineEdit *box : window.txtChgPal)
        box->setText(word);
}

void tst_Journal::restoreFromTheWindowOnlyOverItsOwnWrite()
{
    const QByteArray original = TestFiles::readFile(m_rom);
    frmMain window(m_services.services());
    window.chooseRom(m_rom);
    window.loadPaletteAt(QStringLiteral("1A0"));
    typePalette(window, QStringLiteral("1F00"));
    window.Command1_Click();
    typePalette(window, QStringLiteral("E003"));
    window.Command1_Click();
    window.mnuWriteHistory_Click();
    frmWriteHistory *history = window.writeHistoryWindow();
    QVERIFY(history);
    QCOMPARE(history->lstEntries->rowCount(), 2);

    // The older entry's bytes were overwritten since: refused, saying what is there.
    history->lstEntries->selectRow(1);
    history->cmdRestore_Click();
    QCOMPARE(m_services.messages.messages.last().title, QStringLiteral("Warning"));
    QVERIFY(m_services.messages.messages.last().text.contains(QStringLiteral("E003 E003")));

    history->lstEntries->selectRow(0);
    history->cmdRestore_Click();
    history->lstEntries->selectRow(2); // the first write, below the restore and the second
    history->cmdRestore_Click();
    QCOMPARE(TestFiles::readFile(m_rom), original);
    QCOMPARE(history->lstEntries->rowCount(), 4);                  // each restore is an entry too
    QCOMPARE(window.txtChgPal[0]->text(), QStringLiteral("FF7F")); // the boxes follow
}

void tst_Journal::brokenJournalWarnsOnceAndWritesGoOn()
{
    QVERIFY(QDir().mkpath(WriteJournal::Journal::defaultPath())); // a folder in its place
    frmMain window(m_services.services());
    window.chooseRom(m_rom);
    window.loadPaletteAt(QStringLiteral("1A0"));
    for (const QString &word : { QStringLiteral("1F00"), QStringLiteral("E003") }) {
        typePalette(window, word);
        window.Command1_Click();
        QCOMPARE(TestFiles::readFile(m_rom).mid(0x1A0, 2), QByteArray::fromHex(word.toLatin1()));
    }
    QStringList titles;
    for (const RecordedMessage &message : std::as_const(m_services.messages.messages))
        titles << message.title;
    QCOMPARE(titles,
             QStringList({ "Warning", Platform::programTitle(), Platform::programTitle() }));
    QVERIFY(m_services.messages.messages.first().text.contains(QStringLiteral("Journal.sqlite")));
}

void tst_Journal::paletteFilesThroughTheFileMenu()
{
    const QByteArray romBefore = TestFiles::readFile(m_rom);
    frmMain window(m_services.services());
    window.chooseRom(m_rom);
    window.loadPaletteAt(QStringLiteral("1A0"));
    const QString gpl = m_dir->filePath(QStringLiteral("two.gpl"));
    QVERIFY(TestFiles::writeFile(gpl, "GIMP Palette\n0 255 0 green\n  0 0 255\n"));
    const QString bad = m_dir->filePath(QStringLiteral("bad.gpl"));
    QVERIFY(TestFiles::writeFile(bad, "GIMP Palette\n0 0\n"));
    m_services.files.answers = { gpl, bad };
    window.mnuImportPalette_Click();
    window.mnuImportPalette_Click();
    QStringList texts;
    for (const QLineEdit *box : window.txtChgPal)
        texts << box->text();
    // Two colours came, the rest stayed, the bad file changed nothing.
    QCOMPARE(texts.mid(0, 3),
             QStringList({ "E003", "007C",
                           RomPalette::BytesToWordText(quint8(romBefore[0x1A4]),
                                                       quint8(romBefore[0x1A5])) }));
    QCOMPARE(m_services.messages.messages.size(), 1);
    QCOMPARE(m_services.messages.messages.first().title, QStringLiteral("Error"));
    QVERIFY(m_services.messages.messages.first().text.contains(bad + QStringLiteral("\", line 2")));
    QCOMPARE(TestFiles::readFile(m_rom), romBefore); // importing writes nothing

    const QString act = m_dir->filePath(QStringLiteral("out.act"));
    m_services.files.answers = { act };
    window.mnuExportPalette_Click();
    QCOMPARE(TestFiles::readFile(act).left(6), QByteArray::fromHex("00FF000000FF"));
    window.txtChgPal[5]->setText(QStringLiteral("12"));
    m_services.files.answers = { m_dir->filePath(QStringLiteral("never.act")) };
    window.mnuExportPalette_Click();
    QCOMPARE(m_services.messages.messages.last().title, QStringLiteral("Error"));
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("never.act"))));
}

QTEST_MAIN(tst_Journal)

#include "tst_journal.moc"
