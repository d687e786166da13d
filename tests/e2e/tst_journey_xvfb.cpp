// A user's way through the program on a real X server: the real binary is
// started on a ROM image and driven only from outside, with xdotool for the
// pointer and keys and xclip for the clipboard. The test process shows the
// window whose colour the eyedropper takes.
#include "testfiles.h"

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <sqlite3.h>

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(15000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

QString xdotool(const QStringList &arguments)
{
    return run(QStringLiteral("xdotool"), arguments);
}

QImage screen()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
            QImage::Format_RGB32);
}

// The leftmost point of the first horizontal run of 30 pixels of colour.
QPoint findRun(const QImage &image, QRgb colour)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0, run = 0; x < image.width(); ++x) {
            run = (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF) ? run + 1 : 0;
            if (run == 30)
                return QPoint(x - 29, y);
        }
    }
    return QPoint(-1, -1);
}

} // namespace

class tst_JourneyXvfb : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void paletteColourFromTheScreenToTheRom();

private:
    QString start(const QString &caption);
    QString waitForWindow(const QString &namePattern);
    QRect geometry(const QString &window);
    void focus(const QString &window);
    void click(const QString &window, int x, int y);
    void keys(const QStringList &names) { xdotool(QStringList{ "key", "--delay", "40" } + names); QTest::qWait(200); }
    void type(const QString &text) { xdotool({ "type", "--delay", "40", text }); QTest::qWait(200); }
    void answerMessage(const QString &titlePattern);
    QString openDatabase(const QString &main, bool storeEmpty);
    bool listRowHasText(const QRect &database, int row);
    QStringList storedBookmarks();

    QTemporaryDir m_dir;
    QProcess m_program;
};

void tst_JourneyXvfb::cleanup()
{
    m_program.kill();
    m_program.waitForFinished();
}

// Starts the program on the image with one of Qt's own options, as a user
// may, and answers its main window.
QString tst_JourneyXvfb::start(const QString &caption)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CINDRAL_DATA_DIR"), m_dir.filePath(QStringLiteral("data")));
    m_program.setProcessEnvironment(environment);
    // The program's own complaints (a sanitizer's report among them) belong
    // in this test's log.
    m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_program.start(QStringLiteral(CINDRAL_BINARY),
                    { "-platform", "xcb", m_dir.filePath(QStringLiteral("game.nds")) });
    return m_program.waitForStarted() ? waitForWindow(caption) : QString();
}

QString tst_JourneyXvfb::waitForWindow(const QString &namePattern)
{
    QString found;
    for (int i = 0; i < 100 && found.isEmpty(); ++i) {
        found = xdotool({ "search", "--onlyvisible", "--name", namePattern }).section('\n', 0, 0);
        if (found.isEmpty())
            QTest::qWait(100);
    }
    if (found.isEmpty())
        qWarning("no window named %s", qPrintable(namePattern));
    return found;
}

QRect tst_JourneyXvfb::geometry(const QString &window)
{
    QRect rect;
    for (const QString &line : xdotool({ "getwindowgeometry", "--shell", window }).split('\n')) {
        const int value = line.section('=', 1).toInt();
        if (line.startsWith("X="))
            rect.moveLeft(value);
        else if (line.startsWith("Y="))
            rect.moveTop(value);
        else if (line.startsWith("WIDTH="))
            rect.setWidth(value);
        else if (line.startsWith("HEIGHT="))
            rect.setHeight(value);
    }
    return rect;
}

// There is no window manager: raise the window and hand it the keyboard.
void tst_JourneyXvfb::focus(const QString &window)
{
    xdotool({ "windowraise", window });
    xdotool({ "windowfocus", "--sync", window });
    QTest::qWait(150);
}

// Clicks at x, y counted from the window's top left corner.
void tst_JourneyXvfb::click(const QString &window, int x, int y)
{
    const QPoint at = geometry(window).topLeft() + QPoint(x, y);
    xdotool({ "mousemove", "--sync", QString::number(at.x()), QString::number(at.y()) });
    xdotool({ "click", "1" });
    QTest::qWait(200);
}

void tst_JourneyXvfb::answerMessage(const QString &titlePattern)
{
    const QString box = waitForWindow(titlePattern);
    QVERIFY2(!box.isEmpty(), qPrintable("no message titled " + titlePattern));
    focus(box);
    keys({ "Return" });
    QTRY_VERIFY(xdotool({ "search", "--onlyvisible", "--name", titlePattern }).isEmpty());
}

QString tst_JourneyXvfb::openDatabase(const QString &main, bool storeEmpty)
{
    focus(main);
    keys({ "alt+t", "d" });
    if (storeEmpty) // an empty store says so before its window shows
        answerMessage(QStringLiteral("^Error$"));
    const QString database = waitForWindow(QStringLiteral("^Bookmark's Database$"));
    xdotool({ "windowmove", "--sync", database, "0", "470" });
    QTest::qWait(200);
    return database;
}

// Text in a list row shows as dark pixels on the list's light background.
bool tst_JourneyXvfb::listRowHasText(const QRect &database, int row)
{
    const QImage shot = screen();
    const int rowHeight = QFontMetrics(QApplication::font()).height() + 2;
    const QRect area(database.x() + 11, database.y() + 43 + row * rowHeight, 120, rowHeight - 4);
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(shot.pixel(x, y)) < 100)
                return true;
    return false;
}

QStringList tst_JourneyXvfb::storedBookmarks()
{
    QStringList rows;
    sqlite3 *db = nullptr;
    const QByteArray path = QFile::encodeName(m_dir.filePath(QStringLiteral("data/Database.sqlite")));
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(db, "SELECT surname || '=' || forename FROM tbldata", -1, &statement,
                              nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW)
            rows << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

void tst_JourneyXvfb::paletteColourFromTheScreenToTheRom()
{
    for (const char *tool : { "xdotool", "xclip" })
        QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(), tool);
    const QString rom = m_dir.filePath(QStringLiteral("game.nds"));
    const QByteArray before = TestFiles::romImage(0x800, { { 0x1A0, QByteArray::fromHex("FF7F1F00E003007C") } });
    QVERIFY(TestFiles::writeFile(rom, before));

    // A window of another program showing a known colour: 200, 80, 40 is
    // red 25, green 10, blue 5 in five bits, the word 0x1559.
    QWidget target;
    target.setWindowFlags(Qt::FramelessWindowHint);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(200, 80, 40));
    target.setPalette(palette);
    target.setAutoFillBackground(true);
    target.setGeometry(900, 500, 120, 120);
    target.show();
    QVERIFY(QTest::qWaitForWindowExposed(&target));

    const QString main = start(QStringLiteral("^Cindral Palette Editor - game.nds$"));
    QVERIFY(!main.isEmpty());
    focus(main);
    type(QStringLiteral("1a0"));
    keys({ "Return" });
    // The swatches, 48 pixels apart on the screen: white, red, green, blue.
    QPoint red;
    QTRY_VERIFY_WITH_TIMEOUT((red = findRun(screen(), qRgb(255, 0, 0))).x() >= 0, 10000);
    const QImage shot = screen();
    const std::pair<int, QRgb> neighbours[] = { { -48, 0xFFFFFF }, { 48, 0x00FF00 }, { 96, 0x0000FF } };
    for (const auto &[dx, colour] : neighbours)
        QCOMPARE(shot.pixel(red.x() + dx + 5, red.y()) & 0xFFFFFF, colour);

    // Open the colour picker beside the main window and drag its eyedropper
    // onto the target.
    keys({ "ctrl+p" });
    const QString picker = waitForWindow(QStringLiteral("^Color Picker$"));
    QVERIFY(!picker.isEmpty());
    xdotool({ "windowmove", "--sync", picker, "440", "0" });
    QTest::qWait(300);
    const QRect pickerRect = geometry(picker);
    const QPoint eyedropper = pickerRect.topLeft() + QPoint(480, pickerRect.height() - 345 + 44);
    xdotool({ "mousemove", "--sync", QString::number(eyedropper.x()), QString::number(eyedropper.y()) });
    xdotool({ "mousedown", "1" });
    for (int step = 1; step <= 10; ++step) {
        const QPoint at = eyedropper + (QPoint(960, 560) - eyedropper) * step / 10;
        xdotool({ "mousemove", "--sync", QString::number(at.x()), QString::number(at.y()) });
        QTest::qWait(30);
    }
    QTest::qWait(300);
    xdotool({ "mouseup", "1" });

    // Auto Copy put the colour word on the clipboard: paste it into box 4
    // and write the palette.
    QTRY_COMPARE_WITH_TIMEOUT(run("xclip", { "-o", "-selection", "clipboard" }), QStringLiteral("5915"), 5000);
    focus(main);
    const int menu = geometry(main).height() - 414;
    click(main, 8 + 16 + 48 * 3 + 20, menu + 264 + 28 + 10);
    keys({ "ctrl+a", "ctrl+v" });
    click(main, 184 + 24, menu + 380 + 8);
    answerMessage(QStringLiteral("^Cindral Palette Editor$"));
    QByteArray expected = before;
    expected.replace(0x1A6, 2, QByteArray::fromHex("5915"));
    QVERIFY2(TestFiles::readFile(rom) == expected, "only the pasted word may change");

    // Bookmark the offset; the empty store greets with "No Records Found".
    QString database = openDatabase(main, true);
    QVERIFY(!database.isEmpty());
    click(database, 224, 136); // Add Bookmark
    type(QStringLiteral("Title screen"));
    click(database, 308, 65); // Offset box
    type(QStringLiteral("1A0"));
    click(database, 224, 184); // Save
    QCOMPARE(storedBookmarks(), QStringList{ "Title screen=1A0" });

    // "End" ends the whole program at once.
    click(database, 320, 160);
    QTRY_COMPARE_WITH_TIMEOUT(m_program.state(), QProcess::NotRunning, 10000);
    QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program.exitCode(), 0);

    // Start again and find the bookmark by its first letters; a letter that
    // matches nothing is refused with the message.
    database = openDatabase(start(QStringLiteral("^Cindral Palette Editor - game.nds$")), false);
    QVERIFY(!database.isEmpty());
    click(database, 68, 17); // search box
    type(QStringLiteral("ti"));
    QVERIFY2(xdotool({ "search", "--onlyvisible", "--name", "^Error$" }).isEmpty(), "\"ti\" finds it");
    QVERIFY(listRowHasText(geometry(database), 0));
    QVERIFY(!listRowHasText(geometry(database), 1));
    type(QStringLiteral("x"));
    answerMessage(QStringLiteral("^Error$"));
    QVERIFY(listRowHasText(geometry(database), 0));
}

QTEST_MAIN(tst_JourneyXvfb)
#include "tst_journey_xvfb.moc"
