#include "frmmain.h"
#include "frmrompalettes.h"
#include "paletteediting.h"
#include "romimages.h"
#include "testfiles.h"
#include "testservices.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace RomImages;

// The Palettes in ROM window beside the main window, and stepping from
// palette to palette there.
class tst_RomPalettes : public QObject
{
    Q_OBJECT
private slots:
    void listsFiltersAndLoadsIntoTheMainWindow();
};

namespace {

QStringList rowsOf(const QTableView *view)
{
    QStringList rows;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        rows << view->model()->index(r, 0).data().toString() + ' ' + view->model()->index(r, 2).data().toString();
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
    QCOMPARE(boxTexts(main).mid(0, 2), QStringList({ "007C", "0178" }));

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

QTEST_MAIN(tst_RomPalettes)
#include "tst_rompalettes.moc"
