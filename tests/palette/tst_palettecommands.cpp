// The palette commands of the built program, run without a display: what
// they print, their exit status, what they do to the ROM image, and that
// they leave no file in the data folder but the journal.
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray palette = QByteArray::fromHex("FF7F1F00E003007C").repeated(4);

struct Run
{
    int status;
    QString out, err;
};

// A command line as a shell would take it: leading NAME=VALUE words set the
// environment (an empty value unsets it); ">/dev/full" at the end is where
// standard output goes.
Run run(const QTemporaryDir &dir, const QString &commandLine)
{
    QStringList arguments = commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QProcess process;
    process.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CINDRAL_DATA_DIR"), dir.filePath(QStringLiteral("data")));
    // No display and no platform chosen: a program that reached for a
    // window system would fail at once.
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE" })
        env.remove(QString::fromLatin1(name));
    while (!arguments.isEmpty() && arguments.first().contains(QRegularExpression("^[A-Z_]+="))) {
        const QString setting = arguments.takeFirst();
        const QString name = setting.section(QLatin1Char('='), 0, 0);
        const QString value = setting.section(QLatin1Char('='), 1);
        value.isEmpty() ? env.remove(name) : env.insert(name, value);
    }
    for (QString &argument : arguments)
        argument.replace(QLatin1String("ROM"), dir.filePath(QStringLiteral("game.nds")))
                .replace(QLatin1String("DIR"), dir.path());
    if (!arguments.isEmpty() && arguments.last() == QLatin1String(">/dev/full"))
        process.setStandardOutputFile(arguments.takeLast().mid(1));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(CINDRAL_BINARY), arguments);
    const bool finished = process.waitForFinished(30000);
    return { finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
             QString::fromLocal8Bit(process.readAllStandardOutput()),
             QString::fromLocal8Bit(process.readAllStandardError()) };
}

} // namespace

class tst_PaletteCommands : public QObject
{
    Q_OBJECT
private slots:
    void command_data();
    void command();
};

void tst_PaletteCommands::command_data()
{
    QTest::addColumn<QString>("commands"); // run in turn; the last one is checked
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // patterns
    QTest::addColumn<QString>("err");
    QTest::addColumn<QByteArray>("romAt20"); // empty: the image is unchanged
    auto row = [](const char *name, const char *commands, int status, const char *out,
                  const char *err, const char *romAt20 = "") {
        QTest::newRow(name) << QString::fromUtf8(commands) << status << QString::fromUtf8(out)
                            << QString::fromUtf8(err) << QByteArray::fromHex(romAt20);
    };
    row("read 16", "--read-palette ROM 20", 0, "^FF7F 1F00 E003 007C( FF7F 1F00 E003 007C){3}\n$",
        "^$");
    row("read 2, option first", "--colours 2 --read-palette ROM 20", 0, "^FF7F 1F00\n$", "^$");
    row("read to the last byte", "--read-palette ROM FC --colours=2", 0, "^\\w{4} \\w{4}\n$", "^$");
    row("read past the end", "--read-palette ROM F0", 1, "^$",
        "^cindral: [^:]*game\\.nds: .*past the end.*\n$");
    row("read, standard output full", "--read-palette ROM 20 >/dev/full", 1, "^$",
        "^cindral: standard output: .+\n$");
    row("palette's end past the last offset", "--read-palette ROM 7FFFFFF0 --colours 256", 2, "^$",
        "7FFFFFF0 would end at 800001EF.*\nUsage: cindral");
    row("offset not hexadecimal", "--read-palette ROM 2G", 2, "^$", "\"2G\".*\nUsage:");
    row("257 colours", "--read-palette ROM 0 --colours 257", 2, "^$", "Usage:");
    row("no such image", "--read-palette DIR/none.nds 0", 1, "^$",
        "^cindral: [^:]*none\\.nds: no such file\n$");
    row("file named like an option, after --", "dash-copy; --read-palette --colours 1 -- -game.nds 20",
        0, "^FF7F\n$", "^$");
    row("file named like an option", "dash-copy; --read-palette -game.nds 20", 2, "^$",
        "-game\\.nds\nUsage:");
    row("unknown option", "--history ROM --fast", 2, "^$", "--fast.*\nUsage:");
    row("unknown option, no command", "--list-palette ROM", 2, "^$",
        "^cindral: unknown option --list-palette\nUsage: cindral \\[ROM\\]\n");
    row("help with no runtime folder", "XDG_RUNTIME_DIR= --help", 0, "1 to 256 colours", "^$");
    row("version with a runtime folder not private", "XDG_RUNTIME_DIR=/proc --version", 0,
        "^cindral \\d+\\.\\d+\\.\\d+\n$", "^$");
    row("write", "--write-palette ROM 20 0000 ff7f", 0, "^Palette 20 Edited\n$", "^$", "0000FF7F");
    row("write a short word", "--write-palette ROM 20 0000 FF7", 2, "^$", "\"FF7\".*\nUsage:");
    row("write other scripts' digits", "--write-palette ROM 20 0000 \uFF10\u0661F7", 2, "^$",
        "Usage:");
    row("write what is there", "--write-palette ROM 20 FF7F 1F00; --history ROM", 0, "^$", "^$");
    row("write past the end", "--write-palette ROM FE 0000 0000", 1, "^$", "past the end");
    row("export to an unknown kind", "--export-palette ROM 20 DIR/p.txt", 2, "^$",
        "p\\.txt: .*\\.gpl.*\nUsage:");
    row("import what was exported",
        "--export-palette ROM 24 DIR/p.gpl --colours 3; --import-palette ROM 20 DIR/p.gpl", 0,
        "^Palette 20 Edited: 3 colours\n$", "^$", "E003007CFF7F");
    // More colours than the palette would overwrite what follows it.
    row("import more than 16 colours",
        "--export-palette ROM 24 DIR/p.bin --colours 17; --import-palette ROM 20 DIR/p.bin", 2,
        "^$", "^cindral: the file holds 17 colours; give --colours 17 to write them all\n");
    row("import 17 colours, asked for",
        "--export-palette ROM 24 DIR/p.bin --colours 17; --import-palette ROM 20 DIR/p.bin "
        "--colours 17",
        0, "^Palette 20 Edited: 17 colours\n$", "^$",
        "E003007CFF7F1F00E003007CFF7F1F00E003007CFF7F1F00E003007C4754616E7B88");
    row("import a missing file", "--import-palette ROM 20 DIR/none.act", 1, "^$",
        "^cindral: [^:]*none\\.act: .+\n$");
    row("history, nothing written", "--history ROM", 0, "^$", "^$");
    row("history of a missing image", "--history DIR/none.nds", 1, "^$",
        "^cindral: [^:]*none\\.nds: no such file\n$");
    row("history", "--write-palette ROM 20 0000 1111; --history ROM", 0,
        "^1\t\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ\t20\tFF7F 1F00\t0000 1111\tdone\n$", "^$",
        "00001111");
    row("restore", "--write-palette ROM 20 0000 1111; --restore ROM 1", 0,
        "^Palette 20 Restored\n$", "^$");
    row("restore over a later write",
        "--write-palette ROM 20 0000 1111; --write-palette ROM 20 2222; --restore ROM 1", 1, "^$",
        "^cindral: [^:]*game\\.nds: Entry 1 cannot be restored: Entry 2 wrote here since; "
        "restore it first\n$", "22221111");
    row("restore an unknown entry", "--write-palette ROM 20 0000; --restore ROM 9", 1, "^$", "9",
        "0000");
    row("journal cannot be opened", "journal-is-a-folder; --write-palette ROM 20 0000", 0,
        "^Palette 20 Edited\n$", "^cindral: warning: [^:]*Journal\\.sqlite: .*\n$", "0000");
}

void tst_PaletteCommands::command()
{
    QFETCH(QString, commands);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QByteArray, romAt20);
    QTemporaryDir dir;
    const QString rom = dir.filePath(QStringLiteral("game.nds"));
    QVERIFY(TestFiles::writeFile(rom, TestFiles::romImage(0x100, { { 0x20, palette } })));
    QStringList steps = commands.split(QStringLiteral("; "));
    const QString last = steps.takeLast();
    for (const QString &step : std::as_const(steps)) {
        if (step == QLatin1String("journal-is-a-folder")) {
            QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("data/Journal.sqlite"))));
            continue;
        }
        if (step == QLatin1String("dash-copy")) {
            QVERIFY(QFile::copy(rom, dir.filePath(QStringLiteral("-game.nds"))));
            continue;
        }
        const Run setUp = run(dir, step);
        QVERIFY2(setUp.status == 0, qPrintable(step + QStringLiteral(": ") + setUp.err));
    }
    const Run result = run(dir, last);
    QVERIFY2(result.status == status,
             qPrintable(QStringLiteral("status %1, stderr: %2").arg(result.status).arg(result.err)));
    QVERIFY2(QRegularExpression(out).match(result.out).hasMatch(), qPrintable(result.out));
    QVERIFY2(QRegularExpression(err).match(result.err).hasMatch(), qPrintable(result.err));
    QCOMPARE(TestFiles::readFile(rom),
             TestFiles::romImage(0x100, { { 0x20, palette }, { 0x20, romAt20 } }));
    const QStringList dataFiles = QDir(dir.filePath(QStringLiteral("data")))
                                          .entryList(QDir::AllEntries | QDir::NoDotAndDotDot
                                                     | QDir::Hidden);
    QVERIFY2(dataFiles.isEmpty() || dataFiles == QStringList{ QStringLiteral("Journal.sqlite") },
             qPrintable(dataFiles.join(u' ')));
}

QTEST_GUILESS_MAIN(tst_PaletteCommands)

#include "tst_palettecommands.moc"
