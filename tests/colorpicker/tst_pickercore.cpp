// The colour picker's logic without a window: colour conversions, the field
// and slider painters, the settings file, the magnifier's source square and
// the keyboard guard's key table.
#include "colormodel.h"
#include "fieldpainter.h"
#include "keytable.h"
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

// What one call computes: "hsl h s l", "rgb r g b" (from a state whose
// saturation box reads 55), "field mode value x y", "slider painter a b
// row", "source px py screenX screenY screenW screenH zoom", "key vk keysym".
QString compute(const QString &what)
{
    const QStringList a = what.split(' ');
    QList<int> n;
    for (const QString &word : a.mid(1))
        n << word.toInt(nullptr, 0);
    MemoryDisplay display;
    display.numbers[1] = QStringLiteral("55");
    ColorState state(display);
    if (a[0] == "hsl") {
        const QString rgb = text(channelsOf(state.HSLToRGB(n[0], n[1], n[2], false)));
        // Without the update flag the current colour stays.
        const bool untouched = state.intColorAngle == 0 && display.hex.isEmpty();
        return rgb + (display.badAngles.empty() ? "" : " warned") + (untouched ? "" : " changed the colour");
    }
    if (a[0] == "rgb") {
        state.intColorAngle = 400;
        state.bytSaturation = 99;
        const int degrees = state.RGBToHSL(rgbValue(n[0], n[1], n[2]), true);
        return QStringLiteral("%1; %2 %3 %4; ").arg(degrees).arg(state.intColorAngle).arg(state.bytSaturation)
                       .arg(state.bytLuminance)
                + QStringList{ display.numbers[0], display.numbers[1], display.numbers[2], display.hex, display.word }
                          .join(' ');
    }
    if (a[0] == "field") {
        QImage field = newField();
        switch (n[0]) {
        case 0: Bigbox3D(field, n[1]); break;
        case 1: RainBowBigbox(field, false, true, n[1], 0); break;
        case 2: RainBowBigbox(field, true, false, 0, n[1]); break;
        case 3: opt3RedPaintPicBigBox(field, n[1]); break;
        case 4: opt4GreenPaintPicBigBox(field, n[1]); break;
        default: opt5BluePaintPicBigBox(field, n[1]); break;
        }
        return at(field, n[2], n[3]);
    }
    if (a[0] == "slider") {
        QImage slider = newSlider();
        switch (n[0]) {
        case 0: RainBowThinBox(slider); break;
        case 1: FadeThinBoxToGrey(slider, n[1], n[2]); break;
        case 2: fill(slider, rgbValue(200, 100, 50)); FadeThinBoxToBlack(slider); break;
        case 3: opt3RedPaintPicThinBox(slider, n[1], n[2]); break;
        default: opt5BluePaintPicThinBox(slider, n[1], n[2]); break;
        }
        return at(slider, 0, n[3]) == at(slider, 19, n[3]) ? at(slider, 0, n[3]) : "columns differ";
    }
    if (a[0] == "source") {
        const QRect r = ScreenSampling::magnifierSource({ n[0], n[1] }, QRect(n[2], n[3], n[4], n[5]), { 150, 150 }, n[6]);
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
    // The guard: a Windows key on key-down and key-up, and its X11 keysym.
    auto next = [](qint32, quintptr, const ModHook::KeyEventRecord *) { return qint32(42); };
    ModHook::KeyEventRecord record;
    record.vkCode = quint32(n[0]);
    QStringList answers;
    for (quintptr message : { quintptr(0x100), quintptr(0x101) })
        answers << QString::number(ModHook::KeyboardHookProc(ModHook::HC_ACTION, message, &record, next));
    // Calls not to act on go to the next hook untouched.
    answers << QString::number(ModHook::KeyboardHookProc(-1, 0x100, &record, next));
    answers << (ModHook::IsBlockedKeysym(quint32(n[1])) ? "blocked" : "passes");
    return answers.join(' ');
}

} // namespace

class tst_PickerCore : public QObject
{
    Q_OBJECT
private slots:
    void computes_data();
    void computes();
    void rainbowAndFade();
    void hslFieldsMatchPlainFormula_data();
    void hslFieldsMatchPlainFormula();
    void saveWritesFormatAndClearsLeftovers();
};

void tst_PickerCore::computes_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("gives");
    QTest::newRow("red") << "hsl 0 255 255" << "255,0,0";
    QTest::newRow("cyan") << "hsl 765 255 255" << "0,255,255";
    QTest::newRow("blue") << "hsl 1020 255 255" << "0,0,255";
    QTest::newRow("full circle is red") << "hsl 1530 255 255" << "255,0,0";
    QTest::newRow("grey whatever the hue") << "hsl 700 0 77" << "77,77,77";
    QTest::newRow("black whatever the saturation") << "hsl 300 200 0" << "0,0,0";
    QTest::newRow("min rounded from 99.6") << "hsl 0 128 200" << "200,100,100";
    // d = single(155 / 255); 100 d = 60.78 above min 100.
    QTest::newRow("single-precision step") << "hsl 100 155 255" << "255,161,100";
    QTest::newRow("off the circle: black and a message") << "hsl 1531 255 255" << "0,0,0 warned";
    // Degrees; angle, saturation, luminance; hue, saturation and brightness boxes, hex, word.
    QTest::newRow("blue to hsl") << "rgb 0 0 255" << "240; 1020 255 255; 240 100 100 0000FF 007C";
    QTest::newRow("yellow takes the red branch") << "rgb 255 255 0" << "60; 255 255 255; 60 100 100 FFFF00 FF03";
    QTest::newRow("white") << "rgb 255 255 255" << "0; 0 0 255; 0 0 100 FFFFFF FF7F";
    QTest::newRow("red below blue wraps") << "rgb 255 0 1" << "360; 1529 255 255; 359 100 100 FF0001 1F00";
    // 7.5 * 3 = 22.5 -> 22; angle 95.625 -> 96; saturation 42.5 -> 42 below.
    QTest::newRow("degrees half to even") << "rgb 10 5 2" << "22; 96 204 10; 22 80 4 0A0502 0100";
    QTest::newRow("saturation half to even") << "rgb 6 5 5" << "0; 0 42 6; 0 17 2 060505 0000";
    QTest::newRow("green branch") << "rgb 0 200 100" << "150; 638 255 200; 150 100 78 00C864 2033";
    QTest::newRow("red 15 padded") << "rgb 15 255 255" << "180; 765 240 255; 180 94 100 0FFFFF E17F";
    QTest::newRow("black keeps the saturation box") << "rgb 0 0 0" << "0; 0 0 0; 0 55 0 000000 0000";
    QTest::newRow("hue field: top right pure red") << "field 0 0 255 0" << "255,0,0";
    QTest::newRow("hue field: top left white") << "field 0 0 0 0" << "255,255,255";
    QTest::newRow("hue field: bottom black") << "field 0 0 100 255" << "0,0,0";
    QTest::newRow("saturation field: rainbow row 0") << "field 1 255 42 0" << "255,255,0";
    QTest::newRow("saturation field: column 254 hue 1529") << "field 1 255 254 0" << "255,0,1";
    QTest::newRow("brightness field: bottom row white") << "field 2 255 100 255" << "255,255,255";
    QTest::newRow("red field: green up, blue across") << "field 3 100 30 55" << "100,200,30";
    QTest::newRow("red field: above 255 counts as 255") << "field 3 999 0 0" << "255,255,0";
    QTest::newRow("blue field: red across, green up") << "field 5 64 200 10" << "200,245,64";
    QTest::newRow("rainbow slider bottom hue 0") << "slider 0 0 0 255" << "255,0,0";
    QTest::newRow("rainbow slider row 1 hue 1529") << "slider 0 0 0 1" << "255,0,1";
    QTest::newRow("rainbow slider yellow 42 rows up") << "slider 0 0 0 213" << "255,255,0";
    QTest::newRow("grey fade bottom grey") << "slider 1 1020 200 255" << "200,200,200";
    QTest::newRow("black fade halfway") << "slider 2 0 0 153" << "80,40,20";
    QTest::newRow("red slider") << "slider 3 10 20 55" << "200,10,20";
    QTest::newRow("blue slider clamps") << "slider 5 300 20 255" << "255,20,0";
    QTest::newRow("magnifier 1:1") << "source 640 512 0 0 1280 1024 1" << "565,437 150x150";
    // 150 / 4 = 37.5: the half goes to the even 38.
    QTest::newRow("magnifier 2x half to even") << "source 640 512 0 0 1280 1024 2" << "602,474 75x75";
    QTest::newRow("magnifier at a corner") << "source 3 2 0 0 1280 1024 1" << "0,0 150x150";
    QTest::newRow("magnifier on a second screen") << "source 1282 300 1280 0 800 600 1" << "1280,225 150x150";
    QTest::newRow("magnifier on a tiny screen") << "source 50 50 0 0 100 100 1" << "-25,-25 150x150";
    QTest::newRow("guard: Tab") << "key 0x09 0xFF09" << "1 1 42 blocked";
    QTest::newRow("guard: Shift+Tab") << "key 0x09 0xFE20" << "1 1 42 blocked";
    QTest::newRow("guard: Windows keys") << "key 0x5B 0xFFEC" << "1 1 42 blocked";
    QTest::newRow("guard: left Alt") << "key 0xA4 0xFFE9" << "1 1 42 blocked";
    QTest::newRow("guard: right Alt") << "key 0xA5 0xFFEA" << "42 42 42 passes";
    QTest::newRow("guard: Escape") << "key 0x1B 0xFF1B" << "42 42 42 passes";
    QTest::newRow("guard: letter") << "key 0x41 0x61" << "42 42 42 passes";
}

void tst_PickerCore::computes()
{
    QFETCH(QString, what);
    QTEST(compute(what), "gives");
}

void tst_PickerCore::rainbowAndFade()
{
    // Six segments 42, 43, 42, 43, 42, 43 wide, segment j from 255 j to 255 j + 254.
    QList<int> widths(6);
    for (int x = 0; x < 255; ++x) {
        ++widths[rainbowHue(x) / 255];
        QVERIFY(x == 0 || rainbowHue(x) > rainbowHue(x - 1));
    }
    QCOMPARE(widths, (QList<int>{ 42, 43, 42, 43, 42, 43 }));
    QCOMPARE(QList<int>({ rainbowHue(9), rainbowHue(212), rainbowHue(254) }), QList<int>({ 56, 1275, 1529 }));
    // The single-precision fade steps land on start * (255 - row) / 255 rounded.
    for (int start = 0; start < 256; ++start)
        for (int row = 0; row < 256; ++row)
            if (fadeValue(start, row) != qRound(start * (255 - row) / 255.0))
                QFAIL(qPrintable(QStringLiteral("fade of %1 at row %2").arg(start).arg(row)));
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
    const Rgb last = mode == 0 ? Bigbox3D(field, value)
            : mode == 1        ? RainBowBigbox(field, false, true, value, 0)
                               : RainBowBigbox(field, true, false, 0, value);
    // Every pixel is its own conversion: the hue field fades each column of
    // its top row to black, the others take the rainbow hue of the column
    // and leave column 255 alone.
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            Rgb want{ 1, 2, 3 };
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

void tst_PickerCore::saveWritesFormatAndClearsLeftovers()
{
    PickerSettings::Settings settings;
    settings.newColour = 16711680;
    settings.autoPaste = false;
    settings.historyPointer = 1;
    settings.history[0] = { 255, QStringLiteral("255") };
    settings.history[1] = { 16711680, QStringLiteral("16711680") };
    QCOMPARE(PickerSettings::serialize(settings), QByteArray("16711680\r\n9435\r\n1\r\n#TRUE#\r\n#FALSE#\r\n1\r\n255\r\n"
                                                             "16711680\r\n\"blank\"\r\n\"blank\"\r\n\"blank\"\r\n\"blank\"\r\n"));
    // Narrower than "<" makes it is written as the narrow width.
    settings.widthTwips = 5000;
    QCOMPARE(PickerSettings::serialize(settings).split('\n').at(1), QByteArray("6975\r"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Colorpicker.dat"));
    QVERIFY(TestFiles::writeFile(path, QByteArray(4096, 'x')));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner)); // a read-only mark does not stop it
    // Temporary files of interrupted saves go; files that only look alike stay.
    const QStringList others{ "Colorpicker.dat.Ab12Cd7", "Colorpicker.dat.bak", "scr.bmp" };
    for (const QString &name : others + QStringList{ "Colorpicker.dat.Ab12Cd", "Colorpicker.dat.zzzzzz" })
        QVERIFY(TestFiles::writeFile(dir.filePath(name), "old"));
    QString reason;
    QVERIFY2(PickerSettings::save(path, settings, &reason), qPrintable(reason));
    QCOMPARE(TestFiles::readFile(path), PickerSettings::serialize(settings));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), QStringList{ "Colorpicker.dat" } + others);
}

QTEST_APPLESS_MAIN(tst_PickerCore)
#include "tst_pickercore.moc"
