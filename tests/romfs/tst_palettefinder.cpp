#include "colourfinder.h"
#include "gbafixture.h"
#include "palettefinder.h"
#include "romimages.h"
#include "testfiles.h"

#include <QDir>
#include <QtEndian>
#include <QProcess>
#include <QRegularExpression>
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

// The words of the bytes as the command takes them: "1F00 E003".
QStringList wordTexts(const QByteArray &bytes)
{
    QStringList texts;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        texts << QString::fromLatin1(bytes.mid(i, 2).toHex().toUpper());
    return texts;
}

} // namespace

class tst_PaletteFinder : public QObject
{
    Q_OBJECT
private slots:
    void listsThePalettesOfAnImage_data();
    void listsThePalettesOfAnImage();
    void findsColours_data();
    void findsColours();
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
        const QByteArray packed = compress(archive({ pal16 }), true);
        QTest::newRow("two compressed archives of one layout")
                << dsImage({ { "a.lz", packed }, { "b.lz", packed } })
                << "1000\t16\ta.lz#0\tcompressed\n2000\t16\tb.lz#0\tcompressed\n";
        // Each stops after its palette, far short of the 16 MiB it claims.
        QByteArray claims = compress(pal16, false);
        patch(claims, 1, 0xFFFFFF, 3);
        QList<QPair<QString, QByteArray>> files(17, { QString(), claims });
        for (int i = 0; i < files.size(); ++i)
            files[i].first = QString("broken%1.lz").arg(i, 2, 10, QChar('0'));
        files.append({ "z.lz", compress(pal16, false) });
        QTest::newRow("broken streams claiming much hide no later palette")
                << dsImage(files) << "12000\t16\tz.lz\tcompressed\n";
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
    // After zeros, colour 0 is the last zero when a ramp rising from a
    // dark shade follows it.
    const QByteArray zeros(0x100, '\0');
    gba.half(0x0000);
    for (quint16 shade : { 0x0842, 0x14A5, 0x2108, 0x2D6B, 0x0C03, 0x1C07, 0x2C0B, 0x3C0F, 0x4C13,
                 0x0060, 0x00C0, 0x0120, 0x0180, 0x01E0, 0x7FFF })
        gba.half(shade);
    QTest::newRow("scan: zero colour 0 after zeros") << zeros + take() + message
                                                     << listed(zeros, 16);
    // After records of numbers, a bank's first palette (colour 1 black) is
    // where the row starts, though the next one's dark ramp after the key
    // colour is a clearer edge.
    for (int p = 0; p < 6; ++p) {
        gba.half(0x7C1F);
        for (int c = 1; c < 16; ++c)
            gba.half(p == 0 && c == 1 ? 0 : gba.colour(c * 2, c * 1.5, c * 0.5 + p));
    }
    const QByteArray records = fill
            + words({ 0x06CD, 0x23EE, 0x049D, 0x4F87, 0x04E9, 0x4110, 0x0432, 0x0985, 0x019A,
                    0x144A, 0x042F, 0x31EC, 0x0228, 0x0290, 0x0028, 0x4218, 0x053F, 0x4C10,
                    0x0347, 0x4710, 0x031D, 0x2603 });
    QTest::newRow("scan: keyed bank whose first palette has black colour 1")
            << records + take() + fill << listed(records, 96);
    // Dark shades (0845, 0901) look like the upper halves of pointers, but
    // not after a key colour 0, nor where the words between are as dark.
    QTest::newRow("scan: keyed palette of dark shades after Thumb code")
            << function
                    + words({ 0x7FE0, 0x0845, 0x20EE, 0x3DDA, 0x62FF, 0x0901, 0x0DA2, 0x1243,
                            0x16E3, 0x1B84, 0x0CA4, 0x1947, 0x2A0C, 0x42F2, 0x0427, 0x399F })
                    + fill
            << listed(function, 16);
    QTest::newRow("scan: palette rising from dark shades after Thumb code")
            << function
                    + words({ 0x0000, 0x0421, 0x0842, 0x0863, 0x0884, 0x08A5, 0x08C6, 0x0CE7,
                            0x1108, 0x1529, 0x1D4A, 0x256B, 0x318C, 0x3DAD, 0x4DCE, 0x5DEF })
                    + fill
            << listed(function, 16);
    // Small numbers after colour 0 are a ramp of dark reds, even after a
    // literal pool that ends in a small constant.
    const QByteArray constant = function + words({ 0x02DF, 0x0000 });
    QTest::newRow("scan: palette rising from dark reds after a small constant")
            << constant
                    + words({ 0x0000, 0x00A3, 0x0166, 0x0629, 0x06CC, 0x078F, 0x1405, 0x2008,
                            0x2C2C, 0x4070, 0x54D5, 0x693B, 0x14E1, 0x3A64, 0x0000, 0x0000 })
                    + fill
            << listed(constant, 16);
    // Colour 1 black after a zero colour 0, after a literal: the header of
    // compressed tiles just after the palette speaks against the second
    // zero as colour 0, so no row is listed rather than one shifted by a
    // colour.
    QTest::newRow("scan: zero colours 0 and 1 before compressed tiles")
            << constant
                    + words({ 0x0000, 0x0000, 0x1928, 0x218B, 0x322F, 0x42D5, 0x5BBB, 0x0D25,
                            0x15C8, 0x1A8B, 0x232E, 0x0444, 0x0489, 0x0CEE, 0x1573, 0x21FA })
                    + words({ 0x0010, 0x0005 }) + sprites
            << "";
}

void tst_PaletteFinder::listsThePalettesOfAnImage()
{
    QFETCH(QByteArray, image);
    QFETCH(QString, expected);
    const RomFs::MemoryImage memory(image);
    QCOMPARE(RomFs::formatListing(RomFs::listPalettes(memory)), expected);
}

void tst_PaletteFinder::findsColours_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<QByteArray>("search");
    QTest::addColumn<QString>("expected");
    const QByteArray rgb = words({ 0x801F, 0x03E0, 0x7C00 });
    QByteArray gba(0x200, '\0');
    gba.replace(0x10, 6, words({ 0x001F, 0x83E0, 0x7C00 }));
    gba.replace(0x40, 6, words({ 0x001E, 0x03E1, 0xFC20 }));
    gba.replace(0x80, 6, words({ 0x001D, 0x03E0, 0x7C00 })); // red two steps away
    gba.replace(0xC0, 4, words({ 0x001F, 0x03E0 })); // cut short by other colours
    gba.replace(0x101, 6, rgb); // between two words
    QTest::newRow("exact and near, bit 15 ignored on both sides, words only")
            << gba << rgb << "10\t3\timage\texact\n40\t3\timage\tnear\n";
    QTest::newRow("one word anywhere in its channel steps")
            << gba.left(0x20) << words({ 0x03E0 }) << "12\t1\timage\texact\n";

    QString first;
    for (quint32 at = 0; at < 2 * RomFs::MaxColourMatches; at += 2)
        first += QString::number(at, 16).toUpper() + "\t1\timage\texact\n";
    QTest::newRow("a fill matches everywhere: the first matches only")
            << QByteArray(2 * RomFs::MaxColourMatches + 0x100, '\0') << words({ 0x8000 }) << first;

    const QByteArray colours = ramp(16, 4);
    QByteArray near = colours;
    near[6] = char(near[6] ^ 1);
    QByteArray ds = dsImage({ { "b.narc", archive({ "text", paletteFile(near), colours }) },
                              { "c.lz", compress(archive({ "xy", colours + colours }), true) },
                              { "d.lz", compress(near, false) },
                              { "a/p.nclr", paletteFile(colours) } });
    ds.replace(0x800, 32, colours);
    QTest::newRow("DS image: outside files, in files, members and compressed files")
            << ds << colours
            << "800\t16\timage\texact\n1088\t16\tb.narc#2\texact\n"
               "2000\t16\tc.lz#1\tcompressed\texact\n4028\t16\ta/p.nclr\texact\n"
               "1068\t16\tb.narc#1\tnear\n3000\t16\td.lz\tcompressed\tnear\n";
}

void tst_PaletteFinder::findsColours()
{
    QFETCH(QByteArray, image);
    QFETCH(QByteArray, search);
    QFETCH(QString, expected);
    std::vector<quint16> searched;
    for (qsizetype i = 0; i + 1 < search.size(); i += 2)
        searched.push_back(quint16(quint8(search[i]) | quint8(search[i + 1]) << 8));
    const RomFs::MemoryImage memory(image);
    const RomFs::ColourSearch found = RomFs::findColours(memory, searched);
    QCOMPARE(RomFs::formatColourSearch(found), expected);
    // Only a search cut short at the limit says it was.
    QCOMPARE(found.truncated, found.matches.size() == RomFs::MaxColourMatches);
}

void tst_PaletteFinder::commandLinePrintsTheListOrFails_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error"); // a pattern
    const QString option = "--list-palettes", list = "1028\t16\tpal/a.nclr\n2000\t16\tpal/b.lz\tcompressed\n",
                  usage = "\nUsage: cindral \\[ROM\\]\n";
    QTest::newRow("list") << QStringList{ option, "rom.nds" } << 0 << list << "^$";
    QTest::newRow("nothing found") << QStringList{ option, "empty.gba" } << 0 << "" << "^$";
    QTest::newRow("named like an option, after --")
            << QStringList{ option, "--", "-rom.nds" } << 0 << list << "^$";
    QTest::newRow("named like an option") << QStringList{ option, "-rom.nds" } << 2 << ""
                                          << "^cindral: unknown option -rom\\.nds" + usage;
    QTest::newRow("missing file") << QStringList{ option, "missing.nds" } << 1 << ""
                                  << "^cindral: missing\\.nds: no such file\n$";
    QTest::newRow("a folder") << QStringList{ option, "." } << 1 << "" << "^cindral: \\.: .+\n$";
    QTest::newRow("no ROM") << QStringList{ option } << 2 << "" << usage;
    QTest::newRow("two ROMs") << QStringList{ option, "rom.nds", "rom.nds" } << 2 << "" << usage;
    QTest::newRow("unknown option") << QStringList{ option, "--all", "rom.nds" } << 2 << ""
                                    << "^cindral: unknown option --all" + usage;
    QTest::newRow("two commands") << QStringList{ option, "rom.nds", "--history" } << 2 << ""
                                  << "--history: one command at a time" + usage;

    const QString find = "--find-colours";
    const QStringList colours = wordTexts(ramp(16));
    QTest::newRow("find colours") << QStringList{ find, "rom.nds" } + colours << 0
                                  << "1028\t16\tpal/a.nclr\texact\n"
                                     "2000\t16\tpal/b.lz\tcompressed\texact\n"
                                  << "^$";
    QTest::newRow("find colours, lower case, none there")
            << QStringList{ find, "rom.nds", "ff7f", "ff7f" } << 0 << "" << "^$";
    QTest::newRow("find colours in a missing file")
            << QStringList{ find, "missing.nds", "FF7F" } << 1 << ""
            << "^cindral: missing\\.nds: no such file\n$";
    QTest::newRow("find no colours") << QStringList{ find, "rom.nds" } << 2 << "" << usage;
    QTest::newRow("find a word of three digits")
            << QStringList{ find, "rom.nds", "FF7F", "FF7" } << 2 << "" << "\"FF7\" is not a colour word.*" + usage;
    QTest::newRow("find a word of other digits")
            << QStringList{ find, "rom.nds", QString::fromUtf8("FF\uFF17F") } << 2 << "" << usage;
    QTest::newRow("find 257 colours")
            << QStringList{ find, "rom.nds" } + wordTexts(ramp(257)) << 2 << "" << usage;
}

void tst_PaletteFinder::commandLinePrintsTheListOrFails()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QByteArray rom = dsImage({ { "pal/a.nclr", paletteFile(ramp(16)) },
                                     { "pal/b.lz", compress(paletteFile(ramp(16)), false) } });
    QVERIFY(TestFiles::writeFile(dir.filePath("rom.nds"), rom));
    QVERIFY(TestFiles::writeFile(dir.filePath("-rom.nds"), rom));
    QVERIFY(TestFiles::writeFile(dir.filePath("empty.gba"), QByteArray()));
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    QProcess program;
    program.setWorkingDirectory(dir.path());
    // No display: a program that wanted one would fail to start.
    QProcessEnvironment environment;
    environment.insert("CINDRAL_DATA_DIR", dir.filePath("data"));
    program.setProcessEnvironment(environment);
    program.start(CINDRAL_EXECUTABLE, arguments);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()), output);
    const QString errors = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(QRegularExpression(error).match(errors).hasMatch(), qPrintable(errors));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

QTEST_APPLESS_MAIN(tst_PaletteFinder)
#include "tst_palettefinder.moc"
