#include "cindral_version.h"
#include "colorswatch.h"
#include "frmcolorpicker.h"
#include "frmdatabase.h"
#include "frminfo.h"
#include "frmmain.h"
#include "frmupdate.h"
#include "testfiles.h"
#include "testservices.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

using TestFiles::readFile;

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
    void menuItemsHaveAccessKeysAndTheDialogAllFiles();
    void windowCannotBeResized();
    void toolWindowsAreSharedAndCarryTheIcon_data();
    void toolWindowsAreSharedAndCarryTheIcon();
    void aboutBoxClosesFromTheKeyboard_data();
    void aboutBoxClosesFromTheKeyboard();

private:
    void step(frmMain &window, const QString &verb, const QString &arg);

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_rom;
    TestServices m_services;
};

void tst_frmMain::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_rom = TestFiles::romImage(
            0x400, { { 0x1A0, QByteArray::fromHex("FF7F1F00E003007C9452") + QByteArray(22, 'B') } });
    for (const char *name : { "game.nds", "other.gba", "<b>x[*].nds" })
        QVERIFY(TestFiles::writeFile(m_dir->filePath(QString::fromLatin1(name)), m_rom));
    m_services = {};
}

void tst_frmMain::scenario_data()
{
    QTest::addColumn<QString>("steps");
    const auto row = [](const char *name, const char *steps) { QTest::newRow(name) << steps; };
    row("nothing to do before a ROM is chosen",
        "ready no; open; ready no; all FF7F; okbutton off; answer Yes; open game.nds; ready yes;"
        "okbutton off; said Cindral Palette Editor|The palette in the boxes has not been written.");
    row("Find reads the palette", "open game.nds; offset 1a0; find; boxes FF7F 1F00 E003 007C 9452;"
        "swatch 1 #ffffff; swatch 2 #ff0000; swatch 5 #a5a5a5; okbutton on; rom same");
    row("Enter in the offset box reads", "open game.nds; offset 1A0; enter; boxes FF7F 1F00");
    row("0x prefix reads the same", "open game.nds; offset 0x1a0; find; boxes FF7F 1F00");
    row("swatches follow the boxes", "box 1 FFFF; swatch 1 #ffffff; box 2 ff7f; swatch 2 #ffffff;"
        "box 3 E003; swatch 3 #00ff00; box 4 007C; swatch 4 #0000ff; box 5 0000; swatch 5 #000000;"
        "box 6 1G00; swatch 6 none; box 7 zzzz; swatch 7 none; box 8 1F0; swatch 8 none;"
        "box 8 1F00; swatch 8 #ff0000; box 8; swatch 8 none");
    row("OK writes and repeats the offset as typed", "open game.nds; offset 1a0; all ff7f; ok;"
        "said Cindral Palette Editor|Palette 1a0 Edited; rom 1A0 FF7F*16; close");
    row("Sostituisci copies the palette to another offset", "open game.nds; offset 1A0; find;"
        "offset 300; replace; said Cindral Palette Editor|Palette 300 Edited; rom 300 @1A0");
    for (const char *offset : { "", "1Q0", "7FFFFFE1", "0x" }) {
        QTest::addRow("offset \"%s\" is refused", offset)
                << QStringLiteral("open game.nds; offset %1; find; all 1F00; ok; rom same;"
                                  "said Error|must be a hexadecimal number from 0 to 7FFFFFE0;"
                                  "said Error|must be a hexadecimal number from 0 to 7FFFFFE0")
                           .arg(offset);
    }
    row("a cancelled Open ROM keeps image and boxes", "open game.nds; offset 1A0; find;"
        "box 4 1F00; open; title Cindral Palette Editor - game.nds; boxes FF7F 1F00 E003 1F00");
    row("four characters that are not hex are no colour", "open game.nds; offset 1A0; find;"
        "box 3 zz1G; swatch 3 none; okbutton off; replace; rom same;"
        "said Error|Every palette box must hold four characters. Box 3 holds \"zz1G\"");
    row("the first incomplete box is named", "open game.nds; offset 1A0; all 1F00; box 16 1F0;"
        "box 9; swatch 9 none; replace; rom same;"
        "said Error|Every palette box must hold four characters. Box 9 is empty.");
    row("a read past the end warns", "open game.nds; offset 400; find; boxes 0000 0000;"
        "said Warning|The palette at 400 runs past the end of \"game.nds\": 32 of its 32 bytes");
    row("a growing write asks; No writes nothing", "open game.nds; offset 3F0; find;"
        "said Warning|16 of its 32 bytes; answer No; ok; rom same;"
        "said Cindral Palette Editor|\"game.nds\": writing it makes the file 16 bytes longer");
    row("a growing write asks; Yes writes", "open game.nds; offset 1A0; find; offset 400;"
        "answer Yes; ok; said Cindral Palette Editor|32 bytes longer; rom 400 @1A0;"
        "said Cindral Palette Editor|Palette 400 Edited");
    row("closing with unwritten edits asks", "open game.nds; offset 1A0; find; box 1 0000;"
        "answer No; close; shown yes; said Cindral Palette Editor|not been written to \"game.nds\";"
        "answer Yes; close; shown no; said Cindral Palette Editor|Discard it?");
    row("closing after a load or a write asks nothing", "open game.nds; offset 1A0; find; close;"
        "shown no; open game.nds; box 1 0000; all 1F00; ok; said Cindral Palette Editor|Edited;"
        "close; shown no");
    row("another image with unwritten edits asks", "open game.nds; offset 1A0; find; box 1 0000;"
        "answer No; open other.gba; title Cindral Palette Editor - game.nds; boxes 0000 1F00;"
        "said Cindral Palette Editor|Discard it?; answer Yes; open other.gba; boxes;"
        "title Cindral Palette Editor - other.gba; said Cindral Palette Editor|Discard it?");
    row("file names are shown as they are", "open <b>x[*].nds;"
        "title Cindral Palette Editor - <b>x[*].nds; label Loaded ROM: <b>x[*].nds");
    row("command-line ROM", "argument game.nds; ready yes; title Cindral Palette Editor - game.nds");
    row("command-line ROM that is missing", "argument gone.nds; ready no; said Warning|gone.nds");
    row("command-line ROM that is a folder", "argument .; ready no; said Warning|folder");
}

void tst_frmMain::scenario()
{
    QFETCH(QString, steps);
    frmMain window(m_services.services());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const QString &text : steps.split(QLatin1Char(';'))) {
        const QString trimmed = text.trimmed();
        step(window, trimmed.section(QLatin1Char(' '), 0, 0), trimmed.section(QLatin1Char(' '), 1));
        if (QTest::currentTestFailed())
            QFAIL(qPrintable("at step: " + trimmed));
    }
    QStringList unchecked;
    for (const RecordedMessage &m : std::as_const(m_services.messages.messages))
        unchecked << m.title + '|' + m.text;
    QVERIFY2(unchecked.isEmpty(), qPrintable("unchecked messages: " + unchecked.join(" / ")));
}

void tst_frmMain::step(frmMain &window, const QString &verb, const QString &arg)
{
    const QStringList args = arg.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const auto box = [&] { return window.txtChgPal.at(args.value(0).toInt() - 1); };
    if (verb == "open") {
        m_services.files.answers = { arg.isEmpty() ? QString() : m_dir->filePath(arg) };
        window.Apri->trigger();
    } else if (verb == "argument") {
        window.chooseRomFromCommandLine(m_dir->filePath(arg));
    } else if (verb == "offset") {
        window.txtOffset->clear();
        QTest::keyClicks(window.txtOffset, arg);
    } else if (verb == "find") {
        window.Command2->click();
    } else if (verb == "enter") {
        QTest::keyClick(window.txtOffset, Qt::Key_Return);
    } else if (verb == "ok") {
        window.Command1->click();
    } else if (verb == "replace") {
        window.mnuSostituisci->trigger();
    } else if (verb == "box") {
        box()->setText(args.value(1));
    } else if (verb == "all") {
        for (QLineEdit *b : window.txtChgPal)
            b->setText(arg);
    } else if (verb == "answer") {
        m_services.messages.answers = { arg == "Yes" ? QMessageBox::Yes : QMessageBox::No };
    } else if (verb == "close") {
        window.close();
    } else if (verb == "said") {
        QVERIFY2(!m_services.messages.messages.isEmpty(), "no message");
        const RecordedMessage m = m_services.messages.messages.takeFirst();
        QVERIFY2(m.title == arg.section('|', 0, 0) && m.text.contains(arg.section('|', 1)),
                 qPrintable(QStringLiteral("message %1|%2").arg(m.title, m.text)));
    } else if (verb == "boxes") {
        for (int i = 0; i < 16; ++i)
            QCOMPARE(window.txtChgPal[i]->text(), args.value(i, args.isEmpty() ? "" : window.txtChgPal[i]->text()));
    } else if (verb == "swatch") {
        ColorSwatch *swatch = window.picChgPreview.at(args.value(0).toInt() - 1);
        const QImage seen = swatch->grab().toImage();
        const bool none = args.value(1) == "none";
        QCOMPARE(swatch->color(), QColor(none ? "#ffffff" : args.value(1)));
        // "No colour" must not look like plain white: it carries a mark.
        bool plain = true;
        for (int y = 0; y < seen.height(); ++y)
            for (int x = 0; x < seen.width(); ++x)
                plain = plain && seen.pixelColor(x, y) == swatch->color();
        QVERIFY2(plain != none, none ? "no mark on an incomplete box" : "a colour with a mark");
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
        QCOMPARE(readFile(m_dir->filePath("game.nds")), expected);
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

void tst_frmMain::menuItemsHaveAccessKeysAndTheDialogAllFiles()
{
    frmMain window(m_services.services());
    for (QAction *menu : window.menuBar()->actions()) {
        QList<QChar> keys;
        for (QAction *item : menu->menu()->actions()) {
            if (item->isSeparator())
                continue;
            const QString text = item->text();
            const qsizetype amp = text.indexOf('&');
            QVERIFY2(amp >= 0 && amp + 1 < text.size(), qPrintable("no access key: " + text));
            QVERIFY2(!keys.contains(text[amp + 1].toLower()), qPrintable("access key taken: " + text));
            keys << text[amp + 1].toLower();
        }
    }
    window.Apri->trigger();
    QCOMPARE(m_services.files.lastFilter.section(";;", 1), QStringLiteral("All files (*)"));
}

void tst_frmMain::windowCannotBeResized()
{
    frmMain window(m_services.services());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QSize size = window.size();
    window.resize(size + QSize(100, 80));
    QCOMPARE(window.size(), size);
    QCOMPARE(window.minimumSize(), window.maximumSize());
}

void tst_frmMain::toolWindowsAreSharedAndCarryTheIcon_data()
{
    QTest::addColumn<QString>("item");
    for (const char *item : { "Color Picker", "Database", "Live Update", "Info About..." })
        QTest::newRow(item) << item;
}

void tst_frmMain::toolWindowsAreSharedAndCarryTheIcon()
{
    QFETCH(QString, item);
    frmMain window(m_services.services());
    QAction *action = nullptr;
    for (QAction *menu : window.menuBar()->actions())
        for (QAction *candidate : menu->menu()->actions())
            if (candidate->text().remove('&') == item)
                action = candidate;
    QVERIFY(action);
    const auto shown = [&]() -> QWidget * {
        const QList<QWidget *> open = { window.colorPickerWindow(), window.databaseWindow(),
                                        window.updateWindow(), window.infoWindow() };
        for (QWidget *w : open)
            if (w)
                return w;
        return nullptr;
    };
    action->trigger();
    QPointer<QWidget> first = shown();
    QVERIFY(first && first->isVisible() && !first->parentWidget());
    action->trigger();
    QCOMPARE(shown(), first.data());
    QCOMPARE(first->windowIcon().pixmap(32).toImage(), window.windowIcon().pixmap(32).toImage());
    QVERIFY(!first->windowIcon().isNull());
    m_services.messages.messages.clear(); // an empty store says so
    first->setAttribute(Qt::WA_DeleteOnClose);
    first->close();
    QTRY_VERIFY(!first);
}

void tst_frmMain::aboutBoxClosesFromTheKeyboard_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Esc") << int(Qt::Key_Escape);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
    QTest::newRow("Return") << int(Qt::Key_Return);
}

void tst_frmMain::aboutBoxClosesFromTheKeyboard()
{
    QFETCH(int, key);
    frmMain window(m_services.services());
    window.Info->trigger();
    frmInfo *about = window.infoWindow();
    QVERIFY(QTest::qWaitForWindowActive(about));
    QVERIFY(qobject_cast<QPushButton *>(about->focusWidget()));
    QVERIFY(about->txtMaker->text().contains(QStringLiteral(CINDRAL_VERSION)));
    QTest::keyClick(about->focusWidget(), Qt::Key(key));
    QTRY_VERIFY(!window.infoWindow());
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
