#include "gbafixture.h"
#include "palettefinder.h"
#include "romimages.h"
#include "testfiles.h"

#include <QDir>
#include <QtEndian>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

using namespace RomImages;

namespace {

quint32 u32At(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

void patch(QByteArray &b, qsizetype at, qint64 value, int bytes = 4)
{
    b.replace(at, bytes, le(value, bytes));
}

// Words of no pattern, about half of them with bit 15 set: stand-in code.
QByteArray noise(int bytes, quint32 seed)
{
    QByteArray b;
    for (int i = 0; i < bytes; ++i) {
        seed = seed * 1103515245 + 12345;
        b += char(seed >> 16);
    }
    return b;
}

QByteArray repeated(const QByteArray &piece, int bytes)
{
    return piece.repeated(bytes / piece.size() + 1).left(bytes);
}

const QByteArray stop = words({ 0xFFFF });

} // namespace

class tst_PaletteFinder : public QObject
{
    Q_OBJECT
private slots:
    void listsThePalettesOfAnImage_data();
    void listsThePalettesOfAnImage();
    void commandLinePrintsTheListOrFails_data();
    void commandLinePrintsTheListOrFails();
};

void tst_PaletteFinder::listsThePalettesOfAnImage_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<QString>("expected");
    const QByteArray pal16 = paletteFile(ramp(16));

    QTest::newRow("palette files in folders, known by content not name")
            << dsImage({ { "top.nclr", pal16 },
                         { "gfx/menu/a.bin", paletteFile(ramp(16, 3)) },
                         { "gfx/menu/b.nclr", "not a palette" },
                         { "gfx/z.nclr", paletteFile(ramp(256)) } })
            << "1028\t16\ttop.nclr\n2028\t16\tgfx/menu/a.bin\n4028\t256\tgfx/z.nclr\n";
    QTest::newRow("overlays are not searched")
            << dsImage({ { "", pal16 }, { "", pal16 }, { "p.nclr", pal16 } })
            << "3028\t16\tp.nclr\n";
    QTest::newRow("colours cut to the file; TTLP after other sections")
            << dsImage({ { "short.nclr", paletteFile(ramp(4), 0x200) },
                         { "late.nclr", paletteFile(ramp(16), -1, 2) } })
            << "1028\t4\tshort.nclr\n2048\t16\tlate.nclr\n";
    QTest::newRow("archive members and a nested archive")
            << dsImage({ { "a.narc", archive({ "text", pal16, archive({ pal16, "x" }), pal16 }) } })
            << "1070\t16\ta.narc#1\n10EC\t16\ta.narc#2#0\n1135\t16\ta.narc#3\n";
    QTest::newRow("LZ10 file, LZ11 archive: listed at the compressed file")
            << dsImage({ { "p.lz", compress(pal16, false) },
                         { "a.lz", compress(archive({ pal16, QByteArray(0x3000, '\0'),
                                                      QByteArray(0x80, 'A'),
                                                      paletteFile(ramp(256)) }),
                                            true) } })
            << "1000\t16\tp.lz\tcompressed\n2000\t16\ta.lz#0\tcompressed\n"
               "2000\t256\ta.lz#3\tcompressed\n";
    QTest::newRow("compressed archive member")
            << dsImage({ { "m.narc", archive({ compress(pal16, false),
                                               compress("plain text, no palette", false) }) } })
            << "1034\t16\tm.narc#0\tcompressed\n";
    {
        const QByteArray backwards("\x10\x48\x00\x00\x08RLCN\x00\xFF", 11);
        QByteArray lying = compress(pal16, false);
        patch(lying, 1, 0x400, 3);
        QByteArray image = dsImage({ { "ok.nclr", pal16 },
                                     { "gone.nclr", pal16 },
                                     { "big.narc", archive({ pal16, pal16 }) },
                                     { "cut.lz", compress(pal16, false).left(20) },
                                     { "long.lz", lying },
                                     { "back.lz", backwards } });
        const qsizetype fat = u32At(image, 0x48);
        patch(image, fat + 12, 0x7FFFFFFF);
        patch(image, 0x3000 + 0x10 + 0x0C + 12, 0xFFFF);
        QTest::newRow("lying FAT, archive and streams give fewer rows")
                << image << "1028\t16\tok.nclr\n305C\t16\tbig.narc#0\n";
    }
    {
        QByteArray image = dsImage({ { "a.nclr", pal16 }, { "d/b.nclr", pal16 } });
        const qsizetype fnt = u32At(image, 0x40);
        patch(image, fnt + 8, u32At(image, fnt));
        QTest::newRow("folder whose table leads back to the root")
                << image << "1028\t16\ta.nclr\n2028\t16\td/a.nclr\n";
        image = dsImage({ { "a.nclr", pal16 }, { "d/b.nclr", pal16 } });
        patch(image, 0x44, u32At(image, 0x44) - 3);
        QTest::newRow("name table cut inside a name") << image << "1028\t16\ta.nclr\n";
    }

    QByteArray code = noise(0x4000, 7);
    code.replace(0x3FE, 36, stop + ramp(16) + stop);
    code.replace(0xFFE, 516, stop + ramp(256, 5) + stop);
    // Words of code without bit 15 run straight into this one.
    code.replace(0x2000, 40, stop + words({ 0x2345, 0x6789, 0x1ABC }) + ramp(16, 1) + stop);
    QTest::newRow("scan: palettes among code")
            << code << "400\t16\tscan\n1000\t256\tscan\n2008\t16\tscan\n";
    QByteArray pointers;
    for (int i = 0; i < 0x100; ++i)
        pointers += le(0x08000000 | quint32(i * 0x2F4) % 0x7FFC, 4);
    QByteArray tiles = noise(0x400, 11);
    for (char &c : tiles)
        c = char(c & 0x77);
    const QByteArray text = repeated("The quick brown fox jumps over the lazy dog.\n", 0x400);
    QTest::newRow("scan: text, fills, tiles and pointers are not colours")
            << noise(0x100, 3) + text + QByteArray(0x400, '\0') + tiles + pointers
                    + repeated(words({ 0x1234, 0x0421 }), 0x400)
            << "";
    QTest::newRow("scan: palette between text and tiles")
            << noise(0x100, 5) + text + stop + stop + ramp(32, 9) + stop + tiles
            << "504\t32\tscan\n";

    // Built as games are (GbaFixture): a row starts at colour 0 and counts
    // every colour.
    GbaFixture::Builder gba(7);
    auto take = [&gba] { return std::exchange(gba.current().bytes, QByteArray()); };
    auto listed = [](const QByteArray &before, int colours) {
        return QString::number(before.size(), 16).toUpper() + '\t' + QString::number(colours)
                + "\tscan\n";
    };
    const QByteArray fill(0x200, char(0xFF));
    gba.palette(0x0000, 256);
    QTest::newRow("scan: 256 colours between FF fills")
            << fill + take() + fill << listed(fill, 256);
    gba.thumbFunction();
    gba.thumbFunction();
    const QByteArray function = take();
    gba.palette(0x0000, 16);
    QTest::newRow("scan: palette after Thumb code")
            << function + take() + fill << listed(function, 16);
    const QByteArray sprites = gba.tiles();
    for (int i = 0; i < 3; ++i)
        gba.palette(0x0000, 16);
    QTest::newRow("scan: back-to-back palettes after tiles")
            << sprites + take() + sprites << listed(sprites, 48);
    gba.text();
    const QByteArray message = take();
    gba.palette(0x7C1F, 16);
    QTest::newRow("scan: magenta-keyed palette after text") << message + take() + function
                                                            << listed(message, 16);
}

void tst_PaletteFinder::listsThePalettesOfAnImage()
{
    QFETCH(QByteArray, image);
    QFETCH(QString, expected);
    const RomFs::MemoryImage memory(image);
    QCOMPARE(RomFs::formatListing(RomFs::listPalettes(memory)), expected);
}

void tst_PaletteFinder::commandLinePrintsTheListOrFails_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    const QString option = "--list-palettes";
    QTest::newRow("list") << QStringList{ option, "rom.nds" } << 0
                          << "1028\t16\tpal/a.nclr\n2000\t16\tpal/b.lz\tcompressed\n";
    QTest::newRow("nothing found") << QStringList{ option, "empty.gba" } << 0 << "";
    QTest::newRow("missing file") << QStringList{ option, "missing.nds" } << 1 << "";
    QTest::newRow("a folder") << QStringList{ option, "." } << 1 << "";
    QTest::newRow("no ROM") << QStringList{ option } << 2 << "";
    QTest::newRow("two ROMs") << QStringList{ option, "rom.nds", "rom.nds" } << 2 << "";
    QTest::newRow("unknown option") << QStringList{ option, "--all", "rom.nds" } << 2 << "";
}

void tst_PaletteFinder::commandLinePrintsTheListOrFails()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QTemporaryDir dir;
    QVERIFY(TestFiles::writeFile(dir.filePath("rom.nds"),
                                 dsImage({ { "pal/a.nclr", paletteFile(ramp(16)) },
                                           { "pal/b.lz", compress(paletteFile(ramp(16)), false) } })));
    QVERIFY(TestFiles::writeFile(dir.filePath("empty.gba"), QByteArray()));
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    QProcess program;
    program.setWorkingDirectory(dir.path());
    // No display: a program that wanted one would fail to start.
    QProcessEnvironment environment;
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("CINDRAL_DATA_DIR", dir.filePath("data"));
    program.setProcessEnvironment(environment);
    program.start(CINDRAL_EXECUTABLE, arguments);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()), output);
    // A failure is one line on standard error; success says nothing there.
    QCOMPARE(program.readAllStandardError().count('\n'), status ? 1 : 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

QTEST_APPLESS_MAIN(tst_PaletteFinder)
#include "tst_palettefinder.moc"
