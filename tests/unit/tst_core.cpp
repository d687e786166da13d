// The palette editor's pure logic: colour words and their texts, offsets,
// reading and writing a palette in an image, and where the data folder may
// be (the journey under X shows CINDRAL_DATA_DIR taken and created).
#include "datafolder.h"
#include "module1.h"
#include "paletteedits.h"
#include "palettetext.h"
#include "rompalette.h"
#include "testfiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace RomPalette;

class tst_Core : public QObject
{
    Q_OBJECT
private slots:
    void wordTexts_data();
    void wordTexts();
    void everyWordSurvivesRgbAndBack();
    void rgbHexToWordTextAndRounding();
    void parseColours_data();
    void parseColours();
    void parseOffset_data();
    void parseOffset();
    void paletteFile_data();
    void paletteFile();
    void gradient_data();
    void gradient();
    void undoKeepsAHundredSteps();
    void missingImagesAreRefusedNotCreated();
    void portableFolders_data();
    void portableFolders();

private:
    QTemporaryDir m_dir;
};

// A word text as the swatch shows it (RRGGBB), as the write stores it, and
// whether both agree (four hexadecimal digits).
void tst_Core::wordTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("rgb");
    QTest::addColumn<QString>("bytes");
    QTest::addColumn<bool>("isWord");
    QTest::newRow("white") << "FF7F" << "FFFFFF" << "FF7F" << true;
    QTest::newRow("bit 15 ignored, kept") << "FFFF" << "FFFFFF" << "FFFF" << true;
    QTest::newRow("lower case") << "ff7f" << "FFFFFF" << "FF7F" << true;
    QTest::newRow("red") << "1F00" << "FF0000" << "1F00" << true;
    QTest::newRow("blue") << "007C" << "0000FF" << "007C" << true;
    QTest::newRow("steps 1, 2, 30") << "4178" << "0810F7" << "4178" << true;
    QTest::newRow("steps 3, 15, 16") << "E341" << "197B84" << "E341" << true;
    QTest::newRow("grey") << "9452" << "A5A5A5" << "9452" << true;
    QTest::newRow("stops at G") << "1G00" << "080000" << "0100" << false;
    QTest::newRow("no leading digit") << "zz7F" << "FF1900" << "007F" << false;
}

void tst_Core::wordTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, rgb);
    QFETCH(QString, bytes);
    QFETCH(bool, isWord);
    QCOMPARE(Module1::GBAColorToRGBHex(text, false), rgb);
    QCOMPARE(Module1::GBAColorToRGBHex(text, true), rgb.mid(4, 2) + rgb.mid(2, 2) + rgb.left(2));
    const auto pair = WordTextToBytes(text);
    QCOMPARE(BytesToWordText(pair[0], pair[1]), bytes);
    QCOMPARE(isWordText(text), isWord);
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

void tst_Core::rgbHexToWordTextAndRounding()
{
    const char *rows[][2] = { { "080808", "2104" }, { "070707", "0000" }, { "ff8000", "1F02" },
                              { "FF99008000", "1F02" } }; // first two and last four count
    for (const auto &[rgb, word] : rows)
        QCOMPARE(Module1::RGBHexToGBAColor(QString::fromLatin1(rgb)), QString::fromLatin1(word));
    QCOMPARE(Module1::RoundHalfUp(123.5, 0), 124.0);
    QCOMPARE(Module1::RoundHalfUp(-2.5, 0), -2.0);
    QCOMPARE(Module1::RoundHalfUp(1.25, 1), 1.3);
    QVERIFY_THROWS_EXCEPTION(Module1::FloatingPointError, Module1::RoundHalfUp(1e308, 10));
}

// The offset fuzz target compares every other text with a reference reader.
// Colours pasted or typed as text; words are compared as the values found.
void tst_Core::parseColours_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("words");
    QTest::addColumn<QString>("badToken");
    QTest::newRow("words, low byte first") << "1F00 E003 ff7f" << QList<int>{ 0x001F, 0x03E0, 0x7FFF } << "";
    QTest::newRow("#RRGGBB, channels / 8") << "#F80000 #00fF08 #070707"
                                            << QList<int>{ 0x001F, 0x07E0, 0 } << "";
    QTest::newRow("commas, tabs, line ends") << " FF7F,0000\r\n\t1F00 ,, #FFFFFF\n"
                                             << QList<int>{ 0x7FFF, 0, 0x001F, 0x7FFF } << "";
    QTest::newRow("nothing") << " \n, " << QList<int>{} << "";
    QTest::newRow("bad word") << "1F00 12G4 E003" << QList<int>{} << "\"12G4\"";
    QTest::newRow("short web colour") << "#FFF" << QList<int>{} << "\"#FFF\"";
    QTest::newRow("five digits") << "1F000" << QList<int>{} << "\"1F000\"";
    QTest::newRow("JASC-PAL text") << "JASC-PAL\r\n0100\r\n2\r\n255 0 0\r\n0 0 255\r\n"
                                   << QList<int>{ 0x001F, 0x7C00 } << "";
    QTest::newRow("GIMP text") << "GIMP Palette\nName: x\n#\n  0 255   0\tgreen\n" << QList<int>{ 0x03E0 } << "";
    QTest::newRow("broken JASC-PAL") << "JASC-PAL\n0100\n3\n255 0 0" << QList<int>{} << "cannot be read: ";
}

void tst_Core::parseColours()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, words);
    QFETCH(QString, badToken);
    const PaletteText::ParsedColours parsed = PaletteText::parseColours(text);
    QCOMPARE(QList<int>(parsed.words.begin(), parsed.words.end()), words);
    QCOMPARE(parsed.error.isEmpty(), badToken.isEmpty());
    QVERIFY2(parsed.error.contains(badToken), qPrintable(parsed.error));
}

void tst_Core::parseOffset_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value"); // -1: refused
    QTest::newRow("lower case") << "1a0" << 0x1A0ll;
    QTest::newRow("0X prefix, blanks around") << " 0X1a0 " << 0x1A0ll;
    QTest::newRow("8000 is not negative, leading zeros") << "008000" << 0x8000ll;
    QTest::newRow("largest") << "7FFFFFE0" << 0x7FFFFFE0ll;
    QTest::newRow("one above largest") << "7FFFFFE1" << -1ll;
    QTest::newRow("empty") << "" << -1ll;
    QTest::newRow("prefix alone") << "0x" << -1ll;
    QTest::newRow("not hex") << "1G0" << -1ll;
}

void tst_Core::parseOffset()
{
    QFETCH(QString, text);
    QFETCH(qint64, value);
    const auto offset = RomPalette::parseOffset(text);
    QCOMPARE(offset ? qint64(*offset) : -1ll, value);
}

void tst_Core::paletteFile_data()
{
    QTest::addColumn<quint32>("offset");
    QTest::addColumn<int>("pastEnd");
    QTest::newRow("start") << 0u << 0;
    QTest::newRow("inside") << 0x1A0u << 0;
    QTest::newRow("last 32 bytes") << 0x3E0u << 0;
    QTest::newRow("one byte left") << 0x3FFu << 31;
    QTest::newRow("at the end") << 0x400u << 32;
    QTest::newRow("past the end") << 0x500u << 32;
}

// Reads show the bytes there and zeros past the end, saying how many; a
// write changes exactly the 32 bytes, lengthening the file when it must.
void tst_Core::paletteFile()
{
    QFETCH(quint32, offset);
    QFETCH(int, pastEnd);
    const QString path = m_dir.filePath(QStringLiteral("game.nds"));
    const QByteArray before = TestFiles::romImage(0x400);
    QVERIFY(TestFiles::writeFile(path, before));
    Bytes bytes;
    bytes.fill(0xEE);
    int missing = -1;
    QVERIFY(RomPalette::readPalette(path, offset, bytes, &missing).ok);
    QCOMPARE(missing, pastEnd);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(bytes.data()), ByteCount),
             (before.mid(offset) + QByteArray(32, '\0')).left(32));
    QCOMPARE(TestFiles::readFile(path), before);

    WordTexts texts;
    texts.fill(QStringLiteral("1f00"));
    QVERIFY(RomPalette::writePalette(path, offset, bytesOf(texts)).ok);
    QByteArray expected = before;
    expected.resize(std::max<qsizetype>(before.size(), offset + 32), '\0');
    expected.replace(offset, 32, QByteArray::fromHex("1F00").repeated(16));
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
#ifdef Q_OS_UNIX
    QTest::newRow("/usr/bin, writable by root") << "/usr/bin" << true << false;
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

// Gradient (first to last box of the texts): the texts the boxes then hold,
// or the refusal.
void tst_Core::gradient_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const char *input, const char *expected) {
        QTest::newRow(name) << QString::fromUtf8(input) << expected;
    };
    row("red to blue", "1F00 0000 0000 007C", "1F00 1528 0A54 007C");
    row("rounds half up", "0000 zz 0100", "0000 0100 0100");
    row("keeps bit 15", "0000 0080 FF7F", "0000 10C2 FF7F");
    row("two are nothing", "1F80 007C", "1F80 007C");
    row("needs colours at both ends", "1F00 0000 1G00", "refused");
}

void tst_Core::gradient()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QStringList texts = input.split(QLatin1Char(' '));
    const QStringList before = texts;
    const bool done = PaletteEdits::gradient(texts, 0, int(texts.size()) - 1);
    QCOMPARE(done ? texts.join(QLatin1Char(' ')) : QStringLiteral("refused"), expected);
    if (!done)
        QCOMPARE(texts, before);
}

// Each committed state comes back in order; a pending change is undone
// first, and a new change ends the way to redo.
void tst_Core::undoKeepsAHundredSteps()
{
    PaletteEdits::History history;
    history.reset({ QStringLiteral("0") });
    for (int i = 1; i <= 120; ++i)
        QVERIFY(history.commit({ QString::number(i) }));
    QVERIFY(!history.commit({ QStringLiteral("120") }));
    QCOMPARE(history.undo({ QStringLiteral("pending") }), QStringList({ QStringLiteral("120") }));
    for (int i = 119; i >= 20; --i)
        QCOMPARE(history.undo({ QString::number(i + 1) }), QStringList({ QString::number(i) }));
    QCOMPARE(history.redo({ QStringLiteral("20") }), QStringList({ QStringLiteral("21") }));
    QVERIFY(history.canRedo({ QStringLiteral("21") }));
    QVERIFY(history.commit({ QStringLiteral("new") }));
    QVERIFY(!history.canRedo({ QStringLiteral("new") }) && !history.redo({ QStringLiteral("new") }));
}

QTEST_APPLESS_MAIN(tst_Core)
#include "tst_core.moc"
