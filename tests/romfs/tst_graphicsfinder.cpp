#include "graphicsfinder.h"
#include "romimages.h"
#include "testfiles.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace RomImages;

// Graphics files found by content in a DS image, their pixels found again
// and the palette beside each, and the command that lists them.
class tst_GraphicsFinder : public QObject
{
    Q_OBJECT
private slots:
    void listsTheGraphicsFilesOfAnImage_data();
    void listsTheGraphicsFilesOfAnImage();
    void commandLinePrintsTheListOrFails_data();
    void commandLinePrintsTheListOrFails();
};

void tst_GraphicsFinder::listsTheGraphicsFilesOfAnImage_data()
{
    // Each line: the listing's line, then the pixels got again (their
    // count and first byte) and the source of the palette beside, or "-".
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<QString>("expected");
    const QByteArray pal = paletteFile(ramp(16));
    const QByteArray g4 = graphicsFile(counting(32, 0x10), 1, 1, 4);
    const QByteArray g8 = graphicsFile(counting(128, 0x80), 2, 1, 8, true);

    QTest::newRow("files known by content; the palette of the same name beside")
            << dsImage({ { "b.bin", g8 },
                         { "c.ncgr", "not graphics" },
                         { "c.nclr", pal },
                         { "g/a.ncgr", g4 },
                         { "g/a.nclr", pal },
                         { "g/b.nclr", pal } })
            << "1030\t2x1\t8\tbitmap\tb.bin\t128@80\t-\n"
               "4030\t1x1\t4\ttiled\tg/a.ncgr\t32@10\tg/a.nclr\n";
    QTest::newRow("archive members: the nearest palette before, nested ones too")
            << dsImage({ { "a.narc", archive({ g4, pal, g4, archive({ pal, g8 }), "text", g4 }) } })
            << "1084\t1x1\t4\ttiled\ta.narc#0\t32@10\t-\n"
               "111C\t1x1\t4\ttiled\ta.narc#2\t32@10\ta.narc#1\n"
               "11E8\t2x1\t8\tbitmap\ta.narc#3#1\t128@80\ta.narc#3#0\n"
               "129C\t1x1\t4\ttiled\ta.narc#5\t32@10\ta.narc#3#0\n";
    QTest::newRow("compressed file, archive and member: pixels decompressed again")
            << dsImage({ { "p.lz", compress(g4, false) },
                         { "q.lz", compress(graphicsFile(counting(32, 0x40), 1, 1, 4), false) },
                         { "a.lz", compress(archive({ g8, pal, g4 }), true) },
                         { "m.narc", archive({ pal, compress(g8, false) }) } })
            << "1000\t1x1\t4\ttiled\tp.lz\tcompressed\t32@10\t-\n"
               "2000\t1x1\t4\ttiled\tq.lz\tcompressed\t32@40\t-\n"
               "3000\t2x1\t8\tbitmap\ta.lz#0\tcompressed\t128@80\t-\n"
               "3000\t1x1\t4\ttiled\ta.lz#2\tcompressed\t32@10\ta.lz#1\n"
               "407C\t2x1\t8\tbitmap\tm.narc#1\tcompressed\t128@80\tm.narc#0\n";
    QTest::newRow("lying sizes: cut to the file, or not listed")
            << dsImage({ { "big.ncgr", graphicsFile(counting(32, 0x10), 1, 1, 4, false, 0x10000) },
                         { "open.ncgr", graphicsFile(counting(32, 0x20), 0xFFFF, 0xFFFF, 4) },
                         { "deep.ncgr", graphicsFile(counting(32, 0), 1, 1, 16) },
                         { "far.ncgr", graphicsFile(counting(32, 0), 1, 1, 4, false, 32, 0x100) },
                         { "cut.ncgr", g4.left(0x20) },
                         { "cut.lz", compress(g4, false).left(20) } })
            << "1030\t1x1\t4\ttiled\tbig.ncgr\t32@10\t-\n"
               "2030\t0x0\t4\ttiled\topen.ncgr\t32@20\t-\n";
    QTest::newRow("no DS file system") << pal + g4 << "";
}

void tst_GraphicsFinder::listsTheGraphicsFilesOfAnImage()
{
    QFETCH(QByteArray, image);
    QFETCH(QString, expected);
    const RomFs::MemoryImage memory(image);
    const std::vector<RomFs::FoundGraphics> graphics = RomFs::listGraphics(memory);
    const std::vector<RomFs::FoundPalette> palettes = RomFs::listPalettes(memory).palettes;
    const QStringList lines = RomFs::formatGraphicsListing(graphics).split('\n');
    QString seen;
    for (size_t i = 0; i < graphics.size(); ++i) {
        QByteArray pixels;
        QVERIFY2(RomFs::graphicsPixels(memory, graphics[i], pixels), qPrintable(lines[qsizetype(i)]));
        const auto beside = RomFs::paletteBeside(graphics[i], palettes);
        seen += lines[qsizetype(i)] + QString("\t%1@%2\t").arg(pixels.size()).arg(pixels.left(1).toHex())
                + (beside ? palettes[*beside].source : "-") + '\n';
    }
    QCOMPARE(seen, expected);
}

void tst_GraphicsFinder::commandLinePrintsTheListOrFails_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    const QString option = "--list-graphics";
    QTest::newRow("list") << QStringList{ option, "rom.nds" } << 0
                          << "1030\t2x3\t8\ttiled\tgfx/a.ncgr\n2000\t1x1\t4\tbitmap\tgfx/b.lz\tcompressed\n";
    QTest::newRow("nothing found") << QStringList{ option, "empty.gba" } << 0 << "";
    QTest::newRow("missing file") << QStringList{ option, "missing.nds" } << 1 << "";
    QTest::newRow("no ROM") << QStringList{ option } << 2 << "";
    QTest::newRow("unknown option") << QStringList{ option, "--all", "rom.nds" } << 2 << "";
}

void tst_GraphicsFinder::commandLinePrintsTheListOrFails()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QTemporaryDir dir;
    QVERIFY(TestFiles::writeFile(
            dir.filePath("rom.nds"),
            dsImage({ { "gfx/a.ncgr", graphicsFile(counting(384, 0), 2, 3, 8) },
                      { "gfx/b.lz", compress(graphicsFile(counting(32, 0), 1, 1, 4, true), false) } })));
    QVERIFY(TestFiles::writeFile(dir.filePath("empty.gba"), QByteArray()));

    QProcess program;
    program.setWorkingDirectory(dir.path());
    // No display: a program that wanted one would fail to start.
    QProcessEnvironment environment;
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("CINDRAL_DATA_DIR", dir.filePath("data"));
    program.setProcessEnvironment(environment);
    program.start(CINDRAL_EXECUTABLE, arguments);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), status);
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()), output);
    // One line for a failure; the reason and the usage for a wrong command line.
    const QString errors = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(errors.startsWith("cindral: "), status != 0);
    QCOMPARE(errors.count('\n') == 1, status == 1);
    QCOMPARE(errors.contains("\nUsage: "), status == 2);
}

QTEST_APPLESS_MAIN(tst_GraphicsFinder)
#include "tst_graphicsfinder.moc"
