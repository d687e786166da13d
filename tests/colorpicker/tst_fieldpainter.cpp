#include "fieldpainter.h"
#include "module1.h"
#include "rgbprinting.h"

#include <QTest>

using namespace FieldPainter;
using ColorModel::Rgb;

namespace {

Rgb at(const QImage &image, int x, int y)
{
    return ColorModel::channelsOf(pixelColour(image, x, y));
}

Rgb hsl(int h, int s, int l)
{
    Rgb c;
    if (!ColorModel::hslChannels(h, s, l, c))
        qFatal("hue off the circle");
    return c;
}

} // namespace

Q_DECLARE_METATYPE(ColorModel::Rgb)

class tst_FieldPainter : public QObject
{
    Q_OBJECT
private slots:
    void rainbowSegments_data();
    void rainbowSegments();
    void rainbowWidthsAre42And43();
    void fadeMatchesExactLinearFade();
    void fieldPixels_data();
    void fieldPixels();
    void rainbowFieldLeavesLastColumnAlone();
    void hueFieldFollowsSaturationAndFade();
    void sliderPixels_data();
    void sliderPixels();
    void rainbowSliderColumnsAlike();
    void fadeSliderToBlackStartsFromRowZero();
    void sliderMarkerTips_data();
    void sliderMarkerTips();
    void markerRing_data();
    void markerRing();
    void pointerMarkerAndPixelAgree();
    void fieldUnitsToPixelStaysInImage();
};

void tst_FieldPainter::rainbowSegments_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("hue");
    QTest::newRow("first column red") << 0 << 0;
    QTest::newRow("end of segment 0") << 41 << 254;
    QTest::newRow("start of segment 1") << 42 << 255;
    QTest::newRow("end of segment 1") << 84 << 509;
    QTest::newRow("start of segment 2") << 85 << 510;
    QTest::newRow("start of segment 5") << 212 << 1275;
    QTest::newRow("last column") << 254 << 1529;
    // (10 - 1) * 254 / 41 = 55.76 -> 56 in a 42-wide segment.
    QTest::newRow("inside a 42 segment") << 9 << 56;
    // 255 + 21 * 254 / 42 = 382.0 in a 43-wide segment.
    QTest::newRow("inside a 43 segment") << 63 << 382;
}

void tst_FieldPainter::rainbowSegments()
{
    QFETCH(int, column);
    QTEST(rainbowHue(column), "hue");
}

void tst_FieldPainter::rainbowWidthsAre42And43()
{
    int widths[6] = {};
    for (int x = 0; x < 255; ++x)
        ++widths[rainbowHue(x) / 255];
    QCOMPARE((std::vector<int>(widths, widths + 6)), (std::vector<int>{ 42, 43, 42, 43, 42, 43 }));
    for (int x = 1; x < 255; ++x)
        QVERIFY2(rainbowHue(x) > rainbowHue(x - 1), qPrintable(QString::number(x)));
}

void tst_FieldPainter::fadeMatchesExactLinearFade()
{
    // The single-precision steps land on the same integers as the exact
    // fade start * (255 - row) / 255, whose halves cannot occur.
    for (int start = 0; start < 256; ++start) {
        for (int row = 0; row < 256; ++row) {
            const int exact = ColorModel::roundEven(start * (255 - row) / 255.0);
            if (fadeValue(start, row) != exact)
                QFAIL(qPrintable(QStringLiteral("start %1 row %2: %3, expected %4")
                                         .arg(start).arg(row).arg(fadeValue(start, row)).arg(exact)));
        }
    }
}

void tst_FieldPainter::fieldPixels_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("angle");
    QTest::addColumn<int>("saturation");
    QTest::addColumn<int>("luminance");
    QTest::addColumn<int>("channel"); // fixed channel of modes 3 to 5
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<Rgb>("expected");

    QTest::newRow("hue: top right pure red") << 0 << 0 << 0 << 0 << 0 << QPoint(255, 0) << Rgb{ 255, 0, 0 };
    QTest::newRow("hue: top left white") << 0 << 0 << 0 << 0 << 0 << QPoint(0, 0) << Rgb{ 255, 255, 255 };
    QTest::newRow("hue: bottom black") << 0 << 0 << 0 << 0 << 0 << QPoint(100, 255) << Rgb{ 0, 0, 0 };
    QTest::newRow("hue: left middle grey") << 0 << 0 << 0 << 0 << 0 << QPoint(0, 128) << Rgb{ 127, 127, 127 };
    QTest::newRow("hue: blue half saturated, half down")
            << 0 << 1020 << 0 << 0 << 0 << QPoint(128, 128) << Rgb{ 63, 63, 127 };
    QTest::newRow("saturation: row 0 is the rainbow")
            << 1 << 0 << 255 << 0 << 0 << QPoint(42, 0) << Rgb{ 255, 255, 0 };
    QTest::newRow("saturation: column 0 red at each luminance")
            << 1 << 0 << 255 << 0 << 0 << QPoint(0, 55) << Rgb{ 200, 0, 0 };
    QTest::newRow("saturation: bottom black") << 1 << 0 << 255 << 0 << 0 << QPoint(128, 255) << Rgb{ 0, 0, 0 };
    QTest::newRow("saturation: column 254 hue 1529")
            << 1 << 0 << 255 << 0 << 0 << QPoint(254, 0) << Rgb{ 255, 0, 1 };
    QTest::newRow("saturation: grey field at saturation 0")
            << 1 << 0 << 0 << 0 << 0 << QPoint(170, 100) << Rgb{ 155, 155, 155 };
    QTest::newRow("brightness: bottom row white") << 2 << 0 << 0 << 255 << 0 << QPoint(100, 255) << Rgb{ 255, 255, 255 };
    QTest::newRow("brightness: top row full colour")
            << 2 << 0 << 0 << 255 << 0 << QPoint(127, 0) << Rgb{ 0, 255, 255 };
    QTest::newRow("brightness: luminance caps every pixel")
            << 2 << 0 << 0 << 100 << 0 << QPoint(0, 0) << Rgb{ 100, 0, 0 };
    QTest::newRow("red: fixed red, green up, blue across")
            << 3 << 0 << 0 << 0 << 100 << QPoint(30, 55) << Rgb{ 100, 200, 30 };
    QTest::newRow("red: above 255 counts as 255")
            << 3 << 0 << 0 << 0 << 999 << QPoint(0, 0) << Rgb{ 255, 255, 0 };
    QTest::newRow("green: red up, blue across")
            << 4 << 0 << 0 << 0 << 7 << QPoint(255, 255) << Rgb{ 0, 7, 255 };
    QTest::newRow("blue: red across, green up")
            << 5 << 0 << 0 << 0 << 64 << QPoint(200, 10) << Rgb{ 200, 245, 64 };
}

void tst_FieldPainter::fieldPixels()
{
    QFETCH(int, mode);
    QFETCH(int, angle);
    QFETCH(int, saturation);
    QFETCH(int, luminance);
    QFETCH(int, channel);
    QFETCH(QPoint, pixel);
    QImage field = newField();
    switch (mode) {
    case 0: Bigbox3D(field, angle); break;
    case 1: RainBowBigbox(field, false, true, saturation, luminance); break;
    case 2: RainBowBigbox(field, true, false, saturation, luminance); break;
    case 3: opt3RedPaintPicBigBox(field, channel); break;
    case 4: opt4GreenPaintPicBigBox(field, channel); break;
    case 5: opt5BluePaintPicBigBox(field, channel); break;
    }
    QTEST(at(field, pixel.x(), pixel.y()), "expected");
}

void tst_FieldPainter::rainbowFieldLeavesLastColumnAlone()
{
    QImage field = newField();
    field.fill(qRgb(1, 2, 3));
    RainBowBigbox(field, false, true, 255, 0);
    for (int y = 0; y < 256; ++y)
        QCOMPARE(at(field, 255, y), (Rgb{ 1, 2, 3 }));
    QCOMPARE(at(field, 254, 0), hsl(1529, 255, 255));
}

void tst_FieldPainter::hueFieldFollowsSaturationAndFade()
{
    QImage field = newField();
    const Rgb last = Bigbox3D(field, 600);
    QCOMPARE(last, hsl(600, 255, 255));
    for (int x = 0; x < 256; x += 17) {
        const Rgb top = hsl(600, x, 255);
        for (int y = 0; y < 256; y += 5) {
            const Rgb expected{ fadeValue(top.red, y), fadeValue(top.green, y), fadeValue(top.blue, y) };
            QCOMPARE(at(field, x, y), expected);
        }
    }
}

void tst_FieldPainter::sliderPixels_data()
{
    QTest::addColumn<int>("painter");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("row");
    QTest::addColumn<Rgb>("expected");
    // painter 0 rainbow, 1 fade to grey (a hue, b luminance), 3/4/5 channels.
    QTest::newRow("rainbow bottom hue 0") << 0 << 0 << 0 << 255 << Rgb{ 255, 0, 0 };
    QTest::newRow("rainbow top red") << 0 << 0 << 0 << 0 << Rgb{ 255, 0, 0 };
    QTest::newRow("rainbow row 1 hue 1529") << 0 << 0 << 0 << 1 << Rgb{ 255, 0, 1 };
    QTest::newRow("rainbow yellow 42 rows up") << 0 << 0 << 0 << 213 << Rgb{ 255, 255, 0 };
    QTest::newRow("grey fade top saturated") << 1 << 1020 << 255 << 0 << Rgb{ 0, 0, 255 };
    QTest::newRow("grey fade bottom grey") << 1 << 1020 << 200 << 255 << Rgb{ 200, 200, 200 };
    QTest::newRow("red slider") << 3 << 10 << 20 << 55 << Rgb{ 200, 10, 20 };
    QTest::newRow("green slider") << 4 << 10 << 20 << 0 << Rgb{ 10, 255, 20 };
    QTest::newRow("blue slider clamps") << 5 << 300 << 20 << 255 << Rgb{ 255, 20, 0 };
}

void tst_FieldPainter::sliderPixels()
{
    QFETCH(int, painter);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, row);
    QImage slider = newSlider();
    switch (painter) {
    case 0: RainBowThinBox(slider); break;
    case 1: FadeThinBoxToGrey(slider, a, b); break;
    case 3: opt3RedPaintPicThinBox(slider, a, b); break;
    case 4: opt4GreenPaintPicThinBox(slider, a, b); break;
    case 5: opt5BluePaintPicThinBox(slider, a, b); break;
    }
    QTEST(at(slider, 0, row), "expected");
    QTEST(at(slider, 19, row), "expected");
}

void tst_FieldPainter::rainbowSliderColumnsAlike()
{
    QImage slider = newSlider();
    slider.fill(Qt::black);
    RainBowThinBox(slider);
    for (int y = 0; y < 256; ++y) {
        const Rgb first = at(slider, 0, y);
        for (int x = 1; x < sliderWidth; ++x)
            QCOMPARE(at(slider, x, y), first);
        if (y > 0)
            QCOMPARE(first, hsl(rainbowHue(255 - y), 255, 255));
    }
}

void tst_FieldPainter::fadeSliderToBlackStartsFromRowZero()
{
    QImage slider = newSlider();
    fill(slider, ColorModel::rgbValue(200, 100, 50));
    FadeThinBoxToBlack(slider);
    QCOMPARE(at(slider, 5, 0), (Rgb{ 200, 100, 50 }));
    QCOMPARE(at(slider, 5, 128), (Rgb{ fadeValue(200, 128), fadeValue(100, 128), fadeValue(50, 128) }));
    QCOMPARE(at(slider, 5, 255), (Rgb{ 0, 0, 0 }));
}

void tst_FieldPainter::sliderMarkerTips_data()
{
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("rounded");
    QTest::addColumn<int>("tipRow");
    QTest::newRow("100.5 rounds up") << 100.5 << 101 << 134;
    QTest::newRow("100.4 rounds down") << 100.4 << 100 << 133;
    QTest::newRow("top") << 0.0 << 0 << 33;
    QTest::newRow("green 200 in mode 4") << 55.0 << 55 << 88;
}

void tst_FieldPainter::sliderMarkerTips()
{
    QFETCH(double, y);
    QFETCH(int, rounded);
    QFETCH(int, tipRow);
    QCOMPARE(int(Module1::RoundHalfUp(y, 0)), rounded);
    const auto lines = sliderMarkerLines(rounded);
    // Left triangle: rising and falling meet at its tip (283, row).
    QVERIFY(lines[1].p2().y() - 1 == tipRow || lines[1].p2().y() + 1 == tipRow);
    QCOMPARE(lines[6].p1(), QPoint(305, tipRow));
    QCOMPARE(lines[6].p2(), QPoint(306, tipRow));
    QCOMPARE(lines[0], QLine(276, rounded + 29, 276, rounded + 38));
    QCOMPARE(lines[3], QLine(311, rounded + 29, 311, rounded + 38));
    QCOMPARE(lines[5], QLine(306, rounded + 32, 311, rounded + 27));
}

void tst_FieldPainter::markerRing_data()
{
    QTest::addColumn<int>("luminance");
    QTest::addColumn<int>("hue");
    QTest::addColumn<int>("saturation");
    QTest::addColumn<bool>("dark");
    QTest::newRow("bright blue: light ring") << 255 << 240 << 255 << false;
    QTest::newRow("bright yellow: dark ring") << 255 << 60 << 255 << true;
    QTest::newRow("luminance 199: light ring") << 199 << 60 << 0 << false;
    QTest::newRow("pale colour: dark ring") << 200 << 300 << 70 << true;
    QTest::newRow("saturation 71 purple: light") << 200 << 300 << 71 << false;
    QTest::newRow("hue 26 inclusive") << 220 << 26 << 255 << true;
    QTest::newRow("hue 200 inclusive") << 220 << 200 << 255 << true;
    QTest::newRow("hue 25") << 220 << 25 << 255 << false;
    QTest::newRow("hue 201") << 220 << 201 << 255 << false;
    QTest::newRow("no hue number, grey") << 255 << -1 << 0 << true;
}

void tst_FieldPainter::markerRing()
{
    QFETCH(int, luminance);
    QFETCH(int, hue);
    QFETCH(int, saturation);
    QTEST(useDarkRing(luminance, hue, saturation), "dark");
}

void tst_FieldPainter::pointerMarkerAndPixelAgree()
{
    // A pointer on inner pixel p gives field units whose pixel is p again,
    // and the units never stray more than one from the pixel painted there.
    for (int py = 0; py < fieldInnerHeight; ++py) {
        for (int px = 0; px < fieldInnerWidth; ++px) {
            const QPointF units = pixelToFieldUnits(QPointF(px, py));
            QCOMPARE(fieldUnitsToPixel(units.x(), units.y()), QPoint(px, py));
            QVERIFY(std::abs(ColorModel::roundEven(units.x()) - px) <= 1);
            QVERIFY(std::abs(ColorModel::roundEven(units.y()) - py) <= 2);
        }
    }
    // The far corner of the inner area reaches the last field unit.
    QCOMPARE(ColorModel::roundEven(pixelToFieldUnits(QPointF(254, 253)).x()), 255);
}

void tst_FieldPainter::fieldUnitsToPixelStaysInImage()
{
    QCOMPARE(fieldUnitsToPixel(-20, -20), QPoint(0, 0));
    QCOMPARE(fieldUnitsToPixel(255, 255), QPoint(254, 253));
    QCOMPARE(fieldUnitsToPixel(1000, 1000), QPoint(255, 255));
}

QTEST_APPLESS_MAIN(tst_FieldPainter)
#include "tst_fieldpainter.moc"
