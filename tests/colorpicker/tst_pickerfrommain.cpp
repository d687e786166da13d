#include "colorswatch.h"
#include "datafolder.h"
#include "frmcolorpicker.h"
#include "frmmain.h"
#include "pickerwidgets.h"
#include "testservices.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// The picker as the main window opens it, and the word text it hands over
// through the clipboard.
class tst_PickerFromMain : public QObject
{
    Q_OBJECT
private slots:
    void toolsMenuOpensOneSharedPicker();
    void reopeningAfterCloseRestoresSettings();
    void pastedWordPaintsSameColourInPalette();
};

void tst_PickerFromMain::toolsMenuOpensOneSharedPicker()
{
    TestServices services;
    frmMain main(services.services());
    main.show();
    QVERIFY(main.SelectCol->isEnabled());
    QCOMPARE(main.SelectCol->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    QVERIFY(!main.colorPickerWindow());
    main.SelectCol->trigger();
    frmColorPicker *picker = main.colorPickerWindow();
    QVERIFY(picker);
    QVERIFY(picker->isVisible());
    QVERIFY(!picker->parentWidget());
    QVERIFY(!picker->isModal());
    main.SelectCol->trigger();
    QCOMPARE(main.colorPickerWindow(), picker);
    picker->close();
}

void tst_PickerFromMain::reopeningAfterCloseRestoresSettings()
{
    QFile::remove(Platform::dataFile(QStringLiteral("Colorpicker.dat")));
    TestServices services;
    frmMain main(services.services());
    main.show();
    main.SelectCol->trigger();
    QPointer<frmColorPicker> first = main.colorPickerWindow();
    first->txtHexColor->setText(QStringLiteral("00FF00"));
    first->txtHexColor_LostFocus();
    first->cmdLess->click();
    first->mnuAutoPaste->trigger();
    const int pointer = first->historyPointer();
    QCOMPARE(first->lblHistoryColor[pointer]->color(), 0x00FF00u);
    first->mnuExit->trigger();
    QTRY_VERIFY(!first);
    QVERIFY(!main.colorPickerWindow());
    main.SelectCol->trigger();
    frmColorPicker *second = main.colorPickerWindow();
    QVERIFY(second);
    QVERIFY(second != first);
    // The new picker starts on the colour the last one was left with.
    QCOMPARE(second->lblOldColor->color(), 0x00FF00u);
    QCOMPARE(second->txtHexColor->text(), QStringLiteral("00FF00"));
    QCOMPARE(second->canvas->width(), frmColorPicker::narrowWidth);
    QVERIFY(second->mnuAutoCopy->isChecked());
    QVERIFY(!second->mnuAutoPaste->isChecked());
    QCOMPARE(second->historyPointer(), pointer);
    QCOMPARE(second->lblHistoryColor[pointer]->color(), 0x00FF00u);
    QCOMPARE(second->lblHistoryColor[pointer]->tag(), QString::number(0x00FF00));
    second->close();
}

void tst_PickerFromMain::pastedWordPaintsSameColourInPalette()
{
    TestServices services;
    frmMain main(services.services());
    main.show();
    main.SelectCol->trigger();
    frmColorPicker *picker = main.colorPickerWindow();
    // A colour the 15-bit word holds exactly: red 255, green 123, blue 8.
    picker->txtHexColor->setText(QStringLiteral("FF7B08"));
    picker->txtHexColor_LostFocus();
    const QString word = picker->txtGBAColor->text();
    QCOMPARE(QGuiApplication::clipboard()->text(), word);

    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QLineEdit *box = main.txtChgPal[3];
    box->setFocus();
    QTest::keySequence(box, QKeySequence::Paste);
    QCOMPARE(box->text(), word);
    const QColor painted = main.picChgPreview[3]->color();
    QCOMPARE(painted, QColor(255, 123, 8));
    QCOMPARE(picker->picNewColor->color(), 0x087BFFu);
    picker->close();
}

QTEST_MAIN(tst_PickerFromMain)
#include "tst_pickerfrommain.moc"
