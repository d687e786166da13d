#include "screensampling.h"

#include <QTest>

using namespace ScreenSampling;

class tst_ScreenSampling : public QObject
{
    Q_OBJECT
private slots:
    void coordinatesText();
    void zoomList();
    void sourceSquare_data();
    void sourceSquare();
    void everyZoomCentresThePointerAwayFromEdges();
    void magnifiedPixelsAreBlocks();
};

void tst_ScreenSampling::coordinatesText()
{
    QCOMPARE(ScreenSampling::coordinatesText({ 100, 200 }), QStringLiteral(" X: 100  Y: 200"));
    QCOMPARE(ScreenSampling::coordinatesText({ -5, 0 }), QStringLiteral(" X: -5  Y: 0"));
}

void tst_ScreenSampling::zoomList()
{
    QCOMPARE(ZoomList.size(), size_t(10));
    QCOMPARE(QString::fromLatin1(ZoomList[1].text), QStringLiteral("200%"));
    QCOMPARE(ZoomList[4].factor, 5);
    for (const ZoomItem &item : ZoomList)
        QCOMPARE(QString::fromLatin1(item.text), QStringLiteral("%1%").arg(item.factor * 100));
}

void tst_ScreenSampling::sourceSquare_data()
{
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QRect>("expected");
    const QRect screen(0, 0, 1280, 1024);
    QTest::newRow("1:1 in the middle") << QPoint(640, 512) << screen << 1 << QRect(565, 437, 150, 150);
    // 150 / 4 = 37.5: the half goes to the even 38.
    QTest::newRow("2x half to even") << QPoint(640, 512) << screen << 2 << QRect(602, 474, 75, 75);
    // 150 / 32 = 4.6875 rounds to 5; 150 / 16 rounds up to 10 pixels shown.
    QTest::newRow("16x") << QPoint(640, 512) << screen << 16 << QRect(635, 507, 10, 10);
    // 150 / 8 = 18.75 rounds to 19; 38 pixels fill the 150-pixel view.
    QTest::newRow("4x") << QPoint(640, 512) << screen << 4 << QRect(621, 493, 38, 38);
    QTest::newRow("top-left corner") << QPoint(3, 2) << screen << 1 << QRect(0, 0, 150, 150);
    QTest::newRow("bottom-right corner") << QPoint(1279, 1023) << screen << 2 << QRect(1205, 949, 75, 75);
    QTest::newRow("second screen's left edge")
            << QPoint(1282, 300) << QRect(1280, 0, 800, 600) << 1 << QRect(1280, 225, 150, 150);
    QTest::newRow("screen smaller than the square")
            << QPoint(50, 50) << QRect(0, 0, 100, 100) << 1 << QRect(-25, -25, 150, 150);
}

void tst_ScreenSampling::sourceSquare()
{
    QFETCH(QPoint, pointer);
    QFETCH(QRect, screen);
    QFETCH(int, zoom);
    QFETCH(QRect, expected);
    QCOMPARE(magnifierSource(pointer, screen, QSize(150, 150), zoom), expected);
}

void tst_ScreenSampling::everyZoomCentresThePointerAwayFromEdges()
{
    const QRect screen(0, 0, 1920, 1080);
    for (const ZoomItem &item : ZoomList) {
        const QRect source = magnifierSource({ 960, 540 }, screen, { 150, 150 }, item.factor);
        QVERIFY2(source.contains(960, 540), item.text);
        QVERIFY2(source.width() * item.factor >= 150, item.text);
        QVERIFY2(screen.contains(source), item.text);
        // The pointer's pixel shows within one block of the view's centre.
        const int shownAt = (960 - source.left()) * item.factor;
        QVERIFY2(std::abs(shownAt - 75) <= item.factor, item.text);
    }
}

void tst_ScreenSampling::magnifiedPixelsAreBlocks()
{
    QImage source(3, 2, QImage::Format_RGB32);
    source.setPixel(0, 0, qRgb(255, 0, 0));
    source.setPixel(1, 0, qRgb(0, 255, 0));
    source.setPixel(2, 0, qRgb(0, 0, 255));
    source.setPixel(0, 1, qRgb(1, 2, 3));
    source.setPixel(1, 1, qRgb(4, 5, 6));
    source.setPixel(2, 1, qRgb(7, 8, 9));
    const QImage view = magnify(source, QSize(10, 5), 4);
    QCOMPARE(view.size(), QSize(10, 5));
    QCOMPARE(view.pixel(3, 3), qRgb(255, 0, 0));
    QCOMPARE(view.pixel(4, 0), qRgb(0, 255, 0));
    QCOMPARE(view.pixel(9, 3), qRgb(0, 0, 255));
    QCOMPARE(view.pixel(0, 4), qRgb(1, 2, 3));
    QCOMPARE(view.pixel(8, 4), qRgb(7, 8, 9));
    // Where the source ends the view stays black.
    QCOMPARE(magnify(source, QSize(20, 20), 4).pixel(15, 15), qRgb(0, 0, 0));
}

QTEST_APPLESS_MAIN(tst_ScreenSampling)
#include "tst_screensampling.moc"
