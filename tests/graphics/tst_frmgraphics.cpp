// The Graphics window beside the main window: the boxes colour the view as
// they are typed, a click on a pixel leads to its colour's box, and in
// 8 bpp a click outside the sixteen boxes loads the slice that holds it.
#include "frmgraphics.h"
#include "frmmain.h"
#include "testfiles.h"
#include "testservices.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

class tst_frmGraphics : public QObject
{
    Q_OBJECT
private slots:
    void boxesColourTheViewAndClicksLeadToThem();
};

namespace {

QRgb pixelAt(const frmGraphics &graphics, int x, int y)
{
    return graphics.viewImage().pixel(graphics.viewPointOf(x, y));
}

void typeInto(QLineEdit *box, const QString &text)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

int unusedMarks(const frmMain &window)
{
    int count = 0;
    const auto children = window.Frame3->findChildren<QWidget *>();
    for (const QWidget *child : children)
        count += !child->isHidden() && child->toolTip().startsWith(QLatin1String("No pixel"));
    return count;
}

} // namespace

void tst_frmGraphics::boxesColourTheViewAndClicksLeadToThem()
{
    QTemporaryDir dir;
    // Palette at 1A0: white, red, green, blue, then black. Graphics at 400:
    // pixels 0, 1, 2, 3 (4 bpp) or 16, 50 (8 bpp), then zeros to the end.
    QByteArray rom(0x800, '\0');
    rom.replace(0x1A0, 8, QByteArray::fromHex("FF7F1F00E003007C"));
    rom.replace(0x400, 2, QByteArray::fromHex("1032"));
    const QString path = dir.filePath(QStringLiteral("game.nds"));
    QVERIFY(TestFiles::writeFile(path, rom));
    TestServices services;
    frmMain window(services.services());
    window.chooseRom(path);
    window.loadPaletteAt(QStringLiteral("1A0"));
    window.mnuGraphics->trigger();
    frmGraphics *graphics = window.graphicsWindow();
    QVERIFY(graphics);
    QVERIFY(QTest::qWaitForWindowExposed(graphics));
    typeInto(graphics->txtOffset, QStringLiteral("0x400"));
    QTest::keyClick(graphics->txtOffset, Qt::Key_Return);
    QCOMPARE(pixelAt(*graphics, 1, 0), qRgb(255, 0, 0));
    QCOMPARE(pixelAt(*graphics, 0, 0), qRgb(255, 255, 255));
    // Only colours 0-3 are used: the other twelve swatches are marked.
    QCOMPARE(unusedMarks(window), 12);
    // A byte on, a row of sixteen tiles (512 bytes) down, and back.
    QTest::keyClick(graphics->view(), Qt::Key_Right, Qt::ControlModifier);
    QTest::keyClick(graphics->view(), Qt::Key_Down);
    QCOMPARE(graphics->txtOffset->text(), QStringLiteral("601"));
    QCOMPARE(pixelAt(*graphics, 4, 16), Graphics::CheckerDark); // past the end
    QTest::keyClick(graphics->view(), Qt::Key_Up);
    QTest::keyClick(graphics->view(), Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(graphics->txtOffset->text(), QStringLiteral("400"));

    // Each keystroke recolours; an incomplete box paints the checker.
    typeInto(window.txtChgPal[1], QStringLiteral("00"));
    QCOMPARE(pixelAt(*graphics, 1, 0), Graphics::CheckerLight);
    QTest::keyClicks(window.txtChgPal[1], QStringLiteral("7C"));
    QCOMPARE(pixelAt(*graphics, 1, 0), qRgb(0, 0, 255));

    QTest::mouseClick(graphics->view(), Qt::LeftButton, {}, graphics->viewPointOf(3, 0));
    QCOMPARE(window.focusWidget(), window.txtChgPal[3]);
    QCOMPARE(window.txtChgPal[3]->selectedText(), QStringLiteral("007C"));

    // The PNG holds the indices in view and the colours shown.
    const QString png = dir.filePath(QStringLiteral("view.png"));
    services.files.answers = { png };
    graphics->mnuSavePng->trigger();
    const QImage saved(png);
    QCOMPARE(saved.width(), 128);
    QCOMPARE(saved.pixelIndex(1, 0), 1);
    QCOMPARE(saved.colorTable().size(), 16);
    QCOMPARE(saved.colorTable().at(1), qRgb(0, 0, 255));

    // 8 bpp: colour 16 lies outside the boxes loaded from 1A0, so a click
    // on it loads 1C0 (after asking about the unwritten edit).
    graphics->cboFormat->setCurrentIndex(int(Graphics::Format::Tiles8));
    typeInto(graphics->txtPaletteOffset, QStringLiteral("1A0"));
    QTest::keyClick(graphics->txtPaletteOffset, Qt::Key_Return);
    QCOMPARE(pixelAt(*graphics, 0, 0), qRgb(0, 0, 0));
    services.messages.answers = { QMessageBox::Yes };
    QTest::mouseClick(graphics->view(), Qt::LeftButton, {}, graphics->viewPointOf(0, 0));
    QCOMPARE(services.messages.messages.size(), 1);
    QCOMPARE(window.txtOffset->text(), QStringLiteral("1C0"));
    QCOMPARE(window.loadedOffset(), std::optional<quint32>(0x1C0));
    QCOMPARE(window.focusWidget(), window.txtChgPal[0]);
    // Now the boxes cover colours 16-31: box 0 colours that pixel.
    typeInto(window.txtChgPal[0], QStringLiteral("1F00"));
    QCOMPARE(pixelAt(*graphics, 0, 0), qRgb(255, 0, 0));
    QCOMPARE(unusedMarks(window), 15);

    // A graphics file shown from its bytes, one byte long: its offset is
    // the file's, not typed; past its end is no colour.
    graphics->showGraphicsFile(QByteArray::fromHex("10"), Graphics::Format::Tiles4, 1,
                               QStringLiteral("a.ncgr"));
    QVERIFY(!graphics->txtOffset->isEnabled());
    QCOMPARE(pixelAt(*graphics, 0, 0), qRgb(255, 0, 0));
    QCOMPARE(pixelAt(*graphics, 1, 0), qRgb(0, 0, 0));
    QCOMPARE(pixelAt(*graphics, 2, 0), Graphics::CheckerLight);
}

QTEST_MAIN(tst_frmGraphics)
#include "tst_frmgraphics.moc"
