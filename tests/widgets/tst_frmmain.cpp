#include "colorswatch.h"
#include "frmcolorpicker.h"
#include "frminfo.h"
#include "frmmain.h"
#include "paletteediting.h"
#include "palettefile.h"
#include "palettegrid.h"
#include "writejournal.h"
#include "testfiles.h"
#include "testservices.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

// The main window driven by scenarios: each row is a list of steps, either
// what a user does or what must then be seen. Messages are checked in order
// by "said"; one left unchecked at the end fails the row.
class tst_frmMain : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void scenario_data();
    void scenario();

private:
    void step(frmMain &window, const QString &verb, const QString &arg);

    QTemporaryDir m_dir;
    QByteArray m_rom;
    TestServices m_services;
    int m_entriesBefore = 0;
};

void tst_frmMain::init()
{
    m_rom = TestFiles::romImage(
            0x400, { { 0x1A0, QByteArray::fromHex("FF7F1F00E003007C9452") + QByteArray(22, 'B') } });
    for (const char *name : { "game.nds", "other.gba", "<b>x[*].nds" })
        QVERIFY(TestFiles::writeFile(m_dir.filePath(QString::fromLatin1(name)), m_rom));
    m_services = {};
}

void tst_frmMain::scenario_data()
{
    QTest::addColumn<QString>("steps");
    const auto row = [](const char *name, const char *steps) { QTest::newRow(name) << steps; };
    row("nothing to do before a ROM is chosen", "ready no; open; ready no; all FF7F; okbutton off;"
        "answer Yes; open game.nds; ready yes; okbutton off; said Cindral|has not been written.");
    row("Find reads the palette", "loaded; boxes FF7F 1F00 E003 007C 9452; swatch 1 #ffffff;"
        "swatch 2 #ff0000; swatch 5 #a5a5a5; okbutton on; rom same");
    row("swatches follow the boxes", "box 1 FFFF; swatch 1 #ffffff; box 6 1G00; swatch 6 none;"
        "box 8 1F0; swatch 8 none; box 8 1F00; swatch 8 #ff0000; box 8; swatch 8 none");
    row("the window keeps its size", "fixed; loaded; fixed");
    row("declining another palette keeps the window as it was", "loaded; all 0000; answer No;"
        "bookmark 1084; said Cindral|Discard it?; offsetis 1A0; answer No; menu Next Palette;"
        "said Cindral|Discard it?; answer No; menu Previous Palette; said Cindral|Discard it?;"
        "offsetis 1A0; boxes 0000 0000; press OK; said Cindral|Palette 1A0 Edited; rom 1A0 0000*16;"
        "all 1F00; offset 300; answer No; press Find; said Cindral|Discard it?; offsetis 300;"
        "answer No; press OK; said Cindral|Write the palette loaded from 1A0 to 300?|No; rom 1A0 0000*16");
    row("OK writes and repeats the offset as typed", "open game.nds; offset 1a0; all ff7f;"
        "press OK; said Cindral|Palette 1a0 Edited; rom 1A0 FF7F*16; menu Exit");
    row("a copy elsewhere asks once, then writes there", "loaded; offset 300; answer Yes;"
        "menu Sostituisci; said Cindral|Write the palette loaded from 1A0 to 300?|No;"
        "said Cindral|Palette 300 Edited; rom 300 @1A0; all 0000; press OK; said Cindral|Palette 300 Edited;"
        "rom 300 0000*16");
    row("a palette changed by another program asks before it is written over", "loaded; all 1F00;"
        "poke 1A2 00001111; answer No; press OK; said Cindral|The palette at 1A0 in \"game.nds\" was "
        "changed by another program since it was loaded: 2 of its 16 colours differ. Write over them?|No;"
        "rom same; answer Yes; press OK; said Cindral|2 of its 16; said Cindral|Palette 1A0 Edited;"
        "rom 1A0 1F00*16; all 0000; press OK; said Cindral|Palette 1A0 Edited; poke 1A0 FFFF;"
        "offset 300; answer Yes; press OK; said Cindral|loaded from 1A0 to 300?; said Cindral|Palette 300 Edited");
    row("import says how many colours it took", "loaded; import 3; boxes 2104 2104 2104 007C 9452;"
        "said Cindral|\"3.pal\" holds 3 colours: they fill boxes 1 to 3;"
        "import 16; boxes 2104 2104 2104 2104 2104 2104 2104 2104 2104 2104 2104 2104 2104 2104 2104 2104;"
        "import 256; said Cindral|\"256.pal\" holds 256 colours: only the first 16 were taken.");
    row("export adds the extension and asks again after a refused name", "loaded;"
        "filter GIMP palette (*.gpl); export one; exported one.gpl; initials ;"
        "export gone/two.gpl|; said Error|gone/two.gpl; initials |gone/two.gpl;"
        "filter JASC-PAL (*.pal); export three.xyz|three; said Error|three.xyz; exported three.pal;"
        "answer No; export three|; said Cindral|\"three.pal\" already exists. Replace it?|No;"
        "initials |three.xyz||three.pal");
    for (const char *offset : { "", "1Q0", "7FFFFFE1", "0x" }) {
        QTest::addRow("offset \"%s\" is refused", offset)
                << QStringLiteral("open game.nds; offset %1; press Find; all 1F00; press OK; rom same;"
                                  "said Error|must be a hexadecimal number from 0 to 7FFFFFE0;"
                                  "said Error|must be a hexadecimal number from 0 to 7FFFFFE0").arg(offset);
    }
    row("a cancelled Open ROM keeps image and boxes", "loaded; box 4 1F00; open;"
        "title Cindral Palette Editor - game.nds; boxes FF7F 1F00 E003 1F00");
    row("four characters that are not hex are no colour", "loaded; box 3 zz1G; swatch 3 none;"
        "okbutton off; menu Sostituisci; rom same; said Error|Every palette box must hold four "
        "characters. Box 3 holds \"zz1G\"");
    row("the first incomplete box is named", "loaded; box 16 1F0; box 9; swatch 9 none;"
        "menu Sostituisci; rom same; said Error|must hold four characters. Box 9 is empty.");
    row("a read past the end warns", "open game.nds; offset 400; press Find; boxes 0000 0000;"
        "said Warning|The palette at 400 runs past the end of \"game.nds\": 32 of its 32 bytes");
    row("a growing write asks; No writes nothing", "open game.nds; offset 3F0; press Find;"
        "said Warning|16 of its 32 bytes; answer No; press OK; rom same;"
        "said Cindral|\"game.nds\": writing it makes the file 16 bytes longer");
    row("a growing write asks; Yes writes", "loaded; offset 400; answer Yes Yes; press OK;"
        "said Cindral|loaded from 1A0 to 400; said Cindral|32 bytes longer; rom 400 @1A0; said Cindral|Palette 400 Edited");
    row("closing with unwritten edits asks", "loaded; box 1 0000; answer No; menu Exit; shown yes;"
        "said Cindral|not been written to \"game.nds\"; answer Yes; menu Exit; shown no;"
        "said Cindral|Discard it?");
    row("Exit closes the tool windows, unless declined", "menu Color Picker; menu Database;"
        "said Error|; loaded; box 1 0000; answer No; menu Exit; said Cindral|Discard it?; tools 2;"
        "answer Yes; menu Exit; said Cindral|Discard it?; shown no; tools 0");
    row("closing after a load or a write asks nothing", "loaded; menu Exit; shown no; loaded;"
        "box 1 0000; press OK; said Cindral|Edited; menu Exit; shown no");
    row("another image or palette over unwritten edits asks", "loaded; box 1 0000; answer No;"
        "open other.gba; title Cindral Palette Editor - game.nds; said Cindral|Discard it?; press Find;"
        "boxes 0000 1F00; said Cindral|Discard it?; answer Yes; open other.gba; boxes;"
        "title Cindral Palette Editor - other.gba; said Cindral|");
    row("file names are shown as they are", "open <b>x[*].nds; label Loaded ROM: <b>x[*].nds;"
        "title Cindral Palette Editor - <b>x[*].nds");
    row("command-line ROM that is missing", "argument gone.nds; ready no; said Warning|gone.nds");
    row("command-line ROM that is a folder", "argument .; ready no; said Warning|folder");
    row("menu items have access keys", "accesskeys");
    row("tool windows are shared", "menu Color Picker; menu Color Picker; onetool; menu Database;"
        "said Error|; menu Database; onetool; menu Live Update; menu Live Update; onetool;"
        "menu Info About...; menu Info About...; onetool");
    // Editing: "click N [shift|ctrl]" selects swatches, "drag A B [ctrl]"
    // drops swatch A on B, "clip" puts text on the clipboard.
    row("drag swaps, Ctrl+drag copies, each one step", "loaded; drag 1 3; boxes E003 1F00 FF7F;"
        "drag 2 5 ctrl; boxes E003 1F00 FF7F 007C 1F00; menu Undo; boxes E003 1F00 FF7F 007C 9452;"
        "menu Undo; boxes FF7F 1F00 E003; undo off; menu Redo; boxes E003 1F00 FF7F 007C 9452;"
        "drag 4 4; boxes E003 1F00 FF7F 007C 9452; selected 4");
    row("gradient rounds half up and keeps bit 15", "loaded; box 1 0000; box 2 0080; box 3 0100;"
        "click 1; click 3 shift; selected 1 2 3; menu Gradient; boxes 0000 0180 0100; menu Undo;"
        "boxes 0000 0080 0100; menu Undo; boxes FF7F 1F00 E003; menu Redo; menu Redo;"
        "boxes 0000 0180 0100");
    row("gradient needs two colours", "loaded; click 2; menu Gradient; said Error|Select the first "
        "and the last colour; box 4 1G00; click 4 shift; menu Gradient; said Error|Box 4 holds no "
        "colour; boxes FF7F 1F00 E003 1G00");
    row("copy the selection or everything", "loaded; click 2; click 4 shift; menu Copy Palette;"
        "clipboard 1F00 E003 007C; click 2 ctrl; click 6 ctrl; menu Copy Palette;"
        "clipboard E003 007C 4242; click 1; click 1 ctrl; selected; menu Copy Palette;"
        "clipboard FF7F 1F00 E003 007C 9452 4242 4242 4242 4242 4242 4242 4242 4242 4242 4242 4242");
    row("paste words from the first selected box", "loaded; click 3 ctrl; click 2 ctrl;"
        "clip 0000, ffff\n1234; menu Paste Palette; boxes FF7F 0000 FFFF 1234 9452; menu Undo;"
        "boxes FF7F 1F00 E003 007C 9452; menu Redo; boxes FF7F 0000 FFFF 1234 9452");
    row("paste #RRGGBB keeps bit 15 of the box", "loaded; box 2 1F80; click 2; clip #0000FF #ffffff;"
        "menu Paste Palette; boxes FF7F 00FC FF7F; menu Undo; boxes FF7F 1F80 E003; menu Undo;"
        "boxes FF7F 1F00 E003");
    row("paste palette texts", "loaded; click 15; clip JASC-PAL\r\n0100\r\n2\r\n255 0 0\r\n0 0 255;"
        "menu Paste Palette; boxis 15 1F00; boxis 16 007C; clip GIMP Palette\n#\n0 255 0 x;"
        "click 1; menu Paste Palette; boxes E003 1F00; menu Undo; boxes FF7F; boxis 15 1F00");
    row("paste refuses too many and non-colours", "loaded; click 16; clip 0000 0000;"
        "menu Paste Palette; said Error|holds 2 colours, but from box 16 on there is room for "
        "only 1; clip 1F00 red; menu Paste Palette; said Error|clipboard cannot be pasted. \"red\" is not a "
        "colour; clip; menu Paste Palette; said Error|holds no colours; boxis 16 4242; undo off");
    row("keys undo the palette outside the boxes only", "loaded; type 1 0000; leave; focus 2;"
        "key Ctrl+Z; boxes 0000 1F00; leave; key Ctrl+Z; boxes FF7F 1F00; key Ctrl+Y; boxes 0000;"
        "key Ctrl+Z; key Ctrl+Shift+Z; boxes 0000");
    row("a load clears undo", "loaded; box 1 0000; answer Yes; press Find; said Cindral|Discard;"
        "undo off; menu Undo; boxes FF7F 1F00");
    row("swatch tooltips", "loaded; tooltip 2 Colour 1: 1F00, #FF0000; box 2 zz;"
        "tooltip 2 Colour 1: no colour, the box needs four hexadecimal digits");
    row("auto paste into the focused box, one step per burst", "loaded; focus 3; menu Color Picker;"
        "boxes FF7F 1F00 E003 007C; target 3; pickerdrag; boxes FF7F 1F00; boxnot 3 E003;"
        "menu Undo; boxes FF7F 1F00 E003 007C; menu Redo; boxnot 3 E003; dblclick 5; target 5;"
        "boxes FF7F 1F00; boxnot 3 E003; boxis 5 9452; picker 9452; autopaste off; target none;"
        "pickerdrag; boxis 5 9452; autopaste on; pickerclose; target none");
    // 256 colours: "grid N" clicks cell N (hex) of the grid, "griddrag A B
    // [ctrl]" drops cell A on B; "patched" lists the words written over the image.
    // Written at 200, the palette read at 1A0 is copied whole (3A0 then holds 340).
    row("256 colours: rows kept, written in one write", "open game.nds; size 256; grown; offset 1A0;"
        "press Find; boxes FF7F 1F00 E003; box 1 0000; grid 25; boxnot 6 0000; box 6 1F00; grid 0;"
        "boxes 0000 1F00 E003; griddrag 1 2 ctrl; griddrag 21 20; boxes 0000 1F00 1F00; press OK;"
        "said Cindral|Palette 1A0 Edited; patched 1A0 0000 1A4 1F00 1E0 @1E2 1E2 @1E0 1EA 1F00;"
        "journal 1A0 76; offset 3F0; press OK; said Error|would run past the end; offset 200;"
        "answer No; press OK; said Cindral|loaded from 1A0 to 200?; answer Yes; press OK;"
        "said Cindral|loaded from 1A0 to 200?; said Cindral|Palette 200 Edited; journal 200 512; offset 1A0; press Find;"
        "menu Next Palette; offsetis 3A0; said Warning|\"game.nds\": rows 3 to F are not "
        "all in the file; boxis 1 4754; grid 30; boxes; disabled");
    // Cells 0F and 10 hold 4242 and C7D4; the image ends at row 7 of the palette at 300.
    row("256 colours: select, copy, paste and gradient in the grid, one step each",
        "open game.nds; size 256; offset 1A0; press Find; grid 0; grid 2 shift; menu Copy Palette;"
        "clipboard FF7F 1F00 E003; grid 1 ctrl; menu Copy Palette; clipboard FF7F E003; grid F;"
        "clip 0000,0000\n1F00; menu Paste Palette; boxis 16 0000; grid 11 shift; menu Gradient;"
        "boxes 1000 1F00; menu Undo; boxes 0000 1F00; menu Undo; boxes C7D4; grid FF;"
        "menu Paste Palette; said Error|holds 3 colours, but from colour FF on there is room for "
        "only 1; griddbl 25; target 6; picker E976; offset 300; press Find;"
        "said Warning|rows 8 to F; grid 7E; menu Paste Palette; said Error|from colour 7E on there "
        "is room for only 2; grid 80; menu Paste Palette; said Error|cannot be changed; undo off");
    row("256 colours: bytes another program changed are asked about", "open game.nds; size 256;"
        "offset 1A0; press Find; box 1 0000; poke 1A4 1234; answer No; press OK;"
        "said Cindral|changed by another program since it was loaded: 1 of its 256 colours; patched");
    row("256 colours: unwritten rows ask before leaving", "open game.nds; size 256; offset 1A0; press Find;"
        "grid 80; box 16 0000; grid 0; answer No; press Find; said Cindral|Discard it?; answer No;"
        "menu Exit; said Cindral|Discard it?; shown yes; answer Yes; size 16; said Cindral|Discard it?;"
        "boxes FF7F 1F00 E003; answer Yes; box 1 0000; menu Exit; said Cindral|Discard; shown no");
    row("export and import take the size shown", "open game.nds; size 256; offset 1A0; press Find;"
        "exportfile all.pal 256; size 16; box 1 0000; exportfile one.gpl 16; answer Yes; size 256;"
        "said Cindral|Discard it?; boxes FF7F 1F00; importfile one.gpl; boxes 0000 1F00 E003; menu Undo;"
        "boxes FF7F 1F00");
    for (const char *key : { "Esc", "Enter", "Return" })
        QTest::addRow("About closes with %s", key) << QStringLiteral("menu Info About...; about %1").arg(key);
}

void tst_frmMain::scenario()
{
    QFETCH(QString, steps);
    m_entriesBefore = int(WriteJournal::Journal(WriteJournal::Journal::defaultPath(), false)
                                  .entries(m_dir.filePath("game.nds")).size());
    frmMain window(m_services.services());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const QString &text : steps.split(QLatin1Char(';'))) {
        const QString trimmed = text.trimmed();
        step(window, trimmed.section(QLatin1Char(' '), 0, 0), trimmed.section(QLatin1Char(' '), 1));
        if (QTest::currentTestFailed())
            QFAIL(qPrintable("at step: " + trimmed));
    }
    QVERIFY2(m_services.messages.messages.isEmpty(),
             qPrintable("unchecked message: " + m_services.messages.messages.value(0).text));
}

void tst_frmMain::step(frmMain &window, const QString &verb, const QString &arg)
{
    const QStringList args = arg.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const auto toolWindows = [&] {
        QWidgetList shown;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w != &window)
                shown << w;
        return shown;
    };
    if (verb == "loaded") {
        for (const char *s : { "open game.nds", "offset 1A0", "press Find" })
            step(window, QString::fromLatin1(s).section(' ', 0, 0), QString::fromLatin1(s).section(' ', 1));
    } else if (verb == "open") {
        m_services.files.answers = { arg.isEmpty() ? QString() : m_dir.filePath(arg) };
        window.Apri->trigger();
        QCOMPARE(m_services.files.lastFilter, QStringLiteral("ROM images (*.nds *.gba);;All files (*)"));
    } else if (verb == "menu") {
        for (QAction *menu : window.menuBar()->actions())
            for (QAction *action : menu->menu()->actions())
                if (action->text().remove('&') == arg)
                    action->trigger();
    } else if (verb == "accesskeys") { // distinct within each menu
        for (QAction *menu : window.menuBar()->actions()) {
            QString keys;
            for (QAction *item : menu->menu()->actions()) {
                const QString key = item->text().section('&', 1).left(1).toLower();
                QVERIFY2(item->isSeparator() || (!key.isEmpty() && !keys.contains(key)),
                         qPrintable("access key of " + item->text()));
                keys += key;
            }
        }
    } else if (verb == "onetool") { // shared, ownerless, with the program's icon
        const QWidgetList shown = toolWindows();
        QCOMPARE(shown.size(), 1);
        QVERIFY(!shown[0]->parentWidget() && !shown[0]->windowIcon().isNull());
        QCOMPARE(shown[0]->windowIcon().pixmap(32).toImage(), window.windowIcon().pixmap(32).toImage());
        shown[0]->setAttribute(Qt::WA_DeleteOnClose);
        shown[0]->close();
        QTRY_VERIFY(toolWindows().isEmpty());
    } else if (verb == "about") { // closes with the key, focus starting on OK
        QTRY_VERIFY(window.infoWindow() && window.infoWindow()->isActiveWindow());
        QWidget *focus = window.infoWindow()->focusWidget();
        QVERIFY(qobject_cast<QPushButton *>(focus));
        QTest::keyClick(focus, QKeySequence(arg)[0].key());
        QTRY_VERIFY(!window.infoWindow());
    } else if (verb == "tools") {
        QTRY_COMPARE(toolWindows().size(), arg.toInt());
    } else if (verb == "bookmark") { // what a bookmark or a Palettes in ROM row asks for
        window.loadPaletteAt(arg);
    } else if (verb == "offsetis") {
        QCOMPARE(window.txtOffset->text(), arg);
    } else if (verb == "poke") { // another program changes the image
        const QByteArray bytes = QByteArray::fromHex(args.value(1).toLatin1());
        m_rom.replace(args.value(0).toInt(nullptr, 16), bytes.size(), bytes);
        QVERIFY(TestFiles::writeFile(m_dir.filePath("game.nds"), m_rom));
    } else if (verb == "import") { // a JASC file of N colours 0421
        const QString path = m_dir.filePath(arg + ".pal");
        const PaletteFile::Words words(arg.toInt(), 0x0421);
        QVERIFY(TestFiles::writeFile(path, PaletteFile::encode(PaletteFile::Format::JascPal, words, {})));
        m_services.files.answers = { path };
        window.mnuImportPalette->trigger();
        QVERIFY(m_services.files.lastFilter.contains("*.gif"));
    } else if (verb == "filter") {
        m_services.files.selectedFilter = arg;
    } else if (verb == "export") { // the names the chooser answers, in turn
        m_services.files.answers.clear();
        for (const QString &name : arg.split('|'))
            m_services.files.answers << (name.isEmpty() ? QString() : m_dir.filePath(name));
        window.mnuExportPalette->trigger();
        QVERIFY(!m_services.files.lastFilter.contains("*.gif"));
    } else if (verb == "initials") { // the names the chooser opened on
        QStringList names;
        for (const QString &name : std::as_const(m_services.files.initialNames))
            names << (name.isEmpty() ? name : QDir(m_dir.path()).relativeFilePath(name));
        m_services.files.initialNames.clear();
        QCOMPARE(names.join('|'), arg);
    } else if (verb == "exported") { // the boxes, in the format of the name
        QCOMPARE(PaletteFile::readFile(m_dir.filePath(arg)).words.size(), 16);
    } else if (verb == "argument") {
        window.chooseRomFromCommandLine(m_dir.filePath(arg));
    } else if (verb == "offset") {
        window.txtOffset->clear();
        QTest::keyClicks(window.txtOffset, arg);
    } else if (verb == "press") {
        for (QPushButton *button : window.findChildren<QPushButton *>())
            if (button->text() == arg)
                button->click();
    } else if (verb == "fixed") {
        const QSize size = window.size();
        window.resize(size + QSize(100, 80));
        QCOMPARE(window.size(), size);
    } else if (verb == "box") {
        window.txtChgPal.at(args.value(0).toInt() - 1)->setText(args.value(1));
    } else if (verb == "all") {
        for (QLineEdit *b : window.txtChgPal)
            b->setText(arg);
    } else if (verb == "answer") {
        m_services.messages.answers.clear();
        for (const QString &answer : args)
            m_services.messages.answers << (answer == "Yes" ? QMessageBox::Yes : QMessageBox::No);
    } else if (verb == "said") {
        QVERIFY2(!m_services.messages.messages.isEmpty(), "no message");
        const RecordedMessage m = m_services.messages.messages.takeFirst();
        QVERIFY2(m.title.startsWith(arg.section('|', 0, 0)) && m.text.contains(arg.section('|', 1, 1)),
                 qPrintable(QStringLiteral("message %1|%2").arg(m.title, m.text)));
        if (!arg.section('|', 2).isEmpty()) // the default button, the one Enter presses
            QCOMPARE(m.defaultButton, QMessageBox::No);
    } else if (verb == "boxes") {
        for (int i = 0; i < 16; ++i)
            QCOMPARE(window.txtChgPal[i]->text(), args.value(i, args.isEmpty() ? "" : window.txtChgPal[i]->text()));
    } else if (verb == "swatch") {
        ColorSwatch *swatch = window.picChgPreview.at(args.value(0).toInt() - 1);
        const QImage framed = swatch->grab().toImage();
        const bool none = args.value(1) == "none";
        QCOMPARE(swatch->color(), QColor(none ? "#ffffff" : args.value(1)));
        // A one-pixel frame darker than the window, so white stands out.
        const QColor frame = framed.pixelColor(0, 0);
        QVERIFY2(frame.lightness() < window.palette().color(QPalette::Window).lightness(), "no frame");
        const QImage seen = framed.copy(framed.rect().adjusted(1, 1, -1, -1));
        for (const QPoint corner : { framed.rect().topRight(), framed.rect().bottomLeft(), framed.rect().bottomRight() })
            QCOMPARE(framed.pixelColor(corner), frame);
        // "No colour" must not look like plain white: it carries a mark.
        QImage plain(seen.size(), seen.format());
        plain.fill(swatch->color());
        QVERIFY2((seen == plain) != none, none ? "no mark on an incomplete box" : "a colour with a mark");
    } else if (verb == "boxis" || verb == "boxnot") {
        QCOMPARE(window.txtChgPal.at(args.value(0).toInt() - 1)->text() == args.value(1), verb == "boxis");
    } else if (verb == "click" || verb == "dblclick" || verb == "drag") {
        const auto swatch = [&](int n) { return window.picChgPreview.at(n - 1); };
        const Qt::KeyboardModifiers keys = arg.endsWith("shift") ? Qt::ShiftModifier
                : arg.endsWith("ctrl")                        ? Qt::ControlModifier
                                                              : Qt::NoModifier;
        ColorSwatch *from = swatch(args.value(0).toInt());
        if (verb == "click")
            QTest::mouseClick(from, Qt::LeftButton, keys);
        else if (verb == "dblclick")
            QTest::mouseDClick(from, Qt::LeftButton);
        else { // the press's swatch keeps the pointer to the end of the drag
            QTest::mousePress(from, Qt::LeftButton);
            const QPoint over = from->mapFromGlobal(swatch(args.value(1).toInt())->mapToGlobal(QPoint(3, 3)));
            QTest::mouseMove(from, over);
            QTest::mouseRelease(from, Qt::LeftButton, keys, over);
        }
    } else if (verb == "selected") {
        QString shown;
        for (int box : window.editing()->selection())
            shown += QStringLiteral(" %1").arg(box + 1);
        QCOMPARE(shown.trimmed(), arg);
    } else if (verb == "clip" || verb == "clipboard") {
        if (verb == "clip")
            QGuiApplication::clipboard()->setText(arg);
        else
            QCOMPARE(QGuiApplication::clipboard()->text(), arg);
    } else if (verb == "undo") {
        QCOMPARE(window.editing()->mnuUndo->isEnabled(), arg == "on");
    } else if (verb == "focus" || verb == "type" || verb == "leave") {
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QWidget *target = verb == "leave" ? static_cast<QWidget *>(window.Command2) : window.txtChgPal.at(args.value(0).toInt() - 1);
        target->setFocus();
        QTRY_VERIFY(target->hasFocus());
        if (verb == "type") {
            window.txtChgPal.at(args.value(0).toInt() - 1)->selectAll();
            QTest::keyClicks(target, args.value(1));
        }
    } else if (verb == "key") {
        QTest::keySequence(QApplication::focusWidget(), QKeySequence(arg));
    } else if (verb == "tooltip") {
        QCOMPARE(window.picChgPreview.at(args.value(0).toInt() - 1)->toolTip(), arg.section(' ', 1));
    } else if (verb == "target") { // the swatch marked and the caption naming it
        frmColorPicker *picker = window.colorPickerWindow();
        for (int i = 0; i < 16; ++i)
            QCOMPARE(window.picChgPreview[i]->isTargeted(), i + 1 == arg.toInt());
        if (picker && arg != "none")
            QVERIFY2(picker->windowTitle().endsWith(QStringLiteral("colour %1").arg(arg.toInt() - 1)),
                     qPrintable(picker->windowTitle()));
    } else if (verb == "pickerdrag") { // one burst: press, two moves, release on the field
        frmColorPicker *picker = window.colorPickerWindow();
        QVERIFY(picker);
        picker->picBigBox_MouseDown(1, 0, 20, 30);
        picker->picBigBox_MouseMove(1, 0, 200, 90);
        picker->picBigBox_MouseMove(1, 0, 240, 10);
        picker->picBigBox_MouseUp(1, 0, 240, 10);
    } else if (verb == "picker") {
        QCOMPARE(window.colorPickerWindow()->txtGBAColor->text(), arg);
    } else if (verb == "autopaste") {
        window.colorPickerWindow()->mnuAutoPaste->trigger();
        QCOMPARE(window.colorPickerWindow()->mnuAutoPaste->isChecked(), arg == "on");
    } else if (verb == "pickerclose") {
        window.colorPickerWindow()->close();
        QTRY_VERIFY(!window.colorPickerWindow());
    } else if (verb == "size") {
        (arg == "256" ? window.editing()->mnuSize256 : window.editing()->mnuSize16)->trigger();
    } else if (verb == "grown") { // the grid beside the usual controls, the window fixed
        PaletteGrid *grid = window.editing()->grid();
        QVERIFY(grid && grid->isVisible() && window.Frame3->isVisible());
        QVERIFY(!grid->geometry().intersects(window.Frame3->geometry()));
        QVERIFY(window.centralWidget()->rect().contains(grid->geometry()));
        step(window, "fixed", {});
    } else if (verb == "grid" || verb == "griddrag" || verb == "griddbl") {
        PaletteGrid *grid = window.editing()->grid();
        const QPoint from = grid->cellRect(args.value(0).toInt(nullptr, 16)).center();
        if (verb == "grid") {
            QTest::mouseClick(grid, Qt::LeftButton, arg.endsWith("shift") ? Qt::ShiftModifier
                                      : arg.endsWith("ctrl")             ? Qt::ControlModifier
                                                                         : Qt::NoModifier, from);
        } else if (verb == "griddbl") {
            QTest::mouseDClick(grid, Qt::LeftButton, {}, from);
        } else {
            QTest::mousePress(grid, Qt::LeftButton, {}, from);
            QTest::mouseRelease(grid, Qt::LeftButton, arg.endsWith("ctrl") ? Qt::ControlModifier : Qt::NoModifier,
                                grid->cellRect(args.value(1).toInt(nullptr, 16)).center());
        }
    } else if (verb == "exportfile" || verb == "importfile") { // name, and the colours exported
        m_services.files.answers = { m_dir.filePath(args.value(0)) };
        (verb == "exportfile" ? window.mnuExportPalette : window.mnuImportPalette)->trigger();
        if (verb == "exportfile")
            QCOMPARE(PaletteFile::readFile(m_dir.filePath(args.value(0))).words.size(), args.value(1).toInt());
    } else if (verb == "disabled") {
        for (QLineEdit *box : window.txtChgPal)
            QVERIFY(!box->isEnabled());
    } else if (verb == "patched") { // offset and word, or @offset: the two bytes that were there
        QByteArray expected = m_rom;
        for (int i = 0; i + 1 < args.size(); i += 2) {
            const QString word = args[i + 1];
            expected.replace(args[i].toInt(nullptr, 16), 2,
                             word.startsWith('@') ? m_rom.mid(word.mid(1).toInt(nullptr, 16), 2)
                                                  : QByteArray::fromHex(word.toLatin1()));
        }
        QCOMPARE(TestFiles::readFile(m_dir.filePath("game.nds")), expected);
    } else if (verb == "journal") { // one entry since the last look: offset and size
        WriteJournal::Journal journal(WriteJournal::Journal::defaultPath(), false);
        const QList<WriteJournal::Entry> entries = journal.entries(m_dir.filePath("game.nds"));
        QVERIFY(!entries.isEmpty());
        QCOMPARE(entries.size(), std::exchange(m_entriesBefore, int(entries.size())) + 1);
        QCOMPARE(entries[0].offset, quint32(args.value(0).toUInt(nullptr, 16)));
        QCOMPARE(entries[0].newBytes.size(), args.value(1).toInt());
    } else if (verb == "okbutton") {
        QCOMPARE(window.Command1->isEnabled(), arg == "on");
    } else if (verb == "ready") {
        for (const bool enabled : { window.txtOffset->isEnabled(), window.Command2->isEnabled(),
                                    window.mnuFind->isEnabled(), window.mnuSostituisci->isEnabled() })
            QCOMPARE(enabled, arg == "yes");
    } else if (verb == "rom") {
        // "same", or the 32 bytes at an offset: hex "word*count" or "@offset" of the old image.
        QByteArray expected = m_rom;
        const qsizetype at = args.value(0).toLongLong(nullptr, 16);
        const QString bytes = args.value(1);
        if (!bytes.isEmpty()) {
            expected.resize(std::max(expected.size(), at + 32), '\0');
            expected.replace(at, 32, bytes.startsWith('@')
                                     ? m_rom.mid(bytes.mid(1).toInt(nullptr, 16), 32)
                                     : QByteArray::fromHex(bytes.section('*', 0, 0).toLatin1())
                                               .repeated(bytes.section('*', 1).toInt()));
        }
        QCOMPARE(TestFiles::readFile(m_dir.filePath("game.nds")), expected);
    } else if (verb == "title") {
        QCOMPARE(window.windowHandle()->title(), arg);
    } else if (verb == "label") {
        QCOMPARE(QAccessible::queryAccessibleInterface(window.Label4)->text(QAccessible::Name), arg);
    } else if (verb == "shown") {
        QCOMPARE(window.isVisible(), arg == "yes");
    } else {
        QFAIL(qPrintable("unknown step " + verb));
    }
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
