#include "colormodel.h"
#include "module1.h"

#include <QSet>
#include <QTest>

using namespace ColorModel;

namespace {

QString wordTextOf(quint32 word)
{
    const QString highFirst = QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper();
    return highFirst.right(2) + highFirst.left(2);
}

quint32 colourOfHex(const QString &rrggbb)
{
    bool ok = false;
    const quint32 n = rrggbb.toUInt(&ok, 16);
    return rgbValue(int(n >> 16) & 255, int(n >> 8) & 255, int(n) & 255);
}

// The picker's path for a word text typed into the colour word box: word
// text to hex, hex to the new colour, then the boxes and state from it.
QString pickerRoundTrip(const QString &wordText)
{
    MemoryDisplay display;
    ColorState state(display);
    display.setNewColor(colourOfHex(Module1::GBAColorToRGBHex(wordText, false)));
    state.SplitlblNewColorToRGBboxes();
    state.RGBToHSL(rgbValue(display.numbers[3].toInt(), display.numbers[4].toInt(),
                            display.numbers[5].toInt()),
                   true);
    return display.word;
}

} // namespace

class tst_ColorModel : public QObject
{
    Q_OBJECT
private slots:
    void roundEvenTakesHalvesToEven_data();
    void roundEvenTakesHalvesToEven();
    void hslToRgbChannels_data();
    void hslToRgbChannels();
    void hslToRgbWithoutUpdateOnlyTouchesChannelCopies();
    void hslToRgbWithUpdateMakesCurrentColour();
    void hslToRgbOffCircleWarnsAndGivesBlack();
    void hslChannelsStayInRangeAllAround();
    void rgbToHsl_data();
    void rgbToHsl();
    void rgbToHslOfBlackKeepsSaturationText();
    void hexText_data();
    void hexText();
    void complementaryDegrees_data();
    void complementaryDegrees();
    void parseNumberAcceptsDigitsOnly_data();
    void parseNumberAcceptsDigitsOnly();
    void splitWritesChannelsFromSwatch();
    void everyWordSurvivesPickerRoundTrip();
    void only32ValuesPerChannelSurviveWordRoundTrip();
};

void tst_ColorModel::roundEvenTakesHalvesToEven_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("expected");
    QTest::newRow("2.5 down") << 2.5 << 2;
    QTest::newRow("3.5 up") << 3.5 << 4;
    QTest::newRow("100.5 down") << 100.5 << 100;
    QTest::newRow("101.5 up") << 101.5 << 102;
    QTest::newRow("127.5 up") << 127.5 << 128;
    QTest::newRow("76.5 down") << 76.5 << 76;
    QTest::newRow("not a half") << 2.51 << 3;
    QTest::newRow("negative half") << -0.5 << 0;
}

void tst_ColorModel::roundEvenTakesHalvesToEven()
{
    QFETCH(double, x);
    QFETCH(int, expected);
    QCOMPARE(roundEven(x), expected);
}

void tst_ColorModel::hslToRgbChannels_data()
{
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("s");
    QTest::addColumn<int>("l");
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::newRow("red") << 0 << 255 << 255 << 255 << 0 << 0;
    QTest::newRow("yellow") << 255 << 255 << 255 << 255 << 255 << 0;
    QTest::newRow("green") << 510 << 255 << 255 << 0 << 255 << 0;
    QTest::newRow("cyan") << 765 << 255 << 255 << 0 << 255 << 255;
    QTest::newRow("blue") << 1020 << 255 << 255 << 0 << 0 << 255;
    QTest::newRow("magenta") << 1275 << 255 << 255 << 255 << 0 << 255;
    QTest::newRow("full circle is red") << 1530 << 255 << 255 << 255 << 0 << 0;
    QTest::newRow("grey whatever the hue") << 700 << 0 << 77 << 77 << 77 << 77;
    QTest::newRow("black whatever the saturation") << 300 << 200 << 0 << 0 << 0 << 0;
    QTest::newRow("min rounded from 99.6") << 0 << 128 << 200 << 200 << 100 << 100;
    QTest::newRow("rising in first sector") << 128 << 255 << 255 << 255 << 128 << 0;
    QTest::newRow("falling in second sector") << 300 << 255 << 255 << 210 << 255 << 0;
    // d = single(155/255) = 0.6078431606..., 100 * d = 60.78 -> 61 above min 100.
    QTest::newRow("single-precision step") << 100 << 155 << 255 << 255 << 161 << 100;
    QTest::newRow("last sector falls to max") << 1529 << 255 << 255 << 255 << 0 << 1;
}

void tst_ColorModel::hslToRgbChannels()
{
    QFETCH(int, h);
    QFETCH(int, s);
    QFETCH(int, l);
    MemoryDisplay display;
    ColorState state(display);
    const quint32 colour = state.HSLToRGB(h, s, l, false);
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    QCOMPARE(channelsOf(colour), (Rgb{ red, green, blue }));
    QCOMPARE(colour, quint32(red + 256 * green + 65536 * blue));
}

void tst_ColorModel::hslToRgbWithoutUpdateOnlyTouchesChannelCopies()
{
    MemoryDisplay display;
    ColorState state(display);
    state.HSLToRGB(1020, 255, 255, false);
    QCOMPARE(state.sngBlue, 255.0f);
    QCOMPARE(state.sngRed, 0.0f);
    QCOMPARE(state.intColorAngle, qint16(0));
    QCOMPARE(state.bytSaturation, quint8(0));
    QCOMPARE(state.bytLuminance, quint8(0));
    QVERIFY(display.hex.isEmpty());
    QVERIFY(display.numbers[0].isEmpty());
    QCOMPARE(display.colour, 0u);
}

void tst_ColorModel::hslToRgbWithUpdateMakesCurrentColour()
{
    MemoryDisplay display;
    ColorState state(display);
    // Hue 300 steps is 70.59 degrees; saturation 128 is 50.2 %, 200 is 78.4 %.
    const quint32 colour = state.HSLToRGB(300, 128, 200, true);
    const Rgb c = channelsOf(colour);
    QCOMPARE(display.numbers[0], QStringLiteral("71"));
    QCOMPARE(display.numbers[1], QStringLiteral("50"));
    QCOMPARE(display.numbers[2], QStringLiteral("78"));
    QCOMPARE(display.numbers[3], QString::number(c.red));
    QCOMPARE(display.numbers[4], QString::number(c.green));
    QCOMPARE(display.numbers[5], QString::number(c.blue));
    QCOMPARE(display.hex, ColorModel::hexText(c.red, c.green, c.blue));
    QCOMPARE(display.word, Module1::RGBHexToGBAColor(display.hex));
    QCOMPARE(display.colour, colour);
    QCOMPARE(state.intColorAngle, qint16(300));
    QCOMPARE(state.bytSaturation, quint8(128));
    QCOMPARE(state.bytLuminance, quint8(200));
}

void tst_ColorModel::hslToRgbOffCircleWarnsAndGivesBlack()
{
    MemoryDisplay display;
    ColorState state(display);
    QCOMPARE(state.HSLToRGB(1531, 255, 255, false), 0u);
    QCOMPARE(state.HSLToRGB(-1, 255, 255, false), 0u);
    QCOMPARE(display.badAngles, (std::vector<int>{ 1531, -1 }));
}

void tst_ColorModel::hslChannelsStayInRangeAllAround()
{
    // Every hue at full saturation keeps one channel at the luminance and
    // one at the minimum; the third never leaves that span.
    for (int l : { 1, 128, 254, 255 }) {
        for (int s : { 0, 1, 127, 255 }) {
            for (int h = 0; h <= fullCircle; ++h) {
                Rgb c;
                QVERIFY(hslChannels(h, s, l, c));
                const int hi = std::max({ c.red, c.green, c.blue });
                const int lo = std::min({ c.red, c.green, c.blue });
                const int min = roundEven((255 - s) * l / 255.0);
                if (hi != l || lo != min)
                    QFAIL(qPrintable(QStringLiteral("h %1 s %2 l %3 gave %4,%5,%6")
                                             .arg(h).arg(s).arg(l)
                                             .arg(c.red).arg(c.green).arg(c.blue)));
            }
        }
    }
}

void tst_ColorModel::rgbToHsl_data()
{
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::addColumn<int>("degrees");
    QTest::addColumn<int>("angle");
    QTest::addColumn<int>("saturation");
    QTest::addColumn<int>("luminance");
    QTest::addColumn<QStringList>("texts"); // Text1(0..2), hex, word
    QTest::newRow("blue") << 0 << 0 << 255 << 240 << 1020 << 255 << 255
                          << QStringList{ "240", "100", "100", "0000FF", "007C" };
    QTest::newRow("yellow takes the red branch")
            << 255 << 255 << 0 << 60 << 255 << 255 << 255
            << QStringList{ "60", "100", "100", "FFFF00", "FF03" };
    QTest::newRow("white") << 255 << 255 << 255 << 0 << 0 << 0 << 255
                           << QStringList{ "0", "0", "100", "FFFFFF", "FF7F" };
    QTest::newRow("red below blue wraps") << 255 << 0 << 1 << 360 << 1529 << 255 << 255
                                          << QStringList{ "359", "100", "100", "FF0001", "1F00" };
    // step 7.5 * 3 = 22.5 -> 22; angle 95.625 -> 96; floor(96 / 1530 * 360) = 22.
    QTest::newRow("degrees half to even") << 10 << 5 << 2 << 22 << 96 << 204 << 10
                                          << QStringList{ "22", "80", "4", "0A0502", "0100" };
    // saturation 1 * 255 / 6 = 42.5 -> 42; percent 100 / 6 = 16.7 -> 17.
    QTest::newRow("saturation half to even") << 6 << 5 << 5 << 0 << 0 << 42 << 6
                                             << QStringList{ "0", "17", "2", "060505", "0000" };
    // percent 1 * 100 / 8 = 12.5 -> 12.
    QTest::newRow("percent half to even") << 8 << 7 << 7 << 0 << 0 << 32 << 8
                                          << QStringList{ "0", "12", "3", "080707", "0100" };
    QTest::newRow("green branch") << 0 << 200 << 100 << 150 << 638 << 255 << 200
                                  << QStringList{ "150", "100", "78", "00C864", "2033" };
}

void tst_ColorModel::rgbToHsl()
{
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    QFETCH(QStringList, texts);
    MemoryDisplay display;
    ColorState state(display);
    const int result = state.RGBToHSL(rgbValue(red, green, blue), true);
    QTEST(result, "degrees");
    QTEST(int(state.intColorAngle), "angle");
    QTEST(int(state.bytSaturation), "saturation");
    QTEST(int(state.bytLuminance), "luminance");
    QCOMPARE((QStringList{ display.numbers[0], display.numbers[1], display.numbers[2],
                           display.hex, display.word }),
             texts);
}

void tst_ColorModel::rgbToHslOfBlackKeepsSaturationText()
{
    MemoryDisplay display;
    ColorState state(display);
    state.bytSaturation = 99;
    state.intColorAngle = 400;
    display.numbers[1] = QStringLiteral("55");
    QCOMPARE(state.RGBToHSL(0, true), 0);
    QCOMPARE(state.intColorAngle, qint16(0));
    QCOMPARE(state.bytSaturation, quint8(0));
    QCOMPARE(state.bytLuminance, quint8(0));
    QCOMPARE(display.numbers[0], QStringLiteral("0"));
    QCOMPARE(display.numbers[1], QStringLiteral("55"));
    QCOMPARE(display.numbers[2], QStringLiteral("0"));
    QCOMPARE(display.hex, QStringLiteral("000000"));
    QCOMPARE(display.word, QStringLiteral("0000"));
}

void tst_ColorModel::hexText_data()
{
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::addColumn<QString>("expected");
    QTest::newRow("123456") << 18 << 52 << 86 << "123456";
    QTest::newRow("blue only padded") << 0 << 0 << 5 << "000005";
    QTest::newRow("black") << 0 << 0 << 0 << "000000";
    QTest::newRow("red 15 padded") << 15 << 255 << 255 << "0FFFFF";
    QTest::newRow("red 16 unpadded") << 16 << 0 << 0 << "100000";
    QTest::newRow("upper case") << 171 << 205 << 239 << "ABCDEF";
}

void tst_ColorModel::hexText()
{
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    QTEST(ColorModel::hexText(red, green, blue), "expected");
}

void tst_ColorModel::complementaryDegrees_data()
{
    QTest::addColumn<int>("degrees");
    QTest::addColumn<int>("expected");
    QTest::newRow("0") << 0 << 180;
    QTest::newRow("179") << 179 << 359;
    QTest::newRow("180") << 180 << 0;
    QTest::newRow("200") << 200 << 20;
    QTest::newRow("100") << 100 << 280;
    QTest::newRow("359") << 359 << 179;
    QTest::newRow("360") << 360 << 180;
}

void tst_ColorModel::complementaryDegrees()
{
    QFETCH(int, degrees);
    QTEST(ColorModel::complementaryDegrees(degrees), "expected");
}

void tst_ColorModel::parseNumberAcceptsDigitsOnly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("digits") << "255" << true << 255;
    QTest::newRow("leading zero") << "007" << true << 7;
    QTest::newRow("empty") << "" << false << -1;
    QTest::newRow("letters pasted") << "1a2" << false << -1;
    QTest::newRow("sign") << "-5" << false << -1;
    QTest::newRow("blank") << " 5" << false << -1;
    QTest::newRow("too long to be a box value") << "1234567890" << false << -1;
}

void tst_ColorModel::parseNumberAcceptsDigitsOnly()
{
    QFETCH(QString, text);
    int value = -1;
    QTEST(parseNumber(text, value), "ok");
    QTEST(value, "value");
}

void tst_ColorModel::splitWritesChannelsFromSwatch()
{
    MemoryDisplay display;
    ColorState state(display);
    display.colour = rgbValue(12, 34, 56);
    state.SplitlblNewColorToRGBboxes();
    QCOMPARE(display.numbers[3], QStringLiteral("12"));
    QCOMPARE(display.numbers[4], QStringLiteral("34"));
    QCOMPARE(display.numbers[5], QStringLiteral("56"));
    QCOMPARE(state.sngRed, 12.0f);
    QCOMPARE(state.sngGreen, 34.0f);
    QCOMPARE(state.sngBlue, 56.0f);
}

void tst_ColorModel::everyWordSurvivesPickerRoundTrip()
{
    int failures = 0;
    QString firstFailure;
    for (quint32 word = 0; word < 0x8000; ++word) {
        const QString text = wordTextOf(word);
        const QString back = pickerRoundTrip(text);
        if (back != text && failures++ == 0)
            firstFailure = text + QStringLiteral(" came back as ") + back;
    }
    QVERIFY2(failures == 0, qPrintable(QString::number(failures) + QStringLiteral(" words changed, first: ") + firstFailure));
    // Bit 15 is not part of the colour: the picker answers the word without it.
    QCOMPARE(pickerRoundTrip(QStringLiteral("FFFF")), QStringLiteral("FF7F"));
}

void tst_ColorModel::only32ValuesPerChannelSurviveWordRoundTrip()
{
    QSet<int> scaled;
    for (int c5 = 0; c5 < 32; ++c5)
        scaled.insert(Module1::Scale5To8(c5));
    QCOMPARE(scaled.size(), 32);
    for (int channel = 0; channel < 3; ++channel) {
        int survivors = 0;
        for (int v = 0; v < 256; ++v) {
            int rgb[3] = { 0, 0, 0 };
            rgb[channel] = v;
            const QString hex = ColorModel::hexText(rgb[0], rgb[1], rgb[2]);
            const QString word = Module1::RGBHexToGBAColor(hex);
            const bool survives = Module1::GBAColorToRGBHex(word, false) == hex;
            QCOMPARE(survives, scaled.contains(v));
            survivors += survives;
        }
        QCOMPARE(survivors, 32);
    }
}

QTEST_APPLESS_MAIN(tst_ColorModel)
#include "tst_colormodel.moc"
