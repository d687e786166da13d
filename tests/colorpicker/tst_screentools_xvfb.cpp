// The picker's screen tools on a real X server: the pointer is driven by
// xdotool from another process, and the screen shows a window of another
// process (this program started again with --target), painted with a
// gradient in which every pixel has its own colour.
#include "datafolder.h"
#include "frmcolorpicker.h"
#include "frmmain.h"
#include "modhook.h"
#include "pickerwidgets.h"
#include "screensampling.h"
#include "testservices.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

// The target window: its left, top and size in device pixels of the root.
constexpr int targetLeft = 640;
constexpr int targetTop = 780;
constexpr int targetWidth = 256;
constexpr int targetHeight = 200;

QRgb targetPixel(int x, int y)
{
    return qRgb(x, y, 0x80);
}

// The other process: a borderless window with the gradient, at a place the
// window manager (there is none) would not choose. Started without scaling,
// so each of its pixels is one device pixel.
int runTarget(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int left = argc > 2 ? QByteArray(argv[2]).toInt() : targetLeft;
    const int top = argc > 3 ? QByteArray(argv[3]).toInt() : targetTop;
    QImage picture(targetWidth, targetHeight, QImage::Format_RGB32);
    for (int y = 0; y < targetHeight; ++y)
        for (int x = 0; x < targetWidth; ++x)
            picture.setPixel(x, y, targetPixel(x, y));
    class Target : public QWidget
    {
    public:
        explicit Target(QImage image) : m_image(std::move(image)) { }
        void paintEvent(QPaintEvent *) override
        {
            QPainter(this).drawImage(0, 0, m_image);
        }
        QImage m_image;
    } target(picture);
    target.setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    target.setGeometry(left, top, targetWidth, targetHeight);
    target.show();
    if (!QTest::qWaitForWindowExposed(&target))
        return 1;
    QTest::qWait(100);
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

QPoint deviceGlobal(const QWidget *widget, QPointF local)
{
    const QPointF logical = widget->mapToGlobal(local);
    const QScreen *screen = widget->screen();
    const QPointF origin = screen->geometry().topLeft();
    const QPointF device = origin + (logical - origin) * screen->devicePixelRatio();
    return QPoint(int(device.x()), int(device.y()));
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

    void eyedropperTakesExactPixelOfOtherProgram_data();
    void eyedropperTakesExactPixelOfOtherProgram();
    void magnifierWritesEnlargedScreen();
    void guardHoldsOnlyWhileToolIsHeld();
    void openingAndClosingLeaveNoGuard();
    void settingsSurviveCloseAndReopenThroughMenus();

private:
    void xdotool(const QStringList &arguments);
    void focus(QWidget *window);
    void press(QWidget *icon);
    void moveTo(QPoint device);
    void release();
    std::unique_ptr<frmColorPicker> openPicker();

    QProcess m_target;
    std::unique_ptr<TestServices> m_services;
    QPoint m_targetOrigin{ targetLeft, targetTop };
};

void tst_ScreenToolsXvfb::xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
}

void tst_ScreenToolsXvfb::focus(QWidget *window)
{
    // No window manager hands out the keyboard; do it as one would.
    xdotool({ "windowfocus", "--sync", QString::number(window->winId()) });
}

void tst_ScreenToolsXvfb::press(QWidget *icon)
{
    const QPoint at = deviceGlobal(icon, QPointF(icon->width() / 2.0, icon->height() / 2.0));
    moveTo(at);
    xdotool({ "mousedown", "1" });
    QTest::qWait(100);
}

void tst_ScreenToolsXvfb::moveTo(QPoint device)
{
    // Two steps, so the last move is a real motion of the pointer.
    xdotool({ "mousemove", "--sync", QString::number(device.x() + 3), QString::number(device.y() + 3) });
    QTest::qWait(50);
    xdotool({ "mousemove", "--sync", QString::number(device.x()), QString::number(device.y()) });
    // Let a good number of 10 ms ticks pass.
    QTest::qWait(250);
}

void tst_ScreenToolsXvfb::release()
{
    xdotool({ "mouseup", "1" });
    QTest::qWait(150);
}

void tst_ScreenToolsXvfb::initTestCase()
{
    QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"), "needs an X server");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_SCALE_FACTOR"));
    m_target.setProcessEnvironment(env);
    const QByteArray place = qgetenv("CINDRAL_TARGET_AT");
    QStringList arguments{ QStringLiteral("--target") };
    if (!place.isEmpty()) {
        const QList<QByteArray> xy = place.split(',');
        m_targetOrigin = QPoint(xy.value(0).toInt(), xy.value(1).toInt());
        arguments << QString::number(m_targetOrigin.x()) << QString::number(m_targetOrigin.y());
    }
    m_target.start(QCoreApplication::applicationFilePath(), arguments);
    QVERIFY(m_target.waitForStarted());
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += m_target.readAllStandardOutput()).contains("ready")
                                     || m_target.state() != QProcess::Running,
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
}

void tst_ScreenToolsXvfb::cleanup()
{
    xdotool({ "mouseup", "1" });
    ModHook::RemoveKeyboardGuard();
    m_services.reset();
}

std::unique_ptr<frmColorPicker> tst_ScreenToolsXvfb::openPicker()
{
    auto w = std::make_unique<frmColorPicker>(m_services->services());
    w->move(0, 0);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        qWarning("picker was not shown");
    QTest::qWait(100);
    return w;
}

void tst_ScreenToolsXvfb::eyedropperTakesExactPixelOfOtherProgram_data()
{
    QTest::addColumn<QPoint>("pixel");
    // Odd and even places, so a scaled screen must find the right device pixel.
    QTest::newRow("odd pixel") << QPoint(101, 73);
    QTest::newRow("even pixel") << QPoint(38, 150);
    QTest::newRow("corner pixel") << QPoint(255, 199);
}

void tst_ScreenToolsXvfb::eyedropperTakesExactPixelOfOtherProgram()
{
    QFETCH(QPoint, pixel);
    auto w = openPicker();
    w->objOption[4]->click();
    const int pointer = w->historyPointer();
    press(w->imgEyedropper);
    QVERIFY(w->tmrScreenColor->isActive());
    QVERIFY(w->imgEyedropper->pixmap().isNull());
    const QPoint target = m_targetOrigin + pixel;
    moveTo(target);
    QCOMPARE(w->txtCoords->text(), ScreenSampling::coordinatesText(target));
    release();
    QVERIFY(!w->tmrScreenColor->isActive());
    QVERIFY(!w->imgEyedropper->pixmap().isNull());
    const QRgb expected = targetPixel(pixel.x(), pixel.y());
    const quint32 value = quint32(qRed(expected)) | quint32(qGreen(expected)) << 8 | quint32(qBlue(expected)) << 16;
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("%1").arg(expected & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper());
    QCOMPARE(w->picNewColor->color(), value);
    QCOMPARE(w->currentMode(), 0);
    QCOMPARE(w->lblHistoryColor[w->historyPointer()]->color(), value);
    QVERIFY(w->historyPointer() != pointer);
}

void tst_ScreenToolsXvfb::magnifierWritesEnlargedScreen()
{
    auto w = openPicker();
    w->cboPercent->setCurrentIndex(3); // 400%
    press(w->imgMagnifier);
    QVERIFY(w->Timer1->isActive());
    QVERIFY(!w->cboPercent->isEnabled());
    const QPoint centre(128, 100);
    moveTo(m_targetOrigin + centre);
    release();
    QVERIFY(!w->Timer1->isActive());
    QVERIFY(w->cboPercent->isEnabled());
    QImage saved;
    QVERIFY(saved.load(Platform::dataFile(QStringLiteral("scr.bmp")), "BMP"));
    // The view holds device pixels: 146 of them, twice that on a screen scaled by two.
    const int view = int(146 * w->picZoom->devicePixelRatioF());
    QCOMPARE(saved.size(), QSize(view, view));
    // At 400% the view starts view / 8 pixels (halves to even) left of and above the pointer.
    const int half = int(std::nearbyint(view / 8.0));
    for (int y = 0; y < view; y += 5) {
        for (int x = 0; x < view; x += 7) {
            const QRgb want = targetPixel(centre.x() - half + x / 4, centre.y() - half + y / 4);
            QVERIFY2((saved.pixel(x, y) & 0xFFFFFF) == (want & 0xFFFFFF),
                     qPrintable(QStringLiteral("view (%1, %2): %3 instead of %4")
                                        .arg(x).arg(y).arg(saved.pixel(x, y) & 0xFFFFFF, 6, 16)
                                        .arg(want & 0xFFFFFF, 6, 16)));
        }
    }
    QImage shown = w->picZoom->image().convertToFormat(QImage::Format_RGB32);
    shown.setDevicePixelRatio(1);
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), shown);
}

void tst_ScreenToolsXvfb::guardHoldsOnlyWhileToolIsHeld()
{
    auto w = openPicker();
    focus(w.get());
    w->txtHexColor->setFocus();
    QTRY_VERIFY(w->txtHexColor->hasFocus());
    w->txtHexColor->clear();
    QVERIFY(!ModHook::IsKeyboardGuardInstalled());

    press(w->imgMagnifier);
    QVERIFY(ModHook::IsKeyboardGuardInstalled());
    QCOMPARE(QWidget::keyboardGrabber(), w.get());
    xdotool({ "key", "--delay", "30", "Tab", "super", "Super_R", "alt+Tab", "Alt_L" });
    QTest::qWait(200);
    QVERIFY2(w->txtHexColor->hasFocus(), "Tab and Alt+Tab must not move the focus while a tool is held");
    xdotool({ "key", "--delay", "30", "a", "b", "1" });
    QTest::qWait(200);
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("AB1"));
    release();
    QVERIFY(!ModHook::IsKeyboardGuardInstalled());
    QCOMPARE(QWidget::keyboardGrabber(), nullptr);

    // Released: Tab moves on again.
    focus(w.get());
    xdotool({ "key", "Tab" });
    QTRY_VERIFY2(!w->txtHexColor->hasFocus(), "after release Tab works again");
}

void tst_ScreenToolsXvfb::openingAndClosingLeaveNoGuard()
{
    // A guard left behind (a drag whose release never came) goes when a
    // picker opens.
    QWidget other;
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    ModHook::InstallKeyboardGuard(&other);
    QVERIFY(ModHook::IsKeyboardGuardInstalled());
    auto w = openPicker();
    QVERIFY(!ModHook::IsKeyboardGuardInstalled());
    QCOMPARE(QWidget::keyboardGrabber(), nullptr);

    // Closing the picker in the middle of a drag ends the drag.
    press(w->imgMagnifier);
    QVERIFY(ModHook::IsKeyboardGuardInstalled());
    QVERIFY(w->close());
    QVERIFY(!ModHook::IsKeyboardGuardInstalled());
    QVERIFY(!w->Timer1->isActive());
    QVERIFY(!QGuiApplication::overrideCursor());
    release();
}

void tst_ScreenToolsXvfb::settingsSurviveCloseAndReopenThroughMenus()
{
    frmMain main(m_services->services());
    main.move(700, 0);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    focus(&main);
    xdotool({ "key", "ctrl+p" });
    QTRY_VERIFY(main.colorPickerWindow());
    QPointer<frmColorPicker> first = main.colorPickerWindow();
    QTRY_VERIFY(first->isVisible());
    QTest::qWait(100);
    first->cboPercent->setCurrentIndex(8);
    press(first->imgEyedropper);
    moveTo(m_targetOrigin + QPoint(200, 20));
    release();
    const quint32 sampled = first->picNewColor->color();
    QCOMPARE(sampled, 0x8014C8u);
    focus(first);
    xdotool({ "key", "ctrl+q" });
    QTRY_VERIFY(!first);

    focus(&main);
    xdotool({ "key", "ctrl+p" });
    QTRY_VERIFY(main.colorPickerWindow());
    frmColorPicker *second = main.colorPickerWindow();
    QTRY_VERIFY(second->isVisible());
    QCOMPARE(second->lblOldColor->color(), sampled);
    QCOMPARE(second->cboPercent->currentText(), QStringLiteral("1200%"));
    QCOMPARE(second->lblHistoryColor[second->historyPointer()]->color(), sampled);
    second->close();
}

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--target") == 0)
        return runTarget(argc, argv);
    QApplication app(argc, argv);
    tst_ScreenToolsXvfb test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screentools_xvfb.moc"
