// Palette files: every format written and read back through files, the
// exact bytes other tools expect, and damaged files refused with the file
// and the line or byte named.
#include "palettefile.h"
#include "testfiles.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

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

} // namespace

class tst_PaletteFiles : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void damagedFilesAreRefused_data();
    void damagedFilesAreRefused();

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
                         << QByteArray("GIMP Palette\nName: game.nds 1A0\nColumns: 16\n#\n"
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
    QCOMPARE(PaletteFile::writeFile(path, words, QStringLiteral("game.nds 1A0")), QString());
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
    // Content, not the name, tells the format.
    const QString renamed
            = m_dir.filePath(QStringLiteral("renamed-") + fileName + QStringLiteral(".dat"));
    QVERIFY(TestFiles::writeFile(renamed, written));
    QCOMPARE(PaletteFile::readFile(renamed).words, expectedWords);
}

void tst_PaletteFiles::damagedFilesAreRefused_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("where");
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
    auto row = [](const char *name, const char *file, const QByteArray &contents, const char *where) {
        QTest::newRow(name) << QString::fromLatin1(file) << contents << QString::fromLatin1(where);
    };
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
    row("gif table cut short", "cut.gif",
        QByteArray("GIF89a\1\0\1\0\x83\0\0", 13) + QByteArray(20, 'x'), "byte 33");
}

void tst_PaletteFiles::damagedFilesAreRefused()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, contents);
    QFETCH(QString, where);
    const QString path = m_dir.filePath(fileName);
    QVERIFY(TestFiles::writeFile(path, contents));
    const PaletteFile::Decoded read = PaletteFile::readFile(path);
    QVERIFY2(read.words.isEmpty(), "a damaged file gave colours");
    QVERIFY2(read.error.contains(path) && read.error.contains(where),
             qPrintable(QStringLiteral("expected the file and \"%1\" named, got: %2")
                                .arg(where, read.error)));
}

QTEST_APPLESS_MAIN(tst_PaletteFiles)

#include "tst_palettefiles.moc"
