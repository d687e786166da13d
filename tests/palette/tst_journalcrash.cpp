// A child writes palettes through the journal over and over and is killed
// with SIGKILL at a random moment. After every kill the image holds the old
// or the new colours of the newest entry and nothing else changed, and that
// entry's state says which of the two it holds.
#include "testfiles.h"
#include "writejournal.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

constexpr quint32 Offset = 0x1A0;
const QByteArray paletteA = QByteArray::fromHex("FF7F1F00E003007C").repeated(4);
const QByteArray paletteB = QByteArray::fromHex("0000421084109C73").repeated(4);

int childMain(const QString &rom, const QString &journalPath)
{
    WriteJournal::Journal journal(journalPath);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (int i = 0;; ++i) {
        const auto outcome = WriteJournal::write(journal, rom, Offset, i % 2 ? paletteA : paletteB);
        if (!outcome.file.ok || !outcome.journalError.isEmpty())
            return 1;
    }
}

} // namespace

class tst_JournalCrash : public QObject
{
    Q_OBJECT
private slots:
    void killedWhileJournalingAndWriting();
};

void tst_JournalCrash::killedWhileJournalingAndWriting()
{
    QTemporaryDir dir;
    const QString rom = dir.filePath(QStringLiteral("game.nds"));
    const QString journalPath = dir.filePath(QStringLiteral("Journal.sqlite"));
    const QByteArray original = TestFiles::romImage(0x1000, { { Offset, paletteA } });
    QVERIFY(TestFiles::writeFile(rom, original));

    const int kills = 150;
    int unfinished = 0, notWritten = 0;
    for (int kill = 0; kill < kills; ++kill) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    { QStringLiteral("--child"), rom, journalPath });
        QVERIFY2(child.waitForReadyRead(10000), "the child did not start");
        const int pause = QRandomGenerator::global()->bounded(30000);
        std::this_thread::sleep_for(std::chrono::microseconds(pause));
        child.kill();
        QVERIFY(child.waitForFinished(10000));
        QVERIFY2(child.exitStatus() == QProcess::CrashExit,
                 qPrintable(QStringLiteral("the child ended by itself, kill %1").arg(kill)));

        const QByteArray image = TestFiles::readFile(rom);
        const QByteArray palette = image.mid(Offset, paletteA.size());
        QVERIFY2(palette == paletteA || palette == paletteB,
                 qPrintable(QStringLiteral("torn palette after kill %1: %2")
                                    .arg(kill)
                                    .arg(QString::fromLatin1(palette.toHex()))));
        QByteArray rest = image;
        QCOMPARE(rest.replace(Offset, paletteA.size(), paletteA), original);

        WriteJournal::Journal journal(journalPath, false);
        const auto entries = journal.entries(rom);
        if (entries.isEmpty()) {
            QVERIFY2(journal.lastError().isEmpty() || !QFile::exists(journalPath),
                     qPrintable(journal.lastError()));
            QCOMPARE(palette, paletteA); // nothing recorded, nothing written
            continue;
        }
        const WriteJournal::Entry &newest = entries.first();
        // Each write begins from what the one before it left.
        if (entries.size() > 1) {
            const WriteJournal::Entry &previous = entries.at(1);
            QVERIFY(newest.oldBytes == previous.newBytes
                    || (!previous.markedDone && newest.oldBytes == previous.oldBytes));
        }
        QVERIFY2(
                newest.state != WriteJournal::State::Changed,
                qPrintable(QStringLiteral("kill %1: the newest entry reads as changed").arg(kill)));
        const bool written = newest.state == WriteJournal::State::Done;
        QCOMPARE(palette, written ? newest.newBytes : newest.oldBytes);
        unfinished += !newest.markedDone;
        notWritten += !written;
    }
    qInfo("%d kills; %d left the newest entry unmarked, %d of them before the write", kills,
          unfinished, notWritten);
    // Kills that never fell inside a write would prove nothing.
    QVERIFY(unfinished > 0);
}

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0) {
        QCoreApplication app(argc, argv);
        return childMain(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QCoreApplication app(argc, argv);
    tst_JournalCrash test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journalcrash.moc"
