#include "colorswatch.h"
#include "frmgraphics.h"
#include "frmfindcolours.h"
#include "frmmain.h"
#include "frmrompalettes.h"
#include "paletteediting.h"
#include "romimages.h"
#include "testfiles.h"
#include "testservices.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace RomImages;

// The Palettes in ROM and Find Colours windows beside the main window, and
// stepping from palette to palette there.
class tst_RomPalettes : public QObject
{
    Q_OBJECT
private slots:
    void listsFiltersAndLoadsIntoTheMainWindow();
    void graphicsRowIsShownWithThePaletteBesideIt();
    void findsTheBoxesColoursExactThenNear();
};

namespace {

// Each row as the texts of the columns given, separated by blanks.
QStringList rowsOf(const QTableView *view, QList<int> columns = { 0, 2 })
{
    QStringList rows;
    for (int r = 0; r < view->model()->rowCount(); ++r) {
        QStringList cells;
        for (int c : columns)
            cells << view->model()->index(r, c).data().toString();
        rows << cells.join(' ');
    }
    return rows;
}

QStringList boxTexts(const frmMain &window)
{
    QStringList texts;
    for (const QLineEdit *box : window.txtChgPal)
        texts << box->text();
    return texts;
}

} // namespace

void tst_RomPalettes::listsFiltersAndLoadsIntoTheMainWindow()
{
    QTemporaryDir dir;
    const QString ds = dir.filePath("game.nds"), gba = dir.filePath("game.gba");
    QVERIFY(TestFiles::writeFile(
            ds, dsImage({ { "pal/sea.nclr", paletteFile(ramp(16)) },
                          { "pal/more.narc", archive({ paletteFile(ramp(16)) }) },
                          { "pal/fire.lz", compress(paletteFile(ramp(16, 4)), false) } },
                        "SEA QUEST", "ASQE")));
    QByteArray gbaImage = QByteArray(0x200, char(0xFF)) + ramp(16, 2) + QByteArray(0x20, char(0xFF));
    gbaImage.replace(0xA0, 12, "GBA TITLE   ");
    gbaImage.replace(0xAC, 4, "AGBE");
    QVERIFY(TestFiles::writeFile(gba, gbaImage));

    TestServices services;
    frmMain main(services.services());
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    main.chooseRom(ds);
    QTest::keyClick(&main, Qt::Key_G, Qt::ControlModifier);
    frmRomPalettes *window = main.romPalettesWindow();
    QVERIFY(window);
    QTRY_COMPARE(rowsOf(window->lstPalettes),
                 QStringList({ "1028 pal/sea.nclr", "2054 pal/more.narc#0",
                               "3000 pal/fire.lz (compressed)" }));
    QVERIFY(window->lblGame->text().contains("SEA QUEST") && window->lblGame->text().contains("ASQE"));

    // The filter narrows by source as the user types.
    QTest::keyClicks(window->txtFilter, "NARC");
    QCOMPARE(rowsOf(window->lstPalettes), QStringList({ "2054 pal/more.narc#0" }));
    window->txtFilter->clear();

    // Enter on a row loads it in the main window.
    window->lstPalettes->setCurrentIndex(window->lstPalettes->model()->index(0, 0));
    QTest::keyClick(window->lstPalettes, Qt::Key_Return);
    QCOMPARE(main.txtOffset->text(), QString("1028"));
    QCOMPARE(boxTexts(main).mid(0, 3), QStringList({ "007C", "0178", "2274" }));

    // A compressed row says why it cannot be loaded, and loads nothing.
    const QModelIndex compressed = window->lstPalettes->model()->index(2, 0);
    window->lstPalettes->setCurrentIndex(compressed);
    emit window->lstPalettes->activated(compressed);
    QCOMPARE(services.messages.messages.size(), 1);
    QVERIFY(services.messages.messages[0].text.contains("compressed"));
    QCOMPARE(main.txtOffset->text(), QString("1028"));

    // A write from the main window shows in the strips of the rows it touched.
    const auto strip = [&](int row) {
        return window->lstPalettes->model()->index(row, 3).data(Qt::UserRole).toList().value(1).toUInt();
    };
    const uint untouched = strip(1);
    main.txtChgPal[1]->setText("FF7F");
    main.Command1->click();
    QCOMPARE(services.messages.messages.value(1).text, QString("Palette 1028 Edited"));
    QCOMPARE(strip(0), 0x7FFFu);
    QCOMPARE(strip(1), untouched);

    // Page Down and Page Up step one palette, within 0 and the last offset.
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    for (const char *step : { "1028 v 1048", "1048 ^ 1028", "10 ^ 0", "7FFFFFD0 v 7FFFFFE0",
                              "7FFFFFE0 v 7FFFFFE0" }) {
        const QStringList parts = QString(step).split(' ');
        main.txtOffset->setText(parts[0]);
        QTest::keyClick(main.txtOffset, parts[1] == "v" ? Qt::Key_PageDown : Qt::Key_PageUp);
        QCOMPARE(main.txtOffset->text(), parts[2]);
    }
    main.loadPaletteAt("1028");
    QTest::keyClick(main.txtOffset, Qt::Key_PageDown);
    QCOMPARE(boxTexts(main), QStringList(16, "0000"));
    QTest::keyClick(main.txtOffset, Qt::Key_PageUp);
    QCOMPARE(boxTexts(main).mid(0, 2), QStringList({ "007C", "FF7F" }));

    // A palette of more than sixteen colours opens in the 256-colour view.
    const QString wide = dir.filePath("wide.nds");
    QVERIFY(TestFiles::writeFile(wide, dsImage({ { "pal/big.nclr", paletteFile(ramp(256)) } })));
    main.chooseRom(wide);
    QTRY_COMPARE(window->lstPalettes->model()->rowCount(), 1);
    emit window->lstPalettes->activated(window->lstPalettes->model()->index(0, 0));
    QVERIFY(main.editing()->isWide() && main.editing()->mnuSize256->isChecked());
    main.editing()->showRow(15);
    QCOMPARE(boxTexts(main).mid(0, 1), QStringList({ ramp(256).mid(480, 2).toHex().toUpper() }));

    // Choosing another ROM lists that one; a newer choice wins over an older.
    QSignalSpy listed(window, &frmRomPalettes::listed);
    main.chooseRom(ds);
    main.chooseRom(gba);
    QTRY_COMPARE(rowsOf(window->lstPalettes), QStringList({ "200 scan" }));
    QVERIFY(window->lblGame->text().contains("GBA TITLE"));
    QTest::qWait(50);
    QCOMPARE(listed.size(), 1);
}

void tst_RomPalettes::graphicsRowIsShownWithThePaletteBesideIt()
{
    QTemporaryDir dir;
    const QString ds = dir.filePath("game.nds");
    // Pixel bytes 0x21: colour 1 on the left, 2 on the right.
    QVERIFY(TestFiles::writeFile(
            ds, dsImage({ { "gfx/hero.ncgr", graphicsFile(QByteArray(64, 0x21), 2, 1, 4) },
                          { "gfx/hero.nclr", paletteFile(ramp(16)) },
                          { "gfx/m.narc", archive({ paletteFile(ramp(16, 5)),
                                                    compress(graphicsFile(QByteArray(32, 0x43), 1, 1, 4),
                                                             false) }) } })));
    TestServices services;
    frmMain main(services.services());
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    main.chooseRom(ds);
    QTest::keyClick(&main, Qt::Key_G, Qt::ControlModifier);
    frmRomPalettes *window = main.romPalettesWindow();
    QTRY_COMPARE(rowsOf(window->lstGraphics),
                 QStringList({ "1030 2x1", "307C 1x1" }));
    QCOMPARE(window->lstGraphics->model()->index(1, 4).data().toString(),
             QString("gfx/m.narc#1 (compressed)"));

    const auto shows = [&main](const frmGraphics *graphics, int x, int y, int box) {
        return graphics->viewImage().pixel(graphics->viewPointOf(x, y))
                == main.picChgPreview[size_t(box)]->color().rgb();
    };
    const auto activate = [window](int row) {
        const QModelIndex index = window->lstGraphics->model()->index(row, 0);
        window->lstGraphics->setCurrentIndex(index);
        emit window->lstGraphics->activated(index);
    };
    // A plain file: shown from the ROM image at its pixels, in its own
    // format and width, coloured by the palette of its name.
    activate(0);
    frmGraphics *graphics = main.graphicsWindow();
    QVERIFY(graphics);
    QCOMPARE(main.txtOffset->text(), QString("2028"));
    QCOMPARE(graphics->format(), Graphics::Format::Tiles4);
    QCOMPARE(graphics->spnWidth->value(), 2);
    QCOMPARE(graphics->offset(), 0x1030u);
    QVERIFY(graphics->txtOffset->isEnabled());
    QVERIFY(shows(graphics, 0, 0, 1));
    QVERIFY(shows(graphics, 15, 7, 2));

    // A compressed member: shown from its decompressed bytes, its offset
    // fixed; the archive's palette before it is loaded.
    activate(1);
    QCOMPARE(main.txtOffset->text(), QString("305C"));
    QCOMPARE(boxTexts(main)[3], QString("2870"));
    QVERIFY(graphics->windowTitle().contains("m.narc#1"));
    QVERIFY(!graphics->txtOffset->isEnabled());
    QCOMPARE(graphics->spnWidth->value(), 1);
    QVERIFY(shows(graphics, 0, 0, 3));
    QVERIFY(shows(graphics, 1, 0, 4));
    QCOMPARE(graphics->viewImage().pixel(graphics->viewPointOf(0, 8)), Graphics::CheckerLight);
}

void tst_RomPalettes::findsTheBoxesColoursExactThenNear()
{
    // The ramp as a palette file, raw with some greens one step up (below 8,
    // so within the low byte), and compressed.
    QByteArray near = ramp(16);
    for (int i = 0; i < 14; i += 2)
        near[2 * i] = char(near[2 * i] + 0x20);
    QTemporaryDir dir;
    const QString ds = dir.filePath("game.nds");
    QVERIFY(TestFiles::writeFile(ds, dsImage({ { "pal/sea.nclr", paletteFile(ramp(16)) },
                                               { "pal/fire.lz", compress(paletteFile(ramp(16)), true) },
                                               { "raw/near.bin", near } })));
    TestServices services;
    frmMain main(services.services());
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    main.chooseRom(ds);
    main.loadPaletteAt("1028");
    QTest::keyClick(&main, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    frmFindColours *window = main.findColoursWindow();
    QVERIFY(window);

    QSignalSpy searched(window, &frmFindColours::searched);
    window->cmdFindBoxes->click();
    QVERIFY(searched.wait());
    QCOMPARE(rowsOf(window->lstMatches, { 0, 1, 2 }),
             QStringList({ "1028 pal/sea.nclr exact", "2000 pal/fire.lz (compressed) exact",
                           "3000 raw/near.bin near" }));
    QVERIFY2(window->lblStatus->text().startsWith("3 matches"), qPrintable(window->lblStatus->text()));
    // The strip shows the colours found there, not those sought.
    const QVariantList strip = window->lstMatches->model()->index(2, 3).data(Qt::UserRole).toList();
    QCOMPARE(strip.size(), 16);
    QCOMPARE(strip[0].toUInt(), 0x7C20u);

    // A bad pasted token is refused by name, and the list stays.
    window->txtColours->setPlainText("007C, 12G4");
    window->cmdFindText->click();
    QCOMPARE(services.messages.messages.size(), 1);
    QVERIFY(services.messages.messages[0].text.contains("\"12G4\""));
    QCOMPARE(window->lstMatches->model()->rowCount(), 3);
    // So is a box that is not a colour word.
    const QString kept = main.txtChgPal[3]->text();
    main.txtChgPal[3]->setText("12");
    window->cmdFindBoxes->click();
    QCOMPARE(services.messages.messages.size(), 2);
    QVERIFY(services.messages.messages[1].text.contains("Box 4 of the main window holds \"12\""));
    main.txtChgPal[3]->setText(kept);
    services.messages.messages.clear();

    // Enter on the near match loads it; a compressed one only says why not.
    window->lstMatches->setCurrentIndex(window->lstMatches->model()->index(2, 0));
    QTest::keyClick(window->lstMatches, Qt::Key_Return);
    QCOMPARE(main.txtOffset->text(), QString("3000"));
    QCOMPARE(boxTexts(main).first(), QString("207C"));
    const QModelIndex compressed = window->lstMatches->model()->index(1, 0);
    emit window->lstMatches->activated(compressed);
    QCOMPARE(services.messages.messages.size(), 1);
    QVERIFY(services.messages.messages[0].text.contains("compressed"));
    QCOMPARE(main.txtOffset->text(), QString("3000"));

    // Two pasted #RRGGBB colours, the ramp's first, searched again in the next ROM image chosen.
    window->txtColours->setPlainText("#0000F8\n#0800F0");
    window->cmdFindText->click();
    QVERIFY(searched.wait());
    // The ramp's next two colours are near its first two: each channel
    // steps by at most one.
    QCOMPARE(rowsOf(window->lstMatches, { 0, 2 }),
             QStringList({ "1028 exact", "2000 exact", "102A near", "2000 near", "3000 near" }));
    const QString gba = dir.filePath("game.gba");
    QVERIFY(TestFiles::writeFile(gba, QByteArray(0x100, '\0') + ramp(2, 1)));
    main.chooseRom(gba);
    QVERIFY(searched.wait());
    QCOMPARE(rowsOf(window->lstMatches, { 0, 1, 2 }), QStringList({ "100 image near" }));

    // Selected swatches are the main window's colours, in index order.
    main.chooseRom(ds);
    QVERIFY(searched.wait());
    main.loadPaletteAt("1028");
    QTest::mouseClick(main.picChgPreview[2], Qt::LeftButton);
    QTest::mouseClick(main.picChgPreview[1], Qt::LeftButton, Qt::ControlModifier);
    window->cmdFindBoxes->click();
    QVERIFY(searched.wait());
    QCOMPARE(rowsOf(window->lstMatches).value(0), QString("102A exact"));

    // A write from the main window searches again: the plain copy changed,
    // the compressed one did not.
    main.txtChgPal[1]->setText("0000");
    main.Command1->click();
    QVERIFY(searched.wait());
    QCOMPARE(rowsOf(window->lstMatches).value(0), QString("2000 exact"));
}

QTEST_MAIN(tst_RomPalettes)
#include "tst_rompalettes.moc"
