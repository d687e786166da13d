// The colour picker window driven as a user drives it: the field, the slider,
// the boxes and swatches, the screen tools over a scripted desktop, and the
// settings file between openings.
#include "datafolder.h"
#include "frmcolorpicker.h"
#include "pickerwidgets.h"
#include "screensource.h"
#include "testfiles.h"
#include "testservices.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// A desktop of 1000 x 700 pixels, each of its own colour.
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
    QRgb pixel(QPoint p) override { return ++reads, desktop.pixel(p); }
    QImage grab(const QRect &rect) override { return grabs << rect, desktop.copy(rect); }
    QRect screenGeometry(QPoint) override { return desktop.rect(); }

    QImage desktop;
    QPoint cursor{ 10, 10 };
    int reads = 0;
    QList<QRect> grabs;
};

QString clipboard()
{
    return QGuiApplication::clipboard()->text();
}

// Widget position of inner pixel (x, y) of a picture.
QPoint inner(int x, int y)
{
    return { x + 2, y + 2 };
}

QString hexAt(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y)).name().mid(1).toUpper();
}

// The swatch's colour value as RRGGBB.
QString hexOf(quint32 colour)
{
    return QColor(int(colour & 255), int(colour >> 8 & 255), int(colour >> 16 & 255)).name().mid(1).toUpper();
}

QString dataPath(const char *name)
{
    return Platform::dataFile(QString::fromLatin1(name));
}

} // namespace

class tst_frmColorPicker : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void opensOnOldColourLeavingClipboard();
    void fieldPressDragRelease_data();
    void fieldPressDragRelease();
    void fieldIgnoresOtherButtonAndUnpaintedField();
    void sliderDragRepaintsFieldOnTimer();
    void arrowKeysNudgeHue();
    void modeSwitchPaintsFieldAndSlider_data();
    void modeSwitchPaintsFieldAndSlider();
    void sliderFollowsColourSetElsewhere_data();
    void sliderFollowsColourSetElsewhere();
    void numberBoxes_data();
    void numberBoxes();
    void hexAndWordBoxes_data();
    void hexAndWordBoxes();
    void boxKeys_data();
    void boxKeys();
    void enterAppliesAndUnchangedBoxesChangeNothing();
    void complementaryColour_data();
    void complementaryColour();
    void historyRing();
    void widenNarrowAndMoveWindow();
    void eyedropper();
    void magnifier_data();
    void magnifier();
    void settingsKeptAcrossReopen();
    void opensWithSettingsFile_data();
    void opensWithSettingsFile();
    void unwritableFilesLetToolsAndWindowClose();

private:
    std::unique_ptr<frmColorPicker> open(bool show = true);

    static void typeInto(QLineEdit *box, const QString &text)
    {
        QTest::mouseClick(box, Qt::LeftButton);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
    }
    // Tab moves the focus on, as a user leaving the box does.
    static void enter(QLineEdit *box, const QString &text)
    {
        typeInto(box, text);
        QTest::keyClick(box, Qt::Key_Tab);
    }

    std::unique_ptr<TestServices> m_services;
    std::unique_ptr<ScriptedScreen> m_screen;
};

void tst_frmColorPicker::init()
{
    for (const char *name : { "Colorpicker.dat", "scr.bmp" }) {
        QFile::remove(dataPath(name));
        QDir(dataPath(name)).removeRecursively();
    }
    m_services = std::make_unique<TestServices>();
    m_screen = std::make_unique<ScriptedScreen>();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
}

std::unique_ptr<frmColorPicker> tst_frmColorPicker::open(bool show)
{
    auto w = std::make_unique<frmColorPicker>(m_services->services(), nullptr, m_screen.get());
    if (show) {
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("picker window did not become active");
    }
    return w;
}

void tst_frmColorPicker::opensOnOldColourLeavingClipboard()
{
    auto w = open();
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("C0C0C0"));
    QCOMPARE(w->txtGBAColor->text(), QStringLiteral("1863"));
    QStringList boxes;
    for (QLineEdit *box : w->Text1)
        boxes << box->text();
    QCOMPARE(boxes, (QStringList{ "0", "0", "75", "192", "192", "192" }));
    // The starting colour is not the user's choice.
    QCOMPARE(clipboard(), QStringLiteral("before"));
    QVERIFY(w->objOption[0]->hasFocus() && w->objOption[0]->isChecked());
    QVERIFY(w->mnuAutoCopy->isChecked() && w->mnuAutoPaste->isChecked());
    // The first mode switch recorded the starting colour.
    QCOMPARE(hexOf(w->lblHistoryColor[0]->color()), QStringLiteral("C0C0C0"));
    QCOMPARE(w->lblHistoryColor[1]->tag(), QStringLiteral("blank"));
    QVERIFY(w->picBigBox->markerVisible());
    for (QWidget *control : { static_cast<QWidget *>(w->lblComplementaryColor), static_cast<QWidget *>(w->cmdLess),
                              static_cast<QWidget *>(w->cmdMore) })
        QVERIFY2(!control->toolTip().isEmpty(), "C.C., < and > say what they do");
}

void tst_frmColorPicker::fieldPressDragRelease_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QString>("state"); // hue, saturation, luminance after the release
    // Hue mode: saturation across, luminance up; beyond the edges clamps.
    QTest::newRow("hue mode inside") << 0 << inner(100, 150) << "510 100 104";
    QTest::newRow("hue mode beyond top right") << 0 << QPoint(600, -80) << "510 255 255";
    QTest::newRow("hue mode beyond bottom left") << 0 << QPoint(-90, 700) << "510 0 0";
    // Saturation mode: hue across (six steps a unit).
    QTest::newRow("saturation mode") << 1 << inner(100, 50) << "602 255 205";
}

void tst_frmColorPicker::fieldPressDragRelease()
{
    QFETCH(int, mode);
    QFETCH(QPoint, to);
    auto w = open();
    enter(w->Text1[1], QStringLiteral("100"));
    enter(w->Text1[0], QStringLiteral("120"));
    w->objOption[mode]->click();
    const int pointer = w->historyPointer();
    QTest::mousePress(w->picBigBox, Qt::LeftButton, {}, inner(10, 10));
    QTest::mouseMove(w->picBigBox, to);
    QVERIFY(!w->picBigBox->markerVisible());
    QCOMPARE(w->historyPointer(), pointer); // only the release records
    QTest::mouseRelease(w->picBigBox, Qt::LeftButton, {}, to);
    const auto &s = w->colorState();
    QTEST(QStringLiteral("%1 %2 %3").arg(s.intColorAngle).arg(s.bytSaturation).arg(s.bytLuminance), "state");
    QCOMPARE(clipboard(), w->txtGBAColor->text());
    QCOMPARE(w->lblHistoryColor[w->historyPointer()]->color(), w->picNewColor->color());
    QVERIFY(w->historyPointer() != pointer);
    // The marker sits where released, on a pixel of the chosen colour.
    QVERIFY(w->picBigBox->markerVisible());
    const QPoint marker = w->picBigBox->markerCentre();
    const QColor under(w->picBigBox->image().pixel(marker));
    const QColor chosen(hexOf(w->picNewColor->color()).prepend('#'));
    QVERIFY2(qAbs(under.red() - chosen.red()) <= 3 && qAbs(under.green() - chosen.green()) <= 3
                     && qAbs(under.blue() - chosen.blue()) <= 3,
             qPrintable(under.name() + " under the marker, chose " + chosen.name()));
}

void tst_frmColorPicker::fieldIgnoresOtherButtonAndUnpaintedField()
{
    {
        // Never shown: the field was never painted, so presses are ignored.
        auto hidden = open(false);
        hidden->picBigBox_MouseDown(1, 0, 100, 100);
        hidden->picBigBox_MouseUp(1, 0, 100, 100);
        QCOMPARE(hidden->txtHexColor->text(), QStringLiteral("C0C0C0"));
    }
    auto w = open();
    QTest::mousePress(w->picBigBox, Qt::RightButton, {}, inner(250, 5));
    QTest::mouseMove(w->picBigBox, inner(240, 5));
    QTest::mouseRelease(w->picBigBox, Qt::RightButton, {}, inner(240, 5));
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("C0C0C0"));
    QCOMPARE(w->historyPointer(), 0);
    // In the channel modes a press takes the pixel under it, but not from
    // the rows below the field's inner area.
    w->objOption[3]->click();
    w->BigBoxOpt3Reaction(10, 254);
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("C0C0C0"));
    QTest::mouseClick(w->picBigBox, Qt::LeftButton, {}, inner(30, 100));
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("C09B1E"));
    QCOMPARE(hexAt(w->picThinBox->image(), 3, 55), QStringLiteral("C89B1E"));
}

void tst_frmColorPicker::sliderDragRepaintsFieldOnTimer()
{
    auto w = open();
    enter(w->Text1[1], QStringLiteral("100"));
    enter(w->Text1[2], QStringLiteral("100"));
    QTest::mousePress(w->picThinBox, Qt::LeftButton, {}, inner(5, 0));
    QCOMPARE(w->colorState().intColorAngle, qint16(1530));
    QCOMPARE(w->sliderMarkerRow(), 33);
    QTest::mouseMove(w->picThinBox, inner(5, 128));
    QCOMPARE(w->colorState().intColorAngle, qint16(762));
    // The field follows on the timer's tick, not at once.
    QCOMPARE(hexAt(w->picBigBox->image(), 255, 0), QStringLiteral("FF0000"));
    QTRY_COMPARE(hexAt(w->picBigBox->image(), 255, 0), QStringLiteral("00FFFC"));
    QTest::mouseMove(w->picThinBox, inner(5, 400));
    QCOMPARE(w->colorState().intColorAngle, qint16(0));
    // A release paints what the last move asked for, without waiting.
    QTest::mouseMove(w->picThinBox, inner(5, 85));
    QTest::mouseRelease(w->picThinBox, Qt::LeftButton, {}, inner(5, 85));
    QVERIFY(!w->tmrThinBox->isActive());
    QCOMPARE(hexAt(w->picBigBox->image(), 255, 0), QStringLiteral("0000FF"));
    QCOMPARE(hexOf(w->lblHistoryColor[w->historyPointer()]->color()), QStringLiteral("0000FF"));
    // Green mode: the slider writes the green box; any button drags.
    enter(w->Text1[3], QStringLiteral("17"));
    enter(w->Text1[5], QStringLiteral("99"));
    w->objOption[4]->click();
    QTest::mousePress(w->picThinBox, Qt::RightButton, {}, inner(5, 55));
    QTest::mouseRelease(w->picThinBox, Qt::RightButton, {}, inner(5, 55));
    QCOMPARE(w->Text1[4]->text(), QStringLiteral("200"));
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("11C863"));
}

void tst_frmColorPicker::arrowKeysNudgeHue()
{
    auto w = open();
    enter(w->Text1[1], QStringLiteral("100"));
    QTest::mouseClick(w->picThinBox, Qt::LeftButton, {}, inner(5, 1));
    QCOMPARE(w->colorState().intColorAngle, qint16(1524));
    QTest::keyClick(w->picThinBox, Qt::Key_Up);
    QCOMPARE(w->colorState().intColorAngle, qint16(1530));
    QCOMPARE(w->sliderMarkerRow(), 33);
    QTest::mouseClick(w->picThinBox, Qt::LeftButton, {}, inner(5, 253));
    QTest::keyClick(w->picThinBox, Qt::Key_Down);
    QTest::keyClick(w->picThinBox, Qt::Key_Down);
    QCOMPARE(w->colorState().intColorAngle, qint16(0));
    QCOMPARE(w->sliderMarkerRow(), 255 + 33);
    // Other modes ignore the arrows, but the key's release still records.
    w->objOption[1]->click();
    w->picBigBox_MouseDown(1, 0, 100, 100);
    const quint32 colour = w->picNewColor->color();
    QTest::keyClick(w->picThinBox, Qt::Key_Up);
    QCOMPARE(w->picNewColor->color(), colour);
    QCOMPARE(w->lblHistoryColor[w->historyPointer()]->color(), colour);
}

void tst_frmColorPicker::modeSwitchPaintsFieldAndSlider_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("sliderRow100");
    QTest::addColumn<int>("sliderValue"); // the marker's value, 255 at the top
    // The colour 2878C8 is hue 210 degrees (892), saturation 204, luminance 200.
    QTest::newRow("hue") << 0 << QPoint(0, 0) << "FFFFFF" << "0056FF" << 149;
    QTest::newRow("saturation") << 1 << QPoint(0, 55) << "C82828" << "4E8BC8" << 204;
    QTest::newRow("brightness") << 2 << QPoint(0, 255) << "C8C8C8" << "1F5D9B" << 199;
    QTest::newRow("red") << 3 << QPoint(7, 9) << "28F607" << "9B78C8" << 40;
    QTest::newRow("green") << 4 << QPoint(7, 9) << "F67807" << "289BC8" << 120;
    QTest::newRow("blue") << 5 << QPoint(7, 9) << "07F6C8" << "28789B" << 200;
}

void tst_frmColorPicker::modeSwitchPaintsFieldAndSlider()
{
    QFETCH(int, mode);
    QFETCH(QPoint, pixel);
    auto w = open();
    w->txtHexColor->setText(QStringLiteral("2878C8"));
    w->txtHexColor_LostFocus();
    QTest::mouseClick(w->objOption[mode], Qt::LeftButton);
    QCOMPARE(w->currentMode(), mode);
    QTEST(hexAt(w->picBigBox->image(), pixel.x(), pixel.y()), "field");
    QTEST(hexAt(w->picThinBox->image(), 10, 100), "sliderRow100");
    QTEST(255 - (w->sliderMarkerRow() - 33), "sliderValue");
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("2878C8"));
}

void tst_frmColorPicker::sliderFollowsColourSetElsewhere_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("how"); // a box and its text, or a swatch
    QTest::newRow("saturation mode, hue box") << 1 << "hue 200";
    QTest::newRow("saturation mode, brightness box") << 1 << "brightness 40";
    QTest::newRow("brightness mode, hex box") << 2 << "hex 3C9610";
    QTest::newRow("brightness mode, saturation box") << 2 << "saturation 30";
    QTest::newRow("red mode, word box") << 3 << "word 1F7C";
    QTest::newRow("red mode, blue box") << 3 << "blue 7";
    QTest::newRow("green mode, old colour") << 4 << "old";
    QTest::newRow("green mode, C.C.") << 4 << "C.C.";
    QTest::newRow("blue mode, red box") << 5 << "red 250";
    QTest::newRow("blue mode, history") << 5 << "history";
}

void tst_frmColorPicker::sliderFollowsColourSetElsewhere()
{
    QFETCH(int, mode);
    QFETCH(QString, how);
    auto w = open();
    enter(w->txtHexColor, QStringLiteral("2878C8"));
    w->objOption[mode]->click();
    const QStringList words = how.split(' ');
    const QStringList boxes{ "hue", "saturation", "brightness", "red", "green", "blue" };
    if (boxes.contains(words[0]))
        enter(w->Text1[boxes.indexOf(words[0])], words[1]);
    else if (words[0] == "hex")
        enter(w->txtHexColor, words[1]);
    else if (words[0] == "word")
        enter(w->txtGBAColor, words[1]);
    else if (how == "old")
        QTest::mouseClick(w->lblOldColor, Qt::LeftButton);
    else if (how == "C.C.")
        QTest::mouseClick(w->lblComplementaryColor, Qt::LeftButton);
    else
        QTest::mouseClick(w->lblHistoryColor[0], Qt::LeftButton);
    QVERIFY(w->txtHexColor->text() != QStringLiteral("2878C8"));
    // The slider shows what selecting the current mode anew paints.
    const QImage shown = w->picThinBox->image();
    w->objOption_Click(w->currentMode());
    QCOMPARE(shown, w->picThinBox->image());
}

void tst_frmColorPicker::numberBoxes_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("state"); // hue, saturation, luminance
    // From light grey: hue 0, saturation 0, luminance 192.
    QTest::newRow("hue above 360") << 0 << "400" << "360" << "1530 0 192";
    QTest::newRow("hue 90") << 0 << "90" << "90" << "382 0 192";
    QTest::newRow("saturation 50% is 128") << 1 << "50" << "50" << "0 128 192";
    QTest::newRow("saturation 30% is 76") << 1 << "30" << "30" << "0 76 192";
    QTest::newRow("saturation above 100") << 1 << "101" << "100" << "0 255 192";
    QTest::newRow("brightness 2% is 5") << 2 << "2" << "2" << "0 0 5";
    QTest::newRow("green 999 shows 255") << 4 << "999" << "255" << "510 63 255";
    QTest::newRow("empty hue is restored") << 0 << "" << "0" << "0 0 192";
    QTest::newRow("pasted letters are restored") << 3 << "x1" << "192" << "0 0 192";
}

void tst_frmColorPicker::numberBoxes()
{
    QFETCH(int, box);
    QFETCH(QString, typed);
    auto w = open();
    // Pasted, as a user could bring in any text.
    QGuiApplication::clipboard()->setText(typed);
    typeInto(w->Text1[box], QString());
    QTest::keySequence(w->Text1[box], QKeySequence::Paste);
    QCOMPARE(w->Text1[box]->text(), typed);
    QTest::keyClick(w->Text1[box], Qt::Key_Tab);
    QTEST(w->Text1[box]->text(), "shown");
    const auto &s = w->colorState();
    QTEST(QStringLiteral("%1 %2 %3").arg(s.intColorAngle).arg(s.bytSaturation).arg(s.bytLuminance), "state");
    QCOMPARE(w->txtHexColor->text(), hexOf(w->picNewColor->color()));
    QCOMPARE(w->lblHistoryColor[w->historyPointer()]->color(), w->picNewColor->color());
}

void tst_frmColorPicker::hexAndWordBoxes_data()
{
    QTest::addColumn<bool>("word"); // the word box, else the hex box
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<QString>("hex"); // after leaving the box
    QTest::addColumn<QString>("wordText");
    QTest::addColumn<QString>("copied");
    QTest::newRow("hex") << false << "123456" << false << "123456" << "C228" << "C228";
    QTest::newRow("short hex is no colour yet") << false << "FFF" << false << "FFF" << "FF7F" << "before";
    QTest::newRow("pasted non-hex") << false << "12G4ZZ" << true << "C0C0C0" << "1863" << "1863";
    QTest::newRow("word") << true << "FFFF" << false << "FFFFFF" << "FF7F" << "FF7F";
    QTest::newRow("short word") << true << "1F0" << false << "C0C0C0" << "1F0" << "before";
}

void tst_frmColorPicker::hexAndWordBoxes()
{
    QFETCH(bool, word);
    QFETCH(QString, text);
    auto w = open();
    QFETCH(bool, pasted);
    QLineEdit *box = word ? w->txtGBAColor : w->txtHexColor;
    if (pasted) {
        QGuiApplication::clipboard()->setText(text);
        typeInto(box, QString());
        QTest::keySequence(box, QKeySequence::Paste);
    } else {
        typeInto(box, text);
    }
    QTest::keyClick(box, Qt::Key_Tab);
    QTEST(w->txtHexColor->text(), "hex");
    QTEST(w->txtGBAColor->text(), "wordText");
    QTEST(clipboard(), "copied");
}

void tst_frmColorPicker::boxKeys_data()
{
    QTest::addColumn<int>("box"); // 0..5 number boxes, 6 hex, 7 word
    QTest::addColumn<QStringList>("keys"); // text to type, or ^ and a key sequence
    QTest::addColumn<QString>("kept");
    QTest::newRow("digits only in numbers") << 1 << QStringList{ "4a-5." } << "45";
    QTest::newRow("three characters at most") << 3 << QStringList{ "12345" } << "123";
    QTest::newRow("hex lower case raised") << 6 << QStringList{ "abcdef" } << "ABCDEF";
    QTest::newRow("hex drops g and blanks") << 6 << QStringList{ "1g 2Z3" } << "123";
    QTest::newRow("word uses hex filter") << 7 << QStringList{ "ff7fa" } << "FF7F";
    QTest::newRow("arrows and backspace") << 6 << QStringList{ "123", "^Left", "^Backspace" } << "13";
    QTest::newRow("select all") << 6 << QStringList{ "12", "^Ctrl+A", "3" } << "3";
    QTest::newRow("undo") << 0 << QStringList{ "12", "^Ctrl+A", "^Backspace", "^Ctrl+Z" } << "12";
    QTest::newRow("redo") << 0 << QStringList{ "12", "^Ctrl+A", "^Backspace", "^Ctrl+Z", "^Redo" } << "";
    QTest::newRow("cut and paste") << 6 << QStringList{ "AB", "^Ctrl+A", "^Ctrl+X", "1", "^Ctrl+V" } << "1AB";
    QTest::newRow("copy and paste") << 7 << QStringList{ "AB", "^Ctrl+A", "^Ctrl+C", "^End", "^Ctrl+V" } << "ABAB";
}

void tst_frmColorPicker::boxKeys()
{
    QFETCH(int, box);
    QFETCH(QStringList, keys);
    auto w = open();
    QLineEdit *edit = box < 6 ? w->Text1[box] : box == 6 ? w->txtHexColor : w->txtGBAColor;
    typeInto(edit, QString());
    for (const QString &key : keys) {
        if (key == QLatin1String("^Redo"))
            QTest::keySequence(edit, QKeySequence(QKeySequence::Redo));
        else if (key.startsWith('^'))
            QTest::keySequence(edit, QKeySequence(key.mid(1)));
        else
            QTest::keyClicks(edit, key);
    }
    QTEST(edit->text(), "kept");
}

void tst_frmColorPicker::enterAppliesAndUnchangedBoxesChangeNothing()
{
    auto w = open();
    typeInto(w->Text1[0], QStringLiteral("400"));
    QTest::keyClick(w->Text1[0], Qt::Key_Return);
    QVERIFY(w->Text1[0]->hasFocus());
    QCOMPARE(w->Text1[0]->text(), QStringLiteral("360"));
    QCOMPARE(w->colorState().intColorAngle, qint16(1530));
    typeInto(w->txtHexColor, QStringLiteral("133013"));
    QTest::keyClick(w->txtHexColor, Qt::Key_Enter);
    QCOMPARE(w->txtGBAColor->text(), QStringLiteral("C208"));
    QCOMPARE(clipboard(), QStringLiteral("C208"));
    // Tabbing through every box, with Enter on each, leaves the colour and
    // the history as they are (the word box would round to 15 bits).
    const int pointer = w->historyPointer();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    w->Text1[0]->setFocus();
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("133013"));
    QCOMPARE(w->historyPointer(), pointer);
    QCOMPARE(clipboard(), QStringLiteral("before"));
}

void tst_frmColorPicker::complementaryColour_data()
{
    QTest::addColumn<QString>("hue");
    QTest::addColumn<QString>("turned");
    QTest::newRow("200 gives 20") << "200" << "20";
    QTest::newRow("100 gives 280") << "100" << "280";
    QTest::newRow("180 gives 0") << "180" << "0";
    QTest::newRow("empty counts as the current 0") << "" << "180";
}

void tst_frmColorPicker::complementaryColour()
{
    QFETCH(QString, hue);
    auto w = open();
    enter(w->Text1[1], QStringLiteral("100"));
    if (hue.isEmpty())
        w->Text1[0]->clear();
    else
        enter(w->Text1[0], hue);
    QTest::mouseClick(w->lblComplementaryColor, Qt::LeftButton);
    QTEST(w->Text1[0]->text(), "turned");
    QCOMPARE(w->colorState().bytSaturation, quint8(255));
    QCOMPARE(w->colorState().bytLuminance, quint8(192));
}

void tst_frmColorPicker::historyRing()
{
    auto w = open();
    enter(w->txtHexColor, QStringLiteral("FF8000"));
    QTest::mouseClick(w->lblOldColor, Qt::LeftButton);
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("C0C0C0"));
    QCOMPARE(hexOf(w->lblHistoryColor[2]->color()), QStringLiteral("C0C0C0"));
    // A history swatch selects the hue mode and records nothing.
    w->objOption[4]->click();
    QTest::mouseClick(w->lblHistoryColor[1], Qt::LeftButton);
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("FF8000"));
    QCOMPARE(w->currentMode(), 0);
    QCOMPARE(w->historyPointer(), 2);
    QTest::mouseClick(w->lblHistoryColor[4], Qt::LeftButton); // blank
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("FF8000"));

    QTest::keySequence(w.get(), QKeySequence(Qt::CTRL | Qt::Key_H));
    QCOMPARE(w->lblHistoryColor[0]->tag(), QStringLiteral("blank"));
    for (int i = 1; i <= 7; ++i) {
        enter(w->Text1[3], QString::number(i * 10));
        enter(w->Text1[3], QString::number(i * 10)); // the same again adds nothing
    }
    QStringList reds;
    for (ColourBox *swatch : w->lblHistoryColor)
        reds << QString::number(swatch->color() & 255);
    QCOMPARE(reds, (QStringList{ "70", "20", "30", "40", "50", "60" }));
    QCOMPARE(w->historyPointer(), 0);
    QCOMPARE(w->lblHistoryColor[0]->tag(), QString::number(w->lblHistoryColor[0]->color()));
    // Auto Copy off leaves the clipboard alone.
    w->mnuAutoCopy->trigger();
    enter(w->txtHexColor, QStringLiteral("102030"));
    QCOMPARE(clipboard(), QStringLiteral("0802"));
}

void tst_frmColorPicker::widenNarrowAndMoveWindow()
{
    auto w = open();
    const int top = w->pos().y();
    const QRect screen = w->screen()->geometry();
    const int wide = w->width();
    QTest::mouseClick(w->cmdLess, Qt::LeftButton);
    const int narrow = w->width();
    QVERIFY(narrow < wide && w->cmdMore->geometry().right() < w->canvas->width());
    QCOMPARE(w->frameGeometry().center().x(), screen.center().x());
    w->move(3, top);
    QTest::mouseClick(w->cmdMore, Qt::LeftButton);
    QVERIFY(w->width() > narrow);
    QVERIFY(qAbs(w->frameGeometry().center().x() - screen.center().x()) <= 1);
    QCOMPARE(w->pos().y(), top);
    // A press on a free spot moves the window; one on a control does not.
    QSignalSpy moves(w.get(), &frmColorPicker::moveByBackgroundStarted);
    QTest::mousePress(w->canvas, Qt::RightButton, {}, QPoint(440, 300));
    QTest::mousePress(w->Label4, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseClick(w->picBigBox, Qt::LeftButton, {}, inner(5, 5));
    QCOMPARE(moves.count(), 1);
}

void tst_frmColorPicker::eyedropper()
{
    auto w = open();
    w->objOption[3]->click();
    const QImage icon = w->imgEyedropper->pixmap().toImage();
    // With no tick between press and release only the release runs.
    w->imgEyedropper_MouseDown(1, 0, 0, 0);
    w->imgEyedropper_MouseUp(1, 0, 0, 0);
    QCOMPARE(m_screen->reads, 0);
    QCOMPARE(w->historyPointer(), 0);

    m_screen->cursor = QPoint(700, 300);
    QTest::mousePress(w->imgEyedropper, Qt::RightButton, {}, QPoint(16, 16));
    QVERIFY(w->imgEyedropper->pixmap().isNull() && QGuiApplication::overrideCursor());
    w->tmrScreenColor_Timer();
    QCOMPARE(w->txtCoords->text(), QStringLiteral(" X: 700  Y: 300"));
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("BC2C57"));
    QCOMPARE(hexAt(w->picPreView->image(), 0, 0), QStringLiteral("BC2C57"));
    // Back to the hue mode, whose switch records the colour.
    QCOMPARE(w->currentMode(), 0);
    QCOMPARE(w->historyPointer(), 1);
    m_screen->cursor = QPoint(5, 650);
    QTRY_COMPARE(w->txtHexColor->text(), QStringLiteral("058A0E"));
    QCOMPARE(w->historyPointer(), 1);
    QTest::mouseRelease(w->imgEyedropper, Qt::RightButton, {}, QPoint(16, 16));
    QVERIFY(!w->tmrScreenColor->isActive() && !QGuiApplication::overrideCursor());
    QCOMPARE(w->imgEyedropper->pixmap().toImage(), icon);
    QCOMPARE(hexOf(w->lblHistoryColor[2]->color()), QStringLiteral("058A0E"));
    QVERIFY(w->markerPlaced());
}

void tst_frmColorPicker::magnifier_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("zoom");
    QTest::newRow("100%") << 0 << 1;
    QTest::newRow("300%") << 2 << 3;
    QTest::newRow("1600%") << 9 << 16;
    QTest::newRow("no choice takes 200%") << -1 << 2;
}

void tst_frmColorPicker::magnifier()
{
    QFETCH(int, index);
    QFETCH(int, zoom);
    auto w = open();
    w->cboPercent->setCurrentIndex(index);
    const QString colour = w->txtHexColor->text();
    QTest::mousePress(w->imgMagnifier, Qt::LeftButton, {}, QPoint(16, 16));
    QVERIFY(!w->cboPercent->isEnabled() && w->imgMagnifier->pixmap().isNull());
    m_screen->cursor = QPoint(100, 600);
    w->Timer1_Timer();
    m_screen->cursor = QPoint(500, 350);
    w->Timer1_Timer();
    QCOMPARE(w->txtCoords->text(), QStringLiteral(" X: 500  Y: 350"));
    // The view shows the screen around the pointer, each pixel a zoom x zoom block.
    const QImage shown = w->picZoom->image().convertToFormat(QImage::Format_RGB32);
    const QPoint origin = m_screen->grabs.last().topLeft();
    for (int y = 0; y < shown.height(); y += 3)
        for (int x = 0; x < shown.width(); x += 5)
            QCOMPARE(shown.pixel(x, y), m_screen->desktop.pixel(origin + QPoint(x / zoom, y / zoom)));
    const int middle = shown.width() / 2;
    QVERIFY(qAbs(origin.x() + middle / zoom - 500) <= 1 && qAbs(origin.y() + middle / zoom - 350) <= 1);
    QTest::mouseRelease(w->imgMagnifier, Qt::LeftButton, {}, QPoint(16, 16));
    QVERIFY(w->cboPercent->isEnabled() && !w->Timer1->isActive() && !QGuiApplication::overrideCursor());
    QCOMPARE(w->txtHexColor->text(), colour);
    // scr.bmp holds exactly the last view.
    QImage saved;
    QVERIFY(saved.load(dataPath("scr.bmp"), "BMP"));
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), shown);
}

void tst_frmColorPicker::settingsKeptAcrossReopen()
{
    auto w = open();
    w->cmdMore->click();
    w->cboPercent->setCurrentIndex(4);
    w->mnuAutoCopy->trigger();
    enter(w->txtHexColor, QStringLiteral("123456"));
    const int width = w->width();
    QTest::keySequence(w.get(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    QVERIFY(!w->isVisible());
    w = open();
    QCOMPARE(hexOf(w->lblOldColor->color()), QStringLiteral("123456"));
    QCOMPARE(w->txtHexColor->text(), QStringLiteral("123456"));
    QCOMPARE(w->width(), width);
    QCOMPARE(w->cboPercent->currentText(), QStringLiteral("500%"));
    QVERIFY(!w->mnuAutoCopy->isChecked() && w->mnuAutoPaste->isChecked());
    QCOMPARE(w->historyPointer(), 1);
    QCOMPARE(hexOf(w->lblHistoryColor[0]->color()), QStringLiteral("C0C0C0"));
    QCOMPARE(hexOf(w->lblHistoryColor[1]->color()), QStringLiteral("123456"));
    QCOMPARE(w->lblHistoryColor[2]->tag(), QStringLiteral("blank"));
}

void tst_frmColorPicker::opensWithSettingsFile_data()
{
    QTest::addColumn<QStringList>("file"); // empty: no file
    QTest::addColumn<QByteArray>("capture");
    QTest::addColumn<QString>("window");
    QImage picture(146, 146, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    QByteArray bitmap;
    QBuffer buffer(&bitmap);
    picture.save(&buffer, "BMP");
    const QStringList good{ "255", "6975", "0", "#FALSE#", "#TRUE#", "1", "255", "65280",
                            "\"blank\"", "\"blank\"", "\"blank\"", "\"blank\"" };
    const QString goodWindow = "width 6975 100% copy 0 paste 1 pointer 1 old FF0000 ";
    QTest::newRow("file and capture") << good << bitmap << goodWindow + "view capture";
    QTest::newRow("unreadable capture keeps the settings") << good << QByteArray("no bitmap") << goodWindow + "view empty";
    QTest::newRow("capture without file is not shown") << QStringList() << bitmap
                                                       << "width 9465 200% copy 1 paste 1 pointer 0 old C0C0C0 view empty";
    QTest::newRow("five lines take the defaults") << good.mid(0, 5) << QByteArray()
                                                  << "width 9690 200% copy 1 paste 1 pointer 0 old FF0000 view empty";
    QStringList keep = good;
    keep[3] = QString();
    QTest::newRow("empty option line keeps the check") << keep << QByteArray() << "width 6975 100% copy 1 paste 1 pointer 1 old FF0000 view empty";
}

void tst_frmColorPicker::opensWithSettingsFile()
{
    QFETCH(QStringList, file);
    QFETCH(QByteArray, capture);
    if (!file.isEmpty())
        QVERIFY(TestFiles::writeFile(dataPath("Colorpicker.dat"), (file.join("\r\n") + "\r\n").toLatin1()));
    if (!capture.isEmpty())
        QVERIFY(TestFiles::writeFile(dataPath("scr.bmp"), capture));
    auto w = open(false);
    const bool shown = hexAt(w->picZoom->image(), 5, 5) == QLatin1String("0AC81E");
    QTEST(QStringLiteral("width %1 %2 copy %3 paste %4 pointer %5 old %6 view %7")
                  .arg(w->widthTwips()).arg(w->cboPercent->currentText())
                  .arg(w->mnuAutoCopy->isChecked()).arg(w->mnuAutoPaste->isChecked())
                  .arg(w->historyPointer()).arg(hexOf(w->lblOldColor->color()), shown ? "capture" : "empty"),
          "window");
}

void tst_frmColorPicker::unwritableFilesLetToolsAndWindowClose()
{
    // Folders in the files' places cannot be replaced, whatever the rights.
    QVERIFY(QDir().mkpath(dataPath("scr.bmp")) && QDir().mkpath(dataPath("Colorpicker.dat")));
    auto w = open();
    QTest::mousePress(w->imgMagnifier, Qt::LeftButton, {}, QPoint(3, 3));
    w->Timer1_Timer();
    QTest::mouseRelease(w->imgMagnifier, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(!w->Timer1->isActive() && w->cboPercent->isEnabled() && !QGuiApplication::overrideCursor());
    QVERIFY(w->close());
    QCOMPARE(m_services->messages.messages.size(), 1);
    QCOMPARE(m_services->messages.messages[0].title, QStringLiteral("Warning"));
    QVERIFY(m_services->messages.messages[0].text.contains(QStringLiteral("Colorpicker.dat")));
}

QTEST_MAIN(tst_frmColorPicker)
#include "tst_frmcolorpicker.moc"
