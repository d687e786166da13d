// Palette files: every format written and read back through files, the
// exact bytes other tools expect, their files read in their own order, and
// damaged files refused with the file and the line or byte named.
#include "palettefile.h"
#include "testfiles.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using PaletteFile::Words;

namespace {

// All 32 levels of every channel, bit 15 set on some, and 256 words.
Words everyLevel()
{
    Words words;
    for (int i = 0; i < 256; ++i)
        words.append(quint16((i % 32) | ((31 - i % 32) << 5) | (((i * 7) % 32) << 10)
                             | ((i % 3 == 0) << 15)));
    return words;
}

// A BMP of one pixel: header size (12: OS/2's), bits per pixel, colours
// used, and the table as the file holds it.
QByteArray bmp(int headerBytes, int bits, int used, const QByteArray &table)
{
    QByteArray file = "BM" + QByteArray(12 + headerBytes, 0) + table + QByteArray(4, 0);
    auto put = [&](int at, quint32 value) { qToLittleEndian(value, file.data() + at); };
    put(2, file.size());
    put(10, file.size() - 4);
    put(14, headerBytes);
    put(headerBytes == 12 ? 22 : 26, 1 | bits << 16); // one plane
    if (headerBytes > 12)
        put(46, used);
    return file;
}

} // namespace

class tst_PaletteFiles : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void readFile_data();
    void readFile();

private:
    QTemporaryDir m_dir;
};

void tst_PaletteFiles::roundTrip_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<Words>("words");
    QTest::addColumn<QByteArray>("expected"); // the file's bytes, where fixed
    const Words whiteRed{ 0x7FFF, 0x001F };
    QTest::newRow("pal") << "a.pal" << whiteRed
                         << QByteArray("JASC-PAL\r\n0100\r\n2\r\n255 255 255\r\n255 0 0\r\n");
    QTest::newRow("gpl") << "a.gpl" << whiteRed
                         << QByteArray("GIMP Palette\nName: game.nds 1A0 \nColumns: 16\n#\n"
                                       "255 255 255\tFF7F\n255   0   0\t1F00\n");
    QTest::newRow("act") << "a.act" << whiteRed
                         << QByteArray::fromHex("FFFFFFFF0000") + QByteArray(762, 0)
                                    + QByteArray::fromHex("0002FFFF");
    QTest::newRow("bin keeps bit 15")
            << "a.bin" << Words{ 0xFFFF, 0x001F } << QByteArray("\xFF\xFF\x1F\x00", 4);
    QTest::newRow("png") << "a.png" << whiteRed << QByteArray();
    QTest::newRow("png one black colour") << "black.png" << Words{ 0 } << QByteArray();
    const Words one{ 0x5294 };
    const Words many = everyLevel();
    for (const char *suffix : { "pal", "gpl", "act", "bin", "png" }) {
        QTest::addRow("%s one colour", suffix)
                << QStringLiteral("one.%1").arg(suffix) << one << QByteArray();
        QTest::addRow("%s 256 colours", suffix)
                << QStringLiteral("all.%1").arg(suffix) << many << QByteArray();
    }
}

void tst_PaletteFiles::roundTrip()
{
    QFETCH(QString, fileName);
    QFETCH(Words, words);
    QFETCH(QByteArray, expected);
    const QString path = m_dir.filePath(fileName);
    // A name of two lines goes into one line of a GIMP file.
    QCOMPARE(PaletteFile::writeFile(path, words, QStringLiteral("game.nds\n1A0\r")), QString());
    const QByteArray written = TestFiles::readFile(path);
    if (!expected.isEmpty())
        QCOMPARE(written, expected);
    if (fileName.endsWith(QLatin1String(".png"))) {
        // Indexed (colour type 3), one table entry per colour, 16-pixel swatches.
        QCOMPARE(int(written.at(25)), 3);
        const QImage image = QImage::fromData(written);
        QCOMPARE(image.colorCount(), int(words.size()));
        QCOMPARE(image.size(), QSize(16 * int(words.size()), 16));
    }
    const bool raw = fileName.endsWith(QLatin1String(".bin"));
    Words expectedWords = words;
    for (quint16 &word : expectedWords)
        word = raw ? word : word & 0x7FFF; // only raw words carry bit 15
    const PaletteFile::Decoded read = PaletteFile::readFile(path);
    QCOMPARE(read.error, QString());
    QCOMPARE(read.words, expectedWords);
    // A name that says nothing leaves the format to the contents.
    const QString renamed
            = m_dir.filePath(QStringLiteral("renamed-") + fileName + QStringLiteral(".dat"));
    QVERIFY(TestFiles::writeFile(renamed, written));
    QCOMPARE(PaletteFile::readFile(renamed).words, expectedWords);
}

void tst_PaletteFiles::readFile_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("where"); // for a damaged file, the line or byte named
    QTest::addColumn<Words>("words");
    const QByteArray jasc = "JASC-PAL\r\n0100\r\n";
    QByteArray gimpTooMany = "GIMP Palette\n";
    for (int i = 0; i < 257; ++i)
        gimpTooMany += "1 2 3\n";
    QByteArray rgbPng;
    {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        QBuffer buffer(&rgbPng);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    auto row = [](const char *name, const char *file, const QByteArray &contents, const char *where,
                  const Words &words = {}) {
        QTest::newRow(name) << QString::fromLatin1(file) << contents << QString::fromLatin1(where)
                            << words;
    };
    // Files as other programs write them give their colours in their order.
    const QByteArray bom = "\xEF\xBB\xBF";
    const Words blackWhite{ 0x0000, 0x7FFF };
    row("pal with CR line ends", "cr.pal", "JASC-PAL\r0100\r2\r0 0 0\r255 255 255\r", "",
        blackWhite);
    row("gpl with a byte order mark, no extension", "b", bom + "GIMP Palette\n0 0 0\n255 255 255\n",
        "", blackWhite);
    // 768 bytes: an Adobe table only when the name says nothing else.
    const QByteArray longJasc = bom + "JASC-PAL\n0100\n2\n0 0 0\n255 255 255\n";
    row("pal of 768 bytes", "l.pal", longJasc.leftJustified(768, '\n'), "", blackWhite);
    row("bin of 768 bytes", "l.bin", QByteArray(768, '\1'), "byte 512");
    row("bmp 1 bit, the darker colour first", "d.bmp",
        bmp(40, 1, 0, QByteArray::fromHex("00000000FFFFFF00")), "", blackWhite);
    row("bmp OS/2 header, 4 bits", "o.bmp",
        bmp(12, 4, 0, QByteArray::fromHex("0000FF").repeated(16)), "", Words(16, 0x001F));
    row("bmp V5 header, 8 bits, 2 used", "u.bmp",
        bmp(124, 8, 2, QByteArray::fromHex("0000FF00FF000000")), "", { 0x001F, 0x7C00 });
    row("bmp 300 colours used", "many.bmp", bmp(40, 8, 300, {}), "byte 46");
    row("bmp table cut short", "cut.bmp", bmp(40, 8, 0, QByteArray(64, 0)).left(120), "byte 120");
    const QByteArray gif = QByteArray("GIF89a\1\0\1\0\0\0\0", 13)
            + QByteArray::fromHex("21F90401000000002C000000000100010081" // a local table of 4
                                  "FFFFFF000000FF000000FF000202440100")
            + ';';
    row("gif with only a local table", "l.gif", gif, "", { 0x7FFF, 0x0000, 0x001F, 0x03E0 });
    row("pal version", "v.pal", "JASC-PAL\n0200\n1\n0 0 0\n", "line 2");
    row("pal 257 colours", "c.pal", jasc + "257\r\n", "line 3");
    row("pal cut short", "s.pal", jasc + "3\r\n1 2 3\r\n4 5 6\r\n", "line 6");
    row("pal value 256", "r.pal", jasc + "1\r\n0 256 0\r\n", "line 4");
    row("pal negative", "n.pal", jasc + "1\r\n0 0 -1\r\n", "line 4");
    row("pal four values", "f.pal", jasc + "1\r\n1 2 3 4\r\n", "line 4");
    row("pal not jasc", "t.pal", "RIFF....PAL data", "line 1");
    row("gpl 257 colours", "m.gpl", gimpTooMany, "line 258");
    row("gpl two numbers", "b.gpl", "GIMP Palette\n# x\n1 2\n", "line 3");
    row("gpl no colours", "e.gpl", "GIMP Palette\nName: x\n", "line 3");
    row("act count 0", "z.act", QByteArray(768, 0) + QByteArray::fromHex("0000FFFF"), "byte 768");
    row("act count 300", "h.act", QByteArray(768, 0) + QByteArray::fromHex("012CFFFF"), "byte 768");
    row("act cut short", "k.act", QByteArray(700, '\1'), "byte 700");
    row("bin odd", "o.bin", QByteArray("\x1F\x00\x1F", 3), "byte 2");
    row("bin 257 colours", "l.bin", QByteArray(514, '\1'), "byte 512");
    row("bin empty", "0.bin", QByteArray(), "byte 0");
    row("png not an image", "x.png", "not an image", "byte 0");
    row("png without table", "rgb.png", rgbPng, "colour table");
    row("png cut short", "cut.png", rgbPng.left(40), "byte 40");
    row("png damaged", "bad.png", QByteArray(rgbPng).replace(20, 1, "\x7f"), "byte 8");
    QByteArray twoTables = PaletteFile::encode(PaletteFile::Format::Png, { 0, 0x7FFF }, QString());
    twoTables.insert(51, twoTables.mid(33, 18)); // the PLTE chunk once more
    row("png with two tables", "two.png", twoTables, "byte 51");
    row("control bytes are shown escaped", "esc.gpl",
        QByteArrayLiteral("GIMP Palette\n1 2 \x1b[2J\0\x7f\n"), "\\x1b[2J\\x00\\x7f");
    row("endless device", "zero.bin", "-> /dev/zero", "too large");
    row("gif table cut short", "cut.gif",
        QByteArray("GIF89a\1\0\1\0\x83\0\0", 13) + QByteArray(20, 'x'), "byte 33");
}

void tst_PaletteFiles::readFile()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, contents);
    QFETCH(QString, where);
    QFETCH(Words, words);
    const QString path = m_dir.filePath(fileName);
    if (contents.startsWith("-> "))
        QVERIFY(QFile::link(QString::fromLatin1(contents.mid(3)), path));
    else
        QVERIFY(TestFiles::writeFile(path, contents));
    const PaletteFile::Decoded read = PaletteFile::readFile(path);
    QCOMPARE(read.words, words);
    QVERIFY2(std::none_of(read.error.begin(), read.error.end(),
                          [](QChar c) { return c.category() == QChar::Other_Control; }),
             qPrintable(read.error.toUtf8().toPercentEncoding(" \"")));
    QVERIFY2(where.isEmpty() ? read.error.isEmpty()
                             : read.error.contains(path) && read.error.contains(where),
             qPrintable(QStringLiteral("expected the file and \"%1\" named, got: %2")
                                .arg(where, read.error)));
}

QTEST_APPLESS_MAIN(tst_PaletteFiles)

#include "tst_palettefiles.moc"
