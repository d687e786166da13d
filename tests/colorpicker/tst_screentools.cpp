// The picker's eyedropper and magnifier driven through a scripted desktop,
// and its settings and history file across closing and opening.
#include "datafolder.h"
#include "frmcolorpicker.h"
#include "pickersettings.h"
#include "pickerwidgets.h"
#include "screensampling.h"
#include "screensource.h"
#include "testservices.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPushButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// A desktop of 1000 x 700 pixels whose every pixel has its own colour, so a
// wrong pixel or a shifted square shows.
class ScriptedScreen final : public ScreenSource
{
public:
    ScriptedScreen() : desktop(1000, 700, QImage::Format_RGB32)
    {
        for (int y = 0; y < desktop.height(); ++y)
            for (int x = 0; x < desktop.width(); ++x)
                desktop.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 40 + (y / 256) * 7));
    }

    QPoint cursorPosition() override { return cursor; }
    QRgb pixel(QPoint position) override
    {
        ++pixelReads;
        return desktop.rect().contains(position) ? desktop.pixel(position) : qRgb(0, 0, 0);
    }
    QImage grab(const QRect &rect) override
    {
        grabs << rect;
        QImage part = desktop.copy(rect);
        return part;
    }
    QRect screenGeometry(QPoint) override { return desktop.rect(); }

    QImage desktop;
    QPoint cursor{ 10, 10 };
    int pixelReads = 0;
    QList<QRect> grabs;
};

QString dataPath(const QString &name)
{
    return Platform::dataFile(name);
}

QByteArray settingsLines(const QStringList &lines)
{
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
}

void writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 colourValue(QRgb rgb)
{
    return quint32(qRed(rgb)) | quint32(qGreen(rgb)) << 8 | quint32(qBlue(rgb)) << 16;
}

} // namespace

class tst_ScreenTools : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void toolsSitRightOfTheNarrowWidth();
    void eyedropperTakesPixelUnderPointer();
    void eyedropperSwitchesToHueModeAndRecordsOnRelease();
    void eyedropperReleaseWithoutTickOnlyRecords();
    void magnifierShowsEnlargedSquare_data();
    void magnifierShowsEnlargedSquare();
    void magnifierWithoutZoomChoiceTakes200();
    void magnifierKeepsSquareInsideScreen();
    void magnifierReleaseWritesCapture();
    void unwritableCaptureStillEndsTheDrag();
    void anyButtonDragsAndSecondButtonIsNoNewPress();

    void settingsRoundTrip();
    void settingsFileMatchesWindowState();
    void narrowWindowWritesNarrowWidth();
    void readsFileOfAnotherWriter();
    void unreadableFilesTakeDefaults_data();
    void unreadableFilesTakeDefaults();
    void emptyOptionLineKeepsCheck();
    void captureShownOnlyWithSettingsFile();
    void unreadableCaptureTakesDefaults();
    void readOnlySettingsFileIsReplaced();
    void unwritableSettingsLetWindowClose();

private:
    std::unique_ptr<frmColorPicker> openPicker();
    void closeAndReopen(std::unique_ptr<frmColorPicker> &w);

    std::unique_ptr<TestServices> m_services;
    std::unique_ptr<ScriptedScreen> m_screen;
};

void tst_ScreenTools::init()
{
    for (const QString &name : { QStringLiteral("Colorpicker.dat"), QStringLiteral("scr.bmp") }) {
        QFile::setPermissions(dataPath(name), QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(dataPath(name));
        QDir(dataPath(name)).removeRecursively();
    }
    m_services = std::make_unique<TestServices>();
    m_screen = std::make_unique<ScriptedScreen>();
}

void tst_ScreenTools::cleanup()
{
    m_services.reset();
    m_screen.reset();
}

std::unique_ptr<frmColorPicker> tst_ScreenTools::openPicker()
{
    auto w = std::make_unique<frmColorPicker>(m_services->services(), nullptr, m_screen.get());
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        qWarning("picker window was not shown");
    return w;
}

void tst_ScreenTools::closeAndReopen(std::unique_ptr<frmColorPicker> &w)
{
    QVERIFY(w->close());
    w = openPicker();
}

void tst_ScreenTools::toolsSitRightOfTheNarrowWidth()
{
    auto w = openPicker();
    for (QWidget *tool : { static_cast<QWidget *>(w->imgEyedropper), static_cast<QWidget *>(w->imgMagnifier),
                           static_cast<QWidget *>(w->picZoom), static_cast<QWidget *>(w->txtCoords),
                           static_cast<QWidget *>(w->cboPercent), static_cast<QWidget *>(w->picPreView) }) {
        QVERIFY2(tool->geometry().left() >= frmColorPicker::samplingToolsLeft, qPrintable(tool->objectName()));
        QVERIFY(tool->geometry().right() < frmColorPicker::designedWidth);
        QVERIFY(tool->isVisible());
    }
    QCOMPARE(w->picZoom->geometry(), QRect(464, 64, 150, 150));
    QCOMPARE(w->picZoom->innerRect().size(), QSize(146, 146));
    QCOMPARE(w->picPreView->geometry(), QRect(560, 32, 8, 8));
    QStringList zooms;
    for (int i = 0; i < w->cboPercent->count(); ++i)
        zooms << w->cboPercent->itemText(i) + '=' + w->cboPercent->itemData(i).toString();
    QCOMPARE(zooms, (QStringList{ "100%=1", "200%=2", "300%=3", "400%=4", "500%=5", "600%=6",
                                  "700%=7", "800%=8", "1200%=12", "1600%=16" }));
    QCOMPARE(w->cboPercent->currentText(), QStringLiteral("200%"));
    QCOMPARE(w->tmrScreenColor->interval(), 10);
    QCOMPARE(w->Timer1->interval(), 10);
    QVERIFY(!w->tmrScreenColor->isActive());
    QVERIFY(!w->Timer1->isActive());
    QVERIFY(w->imgMouse1->isHidden() && w->imgMouse2->isHidden() && w->imgMouse3->isHidden());
}

void tst_ScreenTools::eyedropperTakesPixelUnderPointer()
{
    auto w = openPicker();
    const QImage icon = w->imgEyedropper->pixmap().toImage();
    QTest::mousePress(w->imgEyedropper, Qt::LeftButton, {}, QPoint(16, 16));
    QVERIFY(w->tmrScreenColor->isActive());
    QVERIFY(w->imgEyedropper->pixmap().isNull());
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->hotSpot(), samplingCursor().hotSpot());

    m_screen->cursor = QPoint(700, 300);
    w->tmrScreenColor_Timer();
    const QRgb expected = m_screen->desktop.pixel(700, 300);
    QCOMPARE(w->eyedropperPoint(), QPoint(700, 300));
    QCOMPARE(w->txtCoords->text(), QStringLiteral(" X: 700  Y: 300"));
    QCOMPARE(w->picNewColor->color(), colourValue(expected));
    QCOMPARE(w->picPreView->image().pixel(0, 0), expected | 0xFF000000u);
    QCOMPARE(w->Text1[3]->text(), QString::number(qRed(expected)));
    QCOMPARE(w->Text1[4]->text(), QString::number(qGreen(expected)));
    QCOMPARE(w->Text1[5]->text(), QString::number(qBlue(expected)));
    // Ticks do not fill the history; the pointer is where opening left it.
    QCOMPARE(w->historyPointer(), 0);
    QCOMPARE(w->lblHistoryColor[1]->tag(), QStringLiteral("blank"));

    // The timer samples on its own as well.
    m_screen->cursor = QPoint(5, 650);
    QTRY_COMPARE(w->picNewColor->color(), colourValue(m_screen->desktop.pixel(5, 650)));

    QTest::mouseRelease(w->imgEyedropper, Qt::LeftButton, {}, QPoint(16, 16));
    QVERIFY(!w->tmrScreenColor->isActive());
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(w->imgEyedropper->pixmap().toImage(), icon);
    QCOMPARE(w->historyPointer(), 1);
    QCOMPARE(w->lblHistoryColor[1]->color(), colourValue(m_screen->desktop.pixel(5, 650)));
    // The marker sits on the new colour again.
    QVERIFY(w->markerPlaced());
    QCOMPARE(w->markerX(), int(w->colorState().bytSaturation));
    QCOMPARE(w->markerY(), 255 - int(w->colorState().bytLuminance));
}

void tst_ScreenTools::eyedropperSwitchesToHueModeAndRecordsOnRelease()
{
    auto w = openPicker();
    w->objOption[3]->click();
    QCOMPARE(w->currentMode(), 3);
    const int before = w->historyPointer();
    QTest::mousePress(w->imgEyedropper, Qt::LeftButton, {}, QPoint(5, 5));
    m_screen->cursor = QPoint(300, 200);
    w->tmrScreenColor_Timer();
    const quint32 sampled = colourValue(m_screen->desktop.pixel(300, 200));
    // The switch back to hue mode repaints the field and records the colour.
    QCOMPARE(w->currentMode(), 0);
    QVERIFY(w->objOption[0]->isChecked());
    QCOMPARE(w->historyPointer(), before + 1);
    QCOMPARE(w->lblHistoryColor[before + 1]->color(), sampled);
    // Further ticks in hue mode record nothing.
    m_screen->cursor = QPoint(301, 200);
    w->tmrScreenColor_Timer();
    QCOMPARE(w->historyPointer(), before + 1);
    QTest::mouseRelease(w->imgEyedropper, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(w->historyPointer(), before + 2);
    QCOMPARE(w->lblHistoryColor[before + 2]->color(), colourValue(m_screen->desktop.pixel(301, 200)));
    QVERIFY(w->cboPercent->isEnabled());
}

void tst_ScreenTools::eyedropperReleaseWithoutTickOnlyRecords()
{
    auto w = openPicker();
    w->txtHexColor->setText(QStringLiteral("123456"));
    w->txtHexColor_LostFocus();
    const quint32 colour = w->picNewColor->color();
    const int pointer = w->historyPointer();
    w->imgEyedropper_MouseDown(1, 0, 0, 0);
    w->imgEyedropper_MouseUp(1, 0, 0, 0);
    QCOMPARE(m_screen->pixelReads, 0);
    QCOMPARE(w->picNewColor->color(), colour);
    QCOMPARE(w->historyPointer(), pointer);
    QVERIFY(w->txtCoords->text().isEmpty());
}

void tst_ScreenTools::magnifierShowsEnlargedSquare_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("zoom");
    QTest::newRow("100%") << 0 << 1;
    QTest::newRow("300%") << 2 << 3;
    QTest::newRow("1600%") << 9 << 16;
}

void tst_ScreenTools::magnifierShowsEnlargedSquare()
{
    QFETCH(int, index);
    QFETCH(int, zoom);
    auto w = openPicker();
    w->cboPercent->setCurrentIndex(index);
    QTest::mousePress(w->imgMagnifier, Qt::LeftButton, {}, QPoint(16, 16));
    QVERIFY(w->Timer1->isActive());
    QVERIFY(!w->cboPercent->isEnabled());
    QVERIFY(w->imgMagnifier->pixmap().isNull());
    QVERIFY(QGuiApplication::overrideCursor());

    m_screen->cursor = QPoint(500, 350);
    m_screen->grabs.clear();
    w->Timer1_Timer();
    QCOMPARE(w->txtCoords->text(), QStringLiteral(" X: 500  Y: 350"));
    const QSize view(146, 146);
    const int half = int(std::nearbyint(146 / (2.0 * zoom)));
    const QRect source(500 - half, 350 - half, (146 + zoom - 1) / zoom, (146 + zoom - 1) / zoom);
    QCOMPARE(m_screen->grabs.value(0), source);
    const QImage &shown = w->picZoom->image();
    QCOMPARE(shown.size(), view);
    // Each screen pixel is a zoom x zoom block; check corners and the middle.
    for (QPoint p : { QPoint(0, 0), QPoint(145, 145), QPoint(73, 73), QPoint(zoom, 2 * zoom - 1) }) {
        const QPoint screenPixel = source.topLeft() + QPoint(p.x() / zoom, p.y() / zoom);
        QCOMPARE(shown.pixel(p), m_screen->desktop.pixel(screenPixel));
    }
    // The pointer's own pixel is in the middle of the view.
    QCOMPARE(shown.pixel(half * zoom, half * zoom), m_screen->desktop.pixel(500, 350));
    // The zoom and the colour stay as they were.
    const quint32 colour = w->picNewColor->color();
    QTest::mouseRelease(w->imgMagnifier, Qt::LeftButton, {}, QPoint(16, 16));
    QCOMPARE(w->picNewColor->color(), colour);
    QVERIFY(w->cboPercent->isEnabled());
    QVERIFY(!w->Timer1->isActive());
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(w->imgMagnifier->pixmap().toImage(), magnifierPicture().toImage());
}

void tst_ScreenTools::magnifierWithoutZoomChoiceTakes200()
{
    auto w = openPicker();
    w->cboPercent->setCurrentIndex(-1);
    w->imgMagnifier_MouseDown(1, 0, 0, 0);
    w->Timer1_Timer();
    QCOMPARE(w->cboPercent->currentIndex(), 1);
    QCOMPARE(m_screen->grabs.value(0).width(), 73);
    w->imgMagnifier_MouseUp(1, 0, 0, 0);
}

void tst_ScreenTools::magnifierKeepsSquareInsideScreen()
{
    auto w = openPicker();
    w->cboPercent->setCurrentIndex(0);
    w->imgMagnifier_MouseDown(1, 0, 0, 0);
    m_screen->cursor = QPoint(990, 3);
    w->Timer1_Timer();
    // The corner pointed at is shown, not the screen's far side.
    QCOMPARE(m_screen->grabs.value(0), QRect(1000 - 146, 0, 146, 146));
    QCOMPARE(w->picZoom->image().pixel(145, 0), m_screen->desktop.pixel(999, 0));
    w->imgMagnifier_MouseUp(1, 0, 0, 0);
}

void tst_ScreenTools::magnifierReleaseWritesCapture()
{
    auto w = openPicker();
    w->cboPercent->setCurrentIndex(4);
    QTest::mousePress(w->imgMagnifier, Qt::LeftButton, {}, QPoint(3, 3));
    m_screen->cursor = QPoint(100, 600);
    w->Timer1_Timer();
    m_screen->cursor = QPoint(200, 100);
    w->Timer1_Timer();
    const QImage last = w->picZoom->image();
    QTest::mouseRelease(w->imgMagnifier, Qt::LeftButton, {}, QPoint(3, 3));
    QImage saved;
    QVERIFY(saved.load(dataPath(QStringLiteral("scr.bmp")), "BMP"));
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), last.convertToFormat(QImage::Format_RGB32));
}

void tst_ScreenTools::unwritableCaptureStillEndsTheDrag()
{
    // A folder where the file should be makes the save fail.
    QVERIFY(QDir().mkpath(dataPath(QStringLiteral("scr.bmp"))));
    auto w = openPicker();
    QTest::mousePress(w->imgMagnifier, Qt::LeftButton, {}, QPoint(3, 3));
    w->Timer1_Timer();
    QTest::mouseRelease(w->imgMagnifier, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(!w->Timer1->isActive());
    QVERIFY(w->cboPercent->isEnabled());
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(!w->imgMagnifier->pixmap().isNull());
}

void tst_ScreenTools::anyButtonDragsAndSecondButtonIsNoNewPress()
{
    auto w = openPicker();
    auto send = [&w](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(3, 3), w->imgEyedropper->mapToGlobal(QPointF(3, 3)), button,
                          buttons, Qt::NoModifier);
        QApplication::sendEvent(w->imgEyedropper, &event);
    };
    send(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton);
    QVERIFY(w->tmrScreenColor->isActive());
    m_screen->cursor = QPoint(40, 50);
    w->tmrScreenColor_Timer();
    // A second button joining in and leaving again does not end the drag.
    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::RightButton | Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::RightButton);
    QVERIFY(w->tmrScreenColor->isActive());
    send(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton);
    QVERIFY(!w->tmrScreenColor->isActive());
    QCOMPARE(w->lblHistoryColor[w->historyPointer()]->color(), colourValue(m_screen->desktop.pixel(40, 50)));
}

// --- settings ----------------------------------------------------------------

void tst_ScreenTools::settingsRoundTrip()
{
    auto w = openPicker();
    w->cmdMore->click();
    w->cboPercent->setCurrentIndex(4);
    w->mnuAutoCopy->trigger();
    w->mnuClearHistory->trigger();
    w->txtHexColor->setText(QStringLiteral("FF0000"));
    w->txtHexColor_LostFocus();
    w->txtHexColor->setText(QStringLiteral("123456"));
    w->txtHexColor_LostFocus();
    QCOMPARE(w->historyPointer(), 1);
    const quint32 current = w->picNewColor->color();
    const quint32 slot0 = w->lblHistoryColor[0]->color();

    closeAndReopen(w);
    QCOMPARE(w->lblOldColor->color(), current);
    QCOMPARE(w->picNewColor->color(), current);
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("123456"));
    QCOMPARE(w->widthTwips(), 9435);
    QCOMPARE(w->cboPercent->currentText(), QStringLiteral("500%"));
    QVERIFY(!w->mnuAutoCopy->isChecked());
    QVERIFY(w->mnuAutoPaste->isChecked());
    QCOMPARE(w->lblHistoryColor[0]->color(), slot0);
    QCOMPARE(w->lblHistoryColor[1]->color(), current);
    QCOMPARE(w->lblHistoryColor[1]->tag(), QString::number(current));
    for (int k = 2; k < 6; ++k) {
        QCOMPARE(w->lblHistoryColor[k]->tag(), QStringLiteral("blank"));
        QCOMPARE(w->lblHistoryColor[k]->color(), 0xFFFFFFu);
    }
    // The starting colour equals the newest entry, so the pointer stays.
    QCOMPARE(w->historyPointer(), 1);
}

void tst_ScreenTools::settingsFileMatchesWindowState()
{
    auto w = openPicker();
    w->mnuAutoPaste->trigger();
    w->cboPercent->setCurrentIndex(9);
    QVERIFY(w->close());
    const QByteArray expected = settingsLines({ QString::number(0xC0C0C0), "9465", "9", "#TRUE#", "#FALSE#", "0",
                                                QString::number(0xC0C0C0), "\"blank\"", "\"blank\"",
                                                "\"blank\"", "\"blank\"", "\"blank\"" });
    QCOMPARE(readFile(dataPath(QStringLiteral("Colorpicker.dat"))), expected);
    QVERIFY(m_services->messages.messages.isEmpty());
}

void tst_ScreenTools::narrowWindowWritesNarrowWidth()
{
    auto w = openPicker();
    w->cmdLess->click();
    QVERIFY(w->close());
    const QList<QByteArray> lines = readFile(dataPath(QStringLiteral("Colorpicker.dat"))).split('\n');
    QCOMPARE(lines.value(1), QByteArray("6975\r"));
    w = openPicker();
    QCOMPARE(w->canvas->width(), frmColorPicker::narrowWidth);
}

void tst_ScreenTools::readsFileOfAnotherWriter()
{
    writeFile(dataPath(QStringLiteral("Colorpicker.dat")),
              settingsLines({ "16711680", "9435", "1", "#TRUE#", "#FALSE#", "1", "255", "16711680",
                              "\"blank\"", "\"blank\"", "\"blank\"", "\"blank\"" }));
    auto w = openPicker();
    QCOMPARE(w->lblOldColor->color(), 0xFF0000u);
    QCOMPARE(w->picNewColor->color(), 0xFF0000u);
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("0000FF"));
    QCOMPARE(w->canvas->width(), frmColorPicker::wideWidth);
    QCOMPARE(w->cboPercent->currentText(), QStringLiteral("200%"));
    QVERIFY(w->mnuAutoCopy->isChecked());
    QVERIFY(!w->mnuAutoPaste->isChecked());
    QCOMPARE(w->historyPointer(), 1);
    QCOMPARE(w->lblHistoryColor[0]->color(), 255u);
    QCOMPARE(w->lblHistoryColor[0]->tag(), QStringLiteral("255"));
    QCOMPARE(w->lblHistoryColor[1]->color(), 0xFF0000u);
    QCOMPARE(w->lblHistoryColor[2]->tag(), QStringLiteral("blank"));
}

void tst_ScreenTools::unreadableFilesTakeDefaults_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<quint32>("oldColour");
    QTest::newRow("five lines") << settingsLines({ "255", "9435", "4", "#FALSE#", "#FALSE#" }) << 255u;
    QTest::newRow("bad boolean") << settingsLines({ "65280", "6975", "4", "maybe", "#TRUE#", "2", "1", "2",
                                                    "3", "4", "5", "6" })
                                 << 65280u;
    QTest::newRow("zoom out of range") << settingsLines({ "65280", "6975", "12", "#FALSE#", "#TRUE#", "2",
                                                          "1", "2", "3", "4", "5", "6" })
                                       << 65280u;
    QTest::newRow("history pointer past the last slot") << settingsLines({ "65280", "6975", "4", "#FALSE#", "#TRUE#", "6",
                                                          "1", "2", "3", "4", "5", "6" })
                                       << 65280u;
}

void tst_ScreenTools::unreadableFilesTakeDefaults()
{
    QFETCH(QByteArray, contents);
    writeFile(dataPath(QStringLiteral("Colorpicker.dat")), contents);
    auto w = openPicker();
    QTEST(w->lblOldColor->color(), "oldColour");
    QCOMPARE(w->canvas->width(), frmColorPicker::defaultsWidth);
    QCOMPARE(w->widthTwips(), 9690);
    QVERIFY(w->canvas->width() > frmColorPicker::wideWidth);
    QCOMPARE(w->cboPercent->currentText(), QStringLiteral("200%"));
    QVERIFY(w->mnuAutoCopy->isChecked());
    QVERIFY(w->mnuAutoPaste->isChecked());
    // Pointer 0; the opening's mode switch records the starting colour there.
    QCOMPARE(w->historyPointer(), 0);
    QTEST(w->lblHistoryColor[0]->color(), "oldColour");
    for (int k = 1; k < 6; ++k)
        QCOMPARE(w->lblHistoryColor[k]->tag(), QStringLiteral("blank"));
}

void tst_ScreenTools::emptyOptionLineKeepsCheck()
{
    writeFile(dataPath(QStringLiteral("Colorpicker.dat")),
              settingsLines({ "255", "9435", "0", "", "#FALSE#", "0", "\"blank\"", "\"blank\"", "\"blank\"",
                              "\"blank\"", "\"blank\"", "\"blank\"" }));
    auto w = openPicker();
    QVERIFY(w->mnuAutoCopy->isChecked());
    QVERIFY(!w->mnuAutoPaste->isChecked());
    QCOMPARE(w->cboPercent->currentText(), QStringLiteral("100%"));
    QCOMPARE(w->canvas->width(), frmColorPicker::wideWidth);
}

void tst_ScreenTools::captureShownOnlyWithSettingsFile()
{
    QImage capture(146, 146, QImage::Format_RGB32);
    capture.fill(qRgb(10, 200, 30));
    capture.setPixel(0, 0, qRgb(1, 2, 3));
    QVERIFY(capture.save(dataPath(QStringLiteral("scr.bmp")), "BMP"));
    {
        auto w = openPicker();
        QVERIFY(w->picZoom->image().pixel(5, 5) != capture.pixel(5, 5));
        QVERIFY(w->close());
    }
    auto w = openPicker();
    QCOMPARE(w->picZoom->image().pixel(5, 5), capture.pixel(5, 5));
    QCOMPARE(w->picZoom->image().pixel(0, 0), capture.pixel(0, 0));
    // The file was good: no defaults were applied.
    QCOMPARE(w->canvas->width(), frmColorPicker::designedWidth);
}

void tst_ScreenTools::unreadableCaptureTakesDefaults()
{
    {
        auto w = openPicker();
        w->cmdLess->click();
        w->mnuAutoCopy->trigger();
        QVERIFY(w->close());
    }
    writeFile(dataPath(QStringLiteral("scr.bmp")), "not a bitmap");
    auto w = openPicker();
    QCOMPARE(w->canvas->width(), frmColorPicker::defaultsWidth);
    QVERIFY(w->mnuAutoCopy->isChecked());
}

void tst_ScreenTools::readOnlySettingsFileIsReplaced()
{
    const QString path = dataPath(QStringLiteral("Colorpicker.dat"));
    {
        auto w = openPicker();
        QVERIFY(w->close());
    }
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    auto w = openPicker();
    w->cmdLess->click();
    QVERIFY(w->close());
    QCOMPARE(readFile(path).split('\n').value(1), QByteArray("6975\r"));
    QVERIFY(m_services->messages.messages.isEmpty());
}

void tst_ScreenTools::unwritableSettingsLetWindowClose()
{
    // A folder in the file's place cannot be replaced, whatever the rights.
    QVERIFY(QDir().mkpath(dataPath(QStringLiteral("Colorpicker.dat"))));
    auto w = openPicker();
    QSignalSpy notSaved(w.get(), &frmColorPicker::settingsNotSaved);
    QVERIFY(w->close());
    QVERIFY(!w->isVisible());
    QCOMPARE(notSaved.count(), 1);
    QCOMPARE(m_services->messages.messages.size(), 1);
    QCOMPARE(m_services->messages.messages[0].title, QStringLiteral("Warning"));
    QVERIFY(m_services->messages.messages[0].text.contains(QStringLiteral("Colorpicker.dat")));
    QVERIFY(QFileInfo(dataPath(QStringLiteral("Colorpicker.dat"))).isDir());
}

QTEST_MAIN(tst_ScreenTools)
#include "tst_screentools.moc"
