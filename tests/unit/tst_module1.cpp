#include "module1.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>

class tst_Module1 : public QObject
{
    Q_OBJECT
private slots:
    void scalingTable_data();
    void scalingTable();
    void everyFiveBitValueSurvivesTheRoundTrip();
    void wordTextToRgbHex_data();
    void wordTextToRgbHex();
    void wordTextMatchesBitMasksForEveryWord();
    void rgbHexToWordText_data();
    void rgbHexToWordText();
    void decToBin_data();
    void decToBin();
    void binToDec_data();
    void binToDec();
    void binToDecRefusesMoreThanSixteenDigits();
    void setBitSetsTheSignBitAndRefusesBit16();
    void roundHalfUp_data();
    void roundHalfUp();
    void roundHalfUpRefusesNonFiniteResults();
    void fileExists();
};

void tst_Module1::scalingTable_data()
{
    QTest::addColumn<int>("c5");
    QTest::addColumn<int>("c8");
    const int rows[][2] = { { 0, 0 },     { 1, 8 },     { 2, 16 },    { 3, 25 },
                            { 15, 123 }, { 16, 132 }, { 30, 247 }, { 31, 255 } };
    for (const auto &row : rows)
        QTest::addRow("%d", row[0]) << row[0] << row[1];
}

void tst_Module1::scalingTable()
{
    QFETCH(int, c5);
    QFETCH(int, c8);
    QCOMPARE(Module1::Scale5To8(c5), c8);
}

void tst_Module1::everyFiveBitValueSurvivesTheRoundTrip()
{
    for (int v = 0; v < 32; ++v)
        QCOMPARE(Module1::Scale5To8(v) / 8, v);
}

void tst_Module1::wordTextToRgbHex_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("redFirst");
    QTest::addColumn<QString>("blueFirst");
    QTest::newRow("black") << "0000" << "000000" << "000000";
    QTest::newRow("white") << "FF7F" << "FFFFFF" << "FFFFFF";
    QTest::newRow("bit 15 ignored") << "FFFF" << "FFFFFF" << "FFFFFF";
    QTest::newRow("lower case") << "ff7f" << "FFFFFF" << "FFFFFF";
    QTest::newRow("red") << "1F00" << "FF0000" << "0000FF";
    QTest::newRow("green") << "E003" << "00FF00" << "00FF00";
    QTest::newRow("blue") << "007C" << "0000FF" << "FF0000";
    QTest::newRow("grey 0x5294") << "9452" << "A5A5A5" << "A5A5A5";
    QTest::newRow("garbage reads as 0") << "zzzz" << "000000" << "000000";
    QTest::newRow("stops at G: dark red") << "1G00" << "080000" << "000008";
    QTest::newRow("empty") << "" << "000000" << "000000";
    // Short texts: last two then first two characters, overlapping.
    QTest::newRow("one char") << "1" << "8C0000" << "00008C";
}

void tst_Module1::wordTextToRgbHex()
{
    QFETCH(QString, word);
    QFETCH(QString, redFirst);
    QFETCH(QString, blueFirst);
    QCOMPARE(Module1::GBAColorToRGBHex(word, false), redFirst);
    QCOMPARE(Module1::GBAColorToRGBHex(word, true), blueFirst);
}

void tst_Module1::wordTextMatchesBitMasksForEveryWord()
{
    for (int word = 0; word < 0x10000; ++word) {
        const QString text = QStringLiteral("%1%2")
                                     .arg(word & 0xFF, 2, 16, QLatin1Char('0'))
                                     .arg(word >> 8, 2, 16, QLatin1Char('0'));
        const uint rgb = Module1::GBAColorToRGBHex(text, false).toUInt(nullptr, 16);
        const int r = word & 31, g = (word >> 5) & 31, b = (word >> 10) & 31;
        const uint expected = uint(std::floor(r * 255.0 / 31 + 0.5)) << 16
                | uint(std::floor(g * 255.0 / 31 + 0.5)) << 8
                | uint(std::floor(b * 255.0 / 31 + 0.5));
        if (rgb != expected)
            QFAIL(qPrintable(QStringLiteral("word %1: got %2, expected %3")
                                     .arg(text).arg(rgb, 6, 16).arg(expected, 6, 16)));
        // And back: the 8-bit channels return the same word without bit 15.
        const QString back = Module1::RGBHexToGBAColor(Module1::GBAColorToRGBHex(text, false));
        const int backWord = back.mid(2, 2).toInt(nullptr, 16) << 8 | back.left(2).toInt(nullptr, 16);
        QCOMPARE(backWord, word & 0x7FFF);
    }
}

void tst_Module1::rgbHexToWordText_data()
{
    QTest::addColumn<QString>("rgb");
    QTest::addColumn<QString>("word");
    QTest::newRow("white") << "FFFFFF" << "FF7F";
    QTest::newRow("black") << "000000" << "0000";
    QTest::newRow("080808") << "080808" << "2104";
    QTest::newRow("orange") << "FF8000" << "1F02";
    QTest::newRow("lower case") << "ff8000" << "1F02";
    QTest::newRow("7 is below one step") << "070707" << "0000";
    // Only the first two and the last four characters count.
    QTest::newRow("long text") << "FF99008000" << "1F02";
    QTest::newRow("empty") << "" << "0000";
}

void tst_Module1::rgbHexToWordText()
{
    QFETCH(QString, rgb);
    QFETCH(QString, word);
    QCOMPARE(Module1::RGBHexToGBAColor(rgb), word);
}

void tst_Module1::decToBin_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("digits");
    QTest::newRow("0") << 0 << "000000000000000";
    QTest::newRow("5") << 5 << "000000000000101";
    QTest::newRow("32767") << 32767 << "111111111111111";
    QTest::newRow("65535 keeps 16 digits") << 65535 << "1111111111111111";
    QTest::newRow("999999999") << 999999999 << "111011100110101100100111111111";
    QTest::newRow("1000000000") << 1000000000 << "Number is too high!";
    QTest::newRow("-3 gives one digit") << -3 << "000000000000001";
    QTest::newRow("-4 gives one digit") << -4 << "000000000000000";
}

void tst_Module1::decToBin()
{
    QFETCH(int, value);
    QFETCH(QString, digits);
    QCOMPARE(Module1::DecToBin(value), digits);
}

void tst_Module1::binToDec_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<int>("value");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("101") << "101" << 5;
    QTest::newRow("five ones") << "11111" << 31;
    QTest::newRow("other characters are 0") << "1x1" << 5;
    QTest::newRow("sixteen digits set the sign") << "1000000000000001" << -32767;
}

void tst_Module1::binToDec()
{
    QFETCH(QString, digits);
    QFETCH(int, value);
    QCOMPARE(int(Module1::BinToDec(digits)), value);
}

void tst_Module1::binToDecRefusesMoreThanSixteenDigits()
{
    QVERIFY_THROWS_EXCEPTION(Module1::NumericOverflow, Module1::BinToDec(QString(17, QLatin1Char('0'))));
}

void tst_Module1::setBitSetsTheSignBitAndRefusesBit16()
{
    qint16 value = 1;
    Module1::SetBit(value, 4);
    QCOMPARE(value, qint16(17));
    Module1::SetBit(value, 15);
    QCOMPARE(quint16(value), quint16(0x8011));
    QVERIFY_THROWS_EXCEPTION(Module1::NumericOverflow, Module1::SetBit(value, 16));
    QCOMPARE(quint16(value), quint16(0x8011));
}

void tst_Module1::roundHalfUp_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("digits");
    QTest::addColumn<double>("expected");
    QTest::newRow("123.5") << 123.5 << 0 << 124.0;
    QTest::newRow("122.5") << 122.5 << 0 << 123.0;
    QTest::newRow("-2.5") << -2.5 << 0 << -2.0;
    QTest::newRow("-2.6") << -2.6 << 0 << -3.0;
    QTest::newRow("1.25 to 1 digit") << 1.25 << 1 << 1.3;
}

void tst_Module1::roundHalfUp()
{
    QFETCH(double, x);
    QFETCH(int, digits);
    QFETCH(double, expected);
    QCOMPARE(Module1::RoundHalfUp(x, qint16(digits)), expected);
}

void tst_Module1::roundHalfUpRefusesNonFiniteResults()
{
    QVERIFY_THROWS_EXCEPTION(Module1::FloatingPointError, Module1::RoundHalfUp(1e308, 10));
    QVERIFY_THROWS_EXCEPTION(Module1::FloatingPointError, Module1::RoundHalfUp(std::nan(""), 0));
}

void tst_Module1::fileExists()
{
    QVERIFY(!Module1::FileExists(QString()));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("Colorpicker.dat")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QFile hidden(dir.filePath(QStringLiteral(".hidden")));
    QVERIFY(hidden.open(QIODevice::WriteOnly));
    hidden.close();
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));

    QVERIFY(Module1::FileExists(file.fileName()));
    QVERIFY(!Module1::FileExists(dir.filePath(QStringLiteral("missing.dat"))));
    QVERIFY2(!Module1::FileExists(dir.filePath(QStringLiteral("folder"))), "folders are not files");
    QVERIFY2(!Module1::FileExists(hidden.fileName()), "hidden files are not found");
    QVERIFY2(Module1::FileExists(dir.filePath(QStringLiteral("*.dat"))), "wildcards match");
    QVERIFY(!Module1::FileExists(dir.filePath(QStringLiteral("*.bmp"))));
}

QTEST_APPLESS_MAIN(tst_Module1)
#include "tst_module1.moc"
