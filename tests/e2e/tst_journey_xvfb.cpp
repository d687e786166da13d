// A user's way through the program on a real X server: the real binary is
// started on a ROM image and driven only from outside, with xdotool for the
// pointer and keys and xclip for the clipboard. The test process shows the
// window whose colour the eyedropper takes.
#include "testfiles.h"

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace {

// What the program printed, waitMs after it ended.
QString run(const QString &program, const QStringList &arguments, int waitMs = 0)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(15000);
    QTest::qWait(waitMs);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

QString xdotool(const QStringList &arguments, int waitMs = 0)
{
    return run(QStringLiteral("xdotool"), arguments, waitMs);
}

QString waitForWindow(const QString &namePattern)
{
    QString found;
    for (int i = 0; i < 100 && found.isEmpty(); ++i)
        found = xdotool({ "search", "--onlyvisible", "--name", namePattern }, 100).section('\n', 0, 0);
    return found;
}

QRect geometry(const QString &window)
{
    const QString shell = xdotool({ "getwindowgeometry", "--shell", window });
    const auto value = [&](const char *key) { return shell.section(key, 1).section('\n', 0, 0).toInt(); };
    return QRect(value("X="), value("Y="), value("WIDTH="), value("HEIGHT="));
}

// There is no window manager: raise the window and hand it the keyboard.
void focus(const QString &window)
{
    xdotool({ "windowraise", window });
    xdotool({ "windowfocus", "--sync", window }, 150);
}

void pointAt(QPoint at)
{
    xdotool({ "mousemove", "--sync", QString::number(at.x()), QString::number(at.y()) });
}

// Clicks at x, y counted from the window's top left corner.
void click(const QString &window, int x, int y)
{
    pointAt(geometry(window).topLeft() + QPoint(x, y));
    xdotool({ "click", "1" }, 200);
}

// Keys by name ("key") or text typed ("type").
void input(const QString &how, const QStringList &what)
{
    xdotool(QStringList{ how, "--delay", "40" } + what, 200);
}

bool answerMessage(const QString &titlePattern)
{
    const QString box = waitForWindow(titlePattern);
    focus(box);
    input("key", { "Return" });
    return !box.isEmpty() && QTest::qWaitFor([&] {
        return xdotool({ "search", "--onlyvisible", "--name", titlePattern }).isEmpty();
    });
}

} // namespace

class tst_JourneyXvfb : public QObject
{
    Q_OBJECT
private slots:
    void paletteColourFromTheScreenToTheRom();
};

void tst_JourneyXvfb::paletteColourFromTheScreenToTheRom()
{
    QTemporaryDir dir;
    QProcess program; // killed, if still running, when the test ends
    const QString rom = dir.filePath(QStringLiteral("game.nds"));
    qputenv("CINDRAL_DATA_DIR", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
    // The program's own complaints (a sanitizer's report among them) belong
    // in this test's log. It starts with one of Qt's own options, as a user's may.
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const auto start = [&] {
        program.start(QStringLiteral(CINDRAL_BINARY), { "-platform", "xcb", rom });
        return program.waitForStarted() ? waitForWindow("^Cindral Palette Editor - game.nds$") : QString();
    };
    const auto openDatabase = [](const QString &main, bool storeEmpty) {
        focus(main);
        input("key", { "alt+t", "d" });
        // An empty store says so before its window shows.
        if (storeEmpty && !answerMessage(QStringLiteral("^Error$")))
            return QString();
        const QString database = waitForWindow(QStringLiteral("^Bookmark's Database$"));
        xdotool({ "windowmove", "--sync", database, "0", "470" }, 200);
        return database;
    };
    const QByteArray before = TestFiles::romImage(0x800, { { 0x1A0, QByteArray::fromHex("FF7F1F00E003007C") } });
    QVERIFY(TestFiles::writeFile(rom, before));

    // A window of another program showing a known colour: 200, 80, 40 is
    // red 25, green 10, blue 5 in five bits, the word 0x1559.
    QWidget target(nullptr, Qt::FramelessWindowHint);
    target.setPalette(QPalette(QColor(200, 80, 40)));
    target.setGeometry(900, 500, 120, 120);
    target.show();
    QVERIFY(QTest::qWaitForWindowExposed(&target));

    const QString main = start();
    QVERIFY(!main.isEmpty());
    focus(main);
    input("type", { "1a0" });
    input("key", { "Return" });
    // The first swatches on the screen: white, red, green, blue.
    const int menu = geometry(main).height() - 414;
    const QPoint swatch = geometry(main).topLeft() + QPoint(8 + 16 + 20, menu + 264 + 52 + 5);
    const QRgb colours[] = { 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF };
    for (int i = 0; i < 4; ++i)
        QTRY_COMPARE(QGuiApplication::primaryScreen()->grabWindow(0).toImage().pixel(swatch + QPoint(48 * i, 0)) & 0xFFFFFF, colours[i]);

    // Open the colour picker beside the main window and drag its eyedropper
    // onto the target.
    input("key", { "ctrl+p" });
    const QString picker = waitForWindow(QStringLiteral("^Color Picker$"));
    xdotool({ "windowmove", "--sync", picker, "440", "0" }, 300);
    const QPoint eyedropper = geometry(picker).bottomLeft() + QPoint(480, 1 - 345 + 44);
    pointAt(eyedropper);
    xdotool({ "mousedown", "1" });
    for (int step = 1; step <= 10; ++step, QTest::qWait(30))
        pointAt(eyedropper + (QPoint(960, 560) - eyedropper) * step / 10);
    xdotool({ "mouseup", "1" }, 300);

    // Auto Copy put the colour word on the clipboard: paste it into box 4
    // and write the palette.
    QTRY_COMPARE_WITH_TIMEOUT(run("xclip", { "-o", "-selection", "clipboard" }), QStringLiteral("5915"), 5000);
    focus(main);
    click(main, 8 + 16 + 48 * 3 + 20, menu + 264 + 28 + 10);
    input("key", { "ctrl+a", "ctrl+v" });
    click(main, 184 + 24, menu + 380 + 8);
    QVERIFY(answerMessage(QStringLiteral("^Cindral Palette Editor$")));
    QByteArray expected = before;
    expected.replace(0x1A6, 2, QByteArray::fromHex("5915"));
    QVERIFY2(TestFiles::readFile(rom) == expected, "only the pasted word may change");

    // Bookmark the offset; the empty store greets with "No Records Found".
    // Found again after a restart, it was stored.
    QString database = openDatabase(main, true);
    QVERIFY(!database.isEmpty());
    click(database, 224, 136); // Add Bookmark
    input("type", { "Title screen" });
    click(database, 308, 65); // Offset box
    input("type", { "1A0" });
    click(database, 224, 184); // Save

    // "End" ends the whole program at once.
    click(database, 320, 160);
    QTRY_COMPARE_WITH_TIMEOUT(program.state(), QProcess::NotRunning, 10000);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);

    // Start again and find the bookmark by its first letters (nothing found
    // would say "Error"); a letter that matches nothing is refused so.
    database = openDatabase(start(), false);
    QVERIFY(!database.isEmpty());
    click(database, 68, 17); // search box
    input("type", { "ti" });
    QTest::qWait(500);
    QVERIFY2(xdotool({ "search", "--onlyvisible", "--name", "^Error$" }).isEmpty(), "\"ti\" finds it");
    input("type", { "x" });
    QVERIFY(answerMessage(QStringLiteral("^Error$")));
}

QTEST_MAIN(tst_JourneyXvfb)
#include "tst_journey_xvfb.moc"
