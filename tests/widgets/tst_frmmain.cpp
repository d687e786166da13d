#include "colorswatch.h"
#include "frminfo.h"
#include "frmmain.h"
#include "testservices.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class tst_frmMain : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void controlsSitAtTheirDesignedPlaces_data();
    void controlsSitAtTheirDesignedPlaces();
    void menusCarryCaptionsShortcutsAndIcons_data();
    void menusCarryCaptionsShortcutsAndIcons();
    void startsWithNoRom();
    void openingARomNamesItAndEnablesLoading();
    void cancellingKeepsTheEarlierRom();
    void secondOpenClearsThePalette();
    void typingPaintsTheSwatchAtTheFourthCharacter();
    void swatchColoursOfWordTexts_data();
    void swatchColoursOfWordTexts();
    void writeButtonNeedsAllSixteenBoxesAndARom();
    void findLoadsThePaletteThroughButtonMenuAndEnter();
    void okWritesAndConfirmsWithTheOffsetAsTyped();
    void writingAtAnotherOffsetCopiesThePalette();
    void badOffsetsAreRefused_data();
    void badOffsetsAreRefused();
    void sostituisciRefusesAnIncompletePalette();
    void vanishedRomWarnsAndKeepsTheBoxes();
    void aboutBoxIsShared();

private:
    QString makeRom(const QByteArray &bytes);
    QByteArray romBytes() const;
    void openRom(frmMain &window, const QString &path);
    void typeOffset(frmMain &window, const QString &text);

    QTemporaryDir m_dir;
    QString m_rom;
    TestServices m_services;
};

static QByteArray samplePalette()
{
    QByteArray rom(0x400, '\0');
    const char palette[] = "\xFF\x7F\x1F\x00\xE0\x03\x00\x7C\x94\x52";
    for (int i = 0; i < 10; ++i)
        rom[0x1A0 + i] = palette[i];
    for (int i = 10; i < 32; ++i)
        rom[0x1A0 + i] = char(0x40 + i);
    return rom;
}

QString tst_frmMain::makeRom(const QByteArray &bytes)
{
    const QString path = m_dir.filePath(QStringLiteral("game.nds"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test ROM");
    return path;
}

QByteArray tst_frmMain::romBytes() const
{
    QFile file(m_rom);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void tst_frmMain::init()
{
    QVERIFY(m_dir.isValid());
    m_rom = makeRom(samplePalette());
    m_services.messages.messages.clear();
    m_services.files.answers.clear();
}

void tst_frmMain::cleanup()
{
    QFile::remove(m_rom);
}

void tst_frmMain::openRom(frmMain &window, const QString &path)
{
    m_services.files.answers = { path };
    window.Apri->trigger();
}

void tst_frmMain::typeOffset(frmMain &window, const QString &text)
{
    window.txtOffset->clear();
    QTest::keyClicks(window.txtOffset, text);
}

void tst_frmMain::controlsSitAtTheirDesignedPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("Label4") << "Label4" << QRect(56, 168, 361, 17);
    QTest::newRow("Label1") << "Label1" << QRect(120, 208, 73, 17);
    QTest::newRow("txtOffset") << "txtOffset" << QRect(120, 232, 97, 19);
    QTest::newRow("Command2") << "Command2" << QRect(232, 232, 57, 17);
    QTest::newRow("Frame3") << "Frame3" << QRect(8, 264, 403, 145);
    QTest::newRow("Command1") << "Command1" << QRect(184, 380, 49, 17);
    QTest::newRow("txtChgPal(0)") << "txtChgPal0" << QRect(16, 28, 40, 20);
    QTest::newRow("txtChgPal(7)") << "txtChgPal7" << QRect(16 + 7 * 48, 28, 40, 20);
    QTest::newRow("txtChgPal(8)") << "txtChgPal8" << QRect(16, 72, 40, 20);
    QTest::newRow("picChgPreview(0)") << "picChgPreview0" << QRect(16, 52, 39, 10);
    QTest::newRow("picChgPreview(15)") << "picChgPreview15" << QRect(16 + 7 * 48, 96, 40, 10);
}

void tst_frmMain::controlsSitAtTheirDesignedPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRect, expected);
    frmMain window(m_services.services());
    QWidget *controls[] = { window.Label4, window.Label1, window.txtOffset, window.Command2,
                            window.Frame3, window.Command1 };
    const QStringList names = { "Label4", "Label1", "txtOffset", "Command2", "Frame3", "Command1" };
    QWidget *control = nullptr;
    if (names.contains(name))
        control = controls[names.indexOf(name)];
    else if (name.startsWith("txtChgPal"))
        control = window.txtChgPal[name.mid(9).toInt()];
    else
        control = window.picChgPreview[name.mid(13).toInt()];
    if (qobject_cast<QLabel *>(control)) {
        // Labels keep their place and may only grow to fit a wider font.
        QCOMPARE(control->pos(), expected.topLeft());
        QCOMPARE(control->height(), expected.height());
        QVERIFY(control->width() >= expected.width());
        QVERIFY(control->width() >= control->sizeHint().width());
    } else {
        QCOMPARE(control->geometry(), expected);
    }
    QCOMPARE(window.centralWidget()->size(), QSize(420, 414));
}

void tst_frmMain::menusCarryCaptionsShortcutsAndIcons_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<bool>("hasIcon");
    QTest::newRow("Open ROM") << "File" << 0 << "Open ROM" << "Ctrl+O" << true;
    QTest::newRow("Live Update") << "File" << 1 << "Live Update" << "Ctrl+L" << true;
    QTest::newRow("Import Palette") << "File" << 3 << "Import Palette\u2026" << "" << false;
    QTest::newRow("Export Palette") << "File" << 4 << "Export Palette\u2026" << "" << false;
    QTest::newRow("Exit") << "File" << 6 << "Exit" << "Ctrl+Q" << true;
    QTest::newRow("Find") << "Edit" << 0 << "Find" << "Ctrl+F" << true;
    QTest::newRow("Sostituisci") << "Edit" << 1 << "Sostituisci" << "Ctrl+S" << true;
    QTest::newRow("Write History") << "Edit" << 2 << "Write History" << "Ctrl+H" << false;
    QTest::newRow("Color Picker") << "Tools" << 0 << "Color Picker" << "Ctrl+P" << true;
    QTest::newRow("Database") << "Tools" << 1 << "Database" << "" << false;
    QTest::newRow("Info About...") << "Info" << 0 << "Info About..." << "Ctrl+I" << true;
}

void tst_frmMain::menusCarryCaptionsShortcutsAndIcons()
{
    QFETCH(QString, menu);
    QFETCH(int, position);
    QFETCH(QString, caption);
    QFETCH(QString, shortcut);
    QFETCH(bool, hasIcon);
    frmMain window(m_services.services());
    QMenu *found = nullptr;
    for (QAction *top : window.menuBar()->actions()) {
        if (top->text().remove(QLatin1Char('&')) == menu)
            found = top->menu();
    }
    QVERIFY2(found, qPrintable("no menu " + menu));
    QAction *item = found->actions().value(position);
    QVERIFY(item);
    QCOMPARE(item->text(), caption);
    QCOMPARE(item->shortcut().toString(), shortcut);
    QCOMPARE(!item->icon().isNull(), hasIcon);
    if (menu == QLatin1String("File"))
        QVERIFY(found->actions().at(2)->isSeparator());
}

void tst_frmMain::startsWithNoRom()
{
    frmMain window(m_services.services());
    QCOMPARE(window.windowTitle(), QStringLiteral("Cindral Palette Editor"));
    QVERIFY(!window.txtOffset->isEnabled());
    QVERIFY(!window.Command2->isEnabled());
    QVERIFY(!window.Command1->isEnabled());
    QVERIFY(!window.mnuFind->isEnabled());
    QVERIFY(!window.mnuSostituisci->isEnabled());
    QVERIFY(window.Apri->isEnabled());
    QVERIFY(window.Info->isEnabled());
    QVERIFY(window.Label4->text().isEmpty());
    for (int i = 0; i < 16; ++i) {
        QVERIFY(window.txtChgPal[i]->isEnabled());
        QVERIFY(window.txtChgPal[i]->text().isEmpty());
        QCOMPARE(window.txtChgPal[i]->maxLength(), 4);
        QVERIFY2(!window.picChgPreview[i]->color().isValid(), "swatches start as background");
    }
    // The handlers refuse quietly too when reached without a ROM.
    window.Command2_Click();
    window.mnuSostituisci_Click();
    QVERIFY(m_services.messages.messages.isEmpty());
}

void tst_frmMain::openingARomNamesItAndEnablesLoading()
{
    frmMain window(m_services.services());
    openRom(window, m_rom);
    QCOMPARE(m_services.files.lastCaption, QStringLiteral("Open ROM"));
    QVERIFY(m_services.files.lastFilter.startsWith(QStringLiteral("Nintendo DS (*.nds)")));
    QVERIFY(m_services.files.lastFilter.contains(QStringLiteral("*.gba")));
    QCOMPARE(window.windowTitle(), QStringLiteral("Cindral Palette Editor - game.nds"));
    QCOMPARE(window.Label4->text(), QStringLiteral("Loaded ROM: game.nds"));
    QCOMPARE(window.romPath(), m_rom);
    QVERIFY(window.txtOffset->isEnabled());
    QVERIFY(window.Command2->isEnabled());
    QVERIFY(window.mnuFind->isEnabled());
    QVERIFY(window.mnuSostituisci->isEnabled());
    QVERIFY(!window.Command1->isEnabled());
    // Boxes that were empty already do not change, so their swatches keep
    // the background; a box that held text is cleared and painted white.
    QVERIFY(!window.picChgPreview[0]->color().isValid());
    window.txtChgPal[2]->setText(QStringLiteral("1F00"));
    openRom(window, m_rom);
    QCOMPARE(window.picChgPreview[2]->color(), QColor(Qt::white));
    QVERIFY(!window.picChgPreview[0]->color().isValid());
}

void tst_frmMain::cancellingKeepsTheEarlierRom()
{
    frmMain window(m_services.services());
    m_services.files.answers = { QString() };
    window.Apri_Click();
    QCOMPARE(window.windowTitle(), QStringLiteral("Cindral Palette Editor"));
    QVERIFY(!window.Command2->isEnabled());

    openRom(window, m_rom);
    window.txtChgPal[3]->setText(QStringLiteral("1F00"));
    m_services.files.answers = { QString() };
    window.Apri_Click();
    QCOMPARE(window.romPath(), m_rom);
    QCOMPARE(window.windowTitle(), QStringLiteral("Cindral Palette Editor - game.nds"));
    QVERIFY2(window.txtChgPal[3]->text().isEmpty(), "a cancelled choice still clears the boxes");
}

void tst_frmMain::secondOpenClearsThePalette()
{
    frmMain window(m_services.services());
    openRom(window, m_rom);
    typeOffset(window, QStringLiteral("1A0"));
    window.Command2_Click();
    QVERIFY(window.Command1->isEnabled());
    const QString second = m_dir.filePath(QStringLiteral("other.gba"));
    QVERIFY(QFile::copy(m_rom, second));
    openRom(window, second);
    QCOMPARE(window.Label4->text(), QStringLiteral("Loaded ROM: other.gba"));
    for (int i = 0; i < 16; ++i) {
        QVERIFY(window.txtChgPal[i]->text().isEmpty());
        QCOMPARE(window.picChgPreview[i]->color(), QColor(Qt::white));
    }
    QVERIFY(!window.Command1->isEnabled());
    QCOMPARE(window.txtOffset->text(), QStringLiteral("1A0"));
}

void tst_frmMain::typingPaintsTheSwatchAtTheFourthCharacter()
{
    frmMain window(m_services.services());
    QLineEdit *box = window.txtChgPal[5];
    const QString keys = QStringLiteral("1F00");
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(box, keys[i].toLatin1());
        QCOMPARE(window.picChgPreview[5]->color(), QColor(Qt::white));
    }
    QTest::keyClick(box, '0');
    QCOMPARE(window.picChgPreview[5]->color(), QColor(255, 0, 0));
    QTest::keyClick(box, '7');
    QCOMPARE(box->text(), QStringLiteral("1F00")); // a fifth character is refused
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(window.picChgPreview[5]->color(), QColor(Qt::white));
}

void tst_frmMain::swatchColoursOfWordTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("white") << "FF7F" << QColor(255, 255, 255);
    QTest::newRow("bit 15 ignored") << "FFFF" << QColor(255, 255, 255);
    QTest::newRow("lower case") << "ff7f" << QColor(255, 255, 255);
    QTest::newRow("red") << "1F00" << QColor(255, 0, 0);
    QTest::newRow("green") << "E003" << QColor(0, 255, 0);
    QTest::newRow("blue") << "007C" << QColor(0, 0, 255);
    QTest::newRow("black") << "0000" << QColor(0, 0, 0);
    QTest::newRow("not hex paints black") << "zzzz" << QColor(0, 0, 0);
    QTest::newRow("stops at G") << "1G00" << QColor(8, 0, 0);
}

void tst_frmMain::swatchColoursOfWordTexts()
{
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    frmMain window(m_services.services());
    window.txtChgPal[9]->setText(text);
    QCOMPARE(window.picChgPreview[9]->color(), colour);
}

void tst_frmMain::writeButtonNeedsAllSixteenBoxesAndARom()
{
    frmMain window(m_services.services());
    for (QLineEdit *box : window.txtChgPal)
        box->setText(QStringLiteral("FF7F"));
    QVERIFY2(!window.Command1->isEnabled(), "no ROM chosen yet");
    openRom(window, m_rom);
    for (int i = 0; i < 16; ++i) {
        QVERIFY(!window.Command1->isEnabled());
        window.txtChgPal[i]->setText(QStringLiteral("zz1G")); // any four characters count
    }
    QVERIFY(window.Command1->isEnabled());
    window.txtChgPal[7]->clear();
    QVERIFY(!window.Command1->isEnabled());
}

void tst_frmMain::findLoadsThePaletteThroughButtonMenuAndEnter()
{
    frmMain window(m_services.services());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    openRom(window, m_rom);
    typeOffset(window, QStringLiteral("1a0"));
    QTest::mouseClick(window.Command2, Qt::LeftButton);
    QCOMPARE(window.txtChgPal[0]->text(), QStringLiteral("FF7F"));
    QCOMPARE(window.txtChgPal[1]->text(), QStringLiteral("1F00"));
    QCOMPARE(window.txtChgPal[4]->text(), QStringLiteral("9452"));
    QCOMPARE(window.picChgPreview[4]->color(), QColor(0xA5, 0xA5, 0xA5));
    QVERIFY(window.Command1->isEnabled());
    QCOMPARE(window.txtOffset->text(), QStringLiteral("1a0"));

    for (QLineEdit *box : window.txtChgPal)
        box->clear();
    window.mnuFind->trigger();
    QCOMPARE(window.txtChgPal[2]->text(), QStringLiteral("E003"));

    for (QLineEdit *box : window.txtChgPal)
        box->clear();
    QTest::keyClick(window.txtOffset, Qt::Key_Return);
    QCOMPARE(window.txtChgPal[3]->text(), QStringLiteral("007C"));

    // Past the end: one real byte, then zeros.
    typeOffset(window, QStringLiteral("3FF"));
    window.Command2_Click();
    QCOMPARE(window.txtChgPal[0]->text(), QStringLiteral("0000"));
    QCOMPARE(window.txtChgPal[15]->text(), QStringLiteral("0000"));
    QVERIFY(m_services.messages.messages.isEmpty());
    QCOMPARE(romBytes(), samplePalette());
}

void tst_frmMain::okWritesAndConfirmsWithTheOffsetAsTyped()
{
    frmMain window(m_services.services());
    openRom(window, m_rom);
    typeOffset(window, QStringLiteral("1a0"));
    for (QLineEdit *box : window.txtChgPal)
        box->setText(QStringLiteral("ff7f"));
    QTest::mouseClick(window.Command1, Qt::LeftButton);
    QCOMPARE(m_services.messages.messages.size(), 1);
    const RecordedMessage message = m_services.messages.messages.first();
    QCOMPARE(message.text, QStringLiteral("Palette 1a0 Edited"));
    QCOMPARE(message.title, QStringLiteral("Cindral Palette Editor"));
    QCOMPARE(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(message.icon, QMessageBox::NoIcon);

    QByteArray expected = samplePalette();
    for (int i = 0; i < 32; i += 2) {
        expected[0x1A0 + i] = char(0xFF);
        expected[0x1A0 + i + 1] = char(0x7F);
    }
    QCOMPARE(romBytes(), expected);

    // The menu item writes the same way.
    window.txtChgPal[0]->setText(QStringLiteral("1F00"));
    window.mnuSostituisci->trigger();
    QCOMPARE(m_services.messages.messages.size(), 2);
    QCOMPARE(romBytes().mid(0x1A0, 2), QByteArray("\x1F\x00", 2));
}

void tst_frmMain::writingAtAnotherOffsetCopiesThePalette()
{
    frmMain window(m_services.services());
    openRom(window, m_rom);
    typeOffset(window, QStringLiteral("1A0"));
    window.Command2_Click();
    typeOffset(window, QStringLiteral("300"));
    window.Command1_Click();
    const QByteArray after = romBytes();
    QCOMPARE(after.mid(0x300, 32), samplePalette().mid(0x1A0, 32));
    QCOMPARE(after.left(0x300), samplePalette().left(0x300));
    QCOMPARE(m_services.messages.messages.last().text, QStringLiteral("Palette 300 Edited"));
}

void tst_frmMain::badOffsetsAreRefused_data()
{
    QTest::addColumn<QString>("offset");
    QTest::newRow("empty") << "";
    QTest::newRow("not hexadecimal") << "1Q0";
    QTest::newRow("above 7FFFFFE0") << "7FFFFFE1";
}

void tst_frmMain::badOffsetsAreRefused()
{
    QFETCH(QString, offset);
    frmMain window(m_services.services());
    openRom(window, m_rom);
    typeOffset(window, offset);
    for (QLineEdit *box : window.txtChgPal)
        box->setText(QStringLiteral("1F00"));
    window.Command2_Click();
    window.Command1_Click();
    QCOMPARE(m_services.messages.messages.size(), 2);
    for (const RecordedMessage &message : m_services.messages.messages) {
        QCOMPARE(message.title, QStringLiteral("Error"));
        QVERIFY2(message.text.contains(QStringLiteral("7FFFFFE0")), qPrintable(message.text));
    }
    QCOMPARE(window.txtChgPal[0]->text(), QStringLiteral("1F00"));
    QCOMPARE(romBytes(), samplePalette());
}

void tst_frmMain::sostituisciRefusesAnIncompletePalette()
{
    frmMain window(m_services.services());
    openRom(window, m_rom);
    typeOffset(window, QStringLiteral("1A0"));
    for (QLineEdit *box : window.txtChgPal)
        box->setText(QStringLiteral("1F00"));
    window.txtChgPal[15]->setText(QStringLiteral("1F0"));
    QVERIFY(window.mnuSostituisci->isEnabled());
    window.mnuSostituisci->trigger();
    QCOMPARE(m_services.messages.messages.size(), 1);
    QCOMPARE(m_services.messages.messages.first().title, QStringLiteral("Error"));
    QCOMPARE(romBytes(), samplePalette());
}

void tst_frmMain::vanishedRomWarnsAndKeepsTheBoxes()
{
    frmMain window(m_services.services());
    openRom(window, m_rom);
    typeOffset(window, QStringLiteral("1A0"));
    window.Command2_Click();
    QFile::remove(m_rom);

    window.Command2_Click();
    QCOMPARE(m_services.messages.messages.size(), 1);
    QCOMPARE(m_services.messages.messages.first().title, QStringLiteral("Warning"));
    QVERIFY(m_services.messages.messages.first().text.contains(m_rom));
    QCOMPARE(window.txtChgPal[0]->text(), QStringLiteral("FF7F"));

    window.Command1_Click();
    QCOMPARE(m_services.messages.messages.size(), 2);
    QCOMPARE(m_services.messages.messages.last().title, QStringLiteral("Warning"));
    QVERIFY(!m_services.messages.messages.last().text.contains(QStringLiteral("Edited")));
    QVERIFY2(!QFile::exists(m_rom), "a vanished ROM image must not be created again");

    // Replaced by a folder: refused the same way.
    QVERIFY(QDir().mkdir(m_rom));
    window.Command1_Click();
    QCOMPARE(m_services.messages.messages.last().title, QStringLiteral("Warning"));
    QVERIFY(QDir().rmdir(m_rom));
}

void tst_frmMain::aboutBoxIsShared()
{
    frmMain window(m_services.services());
    window.Info->trigger();
    frmInfo *first = window.infoWindow();
    QVERIFY(first);
    QVERIFY(first->isVisible());
    QVERIFY(!first->parentWidget());
    QVERIFY(!first->txtDescription->text().isEmpty());
    QVERIFY(first->txtMaker->text().contains(QStringLiteral("0.1.9")));
    window.Info_Click();
    QCOMPARE(window.infoWindow(), first);
    first->close();
    QTRY_VERIFY(!window.infoWindow());
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
