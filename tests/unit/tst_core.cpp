// The palette editor's pure logic: colour words and their texts, offsets,
// reading and writing a palette in an image, and the data folder.
#include "datafolder.h"
#include "module1.h"
#include "rompalette.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace RomPalette;

static QByteArray toArray(const Bytes &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), ByteCount);
}

class tst_Core : public QObject
{
    Q_OBJECT
private slots:
    void scale5To8_data();
    void scale5To8();
    void wordTextToRgbHex_data();
    void wordTextToRgbHex();
    void everyWordSurvivesRgbAndBack();
    void rgbHexToWordText_data();
    void rgbHexToWordText();
    void roundHalfUp();
    void fileExists();
    void parseOffset_data();
    void parseOffset();
    void wordTextToBytes_data();
    void wordTextToBytes();
    void readPalette_data();
    void readPalette();
    void writePalette_data();
    void writePalette();
    void missingImagesAreRefusedNotCreated();
    void portableFolders_data();
    void portableFolders();
    void environmentOverrideWinsAndIsCreated();

private:
    QTemporaryDir m_dir;
};

void tst_Core::scale5To8_data()
{
    QTest::addColumn<int>("c5");
    QTest::addColumn<int>("c8");
    const int rows[][2] = { { 0, 0 }, { 1, 8 }, { 2, 16 }, { 3, 25 }, { 15, 123 }, { 16, 132 },
                            { 30, 247 }, { 31, 255 } };
    for (const auto &row : rows)
        QTest::addRow("%d", row[0]) << row[0] << row[1];
}

void tst_Core::scale5To8()
{
    QFETCH(int, c5);
    QFETCH(int, c8);
    QCOMPARE(Module1::Scale5To8(c5), c8);
}

void tst_Core::wordTextToRgbHex_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("redFirst");
    QTest::addColumn<QString>("blueFirst");
    QTest::newRow("white") << "FF7F" << "FFFFFF" << "FFFFFF";
    QTest::newRow("bit 15 ignored") << "FFFF" << "FFFFFF" << "FFFFFF";
    QTest::newRow("lower case") << "ff7f" << "FFFFFF" << "FFFFFF";
    QTest::newRow("red") << "1F00" << "FF0000" << "0000FF";
    QTest::newRow("green") << "E003" << "00FF00" << "00FF00";
    QTest::newRow("blue") << "007C" << "0000FF" << "FF0000";
    QTest::newRow("grey") << "9452" << "A5A5A5" << "A5A5A5";
    QTest::newRow("garbage reads as 0") << "zzzz" << "000000" << "000000";
    QTest::newRow("stops at G") << "1G00" << "080000" << "000008";
    QTest::newRow("short text overlaps") << "1" << "8C0000" << "00008C";
}

void tst_Core::wordTextToRgbHex()
{
    QFETCH(QString, word);
    QFETCH(QString, redFirst);
    QFETCH(QString, blueFirst);
    QCOMPARE(Module1::GBAColorToRGBHex(word, false), redFirst);
    QCOMPARE(Module1::GBAColorToRGBHex(word, true), blueFirst);
}

void tst_Core::everyWordSurvivesRgbAndBack()
{
    for (int word = 0; word < 0x10000; ++word) {
        const QString text = BytesToWordText(quint8(word), quint8(word >> 8));
        const QString back = Module1::RGBHexToGBAColor(Module1::GBAColorToRGBHex(text, false));
        if (back != BytesToWordText(quint8(word), quint8((word >> 8) & 0x7F)))
            QFAIL(qPrintable(QStringLiteral("%1 came back as %2").arg(text, back)));
    }
}

void tst_Core::rgbHexToWordText_data()
{
    QTest::addColumn<QString>("rgb");
    QTest::addColumn<QString>("word");
    QTest::newRow("white") << "FFFFFF" << "FF7F";
    QTest::newRow("080808") << "080808" << "2104";
    QTest::newRow("lower case") << "ff8000" << "1F02";
    QTest::newRow("7 is below one step") << "070707" << "0000";
    QTest::newRow("first two and last four count") << "FF99008000" << "1F02";
}

void tst_Core::rgbHexToWordText()
{
    QFETCH(QString, rgb);
    QFETCH(QString, word);
    QCOMPARE(Module1::RGBHexToGBAColor(rgb), word);
}

void tst_Core::roundHalfUp()
{
    QCOMPARE(Module1::RoundHalfUp(123.5, 0), 124.0);
    QCOMPARE(Module1::RoundHalfUp(-2.5, 0), -2.0);
    QCOMPARE(Module1::RoundHalfUp(1.25, 1), 1.3);
    QVERIFY_THROWS_EXCEPTION(Module1::FloatingPointError, Module1::RoundHalfUp(1e308, 10));
}

void tst_Core::fileExists()
{
    const QString dir = m_dir.filePath(QStringLiteral("exists"));
    QVERIFY(QDir().mkpath(dir + "/folder"));
    QVERIFY(TestFiles::writeFile(dir + "/Colorpicker.dat", {}) && TestFiles::writeFile(dir + "/.hidden", {}));
    QVERIFY(!Module1::FileExists(QString()));
    QVERIFY(Module1::FileExists(dir + "/Colorpicker.dat"));
    QVERIFY(Module1::FileExists(dir + "/*.dat"));
    for (const char *absent : { "/missing.dat", "/folder", "/.hidden", "/*.bmp" })
        QVERIFY2(!Module1::FileExists(dir + absent), absent);
}

void tst_Core::parseOffset_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value"); // -1: refused
    QTest::newRow("upper case") << "1A0" << 0x1A0ll;
    QTest::newRow("lower case") << "1a0" << 0x1A0ll;
    QTest::newRow("0x prefix") << "0x1A0" << 0x1A0ll;
    QTest::newRow("0X prefix, blanks around") << " 0X1a0 " << 0x1A0ll;
    QTest::newRow("8000 is not negative") << "8000" << 0x8000ll;
    QTest::newRow("leading zeros") << "0000000001A0" << 0x1A0ll;
    QTest::newRow("largest") << "7FFFFFE0" << 0x7FFFFFE0ll;
    QTest::newRow("one above largest") << "7FFFFFE1" << -1ll;
    QTest::newRow("far too large") << "FFFFFFFFFFFFFFFFFFFF" << -1ll;
    QTest::newRow("empty") << "" << -1ll;
    QTest::newRow("prefix alone") << "0x" << -1ll;
    QTest::newRow("two prefixes") << "0x0x1" << -1ll;
    QTest::newRow("not hex") << "1G0" << -1ll;
    QTest::newRow("sign") << "-1" << -1ll;
    QTest::newRow("blank inside") << "1 A0" << -1ll;
    QTest::newRow("non-ASCII digit") << QString::fromUtf8("１A0") << -1ll;
}

void tst_Core::parseOffset()
{
    QFETCH(QString, text);
    QFETCH(qint64, value);
    const auto offset = RomPalette::parseOffset(text);
    QCOMPARE(offset ? qint64(*offset) : -1ll, value);
}

void tst_Core::wordTextToBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("isWord"); // the swatch and the write agree
    QTest::newRow("FF7F") << "FF7F" << QByteArray("\xFF\x7F") << true;
    QTest::newRow("lower case") << "ff7f" << QByteArray("\xFF\x7F") << true;
    QTest::newRow("stops at non-hex") << "1G00" << QByteArray("\x01\x00", 2) << false;
    QTest::newRow("no leading digit") << "zz7F" << QByteArray("\x00\x7F", 2) << false;
    QTest::newRow("blank skipped") << " F7F" << QByteArray("\x0F\x7F") << false;
    QTest::newRow("short") << "AB" << QByteArray("\xAB\x00", 2) << false;
}

void tst_Core::wordTextToBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, isWord);
    const auto pair = WordTextToBytes(text);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(pair.data()), 2), bytes);
    QCOMPARE(isWordText(text), isWord);
}

void tst_Core::readPalette_data()
{
    QTest::addColumn<quint32>("offset");
    QTest::addColumn<int>("pastEnd");
    QTest::newRow("start") << 0u << 0;
    QTest::newRow("last 32 bytes") << 68u << 0;
    QTest::newRow("one byte left") << 99u << 31;
    QTest::newRow("at the end") << 100u << 32;
    QTest::newRow("largest offset") << MaxOffset << 32;
}

void tst_Core::readPalette()
{
    QFETCH(quint32, offset);
    QFETCH(int, pastEnd);
    const QString path = m_dir.filePath(QStringLiteral("read.nds"));
    const QByteArray rom = TestFiles::romImage(100);
    QVERIFY(TestFiles::writeFile(path, rom));
    Bytes bytes;
    bytes.fill(0xEE);
    int missing = -1;
    QVERIFY(RomPalette::readPalette(path, offset, bytes, &missing).ok);
    QCOMPARE(missing, pastEnd);
    QCOMPARE(toArray(bytes), (rom.mid(offset) + QByteArray(32, '\0')).left(32));
    QCOMPARE(TestFiles::readFile(path), rom);
}

void tst_Core::writePalette_data()
{
    QTest::addColumn<quint32>("offset");
    QTest::newRow("inside") << 0x1A0u;
    QTest::newRow("at the start") << 0u;
    QTest::newRow("running past the end") << 0x3F0u;
    QTest::newRow("past the end") << 0x500u;
}

void tst_Core::writePalette()
{
    QFETCH(quint32, offset);
    const QString path = m_dir.filePath(QStringLiteral("write.nds"));
    const QByteArray before = TestFiles::romImage(0x400);
    QVERIFY(TestFiles::writeFile(path, before));
    WordTexts texts;
    texts.fill(QStringLiteral("1f00"));
    QVERIFY(RomPalette::writePalette(path, offset, bytesOf(texts)).ok);
    QByteArray expected = before;
    expected.resize(std::max<qsizetype>(before.size(), offset + 32), '\0');
    expected.replace(offset, 32, QByteArray::fromHex("1F00").repeated(16));
    QCOMPARE(TestFiles::readFile(path), expected);

    // The texts a load shows write the same bytes back.
    Bytes read{};
    QVERIFY(RomPalette::readPalette(path, 0x123, read).ok);
    QVERIFY(RomPalette::writePalette(path, 0x123, bytesOf(wordTextsOf(read))).ok);
    QCOMPARE(TestFiles::readFile(path), expected);
}

void tst_Core::missingImagesAreRefusedNotCreated()
{
    const QString gone = m_dir.filePath(QStringLiteral("gone.nds"));
    Bytes bytes;
    bytes.fill(0x55);
    for (const QString &path : { gone, m_dir.path() }) {
        const FileResult read = RomPalette::readPalette(path, 0, bytes);
        const FileResult write = RomPalette::writePalette(path, 0, bytes);
        QVERIFY(!read.ok && !read.reason.isEmpty() && !write.ok && !write.reason.isEmpty());
    }
    QCOMPARE(bytes[0], quint8(0x55));
    QVERIFY2(!QFile::exists(gone), "a missing ROM image must not be created");
}

void tst_Core::portableFolders_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("portable");
    QTest::newRow("unpacked in home") << "/home/ann/cindral" << true << true;
    QTest::newRow("read-only folder") << "/home/ann/cindral" << false << false;
    QTest::newRow("unknown") << "" << true << false;
#ifdef Q_OS_UNIX
    QTest::newRow("/usr/bin, writable by root") << "/usr/bin" << true << false;
    QTest::newRow("/usr/local/bin") << "/usr/local/bin" << true << false;
    QTest::newRow("not fooled by a prefix") << "/usrdata/cindral" << true << true;
#endif
}

void tst_Core::portableFolders()
{
    QFETCH(QString, folder);
    QFETCH(bool, writable);
    QFETCH(bool, portable);
    QCOMPARE(Platform::isPortableFolder(folder, writable), portable);
}

void tst_Core::environmentOverrideWinsAndIsCreated()
{
    const QString folder = m_dir.filePath(QStringLiteral("a/b/../c"));
    qputenv("CINDRAL_DATA_DIR", folder.toUtf8());
    QCOMPARE(Platform::dataFile(QStringLiteral("Colorpicker.dat")),
             QDir::cleanPath(folder) + QStringLiteral("/Colorpicker.dat"));
    QVERIFY(QDir(folder).exists());
}

QTEST_APPLESS_MAIN(tst_Core)
#include "tst_core.moc"
