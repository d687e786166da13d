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

void tst_Journal::restoreFromTheWindowOnlyOverItsOwnWrite()
{
    const QByteArray original = TestFiles::readFile(m_rom);
    const auto owner = windowAt1A0();
    frmMain &window = *owner;
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
