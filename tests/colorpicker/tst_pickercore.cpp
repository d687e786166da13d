// The colour picker's logic without a window: colour conversions, the field
// and slider painters, the settings file, the magnifier's source square and
// the keyboard guard's key table.
#include "colormodel.h"
#include "fieldpainter.h"
#include "keytable.h"
#include "module1.h"
#include "pickersettings.h"
#include "screensampling.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace ColorModel;
using namespace FieldPainter;

namespace {

QString text(const Rgb &c)
{
    return QStringLiteral("%1,%2,%3").arg(c.red).arg(c.green).arg(c.blue);
}

QString at(const QImage &image, int x, int y)
{
    return text(channelsOf(pixelColour(image, x, y)));
}

Rgb hsl(int h, int s, int l)
{
    Rgb c;
    hslChannels(h, s, l, c);
    return c;
}

QByteArray lines(const QStringList &list, const char *end = "\r\n")
{
    return (list.join(QLatin1String(end)) + QLatin1String(end)).toLatin1();
}

const QStringList exampleFile{ "16711680", "9435", "1", "#TRUE#", "#FALSE#", "1", "255", "16711680",
                               "\"blank\"", "\"blank\"", "\"blank\"", "\"blank\"" };

// What a settings file gives, as one line.
QString summary(const PickerSettings::Loaded &l)
{
    QStringList parts;
    if (l.oldColour) parts << QStringLiteral("old=%1").arg(*l.oldColour);
    if (l.widthTwips) parts << QStringLiteral("width=%1").arg(*l.widthTwips);
    if (l.zoomIndex) parts << QStringLiteral("zoom=%1").arg(*l.zoomIndex);
    if (l.autoCopy) parts << QStringLiteral("copy=%1").arg(*l.autoCopy);
    if (l.autoPaste) parts << QStringLiteral("paste=%1").arg(*l.autoPaste);
    if (l.historyPointer) parts << QStringLiteral("ptr=%1").arg(*l.historyPointer);
    QStringList history;
    for (const auto &slot : l.history)
        if (slot)
            history << slot->tag;
    if (!history.isEmpty()) parts << QStringLiteral("hist=") + history.join(',');
    if (l.usedDefaults) parts << QStringLiteral("defaults");
    return parts.join(' ');
}

} // namespace

class tst_PickerCore : public QObject
{
    Q_OBJECT
private slots:
    void hslToRgb_data();
    void hslToRgb();
    void rgbToHsl_data();
    void rgbToHsl();
    void everyWordSurvivesPickerRoundTrip();
    void rainbowColumns();
    void fadeIsExactLinearFade();
    void fieldPixels_data();
    void fieldPixels();
    void hslFieldsMatchPlainFormula_data();
    void hslFieldsMatchPlainFormula();
    void sliderPixels_data();
    void sliderPixels();
    void markerRing_data();
    void markerRing();
    void pointerMarkerAndPixelAgree();
    void settingsFileFormat();
    void settingsFiles_data();
    void settingsFiles();
    void saveReplacesFileAndClearsLeftovers();
    void magnifierSource_data();
    void magnifierSource();
    void guardedKeys_data();
    void guardedKeys();
};

void tst_PickerCore::hslToRgb_data()
{
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("s");
    QTest::addColumn<int>("l");
    QTest::addColumn<QString>("rgb");
    QTest::newRow("red") << 0 << 255 << 255 << "255,0,0";
    QTest::newRow("yellow") << 255 << 255 << 255 << "255,255,0";
    QTest::newRow("cyan") << 765 << 255 << 255 << "0,255,255";
    QTest::newRow("blue") << 1020 << 255 << 255 << "0,0,255";
    QTest::newRow("full circle is red") << 1530 << 255 << 255 << "255,0,0";
    QTest::newRow("last step of the circle") << 1529 << 255 << 255 << "255,0,1";
    QTest::newRow("grey whatever the hue") << 700 << 0 << 77 << "77,77,77";
    QTest::newRow("black whatever the saturation") << 300 << 200 << 0 << "0,0,0";
    QTest::newRow("min rounded from 99.6") << 0 << 128 << 200 << "200,100,100";
    QTest::newRow("falling in second sector") << 300 << 255 << 255 << "210,255,0";
    // d = single(155 / 255); 100 d = 60.78 above min 100.
    QTest::newRow("single-precision step") << 100 << 155 << 255 << "255,161,100";
    QTest::newRow("off the circle is black") << 1531 << 255 << 255 << "0,0,0";
    QTest::newRow("below the circle is black") << -1 << 255 << 255 << "0,0,0";
}

void tst_PickerCore::hslToRgb()
{
    QFETCH(int, h);
    QFETCH(int, s);
    QFETCH(int, l);
    MemoryDisplay display;
    ColorState state(display);
    QTEST(text(channelsOf(state.HSLToRGB(h, s, l, false))), "rgb");
    QCOMPARE(display.badAngles.size(), size_t(h < 0 || h > 1530));
    // Without the update flag the current colour stays.
    QCOMPARE(state.intColorAngle, qint16(0));
    QVERIFY(display.hex.isEmpty());
}

void tst_PickerCore::rgbToHsl_data()
{
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::addColumn<int>("degrees");
    QTest::addColumn<QString>("state"); // angle, saturation, luminance
    QTest::addColumn<QString>("texts"); // Text1(0..2), hex, word
    QTest::newRow("blue") << 0 << 0 << 255 << 240 << "1020 255 255" << "240 100 100 0000FF 007C";
    QTest::newRow("yellow takes the red branch")
            << 255 << 255 << 0 << 60 << "255 255 255" << "60 100 100 FFFF00 FF03";
    QTest::newRow("white") << 255 << 255 << 255 << 0 << "0 0 255" << "0 0 100 FFFFFF FF7F";
    QTest::newRow("red below blue wraps") << 255 << 0 << 1 << 360 << "1529 255 255" << "359 100 100 FF0001 1F00";
    // 7.5 * 3 = 22.5 -> 22; angle 95.625 -> 96.
    QTest::newRow("degrees half to even") << 10 << 5 << 2 << 22 << "96 204 10" << "22 80 4 0A0502 0100";
    // saturation 255 / 6 = 42.5 -> 42; percent 12.5 -> 12 below.
    QTest::newRow("saturation half to even") << 6 << 5 << 5 << 0 << "0 42 6" << "0 17 2 060505 0000";
    QTest::newRow("percent half to even") << 8 << 7 << 7 << 0 << "0 32 8" << "0 12 3 080707 0100";
    QTest::newRow("green branch") << 0 << 200 << 100 << 150 << "638 255 200" << "150 100 78 00C864 2033";
    QTest::newRow("red 15 padded") << 15 << 255 << 255 << 180 << "765 240 255" << "180 94 100 0FFFFF E17F";
    QTest::newRow("red 16 unpadded") << 16 << 0 << 0 << 0 << "0 255 16" << "0 100 6 100000 0200";
    // Black leaves the saturation box as it was.
    QTest::newRow("black") << 0 << 0 << 0 << 0 << "0 0 0" << "0 55 0 000000 0000";
}

void tst_PickerCore::rgbToHsl()
{
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    MemoryDisplay display;
    display.numbers[1] = QStringLiteral("55");
    ColorState state(display);
    state.intColorAngle = 400;
    state.bytSaturation = 99;
    QTEST(state.RGBToHSL(rgbValue(red, green, blue), true), "degrees");
    QTEST(QStringLiteral("%1 %2 %3").arg(state.intColorAngle).arg(state.bytSaturation).arg(state.bytLuminance),
          "state");
    QTEST(QStringList({ display.numbers[0], display.numbers[1], display.numbers[2], display.hex, display.word })
                  .join(' '),
          "texts");
}

void tst_PickerCore::everyWordSurvivesPickerRoundTrip()
{
    // A word typed into the colour word box comes back as the same word.
    for (quint32 word = 0; word < 0x10000; ++word) {
        const QString typed = QStringLiteral("%1%2").arg(word & 0xFF, 2, 16, QLatin1Char('0')).arg(word >> 8, 2, 16, QLatin1Char('0')).toUpper();
        MemoryDisplay display;
        ColorState state(display);
        const QString hex = Module1::GBAColorToRGBHex(typed, false);
        display.setNewColor(rgbValue(hex.left(2).toInt(nullptr, 16), hex.mid(2, 2).toInt(nullptr, 16),
                                     hex.right(2).toInt(nullptr, 16)));
        state.SplitlblNewColorToRGBboxes();
        state.RGBToHSL(rgbValue(display.numbers[3].toInt(), display.numbers[4].toInt(), display.numbers[5].toInt()),
                       true);
        // Bit 15 is no part of the colour.
        const quint32 back = word & 0x7FFF;
        const QString expected = QStringLiteral("%1%2").arg(back & 0xFF, 2, 16, QLatin1Char('0')).arg(back >> 8, 2, 16, QLatin1Char('0')).toUpper();
        if (display.word != expected)
            QFAIL(qPrintable(typed + QStringLiteral(" came back as ") + display.word));
    }
}

void tst_PickerCore::rainbowColumns()
{
    // Six segments 42, 43, 42, 43, 42, 43 wide, segment j from 255 j to 255 j + 254.
    QList<int> widths(6);
    for (int x = 0; x < 255; ++x) {
        ++widths[rainbowHue(x) / 255];
        if (x > 0)
            QVERIFY(rainbowHue(x) > rainbowHue(x - 1));
    }
    QCOMPARE(widths, (QList<int>{ 42, 43, 42, 43, 42, 43 }));
    QCOMPARE(rainbowHue(212), 1275);
    QCOMPARE(rainbowHue(254), 1529);
    QCOMPARE(rainbowHue(9), 56); // 9 * 254 / 41 = 55.76
}

void tst_PickerCore::fadeIsExactLinearFade()
{
    // The single-precision steps land on start * (255 - row) / 255 rounded.
    for (int start = 0; start < 256; ++start)
        for (int row = 0; row < 256; ++row)
            if (fadeValue(start, row) != qRound(start * (255 - row) / 255.0))
                QFAIL(qPrintable(QStringLiteral("start %1 row %2").arg(start).arg(row)));
}

void tst_PickerCore::fieldPixels_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("value"); // hue, saturation, luminance or channel
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QString>("rgb");
    QTest::newRow("hue: top right pure red") << 0 << 0 << QPoint(255, 0) << "255,0,0";
    QTest::newRow("hue: top left white") << 0 << 0 << QPoint(0, 0) << "255,255,255";
    QTest::newRow("hue: bottom black") << 0 << 0 << QPoint(100, 255) << "0,0,0";
    QTest::newRow("hue: left middle grey") << 0 << 0 << QPoint(0, 128) << "127,127,127";
    QTest::newRow("saturation: row 0 rainbow") << 1 << 255 << QPoint(42, 0) << "255,255,0";
    QTest::newRow("saturation: column 0 red") << 1 << 255 << QPoint(0, 55) << "200,0,0";
    QTest::newRow("saturation: column 254 hue 1529") << 1 << 255 << QPoint(254, 0) << "255,0,1";
    QTest::newRow("brightness: bottom row white") << 2 << 255 << QPoint(100, 255) << "255,255,255";
    QTest::newRow("brightness: caps every pixel") << 2 << 100 << QPoint(0, 0) << "100,0,0";
    QTest::newRow("red: green up, blue across") << 3 << 100 << QPoint(30, 55) << "100,200,30";
    QTest::newRow("red: above 255 counts as 255") << 3 << 999 << QPoint(0, 0) << "255,255,0";
    QTest::newRow("green: red up, blue across") << 4 << 7 << QPoint(255, 255) << "0,7,255";
    QTest::newRow("blue: red across, green up") << 5 << 64 << QPoint(200, 10) << "200,245,64";
}

void tst_PickerCore::fieldPixels()
{
    QFETCH(int, mode);
    QFETCH(int, value);
    QFETCH(QPoint, pixel);
    QImage field = newField();
    switch (mode) {
    case 0: Bigbox3D(field, value); break;
    case 1: RainBowBigbox(field, false, true, value, 0); break;
    case 2: RainBowBigbox(field, true, false, 0, value); break;
    case 3: opt3RedPaintPicBigBox(field, value); break;
    case 4: opt4GreenPaintPicBigBox(field, value); break;
    case 5: opt5BluePaintPicBigBox(field, value); break;
    }
    QTEST(at(field, pixel.x(), pixel.y()), "rgb");
}

void tst_PickerCore::hslFieldsMatchPlainFormula_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("value");
    for (int v : { 0, 1, 77, 128, 200, 254, 255 }) {
        QTest::addRow("saturation mode, saturation %d", v) << 1 << v;
        QTest::addRow("brightness mode, luminance %d", v) << 2 << v;
    }
    for (int angle : { 0, 255, 600, 1020, 1529, 1530 })
        QTest::addRow("hue mode, hue %d", angle) << 0 << angle;
}

void tst_PickerCore::hslFieldsMatchPlainFormula()
{
    QFETCH(int, mode);
    QFETCH(int, value);
    QImage field = newField();
    field.fill(qRgb(1, 2, 3));
    Rgb last;
    switch (mode) {
    case 0: last = Bigbox3D(field, value); break;
    case 1: last = RainBowBigbox(field, false, true, value, 0); break;
    default: last = RainBowBigbox(field, true, false, 0, value); break;
    }
    // Every pixel is its own conversion: the hue field fades each column of
    // its top row to black, the others take the rainbow hue of the column.
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            Rgb want{ 1, 2, 3 }; // the rainbow leaves column 255 alone
            if (mode == 0) {
                const Rgb top = hsl(value, x, 255);
                auto fade = [y](int c) { return qRound(c * (255 - y) / 255.0); };
                want = { fade(top.red), fade(top.green), fade(top.blue) };
            } else if (x < 255) {
                want = mode == 1 ? hsl(rainbowHue(x), value, 255 - y) : hsl(rainbowHue(x), 255 - y, value);
            }
            if (at(field, x, y) != text(want))
                QFAIL(qPrintable(QStringLiteral("(%1, %2) is %3, not %4").arg(x).arg(y).arg(at(field, x, y), text(want))));
        }
    }
    // The painter answers its last conversion, which the window keeps.
    QCOMPARE(text(last), mode == 0 ? text(hsl(value, 255, 255)) : at(field, 254, 255));
}

void tst_PickerCore::sliderPixels_data()
{
    QTest::addColumn<int>("painter"); // 0 rainbow, 1 fade to grey, 2 fade to black, 3-5 channels
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("rgb");
    QTest::newRow("rainbow bottom hue 0") << 0 << 0 << 0 << 255 << "255,0,0";
    QTest::newRow("rainbow top red") << 0 << 0 << 0 << 0 << "255,0,0";
    QTest::newRow("rainbow row 1 hue 1529") << 0 << 0 << 0 << 1 << "255,0,1";
    QTest::newRow("rainbow yellow 42 rows up") << 0 << 0 << 0 << 213 << "255,255,0";
    QTest::newRow("grey fade top saturated") << 1 << 1020 << 255 << 0 << "0,0,255";
    QTest::newRow("grey fade bottom grey") << 1 << 1020 << 200 << 255 << "200,200,200";
    QTest::newRow("black fade keeps row 0") << 2 << 0 << 0 << 0 << "200,100,50";
    QTest::newRow("black fade halfway") << 2 << 0 << 0 << 153 << "80,40,20";
    QTest::newRow("black fade bottom") << 2 << 0 << 0 << 255 << "0,0,0";
    QTest::newRow("red slider") << 3 << 10 << 20 << 55 << "200,10,20";
    QTest::newRow("green slider") << 4 << 10 << 20 << 0 << "10,255,20";
    QTest::newRow("blue slider clamps") << 5 << 300 << 20 << 255 << "255,20,0";
}

void tst_PickerCore::sliderPixels()
{
    QFETCH(int, painter);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, row);
    QImage slider = newSlider();
    switch (painter) {
    case 0: RainBowThinBox(slider); break;
    case 1: FadeThinBoxToGrey(slider, a, b); break;
    case 2: fill(slider, rgbValue(200, 100, 50)); FadeThinBoxToBlack(slider); break;
    case 3: opt3RedPaintPicThinBox(slider, a, b); break;
    case 4: opt4GreenPaintPicThinBox(slider, a, b); break;
    case 5: opt5BluePaintPicThinBox(slider, a, b); break;
    }
    QTEST(at(slider, 0, row), "rgb");
    QTEST(at(slider, 19, row), "rgb");
}

void tst_PickerCore::markerRing_data()
{
    QTest::addColumn<int>("luminance");
    QTest::addColumn<int>("hue");
    QTest::addColumn<int>("saturation");
    QTest::addColumn<bool>("dark");
    QTest::newRow("bright blue: light ring") << 255 << 240 << 255 << false;
    QTest::newRow("bright yellow: dark ring") << 255 << 60 << 255 << true;
    QTest::newRow("luminance 199: light ring") << 199 << 60 << 0 << false;
    QTest::newRow("pale purple: dark ring") << 200 << 300 << 70 << true;
    QTest::newRow("grey without hue number: dark ring") << 255 << -1 << 0 << true;
}

void tst_PickerCore::markerRing()
{
    QFETCH(int, luminance);
    QFETCH(int, hue);
    QFETCH(int, saturation);
    QTEST(useDarkRing(luminance, hue, saturation), "dark");
}

void tst_PickerCore::pointerMarkerAndPixelAgree()
{
    // A pointer on inner pixel p gives field units whose pixel is p again,
    // within one unit of p across and two down (256 units over 254 rows).
    for (int py = 0; py < fieldInnerHeight; ++py) {
        for (int px = 0; px < fieldInnerWidth; ++px) {
            const QPointF units = pixelToFieldUnits(QPointF(px, py));
            QCOMPARE(fieldUnitsToPixel(units.x(), units.y()), QPoint(px, py));
            QVERIFY(qAbs(qRound(units.x()) - px) <= 1 && qAbs(qRound(units.y()) - py) <= 2);
        }
    }
    QCOMPARE(qRound(pixelToFieldUnits(QPointF(254, 253)).x()), 255);
    QCOMPARE(fieldUnitsToPixel(-20, -20), QPoint(0, 0));
    QCOMPARE(fieldUnitsToPixel(1000, 1000), QPoint(255, 255));
}

void tst_PickerCore::settingsFileFormat()
{
    PickerSettings::Settings settings;
    settings.newColour = 16711680;
    settings.widthTwips = 9435;
    settings.autoPaste = false;
    settings.historyPointer = 1;
    settings.history[0] = { 255, QStringLiteral("255") };
    settings.history[1] = { 16711680, QStringLiteral("16711680") };
    QCOMPARE(PickerSettings::serialize(settings), lines(exampleFile));
    // Narrower than "<" is written as the narrow width.
    settings.widthTwips = 5000;
    QCOMPARE(PickerSettings::serialize(settings).split('\n').at(1), QByteArray("6975\r"));
}

void tst_PickerCore::settingsFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("gives");
    const QString example = "old=16711680 width=9435 zoom=1 copy=1 paste=0 ptr=1 hist=255,16711680,blank,blank,blank,blank";
    QTest::newRow("example") << lines(exampleFile) << example;
    QTest::newRow("LF line ends") << lines(exampleFile, "\n") << example;
    QTest::newRow("CR line ends") << lines(exampleFile, "\r") << example;
    QTest::newRow("five lines") << lines(exampleFile.mid(0, 5)) << "old=16711680 defaults";
    QTest::newRow("empty") << QByteArray() << "defaults";
    const QStringList numbers{ "65280", "6975", "4", "#FALSE#", "#TRUE#", "2", "1", "2", "3", "4", "5", "6" };
    auto with = [&numbers](int line, const QString &value) {
        QStringList file = numbers;
        file[line] = value;
        return lines(file);
    };
    QTest::newRow("option as a word") << with(3, "True") << "old=65280 width=6975 zoom=4 copy=1 paste=1 ptr=2 hist=1,2,3,4,5,6";
    QTest::newRow("bad boolean") << with(3, "maybe") << "old=65280 width=6975 zoom=4 defaults";
    QTest::newRow("zoom out of range") << with(2, "12") << "old=65280 width=6975 defaults";
    QTest::newRow("history pointer off the ring") << with(5, "6") << "old=65280 width=6975 zoom=4 copy=0 paste=1 ptr=0 hist=1,2,3,4,5,6";
    QTest::newRow("history pointer far off") << with(5, "300") << "old=65280 width=6975 zoom=4 copy=0 paste=1 ptr=0 hist=1,2,3,4,5,6";
    QTest::newRow("history pointer no number") << with(5, "x") << "old=65280 width=6975 zoom=4 copy=0 paste=1 defaults";
    QTest::newRow("history slot overflows") << with(9, "1e12") << "old=65280 width=6975 zoom=4 copy=0 paste=1 ptr=2 hist=1,2,3 defaults";
    QTest::newRow("history texts read as numbers")
            << lines({ "1", "", "", "", "", "", "purple", "  42abc", "blank", "", "\"blank\"", "7" })
            << "old=1 hist=0,42,0,0,blank,7";
}

void tst_PickerCore::settingsFiles()
{
    QFETCH(QByteArray, file);
    QTEST(summary(PickerSettings::parse(file)), "gives");
}

void tst_PickerCore::saveReplacesFileAndClearsLeftovers()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Colorpicker.dat"));
    QVERIFY(TestFiles::writeFile(path, QByteArray(4096, 'x')));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner)); // a read-only mark does not stop it
    // Temporary files of interrupted saves, and files that only look alike.
    const QStringList leftovers{ "Colorpicker.dat.Ab12Cd", "Colorpicker.dat.zzzzzz" };
    const QStringList others{ "Colorpicker.dat.bak", "Colorpicker.dat.Ab12Cd7", "scr.bmp" };
    for (const QString &name : leftovers + others)
        QVERIFY(TestFiles::writeFile(dir.filePath(name), "old"));
    PickerSettings::Settings settings;
    settings.newColour = 77;
    QString reason;
    QVERIFY2(PickerSettings::save(path, settings, &reason), qPrintable(reason));
    QCOMPARE(TestFiles::readFile(path), PickerSettings::serialize(settings));
    QStringList kept = others + QStringList{ "Colorpicker.dat" };
    kept.sort();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), kept);
}

void tst_PickerCore::magnifierSource_data()
{
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QRect>("source");
    const QRect screen(0, 0, 1280, 1024);
    QTest::newRow("1:1 in the middle") << QPoint(640, 512) << screen << 1 << QRect(565, 437, 150, 150);
    // 150 / 4 = 37.5: the half goes to the even 38.
    QTest::newRow("2x half to even") << QPoint(640, 512) << screen << 2 << QRect(602, 474, 75, 75);
    QTest::newRow("16x") << QPoint(640, 512) << screen << 16 << QRect(635, 507, 10, 10);
    QTest::newRow("top-left corner") << QPoint(3, 2) << screen << 1 << QRect(0, 0, 150, 150);
    QTest::newRow("bottom-right corner") << QPoint(1279, 1023) << screen << 2 << QRect(1205, 949, 75, 75);
    QTest::newRow("second screen's left edge")
            << QPoint(1282, 300) << QRect(1280, 0, 800, 600) << 1 << QRect(1280, 225, 150, 150);
    QTest::newRow("screen smaller than the square")
            << QPoint(50, 50) << QRect(0, 0, 100, 100) << 1 << QRect(-25, -25, 150, 150);
}

void tst_PickerCore::magnifierSource()
{
    QFETCH(QPoint, pointer);
    QFETCH(QRect, screen);
    QFETCH(int, zoom);
    QTEST(ScreenSampling::magnifierSource(pointer, screen, QSize(150, 150), zoom), "source");
}

void tst_PickerCore::guardedKeys_data()
{
    QTest::addColumn<quint32>("vk");     // Windows virtual key
    QTest::addColumn<quint32>("keysym"); // the same key on X11
    QTest::addColumn<bool>("blocked");
    QTest::newRow("Tab") << 0x09u << 0xFF09u << true;
    QTest::newRow("Shift+Tab") << 0x09u << 0xFE20u << true;
    QTest::newRow("left Windows") << 0x5Bu << 0xFFEBu << true;
    QTest::newRow("right Windows") << 0x5Cu << 0xFFECu << true;
    QTest::newRow("left Alt") << 0xA4u << 0xFFE9u << true;
    QTest::newRow("right Alt") << 0xA5u << 0xFFEAu << false;
    QTest::newRow("Escape") << 0x1Bu << 0xFF1Bu << false;
    QTest::newRow("A") << 0x41u << 0x61u << false;
    QTest::newRow("left arrow") << 0x25u << 0xFF51u << false;
}

void tst_PickerCore::guardedKeys()
{
    QFETCH(quint32, vk);
    QFETCH(quint32, keysym);
    QFETCH(bool, blocked);
    QCOMPARE(ModHook::IsBlockedKeysym(keysym), blocked);
    auto next = [](qint32, quintptr, const ModHook::KeyEventRecord *) { return qint32(42); };
    ModHook::KeyEventRecord record;
    record.vkCode = vk;
    record.time = 1234;
    // Key-down and key-up alike; calls not to act on go to the next hook.
    for (quintptr message : { quintptr(0x100), quintptr(0x101) })
        QCOMPARE(ModHook::KeyboardHookProc(ModHook::HC_ACTION, message, &record, next), blocked ? 1 : 42);
    QCOMPARE(ModHook::LastKeyEvent().vkCode, vk);
    QCOMPARE(ModHook::KeyboardHookProc(-1, 0x100, &record, next), 42);
}

QTEST_APPLESS_MAIN(tst_PickerCore)
#include "tst_pickercore.moc"
