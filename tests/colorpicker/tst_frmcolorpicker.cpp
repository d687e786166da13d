// The colour picker window driven as a user drives it, scenario by scenario:
// the field, the slider, the boxes and swatches, the screen tools over a
// scripted desktop, and the settings file between openings.
#include "datafolder.h"
#include "frmcolorpicker.h"
#include "pickerwidgets.h"
#include "screensource.h"
#include "testfiles.h"
#include "testservices.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// A desktop of 1000 x 700 pixels, each of its own colour.
class ScriptedScreen final : public ScreenSource
{
public:
    ScriptedScreen()
    {
        for (int y = 0; y < desktop.height(); ++y)
            for (int x = 0; x < desktop.width(); ++x)
                desktop.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 40 + (y / 256) * 7));
    }
    QPoint cursorPosition() override { return cursor; }
    QRgb pixel(QPoint p) override { return ++reads, desktop.pixel(p); }
    QImage grab(const QRect &rect) override { return last = rect, desktop.copy(rect); }
    QRect screenGeometry(QPoint) override { return desktop.rect(); }

    QImage desktop{ 1000, 700, QImage::Format_RGB32 };
    QPoint cursor;
    int reads = 0;
    QRect last;
};

QString hexAt(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y)).name().mid(1).toUpper();
}

QString hexOf(quint32 c) // a colour value, red in the low byte
{
    return QColor(int(c & 255), int(c >> 8 & 255), int(c >> 16 & 255)).name().mid(1).toUpper();
}

QPoint point(const QString &xy) // "x,y" in a picture's inner pixels
{
    return QPoint(xy.section(',', 0, 0).toInt() + 2, xy.section(',', 1, 1).toInt() + 2);
}

const QStringList boxNames{ "hue", "sat", "bri", "red", "green", "blue", "hex", "word" };

QLineEdit *box(frmColorPicker &w, const QString &name)
{
    const int i = boxNames.indexOf(name);
    return i < 6 ? w.Text1[i] : i == 6 ? w.txtHexColor : w.txtGBAColor;
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
    void scenarios_data();
    void scenarios();

private:
    std::unique_ptr<frmColorPicker> open(bool show = true);
    void run(std::unique_ptr<frmColorPicker> &w, const QString &steps);
    QString value(frmColorPicker &w, const QString &what);

    std::unique_ptr<TestServices> m_services;
    std::unique_ptr<ScriptedScreen> m_screen;
    int m_moves = 0;
    QStringList m_pasted; // Auto Paste's signals: word texts, "[" and "]" around a burst, "end"
};

void tst_frmColorPicker::init()
{
    for (const char *name : { "Colorpicker.dat", "scr.bmp" }) {
        QFile::remove(dataPath(name));
        QDir(dataPath(name)).removeRecursively();
    }
    m_services = std::make_unique<TestServices>();
    m_screen = std::make_unique<ScriptedScreen>();
    m_moves = 0;
    m_pasted.clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
}

std::unique_ptr<frmColorPicker> tst_frmColorPicker::open(bool show)
{
    auto w = std::make_unique<frmColorPicker>(m_services->services(), nullptr, m_screen.get());
    connect(w.get(), &frmColorPicker::moveByBackgroundStarted, this, [this] { ++m_moves; });
    // A word goes out as the word box shows it, and the box shows the same.
    connect(w.get(), &frmColorPicker::autoPasteColor, this, [this, p = w.get()](quint16 word) {
        const QString text = QStringLiteral("%1%2").arg(word & 0xFF, 2, 16, QChar('0')).arg(word >> 8, 2, 16, QChar('0')).toUpper();
        m_pasted << (text == p->txtGBAColor->text() ? text : text + " while the box shows " + p->txtGBAColor->text());
    });
    connect(w.get(), &frmColorPicker::autoPasteBurst, this, [this](bool started) { m_pasted << (started ? "[" : "]"); });
    connect(w.get(), &frmColorPicker::autoPasteEnded, this, [this] { m_pasted << "end"; });
    if (show) {
        w->show();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("picker window did not become active");
    }
    return w;
}

// Steps, separated by ";": enter|type|paste <box> <text>; keys <box> <text
// or ^key sequence>...; mode <n>; click old|cc|less|more|h<k>; field|slider
// [right-]press|move|[right-]release|click <x,y>; arrow up|down; press
// background|label; clip <text>; clear (Ctrl+H); autocopy; autopaste; show
// <word text> (as the main window does); target <index>; reopen (Ctrl+Q,
// then open again); screen <x,y>; zoom <index>; eyedropper|magnifier
// press|release; tick (eyedropper); look (magnifier); return-tab <n>;
// file <line|line...>; capture good|bad; block; restart; close.
void tst_frmColorPicker::run(std::unique_ptr<frmColorPicker> &w, const QString &steps)
{
    for (const QString &step : steps.split(';', Qt::SkipEmptyParts)) {
        const QStringList a = step.trimmed().split(' ');
        const QString op = a[0];
        QLineEdit *edit = boxNames.contains(a.value(1)) ? box(*w, a[1]) : nullptr;
        if (op == "enter" || op == "type" || op == "paste") {
            QTest::mouseClick(edit, Qt::LeftButton);
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Backspace);
            if (op == "paste")
                QGuiApplication::clipboard()->setText(a.mid(2).join(' '));
            op == "paste" ? QTest::keySequence(edit, QKeySequence::Paste) : QTest::keyClicks(edit, a.mid(2).join(' '));
            if (op == "enter")
                QTest::keyClick(edit, Qt::Key_Tab);
        } else if (op == "keys") {
            for (const QString &k : a.mid(2))
                k.startsWith('^') ? QTest::keySequence(edit, k == "^Redo" ? QKeySequence(QKeySequence::Redo)
                                                                          : QKeySequence(k.mid(1)))
                                  : QTest::keyClicks(edit, k);
        } else if (op == "mode") {
            w->objOption[a[1].toInt()]->click();
        } else if (op == "click") {
            const QHash<QString, QWidget *> targets{ { "old", w->lblOldColor }, { "cc", w->lblComplementaryColor },
                                                     { "less", w->cmdLess }, { "more", w->cmdMore } };
            QTest::mouseClick(targets.value(a[1], w->lblHistoryColor[a[1].mid(1).toInt()]), Qt::LeftButton);
        } else if (op == "field" || op == "slider") {
            QWidget *picture = op == "field" ? w->picBigBox : w->picThinBox;
            const Qt::MouseButton button = a[1].startsWith("right-") ? Qt::RightButton : Qt::LeftButton;
            if (a[1].endsWith("press"))
                QTest::mousePress(picture, button, {}, point(a[2]));
            else if (a[1] == "move")
                QTest::mouseMove(picture, point(a[2]));
            else if (a[1].endsWith("release"))
                QTest::mouseRelease(picture, button, {}, point(a[2]));
            else
                QTest::mouseClick(picture, button, {}, point(a[2]));
        } else if (op == "arrow") {
            QTest::keyClick(w->picThinBox, a[1] == "up" ? Qt::Key_Up : Qt::Key_Down);
        } else if (op == "press") {
            a[1] == "label" ? QTest::mousePress(w->Label4, Qt::LeftButton, {}, QPoint(3, 3))
                            : QTest::mousePress(w->canvas, Qt::RightButton, {}, QPoint(440, 300));
        } else if (op == "clip") {
            QGuiApplication::clipboard()->setText(a[1]);
        } else if (op == "clear") {
            QTest::keySequence(w.get(), QKeySequence(Qt::CTRL | Qt::Key_H));
        } else if (op == "autocopy" || op == "autopaste") {
            (op == "autocopy" ? w->mnuAutoCopy : w->mnuAutoPaste)->trigger();
        } else if (op == "show") {
            w->showColorWord(quint16(a[1].mid(2, 2).toUInt(nullptr, 16) << 8 | a[1].left(2).toUInt(nullptr, 16)));
        } else if (op == "target") {
            w->setAutoPasteTarget(a[1].toInt());
        } else if (op == "reopen") {
            QTest::keySequence(w.get(), QKeySequence(Qt::CTRL | Qt::Key_Q));
            QVERIFY(!w->isVisible());
            w = open();
        } else if (op == "screen") {
            m_screen->cursor = point(a[1]) - QPoint(2, 2);
        } else if (op == "zoom") {
            w->cboPercent->setCurrentIndex(a[1].toInt());
        } else if (op == "eyedropper" || op == "magnifier") {
            QWidget *icon = op == "eyedropper" ? w->imgEyedropper : w->imgMagnifier;
            a[1] == "press" ? QTest::mousePress(icon, Qt::RightButton, {}, QPoint(9, 9))
                            : QTest::mouseRelease(icon, Qt::RightButton, {}, QPoint(9, 9));
        } else if (op == "tick" || op == "look") {
            op == "tick" ? w->tmrScreenColor_Timer() : w->Timer1_Timer();
        } else if (op == "file") {
            QVERIFY(TestFiles::writeFile(dataPath("Colorpicker.dat"), (a[1].split('|').join("\r\n") + "\r\n").toLatin1()));
        } else if (op == "capture") {
            QImage picture(146, 146, QImage::Format_RGB32);
            picture.fill(qRgb(10, 200, 30));
            QVERIFY(a[1] == "good" ? picture.save(dataPath("scr.bmp"), "BMP") : TestFiles::writeFile(dataPath("scr.bmp"), "x"));
        } else if (op == "block") { // folders in the files' places cannot be replaced
            QVERIFY(QDir().mkpath(dataPath("scr.bmp")) && QDir().mkpath(dataPath("Colorpicker.dat")));
        } else if (op == "restart") { // without saving, and without showing
            w.reset();
            w = open(false);
        } else if (op == "close") {
            QVERIFY(w->close());
        } else if (op == "return-tab") {
            for (int i = 0; i < a[1].toInt(); ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
        } else {
            QFAIL(qPrintable("unknown step " + step));
        }
    }
}

// A box's name, boxes, clip, state (hue saturation luminance), ptr, history,
// mode, field@x,y, slider@row, sliderValue, marker, coords, preview, reads,
// held, tips, tools, centred, moves, view, settings, warnings, paste (Auto
// Paste's signals), caption, and
// sliderAsModeSwitch: whether the slider is what selecting the mode paints.
QString tst_frmColorPicker::value(frmColorPicker &w, const QString &what)
{
    if (boxNames.contains(what))
        return box(w, what)->text();
    QStringList parts;
    if (what == "boxes" || what == "history") {
        for (int i = 0; i < 6; ++i) {
            ColourBox *swatch = w.lblHistoryColor[i];
            parts << (what == "boxes" ? w.Text1[i]->text() : swatch->tag() == "blank" ? "-" : hexOf(swatch->color()));
        }
        return parts.join(',');
    }
    const auto &s = w.colorState();
    const QColor chosen('#' + hexOf(w.picNewColor->color()));
    if (what == "marker") { // shown, on a pixel within 3 of the chosen colour
        const QColor under(w.picBigBox->image().pixel(w.picBigBox->markerCentre()));
        const bool near = qAbs(under.red() - chosen.red()) <= 3 && qAbs(under.green() - chosen.green()) <= 3
                && qAbs(under.blue() - chosen.blue()) <= 3;
        return w.picBigBox->markerVisible() && near ? "on colour" : "off: " + under.name() + " for " + chosen.name();
    }
    if (what == "view") { // the screen around the pointer in zoom x zoom blocks, and scr.bmp the same
        const QImage shown = w.picZoom->image().convertToFormat(QImage::Format_RGB32);
        const int zoom = w.cboPercent->currentData().toInt();
        const QPoint origin = m_screen->last.topLeft();
        for (int y = 0; y < shown.height(); y += 3)
            for (int x = 0; x < shown.width(); x += 5)
                if (shown.pixel(x, y) != m_screen->desktop.pixel(origin + QPoint(x / zoom, y / zoom)))
                    return QStringLiteral("wrong at %1, %2").arg(x).arg(y);
        QImage saved;
        saved.load(dataPath("scr.bmp"), "BMP");
        const QPoint middle = origin + QPoint(shown.width(), shown.height()) / 2 / zoom - m_screen->cursor;
        return QStringLiteral("%1x%2 blocks, %3, %4").arg(zoom).arg(zoom)
                .arg(middle.manhattanLength() <= 2 ? "centred" : "off centre", saved.convertToFormat(QImage::Format_RGB32) == shown ? "saved" : "not saved");
    }
    if (what == "warnings") {
        for (const RecordedMessage &m : m_services->messages.messages)
            parts << m.title + (m.text.contains("Colorpicker.dat") ? " naming Colorpicker.dat" : "");
        return parts.join(',');
    }
    if (what == "sliderAsModeSwitch") {
        const QImage shown = w.picThinBox->image();
        w.objOption_Click(w.currentMode());
        return shown == w.picThinBox->image() ? "yes" : "no";
    }
    const QPoint p = point(what.section('@', 1)) - QPoint(2, 2);
    const QHash<QString, QString> values{
        { "clip", QGuiApplication::clipboard()->text() },
        { "state", QStringLiteral("%1 %2 %3").arg(s.intColorAngle).arg(s.bytSaturation).arg(s.bytLuminance) },
        { "ptr", QString::number(w.historyPointer()) },
        { "mode", QString::number(w.currentMode()) },
        { "field", hexAt(w.picBigBox->image(), p.x(), p.y()) },
        { "slider", hexAt(w.picThinBox->image(), 10, what.section('@', 1).toInt()) },
        { "sliderValue", QString::number(255 + 33 - w.sliderMarkerRow()) },
        { "coords", w.txtCoords->text() },
        { "preview", hexAt(w.picPreView->image(), 0, 0) },
        { "reads", QString::number(m_screen->reads) },
        { "held", QString::number(w.tmrScreenColor->isActive() + w.Timer1->isActive() + 2 * !w.cboPercent->isEnabled()
                                  + 4 * bool(QGuiApplication::overrideCursor())) },
        { "tips", QString::number(!w.lblComplementaryColor->toolTip().isEmpty() + !w.cmdLess->toolTip().isEmpty()
                                  + !w.cmdMore->toolTip().isEmpty()) },
        { "tools", w.imgMagnifier->geometry().right() < w.canvas->width() ? "shown" : "hidden" },
        { "centred", qAbs(w.frameGeometry().center().x() - w.screen()->geometry().center().x()) <= 1 ? "yes" : "no" },
        { "moves", QString::number(m_moves) },
        { "paste", m_pasted.join(' ') },
        { "caption", w.windowTitle() },
        { "settings", QStringLiteral("width %1 %2 copy %3 paste %4 pointer %5 old %6 view %7")
                              .arg(w.widthTwips()).arg(w.cboPercent->currentText()).arg(w.mnuAutoCopy->isChecked())
                              .arg(w.mnuAutoPaste->isChecked()).arg(w.historyPointer())
                              .arg(hexOf(w.lblOldColor->color()), hexAt(w.picZoom->image(), 5, 5) == "0AC81E" ? "capture" : "empty") },
    };
    return values.value(what.section('@', 0, 0), "unknown check " + what);
}

void tst_frmColorPicker::scenarios_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("checks"); // what=value, separated by ";"
    QTest::newRow("opening on the old colour leaves the clipboard")
            << "" << "hex=C0C0C0;word=1863;boxes=0,0,75,192,192,192;clip=before;mode=0;history=C0C0C0,-,-,-,-,-;tips=3;paste=";
    // The field in hue mode: saturation across, luminance up; only the release records.
    QTest::newRow("field drag in hue mode")
            << "enter sat 100; enter hue 120; field press 10,10; field move 100,150"
            << "state=510 100 104;ptr=2;clip=A71D";
    QTest::newRow("field release records, marker on the colour")
            << "enter sat 100; enter hue 120; field press 10,10; field move 100,150; field release 100,150"
            << "state=510 100 104;ptr=3;marker=on colour;clip=A71D";
    QTest::newRow("field drag beyond top right") << "field press 10,10; field move 600,-80; field release 600,-80"
                                                 << "state=0 255 255;marker=on colour";
    QTest::newRow("field drag beyond bottom left") << "field press 10,10; field move -90,700; field release -90,700"
                                                   << "state=0 0 0;marker=on colour";
    QTest::newRow("field in saturation mode: hue across") << "mode 1; field click 100,50" << "state=602 0 205";
    QTest::newRow("field ignores the other button") << "field right-press 250,5; field move 240,5; field right-release 240,5"
                                                    << "hex=C0C0C0;ptr=0";
    QTest::newRow("field in red mode takes the pixel") << "mode 3; field click 30,100"
                                                        << "hex=C09B1E;slider@55=C89B1E";
    // The slider in hue mode; the field follows on the timer's tick.
    QTest::newRow("slider top is hue 1530") << "enter sat 100; enter bri 100; slider press 5,0"
                                            << "state=1530 255 255;sliderValue=255;field@255,0=FF0000";
    QTest::newRow("slider release paints the field at once")
            << "enter sat 100; enter bri 100; slider press 5,0; slider move 5,400; slider move 5,85; slider release 5,85"
            << "state=1020 255 255;field@255,0=0000FF;history=C0C0C0,C00000,FF0000,0000FF,-,-";
    QTest::newRow("slider in green mode writes the green box, any button")
            << "enter red 17; enter blue 99; mode 4; slider right-press 5,55; slider right-release 5,55"
            << "green=200;hex=11C863";
    QTest::newRow("arrows nudge the hue and stop at the ends")
            << "enter sat 100; slider click 5,1; arrow up; arrow up" << "state=1530 255 192;sliderValue=255";
    QTest::newRow("arrows stop at 0") << "slider click 5,253; arrow down; arrow down" << "state=0 0 192;sliderValue=0";
    QTest::newRow("arrows in other modes only record")
            << "mode 1; field press 100,100; arrow up" << "state=602 0 154;history=C0C0C0,9A9A9A,-,-,-,-";
    // A mode switch paints field and slider for the colour 2878C8 (hue 892,
    // saturation 204, luminance 200) and keeps it.
    const QString blue = "type hex 2878C8; keys hex ^Return; mode ";
    QTest::newRow("hue mode") << blue + "0" << "field@0,0=FFFFFF;slider@100=0056FF;sliderValue=149;hex=2878C8";
    QTest::newRow("saturation mode") << blue + "1" << "field@0,55=C82828;slider@100=4E8BC8;sliderValue=204";
    QTest::newRow("brightness mode") << blue + "2" << "field@0,255=C8C8C8;slider@100=1F5D9B;sliderValue=199";
    QTest::newRow("red mode") << blue + "3" << "field@7,9=28F607;slider@100=9B78C8;sliderValue=40";
    QTest::newRow("green mode") << blue + "4" << "field@7,9=F67807;slider@100=289BC8;sliderValue=120";
    QTest::newRow("blue mode") << blue + "5" << "field@7,9=07F6C8;slider@100=28789B;sliderValue=200;hex=2878C8";
    // The slider follows a colour set outside it.
    QTest::newRow("saturation mode, hue box") << blue + "1; enter hue 200" << "sliderAsModeSwitch=yes;hue=200";
    QTest::newRow("red mode, word box") << blue + "3; enter word 1F7C" << "sliderAsModeSwitch=yes;hex=FF00FF";
    QTest::newRow("green mode, old colour") << blue + "4; click old" << "sliderAsModeSwitch=yes;hex=C0C0C0";
    QTest::newRow("green mode, C.C.") << blue + "4; click cc" << "sliderAsModeSwitch=yes;hue=29";
    QTest::newRow("blue mode, brightness box") << blue + "5; enter bri 40" << "sliderAsModeSwitch=yes";
    QTest::newRow("blue mode, history") << blue + "5; click h0" << "sliderAsModeSwitch=yes;mode=0";
    // Number boxes on leaving, from light grey (hue 0, saturation 0, luminance 192).
    QTest::newRow("hue above 360") << "paste hue 400; keys hue ^Tab" << "hue=360;state=1530 0 192;hex=C0C0C0";
    QTest::newRow("saturation 50% is 128") << "enter sat 50" << "state=0 128 192;hex=C06060;clip=9831";
    QTest::newRow("saturation above 100") << "enter sat 101" << "sat=100;state=0 255 192";
    QTest::newRow("brightness 2% is 5") << "enter bri 2" << "state=0 0 5";
    QTest::newRow("green 999 shows 255") << "enter green 999" << "green=255;state=510 63 255;ptr=1";
    QTest::newRow("empty hue is restored") << "enter hue" << "hue=0;state=0 0 192;ptr=0;clip=before";
    QTest::newRow("pasted letters are restored") << "paste red x1; keys red ^Tab" << "red=192;hex=C0C0C0;ptr=0";
    QTest::newRow("C.C. turns 200 to 20") << "enter sat 100; enter hue 200; click cc" << "hue=20;state=85 255 192";
    QTest::newRow("C.C. of an emptied box") << "enter sat 100; type hue; click cc" << "hue=180";
    // The hex and word boxes; Auto Copy takes six hex digits only.
    QTest::newRow("hex") << "enter hex 123456" << "hex=123456;word=C228;clip=C228;boxes=209,79,34,18,52,86";
    QTest::newRow("short hex is no colour yet") << "enter hex FFF" << "hex=FFF;clip=before;ptr=0";
    QTest::newRow("pasted non-hex") << "paste hex 12G4ZZ; keys hex ^Tab" << "hex=C0C0C0;word=1863";
    QTest::newRow("word") << "enter word FFFF" << "hex=FFFFFF;word=FF7F;clip=FF7F;marker=on colour";
    QTest::newRow("Auto Copy off") << "autocopy; enter hex 102030; field click 20,20" << "clip=before";
    // Key filters, and the editing keys every text box has.
    QTest::newRow("digits only in numbers") << "type sat 4a-5." << "sat=45";
    QTest::newRow("hex lower case raised") << "type hex abcdef" << "hex=ABCDEF";
    QTest::newRow("hex drops g and blanks") << "type hex 1g 2Z3" << "hex=123";
    QTest::newRow("word takes the hex filter") << "type word ff7fa" << "word=FF7F";
    QTest::newRow("select all") << "type hex 12; keys hex ^Ctrl+A 3" << "hex=3";
    QTest::newRow("undo") << "type hue 12; keys hue ^Ctrl+A ^Backspace ^Ctrl+Z" << "hue=12";
    QTest::newRow("redo") << "type hue 12; keys hue ^Ctrl+A ^Backspace ^Ctrl+Z ^Redo" << "hue=";
    QTest::newRow("cut and paste") << "type hex AB; keys hex ^Ctrl+A ^Ctrl+X 1 ^Ctrl+V" << "hex=1AB";
    QTest::newRow("copy and paste") << "type word AB; keys word ^Ctrl+A ^Ctrl+C ^End ^Ctrl+V" << "word=ABAB";
    // Enter applies a box as leaving it does; unchanged boxes change nothing
    // (the word box would round 133013 to 15 bits, 103110).
    QTest::newRow("Enter applies") << "type hue 400; keys hue ^Return" << "hue=360;state=1530 0 192";
    QTest::newRow("tabbing through changes nothing")
            << "type hex 133013; keys hex ^Enter; clip x; keys hue ^Backtab; return-tab 8"
            << "hex=133013;word=C208;ptr=1;clip=x";
    // The history: a ring of six; a swatch selects the hue mode and records nothing.
    QTest::newRow("old colour restores and records") << "enter hex FF8000; click old"
                                                     << "hex=C0C0C0;history=C0C0C0,FF8000,C0C0C0,-,-,-";
    QTest::newRow("history swatch selects hue mode")
            << "enter hex FF8000; click old; mode 4; click h1; click h4" << "hex=FF8000;mode=0;ptr=2";
    QTest::newRow("ring keeps the six newest")
            << "clear; enter red 10; enter red 10; enter red 20; enter red 30; enter red 40; enter red 50; enter red 60; "
               "enter red 70"
            << "history=46C0C0,14C0C0,1EC0C0,28C0C0,32C0C0,3CC0C0;ptr=0";
    // The eyedropper over the scripted desktop.
    QTest::newRow("eyedropper without a tick only records")
            << "mode 3; eyedropper press; eyedropper release" << "reads=0;ptr=0;held=0";
    QTest::newRow("eyedropper takes the pixel, back in hue mode")
            << "mode 3; screen 700,300; eyedropper press; tick"
            << "coords= X: 700  Y: 300;hex=BC2C57;preview=BC2C57;mode=0;ptr=1;held=5";
    QTest::newRow("eyedropper records on release")
            << "screen 700,300; eyedropper press; tick; screen 5,650; tick; eyedropper release"
            << "hex=058A0E;history=C0C0C0,058A0E,-,-,-,-;held=0;marker=on colour";
    QTest::newRow("magnifier 100%") << "zoom 0; magnifier press; screen 100,600; look; screen 500,350; look; magnifier release"
                                    << "view=1x1 blocks, centred, saved;held=0;hex=C0C0C0";
    QTest::newRow("magnifier 1600%") << "zoom 9; magnifier press; screen 500,350; look; magnifier release"
                                     << "view=16x16 blocks, centred, saved";
    QTest::newRow("magnifier without a zoom takes 200%") << "zoom -1; magnifier press; screen 500,350; look; magnifier release"
                                                         << "view=2x2 blocks, centred, saved";
    // The window.
    QTest::newRow("narrowing hides the tools") << "click less" << "tools=hidden;centred=yes";
    QTest::newRow("widening shows them again") << "click less; click more" << "tools=shown;centred=yes";
    QTest::newRow("a press on the background moves the window")
            << "press background; press label; field click 5,5" << "moves=1";
    // The settings file and the magnifier's picture at opening.
    const QString good = "file 255|6975|4|#FALSE#|#TRUE#|1|255|65280|\"blank\"|\"blank\"|\"blank\"|\"blank\"; ";
    const QString kept = "settings=width 6975 500% copy 0 paste 1 pointer 1 old FF0000 view ";
    QTest::newRow("file and capture") << good + "capture good; restart" << kept + "capture";
    QTest::newRow("unreadable capture keeps the settings") << good + "capture bad; restart" << kept + "empty";
    QTest::newRow("capture without file is not shown")
            << "capture good; restart" << "settings=width 9465 200% copy 1 paste 1 pointer 0 old C0C0C0 view empty";
    QTest::newRow("five lines take the defaults") << "file 255|6975|4|#FALSE#|#TRUE#; restart"
                                                  << "settings=width 9690 200% copy 1 paste 1 pointer 0 old FF0000 view empty";
    QTest::newRow("history pointer off the ring starts at 0, history kept")
            << "file 255|6975|4|#FALSE#|#TRUE#|6|1|2|3|4|5|6; restart"
            << "settings=width 6975 500% copy 0 paste 1 pointer 0 old FF0000 view empty;"
               "history=010000,020000,030000,040000,050000,060000";
    QTest::newRow("bad option takes the defaults") << "file 255|6975|4|maybe|#TRUE#|1|1|2|3|4|5|6; restart"
            << "settings=width 9690 200% copy 1 paste 1 pointer 0 old FF0000 view empty;history=-,-,-,-,-,-";
    QTest::newRow("history texts read as numbers") << "file 1|||||0|purple|42abc|blank||\"blank\"|7; restart"
                                                   << "history=000000,2A0000,000000,000000,-,070000";
    QTest::newRow("empty option line keeps the check")
            << "file 255|6975|4||#TRUE#|1|255|65280|1|2|3|4; restart"
            << "settings=width 6975 500% copy 1 paste 1 pointer 1 old FF0000 view empty";
    QTest::newRow("unwritable files let the tools and the window close")
            << "block; magnifier press; look; magnifier release; close" << "held=0;warnings=Warning naming Colorpicker.dat";
    QTest::newRow("settings kept across closing")
            << "autocopy; enter hex 123456; reopen"
            << "hex=123456;ptr=1;history=C0C0C0,123456,-,-,-,-;clip=before";
    // Auto Paste: each colour the user chooses goes out once, as its word.
    QTest::newRow("paste: a field drag, one burst")
            << "field press 10,10; field move 100,150; field move 100,151; field release 100,151" << "paste=[ BE77 ED1C EC1C ]";
    QTest::newRow("paste: a slider drag, one burst") << "enter sat 100; slider press 5,100; slider move 5,50; slider release 5,50" << "paste=1800 [ 0061 1360 ]";
    QTest::newRow("paste: the eyedropper, one burst")
            << "screen 700,300; eyedropper press; tick; tick; screen 5,650; tick; eyedropper release" << "paste=[ B728 2006 ]";
    QTest::newRow("paste: a typed word, once") << "enter word 1F7C" << "paste=1F7C";
    QTest::newRow("paste: a typed hex, once on leaving") << "type hex 123456; keys hex ^Return" << "paste=C228";
    QTest::newRow("paste: a channel, C.C., old colour, history")
            << "enter red 10; enter sat 100; click cc; click old; click h1" << "paste=0163 0063 1800 1863 0163";
    QTest::newRow("paste: the colour unchanged sends nothing")
            << "click old; enter hex C0C0C0; field right-press 10,10; mode 3; arrow up" << "paste=";
    QTest::newRow("paste: unchecking ends the link and the sending")
            << "target 5; autopaste; enter word FF7F; field click 10,10; close" << "paste=end;caption=Color Picker";
    QTest::newRow("paste: closing ends the link") << "enter word FF7F; close" << "paste=FF7F end";
    QTest::newRow("paste: unchecked across closing, nothing until checked again")
            << "autopaste; reopen; enter word FF7F; autopaste; enter word 1F7C" << "paste=end 1F7C";
    QTest::newRow("paste: a shown word sends nothing")
            << "target 12; show 1F7C; click h1" << "paste=;hex=FF00FF;history=C0C0C0,FF00FF,-,-,-,-;clip=before;caption=Color Picker → colour 12";
    QTest::newRow("paste: the caption names no box again") << "target 5; target -1" << "caption=Color Picker";
    QTest::newRow("paste: checked again, the caption names the box again")
            << "target 5; autopaste; target 6; autopaste" << "caption=Color Picker → colour 6;paste=end";
}

void tst_frmColorPicker::scenarios()
{
    QFETCH(QString, steps);
    QFETCH(QString, checks);
    auto w = open();
    run(w, steps);
    for (const QString &check : checks.split(';', Qt::SkipEmptyParts)) {
        const QString what = check.section('=', 0, 0);
        const QString got = value(*w, what);
        QVERIFY2(got == check.section('=', 1), qPrintable(what + " is " + got + ", expected " + check.section('=', 1)));
    }
}

QTEST_MAIN(tst_frmColorPicker)
#include "tst_frmcolorpicker.moc"
