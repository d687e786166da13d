// The palette commands of the built program, run without a display: what
// they print, their exit status, what they do to the ROM image, and that
// they leave no file in the data folder but the journal.
#include "testfiles.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray palette = QByteArray::fromHex("FF7F1F00E003007C").repeated(4);

} // namespace

class tst_PaletteCommands : public QObject
{
    Q_OBJECT
private slots:
    void command_data();
    void command();

private:
    struct Run
    {
        int status;
        QString out, err;
    };
    Run run(const QTemporaryDir &dir, const QString &commandLine);
};

tst_PaletteCommands::Run tst_PaletteCommands::run(const QTemporaryDir &dir,
                                                  const QString &commandLine)
{
    QStringList arguments = commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString &argument : arguments)
        argument.replace(QLatin1String("ROM"), dir.filePath(QStringLiteral("game.nds")))
                .replace(QLatin1String("DIR"), dir.path());
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CINDRAL_DATA_DIR"), dir.filePath(QStringLiteral("data")));
    // A window system asked for would make the program fail at once.
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(CINDRAL_BINARY), arguments);
    if (!process.waitForFinished(30000))
        return { -1, {}, QStringLiteral("did not finish") };
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
             QString::fromLocal8Bit(process.readAllStandardOutput()),
             QString::fromLocal8Bit(process.readAllStandardError()) };
}

void tst_PaletteCommands::command_data()
{
    QTest::addColumn<QStringList>("before"); // commands run first
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // patterns
    QTest::addColumn<QString>("err");
    QTest::addColumn<QByteArray>("romAt20"); // empty: the image is unchanged

    const QString time = QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ");
    const QStringList none;
    const QStringList wrote{ QStringLiteral("--write-palette ROM 20 0000 1111") };
    QTest::newRow("read 16") << none << "--read-palette ROM 20" << 0
                             << "^FF7F 1F00 E003 007C( FF7F 1F00 E003 007C){3}\\n$"
                             << "^$" << QByteArray();
    QTest::newRow("read 2, option first")
            << none << "--colours 2 --read-palette ROM 20" << 0 << "^FF7F 1F00\\n$"
            << "^$" << QByteArray();
    QTest::newRow("read to the last byte")
            << none << "--read-palette ROM FC --colours=2" << 0 << "^\\w{4} \\w{4}\\n$"
            << "^$" << QByteArray();
    QTest::newRow("read past the end") << none << "--read-palette ROM F0" << 1 << "^$"
                                       << "^cindral: .*past the end.*\\n$" << QByteArray();
    QTest::newRow("offset not hexadecimal") << none << "--read-palette ROM 2G" << 2 << "^$"
                                            << "\"2G\".*\\nUsage:" << QByteArray();
    QTest::newRow("offset too high") << none << "--read-palette ROM 7FFFFFE1" << 2 << "^$"
                                     << "Usage:" << QByteArray();
    QTest::newRow("257 colours") << none << "--read-palette ROM 0 --colours 257" << 2 << "^$"
                                 << "Usage:" << QByteArray();
    QTest::newRow("no such image") << none << "--read-palette DIR/none.nds 0" << 1 << "^$"
                                   << "^cindral: .*none\\.nds.*\\n$" << QByteArray();
    QTest::newRow("two commands") << none << "--history ROM --restore ROM 1" << 2 << "^$"
                                  << "Usage:" << QByteArray();
    QTest::newRow("unknown option") << none << "--history ROM --fast" << 2 << "^$"
                                    << "--fast" << QByteArray();
    QTest::newRow("write") << none << "--write-palette ROM 20 0000 ff7f" << 0
                           << "^Palette 20 Edited\\n$"
                           << "^$" << QByteArray::fromHex("0000FF7F");
    QTest::newRow("write a short word") << none << "--write-palette ROM 20 0000 FF7" << 2 << "^$"
                                        << "\"FF7\"" << QByteArray();
    QTest::newRow("write no words") << none << "--write-palette ROM 20" << 2 << "^$"
                                    << "Usage:" << QByteArray();
    QTest::newRow("write past the end") << none << "--write-palette ROM FE 0000 0000" << 1 << "^$"
                                        << "past the end" << QByteArray();
    QTest::newRow("export to an unknown kind")
            << none << "--export-palette ROM 20 DIR/p.txt" << 1 << "^$"
            << "p\\.txt.*\\.gpl" << QByteArray();
    QTest::newRow("import what was exported")
            << QStringList{ "--export-palette ROM 24 DIR/p.gpl --colours 3" }
            << "--import-palette ROM 20 DIR/p.gpl" << 0 << "^Palette 20 Edited\\n$"
            << "^$" << QByteArray::fromHex("E003007CFF7F");
    QTest::newRow("import a missing file")
            << none << "--import-palette ROM 20 DIR/none.act" << 1 << "^$"
            << "none\\.act" << QByteArray();
    QTest::newRow("history, nothing written") << none << "--history ROM" << 0 << "^$"
                                              << "^$" << QByteArray();
    QTest::newRow("history")
            << wrote << "--history ROM" << 0
            << QStringLiteral("^1\\t%1\\t20\\tFF7F 1F00\\t0000 1111\\tdone\\n$").arg(time) << "^$"
            << QByteArray::fromHex("00001111");
    QTest::newRow("restore") << wrote << "--restore ROM 1" << 0 << "^Palette 20 Restored\\n$"
                             << "^$" << QByteArray();
    QTest::newRow("restore over a later write")
            << QStringList{ wrote.first(), "--write-palette ROM 20 2222" } << "--restore ROM 1" << 1
            << "^$"
            << "^cindral: .*2222 1111 now\\.\\n$" << QByteArray::fromHex("22221111");
    QTest::newRow("restore an unknown entry") << wrote << "--restore ROM 9" << 1 << "^$"
                                              << "9" << QByteArray::fromHex("00001111");
    QTest::newRow("restore, not a number") << wrote << "--restore ROM x" << 2 << "^$"
                                           << "Usage:" << QByteArray::fromHex("00001111");
    QTest::newRow("journal cannot be opened")
            << QStringList{ "journal-is-a-folder" } << "--write-palette ROM 20 0000" << 0
            << "^Palette 20 Edited\\n$"
            << "^cindral: warning: .*Journal\\.sqlite.*\\n$" << QByteArray::fromHex("0000");
}

void tst_PaletteCommands::command()
{
    QFETCH(QStringList, before);
    QFETCH(QString, commandLine);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QByteArray, romAt20);
    QTemporaryDir dir;
    const QString rom = dir.filePath(QStringLiteral("game.nds"));
    QVERIFY(TestFiles::writeFile(rom, TestFiles::romImage(0x100, { { 0x20, palette } })));
    for (const QString &first : std::as_const(before)) {
        if (first == QLatin1String("journal-is-a-folder")) {
            QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("data/Journal.sqlite"))));
            continue;
        }
        const Run setUp = run(dir, first);
        QVERIFY2(setUp.status == 0, qPrintable(first + QStringLiteral(": ") + setUp.err));
    }
    const QByteArray romBefore = TestFiles::readFile(rom);

    const Run result = run(dir, commandLine);
    QVERIFY2(
            result.status == status,
            qPrintable(QStringLiteral("status %1, stderr: %2").arg(result.status).arg(result.err)));
    QVERIFY2(QRegularExpression(out).match(result.out).hasMatch(), qPrintable(result.out));
    QVERIFY2(QRegularExpression(err).match(result.err).hasMatch(), qPrintable(result.err));
    const QByteArray romAfter = TestFiles::readFile(rom);
    QCOMPARE(romAfter.size(), romBefore.size());
    if (romAt20.isEmpty())
        QCOMPARE(romAfter, TestFiles::romImage(0x100, { { 0x20, palette } }));
    else
        QCOMPARE(romAfter, TestFiles::romImage(0x100, { { 0x20, palette }, { 0x20, romAt20 } }));
    const QStringList dataFiles
            = QDir(dir.filePath(QStringLiteral("data")))
                      .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    QVERIFY2(dataFiles.isEmpty() || dataFiles == QStringList{ QStringLiteral("Journal.sqlite") },
             qPrintable(dataFiles.join(u' ')));
}

QTEST_GUILESS_MAIN(tst_PaletteCommands)

#include "tst_palettecommands.moc"
