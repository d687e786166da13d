#include "datafolder.h"
#include "fieldpainter.h"
#include "frmcolorpicker.h"
#include "module1.h"
#include "pickerwidgets.h"
#include "rgbprinting.h"
#include "testservices.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using ColorModel::Rgb;

namespace {

QString clipboardText()
{
    return QGuiApplication::clipboard()->text();
}

// Widget position of inner pixel (x, y) of a picture.
QPoint inner(int x, int y)
{
    return { x + 2, y + 2 };
}

Rgb fieldPixel(const frmColorPicker &w, int x, int y)
{
    return ColorModel::channelsOf(FieldPainter::pixelColour(w.picBigBox->image(), x, y));
}

Rgb hsl(int h, int s, int l)
{
    Rgb c;
    ColorModel::hslChannels(h, s, l, c);
    return c;
}

QString hexOf(const Rgb &c)
{
    return ColorModel::hexText(c.red, c.green, c.blue);
}

} // namespace

class tst_frmColorPicker : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void opensOnLightGreyWithEmptyHistory();
    void controlsSitWhereDesigned_data();
    void controlsSitWhereDesigned();
    void menusAndTabOrder();
    void fieldPressDragReleaseInHueMode();
    void fieldDragClampsToCorners_data();
    void fieldDragClampsToCorners();
    void fieldIgnoresSecondaryButtonAndUnpaintedField();
    void fieldPressHueFromFractionalUnits_data();
    void fieldPressHueFromFractionalUnits();
    void channelFieldPressTakesPixel();
    void channelReactionAtBottomKeepsColour();
    void sliderDragSetsHueAndTimerRepaintsField();
    void sliderClickRepaintsField();
    void sliderSecondaryButtonDrags();
    void sliderInGreenModeWritesGreenBox();
    void arrowKeysNudgeHueAndClamp();
    void arrowKeysOutsideHueModeOnlyRecordHistory();
    void modeSwitchPaintsFieldAndSlider_data();
    void modeSwitchPaintsFieldAndSlider();
    void numberBoxOnFocusLoss_data();
    void numberBoxOnFocusLoss();
    void emptyOrPastedBoxIsRestored_data();
    void emptyOrPastedBoxIsRestored();
    void keyFilters_data();
    void keyFilters();
    void hexEntrySetsColour();
    void pastedNonHexLeavesColour();
    void wordEntryNormalisesAndSetsColour();
    void wordsRoundTripThroughWindow();
    void complementaryColour_data();
    void complementaryColour();
    void historyRingKeepsSixNewest();
    void historyIgnoresRepeatAndBlankClicks();
    void historyClickSelectsHueMode();
    void oldColourClickRestoresAndRecords();
    void autoCopyOffLeavesClipboard();
    void menuShortcutsClearHistoryAndClose();
    void widenNarrowAndCentre();
    void backgroundPressMovesWindowButControlsDoNot();

private:
    std::unique_ptr<frmColorPicker> openPicker();
    void typeInto(QLineEdit *box, const QString &text);
    void leave(QLineEdit *box);
    void enter(QLineEdit *box, const QString &text)
    {
        typeInto(box, text);
        leave(box);
    }

    std::unique_ptr<TestServices> m_services;
};

void tst_frmColorPicker::init()
{
    // Each test opens the picker as on a first run: closing writes settings.
    QFile::remove(Platform::dataFile(QStringLiteral("Colorpicker.dat")));
    QFile::remove(Platform::dataFile(QStringLiteral("scr.bmp")));
    m_services = std::make_unique<TestServices>();
    QGuiApplication::clipboard()->clear();
}

void tst_frmColorPicker::cleanup()
{
    m_services.reset();
}

std::unique_ptr<frmColorPicker> tst_frmColorPicker::openPicker()
{
    auto w = std::make_unique<frmColorPicker>(m_services->services());
    w->show();
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w.get()))
        qWarning("picker window did not become active");
    return w;
}

void tst_frmColorPicker::typeInto(QLineEdit *box, const QString &text)
{
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->hasFocus());
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

void tst_frmColorPicker::leave(QLineEdit *box)
{
    // Tab moves the focus on, as a user leaving the box does.
    QTest::keyClick(box, Qt::Key_Tab);
    QVERIFY(!box->hasFocus());
}

void tst_frmColorPicker::opensOnLightGreyWithEmptyHistory()
{
    auto w = openPicker();
    QCOMPARE(w->windowTitle(), QStringLiteral("Color Picker"));
    QCOMPARE(w->picNewColor->color(), 0xC0C0C0u);
    QCOMPARE(w->lblOldColor->color(), 0xC0C0C0u);
    const QStringList boxes{ "0", "0", "75", "192", "192", "192" };
    for (int i = 0; i < 6; ++i)
        QCOMPARE(w->Text1[i]->text(), boxes[i]);
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("C0C0C0"));
    QCOMPARE(w->txtGBAColor->text(), QStringLiteral("1863"));
    QCOMPARE(clipboardText(), QStringLiteral("1863"));
    QVERIFY(w->objOption[0]->isChecked());
    QVERIFY(w->objOption[0]->hasFocus());
    QVERIFY(w->mnuAutoCopy->isChecked());
    QVERIFY(w->mnuAutoPaste->isChecked());
    // The mode switch at first show recorded the starting colour.
    QCOMPARE(w->lblHistoryColor[0]->color(), 0xC0C0C0u);
    QCOMPARE(w->lblHistoryColor[0]->tag(), QString::number(0xC0C0C0));
    for (int k = 1; k < 6; ++k) {
        QCOMPARE(w->lblHistoryColor[k]->color(), 0xFFFFFFu);
        QCOMPARE(w->lblHistoryColor[k]->tag(), QStringLiteral("blank"));
    }
    QCOMPARE(w->canvas->width(), frmColorPicker::designedWidth);
    QVERIFY(frmColorPicker::samplingToolsLeft < w->canvas->width());
    // Hue mode: the slider shows the rainbow, red at both ends.
    QCOMPARE(ColorModel::channelsOf(FieldPainter::pixelColour(w->picThinBox->image(), 5, 255)), (Rgb{ 255, 0, 0 }));
    QCOMPARE(w->sliderMarkerRow(), 255 + 33);
    // The marker sits on saturation 0, luminance 192.
    QVERIFY(w->picBigBox->markerVisible());
    QCOMPARE(w->picBigBox->markerCentre(), FieldPainter::fieldUnitsToPixel(0, 63));
    QCOMPARE(w->picBigBox->markerDark(), false);
}

void tst_frmColorPicker::controlsSitWhereDesigned_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("picBigBox") << "picBigBox" << QRect(12, 32, 259, 258);
    QTest::newRow("picThinBox") << "picThinBox" << QRect(284, 32, 21, 258);
    QTest::newRow("lblContainer") << "lblContainer" << QRect(318, 32, 54, 69);
    QTest::newRow("picNewColor") << "picNewColor" << QRect(319, 33, 51, 34);
    QTest::newRow("lblOldColor") << "lblOldColor" << QRect(319, 66, 51, 34);
    QTest::newRow("lblComplementaryColor") << "lblComplementaryColor" << QRect(376, 56, 27, 17);
    QTest::newRow("objOption(3)") << "objOption3" << QRect(320, 187, 33, 17);
    QTest::newRow("Text1(5)") << "Text15" << QRect(352, 235, 33, 19);
    QTest::newRow("txtHexColor") << "txtHexColor" << QRect(352, 264, 65, 19);
    QTest::newRow("txtGBAColor") << "txtGBAColor" << QRect(352, 288, 41, 19);
    QTest::newRow("Frame1") << "Frame1" << QRect(12, 296, 259, 41);
    QTest::newRow("lblHistoryColor(5) in frame") << "lblHistoryColor5" << QRect(212, 16, 33, 17);
    QTest::newRow("cmdLess") << "cmdLess" << QRect(416, 120, 25, 25);
    QTest::newRow("cmdMore") << "cmdMore" << QRect(416, 153, 25, 25);
}

void tst_frmColorPicker::controlsSitWhereDesigned()
{
    QFETCH(QString, control);
    frmColorPicker w(m_services->services());
    const QHash<QString, QWidget *> controls{
        { "picBigBox", w.picBigBox }, { "picThinBox", w.picThinBox },
        { "lblContainer", w.lblContainer }, { "picNewColor", w.picNewColor },
        { "lblOldColor", w.lblOldColor }, { "lblComplementaryColor", w.lblComplementaryColor },
        { "objOption3", w.objOption[3] }, { "Text15", w.Text1[5] },
        { "txtHexColor", w.txtHexColor }, { "txtGBAColor", w.txtGBAColor },
        { "Frame1", w.Frame1 }, { "lblHistoryColor5", w.lblHistoryColor[5] },
        { "cmdLess", w.cmdLess }, { "cmdMore", w.cmdMore },
    };
    QTEST(controls.value(control)->geometry(), "geometry");
}

void tst_frmColorPicker::menusAndTabOrder()
{
    auto w = openPicker();
    QCOMPARE(w->mnufile->title(), QStringLiteral("&File"));
    QCOMPARE(w->mnuExit->text(), QStringLiteral("Exit"));
    QCOMPARE(w->mnuOptions->title(), QStringLiteral("&Options"));
    QStringList items;
    for (QAction *a : w->mnuOptions->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(items, (QStringList{ "Auto Copy", "Auto Paste", "-", "Clear Color History" }));
    QVERIFY(w->mnuAutoCopy->isCheckable());
    QCOMPARE(w->Text1[0]->maxLength(), 3);
    QCOMPARE(w->txtHexColor->maxLength(), 6);
    QCOMPARE(w->txtGBAColor->maxLength(), 4);
    // Tab from the hue option reaches the boxes in order.
    QVERIFY(w->objOption[0]->hasFocus());
    QWidget *next = w->objOption[0];
    QList<QWidget *> chain;
    for (int i = 0; i < 20 && chain.size() < 8; ++i) {
        next = next->nextInFocusChain();
        if (qobject_cast<QLineEdit *>(next))
            chain << next;
    }
    QCOMPARE(chain, (QList<QWidget *>{ w->Text1[0], w->Text1[1], w->Text1[2], w->Text1[3],
                                      w->Text1[4], w->Text1[5], w->txtHexColor, w->txtGBAColor }));
}

void tst_frmColorPicker::fieldPressDragReleaseInHueMode()
{
    auto w = openPicker();
    // Pixel (200, 50) is field units (200.78, 50.39): saturation 201, luminance 205.
    QTest::mousePress(w->picBigBox, Qt::LeftButton, {}, inner(200, 50));
    const Rgb pressed = hsl(0, 201, 205);
    QCOMPARE(w->txtHexColor->text(), hexOf(pressed));
    QCOMPARE(w->Text1[1]->text(), QStringLiteral("79"));
    QCOMPARE(w->Text1[2]->text(), QStringLiteral("80"));
    QCOMPARE(clipboardText(), Module1::RGBHexToGBAColor(hexOf(pressed)));
    // A press does not record; the release does.
    QCOMPARE(w->historyPointer(), 0);

    QTest::mouseMove(w->picBigBox, inner(100, 150));
    QVERIFY(!w->picBigBox->markerVisible());
    QCOMPARE(w->colorState().bytSaturation, quint8(100));
    QCOMPARE(w->colorState().bytLuminance, quint8(255 - 151));

    QTest::mouseRelease(w->picBigBox, Qt::LeftButton, {}, inner(100, 150));
    QVERIFY(w->picBigBox->markerVisible());
    QCOMPARE(w->picBigBox->markerCentre(), QPoint(100, 150));
    QCOMPARE(w->markerX(), 100);
    QCOMPARE(w->markerY(), 151);
    QCOMPARE(w->historyPointer(), 1);
    QCOMPARE(w->lblHistoryColor[1]->color(), w->picNewColor->color());
    // The colour under the marker is the colour chosen.
    const Rgb chosen = ColorModel::channelsOf(w->picNewColor->color());
    const Rgb under = fieldPixel(*w, 100, 150);
    QVERIFY2(std::abs(chosen.red - under.red) <= 2 && std::abs(chosen.green - under.green) <= 2
                     && std::abs(chosen.blue - under.blue) <= 2,
             qPrintable(hexOf(chosen) + QStringLiteral(" vs pixel ") + hexOf(under)));
}

void tst_frmColorPicker::fieldDragClampsToCorners_data()
{
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("saturation");
    QTest::addColumn<int>("luminance");
    QTest::newRow("beyond top right") << QPoint(600, -80) << 255 << 255;
    QTest::newRow("beyond bottom left") << QPoint(-90, 700) << 0 << 0;
}

void tst_frmColorPicker::fieldDragClampsToCorners()
{
    QFETCH(QPoint, to);
    auto w = openPicker();
    w->objOption[0]->click();
    w->Text1[0]->setText(QStringLiteral("120"));
    w->Text1_LostFocus(0);
    QCOMPARE(w->colorState().intColorAngle, qint16(510));
    QTest::mousePress(w->picBigBox, Qt::LeftButton, {}, inner(10, 10));
    QTest::mouseMove(w->picBigBox, to);
    QTest::mouseRelease(w->picBigBox, Qt::LeftButton, {}, to);
    QTEST(int(w->colorState().bytSaturation), "saturation");
    QTEST(int(w->colorState().bytLuminance), "luminance");
    QCOMPARE(w->colorState().intColorAngle, qint16(510));
    QCOMPARE(w->Text1[0]->text(), QStringLiteral("120"));
}

void tst_frmColorPicker::fieldIgnoresSecondaryButtonAndUnpaintedField()
{
    {
        // Never shown: the field was never painted, so presses are ignored.
        frmColorPicker hidden(m_services->services());
        hidden.picBigBox_MouseDown(1, 0, 100, 100);
        hidden.picBigBox_MouseUp(1, 0, 100, 100);
        QCOMPARE(hidden.txtHexColor->text(), QStringLiteral("C0C0C0"));
        QVERIFY(!hidden.markerPlaced());
    }
    auto w = openPicker();
    QTest::mousePress(w->picBigBox, Qt::RightButton, {}, inner(250, 5));
    QTest::mouseMove(w->picBigBox, inner(240, 5));
    QTest::mouseRelease(w->picBigBox, Qt::RightButton, {}, inner(240, 5));
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("C0C0C0"));
    QCOMPARE(w->historyPointer(), 0);
    // The border is not part of the field.
    QTest::mousePress(w->picBigBox, Qt::LeftButton, {}, QPoint(1, 1));
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("C0C0C0"));
    QTest::mouseRelease(w->picBigBox, Qt::LeftButton, {}, QPoint(1, 1));
}

void tst_frmColorPicker::fieldPressHueFromFractionalUnits_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("hue");
    QTest::newRow("100.5 gives 603") << 100.5 << 603;
    QTest::newRow("0.25 gives 2") << 0.25 << 2;
    QTest::newRow("255 gives 1530") << 255.0 << 1530;
}

void tst_frmColorPicker::fieldPressHueFromFractionalUnits()
{
    QFETCH(double, x);
    auto w = openPicker();
    w->objOption[1]->click();
    QVERIFY(w->objOption[1]->isChecked());
    w->picBigBox_MouseDown(1, 0, x, 0);
    QTEST(int(w->colorState().intColorAngle), "hue");
    QCOMPARE(w->colorState().bytLuminance, quint8(255));
}

void tst_frmColorPicker::channelFieldPressTakesPixel()
{
    auto w = openPicker();
    w->objOption[3]->click(); // red fixed at 192, blue across, green up
    QTest::mousePress(w->picBigBox, Qt::LeftButton, {}, inner(30, 100));
    QTest::mouseRelease(w->picBigBox, Qt::LeftButton, {}, inner(30, 100));
    const Rgb pixel = fieldPixel(*w, 30, 100);
    QCOMPARE(pixel, (Rgb{ 192, 155, 30 }));
    QCOMPARE(ColorModel::channelsOf(w->picNewColor->color()), pixel);
    QCOMPARE(w->Text1[3]->text(), QStringLiteral("192"));
    QCOMPARE(w->Text1[4]->text(), QStringLiteral("155"));
    QCOMPARE(w->Text1[5]->text(), QStringLiteral("30"));
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("C09B1E"));
    // The red slider now runs over green 155 and blue 30.
    QCOMPARE(ColorModel::channelsOf(FieldPainter::pixelColour(w->picThinBox->image(), 3, 55)),
             (Rgb{ 200, 155, 30 }));
}

void tst_frmColorPicker::channelReactionAtBottomKeepsColour()
{
    auto w = openPicker();
    w->objOption[3]->click();
    w->BigBoxOpt3Reaction(10, 254);
    QCOMPARE(w->picNewColor->color(), 0xC0C0C0u);
    QCOMPARE(w->Text1[5]->text(), QStringLiteral("192"));
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("C0C0C0"));
}

void tst_frmColorPicker::sliderDragSetsHueAndTimerRepaintsField()
{
    auto w = openPicker();
    // Give the colour some saturation first so the hue shows.
    enter(w->Text1[1], QStringLiteral("100"));
    enter(w->Text1[2], QStringLiteral("100"));
    QTest::mousePress(w->picThinBox, Qt::LeftButton, {}, inner(5, 0));
    QCOMPARE(w->colorState().intColorAngle, qint16(1530));
    QCOMPARE(w->Text1[0]->text(), QStringLiteral("360"));
    QCOMPARE(w->sliderMarkerRow(), 33);
    QVERIFY(w->tmrThinBox->isActive());

    QTest::mouseMove(w->picThinBox, inner(5, 128));
    QCOMPARE(w->colorState().intColorAngle, qint16(762));
    QCOMPARE(w->txtHexColor->text(), hexOf(hsl(762, 255, 255)));
    // The field follows on the next timer tick, not at once.
    QCOMPARE(fieldPixel(*w, 255, 0), (Rgb{ 255, 0, 0 }));
    QTRY_COMPARE_WITH_TIMEOUT(fieldPixel(*w, 255, 0), hsl(762, 255, 255), 1000);

    QTest::mouseMove(w->picThinBox, inner(5, 400));
    QCOMPARE(w->colorState().intColorAngle, qint16(0));
    QTest::mouseMove(w->picThinBox, inner(5, 85));
    QTest::mouseRelease(w->picThinBox, Qt::LeftButton, {}, inner(5, 85));
    QVERIFY(!w->tmrThinBox->isActive());
    // The release paints what the last move asked for, without waiting.
    QCOMPARE(w->colorState().intColorAngle, qint16(1020));
    QCOMPARE(fieldPixel(*w, 255, 0), (Rgb{ 0, 0, 255 }));
    QCOMPARE(w->lblHistoryColor[w->historyPointer()]->color(), w->picNewColor->color());
}

void tst_frmColorPicker::sliderClickRepaintsField()
{
    auto w = openPicker();
    QTest::mouseClick(w->picThinBox, Qt::LeftButton, {}, inner(5, 170));
    QCOMPARE(w->colorState().intColorAngle, qint16(510));
    QCOMPARE(fieldPixel(*w, 255, 0), (Rgb{ 0, 255, 0 }));
}

void tst_frmColorPicker::sliderSecondaryButtonDrags()
{
    auto w = openPicker();
    w->objOption[2]->click(); // brightness on the slider
    QTest::mousePress(w->picThinBox, Qt::RightButton, {}, inner(5, 155));
    QCOMPARE(w->colorState().bytLuminance, quint8(100));
    QTest::mouseRelease(w->picThinBox, Qt::RightButton, {}, inner(5, 155));
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("646464"));
}

void tst_frmColorPicker::sliderInGreenModeWritesGreenBox()
{
    auto w = openPicker();
    enter(w->Text1[3], QStringLiteral("17"));
    enter(w->Text1[5], QStringLiteral("99"));
    w->objOption[4]->click();
    QTest::mousePress(w->picThinBox, Qt::LeftButton, {}, inner(5, 55));
    QCOMPARE(w->Text1[4]->text(), QStringLiteral("200"));
    QCOMPARE(w->picNewColor->color(), ColorModel::rgbValue(17, 200, 99));
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("11C863"));
    QTest::mouseRelease(w->picThinBox, Qt::LeftButton, {}, inner(5, 55));
    w->PlaceThinBoxMarker();
    QCOMPARE(w->sliderMarkerRow(), 55 + 33);
}

void tst_frmColorPicker::arrowKeysNudgeHueAndClamp()
{
    auto w = openPicker();
    enter(w->Text1[1], QStringLiteral("100"));
    QTest::mousePress(w->picThinBox, Qt::LeftButton, {}, inner(5, 1));
    QTest::mouseRelease(w->picThinBox, Qt::LeftButton, {}, inner(5, 1));
    QCOMPARE(w->colorState().intColorAngle, qint16(1524));
    QVERIFY(w->picThinBox->hasFocus());
    QTest::keyClick(w->picThinBox, Qt::Key_Up);
    QCOMPARE(w->colorState().intColorAngle, qint16(1530));
    QCOMPARE(w->sliderMarkerRow(), 33);
    QCOMPARE(fieldPixel(*w, 255, 0), (Rgb{ 255, 0, 0 }));

    // The lowest inner row is 253: hue 12.
    QTest::mousePress(w->picThinBox, Qt::LeftButton, {}, inner(5, 253));
    QTest::mouseRelease(w->picThinBox, Qt::LeftButton, {}, inner(5, 253));
    QCOMPARE(w->colorState().intColorAngle, qint16(12));
    QTest::keyClick(w->picThinBox, Qt::Key_Down);
    QCOMPARE(w->colorState().intColorAngle, qint16(2));
    QTest::keyClick(w->picThinBox, Qt::Key_Down);
    QCOMPARE(w->colorState().intColorAngle, qint16(0));
    QCOMPARE(w->sliderMarkerRow(), 255 + 33);
    QTest::keyClick(w->picThinBox, Qt::Key_Up);
    QCOMPARE(w->colorState().intColorAngle, qint16(10));
    // Leaving the brightness box for the slider re-applied its 75 %: 191.
    QCOMPARE(w->txtHexColor->text(), hexOf(hsl(10, 255, 191)));
}

void tst_frmColorPicker::arrowKeysOutsideHueModeOnlyRecordHistory()
{
    auto w = openPicker();
    w->objOption[1]->click();
    // A press without release changes the colour but records nothing yet.
    w->picBigBox_MouseDown(1, 0, 100, 100);
    const quint32 colour = w->picNewColor->color();
    const int pointer = w->historyPointer();
    QVERIFY(w->lblHistoryColor[pointer]->color() != colour);
    w->picThinBox->setFocus();
    QTest::keyClick(w->picThinBox, Qt::Key_Up);
    QCOMPARE(w->picNewColor->color(), colour);
    QCOMPARE(w->historyPointer(), pointer + 1);
    QCOMPARE(w->lblHistoryColor[pointer + 1]->color(), colour);
}

void tst_frmColorPicker::modeSwitchPaintsFieldAndSlider_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<Rgb>("field");
    QTest::addColumn<Rgb>("sliderRow100");
    QTest::addColumn<int>("sliderMarkerRow");
    // The colour is (40, 120, 200): hue 210 degrees (892.5 steps, so 892), saturation 204, luminance 200.
    QTest::newRow("hue") << 0 << QPoint(0, 0) << Rgb{ 255, 255, 255 }
                         << hsl(ColorModel::roundEven(FieldPainter::rainbowHue(155)), 255, 255)
                         << 106 + 33;
    QTest::newRow("saturation") << 1 << QPoint(0, 55) << Rgb{ 200, 40, 40 }
                                << hsl(892, 155, 200) << 255 - 204 + 33;
    QTest::newRow("brightness") << 2 << QPoint(0, 255) << Rgb{ 200, 200, 200 }
                                << Rgb{ FieldPainter::fadeValue(hsl(892, 204, 255).red, 100),
                                        FieldPainter::fadeValue(hsl(892, 204, 255).green, 100),
                                        FieldPainter::fadeValue(hsl(892, 204, 255).blue, 100) }
                                << 255 - 199 + 33;
    QTest::newRow("red") << 3 << QPoint(7, 9) << Rgb{ 40, 246, 7 } << Rgb{ 155, 120, 200 } << 255 - 40 + 33;
    QTest::newRow("green") << 4 << QPoint(7, 9) << Rgb{ 246, 120, 7 } << Rgb{ 40, 155, 200 } << 255 - 120 + 33;
    QTest::newRow("blue") << 5 << QPoint(7, 9) << Rgb{ 7, 246, 200 } << Rgb{ 40, 120, 155 } << 255 - 200 + 33;
}

void tst_frmColorPicker::modeSwitchPaintsFieldAndSlider()
{
    QFETCH(int, mode);
    QFETCH(QPoint, pixel);
    auto w = openPicker();
    // Typed but left without passing the colour word box, which would round
    // the colour to 15 bits when it loses the focus.
    w->txtHexColor->setText(QStringLiteral("2878C8"));
    w->txtHexColor_LostFocus();
    QCOMPARE(w->colorState().intColorAngle, qint16(892));
    QCOMPARE(w->colorState().bytSaturation, quint8(204));
    QTest::mouseClick(w->objOption[mode], Qt::LeftButton);
    QVERIFY(w->objOption[mode]->isChecked());
    QCOMPARE(w->currentMode(), mode);
    QTEST(fieldPixel(*w, pixel.x(), pixel.y()), "field");
    QTEST(ColorModel::channelsOf(FieldPainter::pixelColour(w->picThinBox->image(), 10, 100)),
          "sliderRow100");
    QTEST(w->sliderMarkerRow(), "sliderMarkerRow");
    // The mode switch keeps the colour.
    QCOMPARE(w->picNewColor->color(), ColorModel::rgbValue(40, 120, 200));
}

void tst_frmColorPicker::numberBoxOnFocusLoss_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("angle");
    QTest::addColumn<int>("saturation");
    QTest::addColumn<int>("luminance");
    // Starting colour light grey: hue 0, saturation 0, luminance 192.
    QTest::newRow("hue above 360") << 0 << "400" << "360" << 1530 << 0 << 192;
    QTest::newRow("hue 90") << 0 << "90" << "90" << 382 << 0 << 192;
    QTest::newRow("saturation 50% is 128") << 1 << "50" << "50" << 0 << 128 << 192;
    QTest::newRow("saturation 30% is 76") << 1 << "30" << "30" << 0 << 76 << 192;
    QTest::newRow("saturation above 100") << 1 << "101" << "100" << 0 << 255 << 192;
    QTest::newRow("brightness 2% is 5") << 2 << "2" << "2" << 0 << 0 << 5;
    QTest::newRow("green 999 shows 255") << 4 << "999" << "255" << 510 << 63 << 255;
    QTest::newRow("red 0") << 3 << "0" << "0" << 765 << 255 << 192;
}

void tst_frmColorPicker::numberBoxOnFocusLoss()
{
    QFETCH(int, box);
    QFETCH(QString, typed);
    auto w = openPicker();
    enter(w->Text1[box], typed);
    QTEST(w->Text1[box]->text(), "shown");
    QTEST(int(w->colorState().intColorAngle), "angle");
    QTEST(int(w->colorState().bytSaturation), "saturation");
    QTEST(int(w->colorState().bytLuminance), "luminance");
    // The hex and word boxes, the swatch, the history and the clipboard follow.
    const Rgb c = ColorModel::channelsOf(w->picNewColor->color());
    QCOMPARE(w->txtHexColor->text(), hexOf(c));
    QCOMPARE(clipboardText(), w->txtGBAColor->text());
    QCOMPARE(w->lblHistoryColor[w->historyPointer()]->color(), w->picNewColor->color());
    QVERIFY(w->markerPlaced());
}

void tst_frmColorPicker::emptyOrPastedBoxIsRestored_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("restored");
    QTest::newRow("empty hue") << 0 << "" << "0";
    QTest::newRow("empty brightness") << 2 << "" << "75";
    QTest::newRow("pasted letters in red") << 3 << "x1" << "192";
    QTest::newRow("pasted sign in blue") << 5 << "-4" << "192";
}

void tst_frmColorPicker::emptyOrPastedBoxIsRestored()
{
    QFETCH(int, box);
    QFETCH(QString, text);
    auto w = openPicker();
    QGuiApplication::clipboard()->setText(text);
    QTest::mouseClick(w->Text1[box], Qt::LeftButton);
    w->Text1[box]->selectAll();
    QTest::keyClick(w->Text1[box], Qt::Key_Backspace);
    QTest::keySequence(w->Text1[box], QKeySequence::Paste);
    QCOMPARE(w->Text1[box]->text(), text);
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    leave(w->Text1[box]);
    QTEST(w->Text1[box]->text(), "restored");
    QCOMPARE(w->picNewColor->color(), 0xC0C0C0u);
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("C0C0C0"));
    QCOMPARE(w->historyPointer(), 0);
    QCOMPARE(w->lblHistoryColor[1]->tag(), QStringLiteral("blank"));
    QCOMPARE(clipboardText(), QStringLiteral("untouched"));
    // The complementary colour reads an emptied hue box as the current hue.
    w->Text1[0]->clear();
    w->lblComplementaryColor_Click(0);
    QCOMPARE(w->Text1[0]->text(), QStringLiteral("180"));
}

void tst_frmColorPicker::keyFilters_data()
{
    QTest::addColumn<int>("box"); // 0..5 number boxes, 6 hex, 7 word
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("digits only in numbers") << 1 << "4a-5." << "45";
    QTest::newRow("three characters at most") << 3 << "12345" << "123";
    QTest::newRow("hex lower case raised") << 6 << "abcdef" << "ABCDEF";
    QTest::newRow("hex drops g and blanks") << 6 << "1g 2Z3" << "123";
    QTest::newRow("hex six at most") << 6 << "1234567" << "123456";
    QTest::newRow("word uses hex filter") << 7 << "ff7fa" << "FF7F";
}

void tst_frmColorPicker::keyFilters()
{
    QFETCH(int, box);
    QFETCH(QString, typed);
    auto w = openPicker();
    QLineEdit *edit = box < 6 ? w->Text1[box] : box == 6 ? w->txtHexColor : w->txtGBAColor;
    typeInto(edit, typed);
    QTEST(edit->text(), "kept");
    // Backspace and the cursor keys still work.
    QString expected = edit->text();
    expected.remove(expected.size() - 2, 1);
    QTest::keyClick(edit, Qt::Key_Left);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), expected);
}

void tst_frmColorPicker::hexEntrySetsColour()
{
    auto w = openPicker();
    enter(w->txtHexColor, QStringLiteral("123456"));
    QCOMPARE(w->picNewColor->color(), ColorModel::rgbValue(0x12, 0x34, 0x56));
    QCOMPARE(w->Text1[3]->text(), QStringLiteral("18"));
    QCOMPARE(w->Text1[4]->text(), QStringLiteral("52"));
    QCOMPARE(w->Text1[5]->text(), QStringLiteral("86"));
    QCOMPARE(w->Text1[0]->text(), QStringLiteral("209"));
    QCOMPARE(w->txtGBAColor->text(), QStringLiteral("C228"));
    QCOMPARE(clipboardText(), QStringLiteral("C228"));
    QCOMPARE(w->lblHistoryColor[1]->color(), ColorModel::rgbValue(0x12, 0x34, 0x56));
    // Leaving the colour word box rounds the colour to what the word holds.
    QVERIFY(w->txtGBAColor->hasFocus());
    typeInto(w->txtHexColor, QStringLiteral("FFF"));
    QCOMPARE(w->picNewColor->color(), ColorModel::rgbValue(16, 49, 82));
    // Shorter texts are ignored on leaving.
    leave(w->txtHexColor);
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("FFF"));
    QCOMPARE(w->picNewColor->color(), ColorModel::rgbValue(16, 49, 82));
}

void tst_frmColorPicker::pastedNonHexLeavesColour()
{
    auto w = openPicker();
    QGuiApplication::clipboard()->setText(QStringLiteral("12G4ZZ"));
    QTest::mouseClick(w->txtHexColor, Qt::LeftButton);
    w->txtHexColor->selectAll();
    QTest::keySequence(w->txtHexColor, QKeySequence::Paste);
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("12G4ZZ"));
    leave(w->txtHexColor);
    QCOMPARE(w->picNewColor->color(), 0xC0C0C0u);
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("C0C0C0"));
    QCOMPARE(w->txtGBAColor->text(), QStringLiteral("1863"));
}

void tst_frmColorPicker::wordEntryNormalisesAndSetsColour()
{
    auto w = openPicker();
    enter(w->txtGBAColor, QStringLiteral("FFFF"));
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("FFFFFF"));
    QCOMPARE(w->txtGBAColor->text(), QStringLiteral("FF7F"));
    QCOMPARE(w->picNewColor->color(), 0xFFFFFFu);
    QCOMPARE(clipboardText(), QStringLiteral("FF7F"));
    // White is light: the marker wears its dark ring, at the top left.
    QVERIFY(w->picBigBox->markerDark());
    QCOMPARE(w->picBigBox->markerCentre(), QPoint(0, 0));
    // Three characters are ignored.
    enter(w->txtGBAColor, QStringLiteral("1F0"));
    QCOMPARE(w->picNewColor->color(), 0xFFFFFFu);
}

void tst_frmColorPicker::wordsRoundTripThroughWindow()
{
    auto w = openPicker();
    const QStringList words{ "0000", "FF7F", "1F00", "E003", "007C", "1863", "C628", "4A29",
                             "7B6F", "0100", "2000", "0004", "1042", "EF3D", "3412", "A55A" };
    for (const QString &word : words) {
        enter(w->txtGBAColor, word);
        QCOMPARE(w->txtGBAColor->text(), word);
        QCOMPARE(clipboardText(), word);
        QCOMPARE(w->txtHexColor->text(), Module1::GBAColorToRGBHex(word, false));
    }
}

void tst_frmColorPicker::complementaryColour_data()
{
    QTest::addColumn<QString>("hue");
    QTest::addColumn<QString>("turned");
    QTest::newRow("200 gives 20") << "200" << "20";
    QTest::newRow("100 gives 280") << "100" << "280";
    QTest::newRow("180 gives 0") << "180" << "0";
    QTest::newRow("0 gives 180") << "0" << "180";
}

void tst_frmColorPicker::complementaryColour()
{
    QFETCH(QString, hue);
    auto w = openPicker();
    enter(w->Text1[1], QStringLiteral("100"));
    enter(w->Text1[0], hue);
    QTest::mouseClick(w->lblComplementaryColor, Qt::LeftButton);
    QTEST(w->Text1[0]->text(), "turned");
    QCOMPARE(w->colorState().bytSaturation, quint8(255));
    // Leaving the brightness box on the way re-applied its 75 %: 191.
    QCOMPARE(w->colorState().bytLuminance, quint8(191));
    QCOMPARE(w->colorState().intColorAngle,
             qint16(ColorModel::roundEven(w->Text1[0]->text().toInt() / 360.0 * 1530)));
}

void tst_frmColorPicker::historyRingKeepsSixNewest()
{
    auto w = openPicker();
    QTest::keySequence(w.get(), QKeySequence(Qt::CTRL | Qt::Key_H));
    QCOMPARE(w->lblHistoryColor[0]->tag(), QStringLiteral("blank"));
    for (int i = 1; i <= 7; ++i)
        enter(w->Text1[3], QString::number(i * 10));
    QCOMPARE(w->lblHistoryColor[0]->color(), ColorModel::rgbValue(70, 192, 192));
    for (int k = 1; k <= 5; ++k)
        QCOMPARE(w->lblHistoryColor[k]->color(), ColorModel::rgbValue((k + 1) * 10, 192, 192));
    QCOMPARE(w->historyPointer(), 0);
    QCOMPARE(w->lblHistoryColor[0]->tag(), QString::number(ColorModel::rgbValue(70, 192, 192)));
}

void tst_frmColorPicker::historyIgnoresRepeatAndBlankClicks()
{
    auto w = openPicker();
    enter(w->Text1[3], QStringLiteral("10"));
    QCOMPARE(w->historyPointer(), 1);
    enter(w->Text1[3], QStringLiteral("10"));
    QCOMPARE(w->historyPointer(), 1);
    QCOMPARE(w->lblHistoryColor[2]->tag(), QStringLiteral("blank"));
    const QString hex = w->txtHexColor->text();
    QTest::mouseClick(w->lblHistoryColor[4], Qt::LeftButton);
    QCOMPARE(w->txtHexColor->text(), hex);
    QCOMPARE(w->historyPointer(), 1);
}

void tst_frmColorPicker::historyClickSelectsHueMode()
{
    auto w = openPicker();
    enter(w->txtHexColor, QStringLiteral("FF8000"));
    w->objOption[4]->click();
    QCOMPARE(w->currentMode(), 4);
    const int pointer = w->historyPointer();
    QTest::mouseClick(w->lblHistoryColor[0], Qt::LeftButton);
    QCOMPARE(w->picNewColor->color(), 0xC0C0C0u);
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("C0C0C0"));
    QCOMPARE(w->currentMode(), 0);
    QCOMPARE(w->historyPointer(), pointer);
    QCOMPARE(w->lblHistoryColor[pointer]->color(), ColorModel::rgbValue(255, 128, 0));
    QCOMPARE(fieldPixel(*w, 0, 0), (Rgb{ 255, 255, 255 }));
}

void tst_frmColorPicker::oldColourClickRestoresAndRecords()
{
    auto w = openPicker();
    enter(w->txtHexColor, QStringLiteral("00FF00"));
    QTest::mouseClick(w->lblOldColor, Qt::LeftButton);
    QCOMPARE(w->picNewColor->color(), 0xC0C0C0u);
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("C0C0C0"));
    QCOMPARE(w->historyPointer(), 2);
    QCOMPARE(w->lblHistoryColor[2]->color(), 0xC0C0C0u);
}

void tst_frmColorPicker::autoCopyOffLeavesClipboard()
{
    auto w = openPicker();
    w->mnuAutoCopy_Click();
    QVERIFY(!w->mnuAutoCopy->isChecked());
    QGuiApplication::clipboard()->setText(QStringLiteral("mine"));
    enter(w->txtHexColor, QStringLiteral("102030"));
    QTest::mousePress(w->picBigBox, Qt::LeftButton, {}, inner(20, 20));
    QTest::mouseRelease(w->picBigBox, Qt::LeftButton, {}, inner(20, 20));
    QCOMPARE(clipboardText(), QStringLiteral("mine"));
    w->mnuAutoCopy_Click();
    enter(w->txtHexColor, QStringLiteral("FFFFFF"));
    QCOMPARE(clipboardText(), QStringLiteral("FF7F"));
    w->mnuAutoPaste_Click();
    QVERIFY(!w->mnuAutoPaste->isChecked());
}

void tst_frmColorPicker::menuShortcutsClearHistoryAndClose()
{
    auto w = openPicker();
    QCOMPARE(w->mnuClearHistory->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    QCOMPARE(w->mnuExit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    enter(w->Text1[3], QStringLiteral("1"));
    QTest::keySequence(w.get(), QKeySequence(Qt::CTRL | Qt::Key_H));
    for (ColourBox *swatch : w->lblHistoryColor) {
        QCOMPARE(swatch->tag(), QStringLiteral("blank"));
        QCOMPARE(swatch->color(), 0xFFFFFFu);
    }
    QCOMPARE(w->historyPointer(), 0);
    // Closing with a half-typed box in focus, then destroying, is quiet.
    typeInto(w->Text1[2], QString());
    QTest::keySequence(w.get(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    QVERIFY(!w->isVisible());
    w.reset();
}

void tst_frmColorPicker::widenNarrowAndCentre()
{
    auto w = openPicker();
    const int top = w->pos().y();
    const QRect screen = w->screen()->geometry();
    QTest::mouseClick(w->cmdLess, Qt::LeftButton);
    QCOMPARE(w->canvas->width(), frmColorPicker::narrowWidth);
    QVERIFY(w->cmdLess->geometry().right() < w->canvas->width());
    QVERIFY(w->cmdMore->geometry().right() < w->canvas->width());
    QCOMPARE(w->frameGeometry().x(), screen.x() + (screen.width() - w->frameGeometry().width()) / 2);
    QCOMPARE(w->pos().y(), top);
    QTest::mouseClick(w->cmdMore, Qt::LeftButton);
    QCOMPARE(w->canvas->width(), frmColorPicker::wideWidth);
    QCOMPARE(w->frameGeometry().x(), screen.x() + (screen.width() - w->frameGeometry().width()) / 2);
    w->move(3, top);
    QTest::mouseClick(w->cmdMore, Qt::LeftButton);
    QCOMPARE(w->canvas->width(), frmColorPicker::wideWidth);
    QCOMPARE(w->frameGeometry().x(), screen.x() + (screen.width() - w->frameGeometry().width()) / 2);
}

void tst_frmColorPicker::backgroundPressMovesWindowButControlsDoNot()
{
    auto w = openPicker();
    QSignalSpy moves(w.get(), &frmColorPicker::moveByBackgroundStarted);
    QTest::mousePress(w->canvas, Qt::LeftButton, {}, QPoint(440, 300));
    QCOMPARE(moves.count(), 1);
    QTest::mousePress(w->canvas, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(moves.count(), 2);
    // Labels pass presses to the window, but they are controls.
    QTest::mousePress(w->Label4, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mousePress(w->canvas, Qt::LeftButton, {}, w->Label1->geometry().center());
    QTest::mousePress(w->picBigBox, Qt::LeftButton, {}, inner(5, 5));
    QTest::mouseRelease(w->picBigBox, Qt::LeftButton, {}, inner(5, 5));
    QCOMPARE(moves.count(), 2);
    // The free right-hand part of the wide window moves it as well.
    QTest::mousePress(w->canvas, Qt::LeftButton, {}, QPoint(580, 300));
    QCOMPARE(moves.count(), 3);
}

QTEST_MAIN(tst_frmColorPicker)
#include "tst_frmcolorpicker.moc"
