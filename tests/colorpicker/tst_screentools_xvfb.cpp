// The picker's screen tools and keyboard guard on a real X server: xdotool
// drives the pointer and keys from another process, and the screen shows a
// window of another process (this program started with --target) with a
// gradient in which every pixel has its own colour.
#include "datafolder.h"
#include "frmcolorpicker.h"
#include "modhook.h"
#include "pickerwidgets.h"
#include "screensampling.h"
#include "testservices.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

QRgb targetPixel(int x, int y)
{
    return qRgb(x, y, 0x80);
}

// The other process: a borderless 256 x 200 window with the gradient,
// without scaling, so each of its pixels is one device pixel.
int runTarget(int argc, char **argv)
{
    QApplication app(argc, argv);
    QImage picture(256, 200, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, targetPixel(x, y));
    QLabel target;
    target.setPixmap(QPixmap::fromImage(picture));
    target.setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    target.setGeometry(QByteArray(argv[2]).toInt(), QByteArray(argv[3]).toInt(), 256, 200);
    target.show();
    if (!QTest::qWaitForWindowExposed(&target))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

void xdotool(const QStringList &arguments)
{
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), arguments), 0);
}

void moveTo(QPoint device)
{
    xdotool({ "mousemove", "--sync", QString::number(device.x()), QString::number(device.y()) });
}

// The middle of a widget in device pixels of the root window.
QPoint centreOf(const QWidget *widget)
{
    const QPointF logical = widget->mapToGlobal(QPointF(widget->width() / 2.0, widget->height() / 2.0));
    const QPointF origin = widget->screen()->geometry().topLeft();
    return (origin + (logical - origin) * widget->screen()->devicePixelRatio()).toPoint();
}

} // namespace

class tst_ScreenToolsXvfb : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void toolsReadExactPixels_data();
    void toolsReadExactPixels();
    void guardHoldsOnlyWhileToolIsHeld();

private:
    // Presses a tool, drags it to a device pixel and waits until it sampled there.
    void drag(QWidget *icon, QPoint to);

    QProcess m_target;
    std::unique_ptr<TestServices> m_services;
    std::unique_ptr<frmColorPicker> m_picker;
    QPoint m_origin{ 640, 780 };
};

void tst_ScreenToolsXvfb::initTestCase()
{
    QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"), "needs an X server");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_SCALE_FACTOR"));
    m_target.setProcessEnvironment(env);
    const QList<QByteArray> place = qgetenv("CINDRAL_TARGET_AT").split(',');
    if (place.size() == 2)
        m_origin = QPoint(place[0].toInt(), place[1].toInt());
    m_target.start(QCoreApplication::applicationFilePath(),
                   { "--target", QString::number(m_origin.x()), QString::number(m_origin.y()) });
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += m_target.readAllStandardOutput()).contains("ready")
                                     || m_target.state() == QProcess::NotRunning,
                             10000);
    QCOMPARE(m_target.state(), QProcess::Running);
}

void tst_ScreenToolsXvfb::cleanupTestCase()
{
    m_target.kill();
    m_target.waitForFinished();
}

void tst_ScreenToolsXvfb::init()
{
    QFile::remove(Platform::dataFile(QStringLiteral("Colorpicker.dat")));
    QFile::remove(Platform::dataFile(QStringLiteral("scr.bmp")));
    m_services = std::make_unique<TestServices>();
    m_picker = std::make_unique<frmColorPicker>(m_services->services());
    m_picker->move(0, 0);
    m_picker->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_picker.get()));
}

void tst_ScreenToolsXvfb::cleanup()
{
    xdotool({ "mouseup", "1" });
    m_picker.reset();
    ModHook::RemoveKeyboardGuard();
}

void tst_ScreenToolsXvfb::drag(QWidget *icon, QPoint to)
{
    moveTo(centreOf(icon));
    xdotool({ "mousedown", "1" });
    QTRY_VERIFY(m_picker->tmrScreenColor->isActive() || m_picker->Timer1->isActive());
    // Two steps, so the last one is a real motion of the pointer.
    moveTo(to + QPoint(3, 3));
    moveTo(to);
    QTRY_COMPARE(m_picker->txtCoords->text(), ScreenSampling::coordinatesText(to));
}

void tst_ScreenToolsXvfb::toolsReadExactPixels_data()
{
    QTest::addColumn<int>("zoomIndex"); // -1: the eyedropper
    QTest::addColumn<QPoint>("pixel");
    // Odd and even places: a scaled screen must find the right device pixel.
    QTest::newRow("eyedropper, odd pixel") << -1 << QPoint(101, 73);
    QTest::newRow("eyedropper, even pixel") << -1 << QPoint(38, 150);
    QTest::newRow("eyedropper, corner pixel") << -1 << QPoint(255, 199);
    QTest::newRow("magnifier at 400%") << 3 << QPoint(128, 100);
}

void tst_ScreenToolsXvfb::toolsReadExactPixels()
{
    QFETCH(int, zoomIndex);
    QFETCH(QPoint, pixel);
    m_picker->cboPercent->setCurrentIndex(qMax(zoomIndex, 0));
    drag(zoomIndex < 0 ? static_cast<QWidget *>(m_picker->imgEyedropper) : m_picker->imgMagnifier, m_origin + pixel);
    xdotool({ "mouseup", "1" });
    QTRY_VERIFY(!m_picker->tmrScreenColor->isActive() && !m_picker->Timer1->isActive());
    if (zoomIndex < 0) {
        QCOMPARE(m_picker->txtHexColor->text(), QColor(targetPixel(pixel.x(), pixel.y())).name().mid(1).toUpper());
        QCOMPARE(m_picker->lblHistoryColor[m_picker->historyPointer()]->color(), m_picker->picNewColor->color());
        return;
    }
    // scr.bmp holds the view in device pixels (146, twice that on a screen
    // scaled by two), from view / 8 (halves to even) left of and above the pointer.
    QImage saved;
    QVERIFY(saved.load(Platform::dataFile(QStringLiteral("scr.bmp")), "BMP"));
    const int view = int(146 * m_picker->picZoom->devicePixelRatioF());
    QCOMPARE(saved.size(), QSize(view, view));
    const int half = int(std::nearbyint(view / 8.0));
    for (int y = 0; y < view; y += 5)
        for (int x = 0; x < view; x += 7)
            QCOMPARE(QColor(saved.pixel(x, y)).name(), QColor(targetPixel(pixel.x() - half + x / 4, pixel.y() - half + y / 4)).name());
}

void tst_ScreenToolsXvfb::guardHoldsOnlyWhileToolIsHeld()
{
    xdotool({ "windowfocus", "--sync", QString::number(m_picker->winId()) });
    m_picker->txtHexColor->setFocus();
    QTRY_VERIFY(m_picker->txtHexColor->hasFocus());
    m_picker->txtHexColor->clear();
    drag(m_picker->imgMagnifier, m_origin);
    QVERIFY(ModHook::IsKeyboardGuardInstalled());
    QCOMPARE(QWidget::keyboardGrabber(), m_picker.get());
    // The keys that switch windows are swallowed; letters, digits, Escape
    // and the arrows pass.
    xdotool({ "key", "--delay", "20", "Tab", "super", "Super_R", "alt+Tab", "shift+Tab", "Alt_L",
              "a", "b", "1", "Escape", "Left", "c" });
    QTRY_COMPARE(m_picker->txtHexColor->text(), QStringLiteral("ABC1"));
    QVERIFY2(m_picker->txtHexColor->hasFocus(), "Tab must not move the focus while a tool is held");
    xdotool({ "mouseup", "1" });
    QTRY_VERIFY(!ModHook::IsKeyboardGuardInstalled());
    QCOMPARE(QWidget::keyboardGrabber(), nullptr);
    xdotool({ "windowfocus", "--sync", QString::number(m_picker->winId()) });
    xdotool({ "key", "Tab" });
    QTRY_VERIFY2(!m_picker->txtHexColor->hasFocus(), "after the release Tab works again");

    // A guard left behind (a drag whose release never came) goes when a
    // picker opens; closing a picker in the middle of a drag ends the drag.
    ModHook::InstallKeyboardGuard(m_picker.get());
    frmColorPicker second(m_services->services());
    QVERIFY(!ModHook::IsKeyboardGuardInstalled() && !QWidget::keyboardGrabber());
    drag(m_picker->imgMagnifier, m_origin);
    QVERIFY(m_picker->close());
    QVERIFY(!ModHook::IsKeyboardGuardInstalled() && !m_picker->Timer1->isActive());
    QVERIFY(!QGuiApplication::overrideCursor());
}

int main(int argc, char **argv)
{
    if (argc > 3 && qstrcmp(argv[1], "--target") == 0)
        return runTarget(argc, argv);
    QApplication app(argc, argv);
    tst_ScreenToolsXvfb test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screentools_xvfb.moc"
