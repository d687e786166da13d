// A user's way through the program on a real X server: the real binary is
// started on a ROM image and driven only from outside, with xdotool for the
// pointer and keys and xclip for the clipboard. The test process shows the
// window whose colour the eyedropper takes.
#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <sqlite3.h>

namespace {

const QColor targetColour(200, 80, 40);
// 200 / 8 = 25 red, 80 / 8 = 10 green, 40 / 8 = 5 blue: the word 0x1559.
const QString targetWord = QStringLiteral("5915");

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

} // namespace

class tst_JourneyXvfb : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void paletteColourFromTheScreenToTheRom();

private:
    void startProgram();
    QString waitForWindow(const QString &namePattern);
    QRect geometry(const QString &window);
    void focus(const QString &window);
    void click(QPoint point);
    void keys(const QStringList &names);
    void type(const QString &text);
    void answerMessage(const QString &titlePattern);
    QString openDatabase(const QString &main, bool storeEmpty);
    bool listRowHasText(const QRect &database, int row);
    QStringList storedBookmarks();

    QTemporaryDir m_dir;
    QString m_rom;
    QProcess m_program;
};

void tst_JourneyXvfb::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const char *tool : { "xdotool", "xclip" })
        QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(), tool);
    m_rom = m_dir.filePath(QStringLiteral("game.nds"));
    QByteArray image(0x800, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char((i * 13 + 7) & 0xFF);
    QFile file(m_rom);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(image);
}

void tst_JourneyXvfb::cleanup()
{
    if (m_program.state() != QProcess::NotRunning) {
        m_program.kill();
        m_program.waitForFinished();
    }
}

void tst_JourneyXvfb::startProgram()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CINDRAL_DATA_DIR"), m_dir.filePath(QStringLiteral("data")));
    m_program.setProcessEnvironment(environment);
    // The program's own complaints (a sanitizer's report among them) belong
    // in this test's log.
    m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_program.setProgram(QStringLiteral(CINDRAL_BINARY));
    m_program.setArguments({ m_rom });
    m_program.start();
    QVERIFY(m_program.waitForStarted());
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
    const QStringList lines = xdotool({ "getwindowgeometry", "--shell", window }).split('\n');
    for (const QString &line : lines) {
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

void tst_JourneyXvfb::click(QPoint point)
{
    xdotool({ "mousemove", "--sync", QString::number(point.x()), QString::number(point.y()) });
    xdotool({ "click", "1" });
    QTest::qWait(200);
}

void tst_JourneyXvfb::keys(const QStringList &names)
{
    xdotool(QStringList{ "key", "--delay", "40" } + names);
    QTest::qWait(200);
}

void tst_JourneyXvfb::type(const QString &text)
{
    xdotool({ "type", "--delay", "40", text });
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
    keys({ "alt+t", "Down", "Return" });
    // An empty store says so before its window shows.
    if (storeEmpty)
        answerMessage(QStringLiteral("^Error$"));
    const QString database = waitForWindow(QStringLiteral("^Bookmark's Database$"));
    xdotool({ "windowmove", "--sync", database, "0", "470" });
    QTest::qWait(200);
    return database;
}

// Text in a list row shows as dark pixels on the list's light background.
bool tst_JourneyXvfb::listRowHasText(const QRect &database, int row)
{
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const int rowHeight = QFontMetrics(QApplication::font()).height() + 2;
    const QRect area(database.x() + 8 + 3, database.y() + 40 + 3 + row * rowHeight, 120,
                     rowHeight - 4);
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(screen.pixel(x, y)) < 100)
                return true;
    return false;
}

QStringList tst_JourneyXvfb::storedBookmarks()
{
    QStringList rows;
    sqlite3 *db = nullptr;
    const QByteArray path = QFile::encodeName(m_dir.filePath(QStringLiteral("data/Database.sqlite")));
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT surname, forename FROM tbldata", -1, &statement, nullptr)
            == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW)
                rows << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)))
                                + '=' + QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 1)));
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return rows;
}

void tst_JourneyXvfb::paletteColourFromTheScreenToTheRom()
{
    QFile rom(m_rom);
    QVERIFY(rom.open(QIODevice::ReadOnly));
    const QByteArray before = rom.readAll();
    rom.close();

    // A window of another program showing a known colour.
    QWidget target;
    target.setWindowFlags(Qt::FramelessWindowHint);
    target.setAutoFillBackground(true);
    QPalette palette = target.palette();
    palette.setColor(QPalette::Window, targetColour);
    target.setPalette(palette);
    target.setGeometry(900, 500, 120, 120);
    target.show();
    QVERIFY(QTest::qWaitForWindowExposed(&target));

    startProgram();
    const QString main = waitForWindow(QStringLiteral("^Cindral Palette Editor - game.nds$"));
    QVERIFY(!main.isEmpty());
    focus(main);
    type(QStringLiteral("1a0"));
    keys({ "Return" });

    // Open the colour picker beside the main window and drag its eyedropper
    // onto the target.
    keys({ "ctrl+p" });
    const QString picker = waitForWindow(QStringLiteral("^Color Picker$"));
    QVERIFY(!picker.isEmpty());
    xdotool({ "windowmove", "--sync", picker, "440", "0" });
    QTest::qWait(300);
    const QRect pickerRect = geometry(picker);
    const int pickerMenu = pickerRect.height() - 345;
    const QPoint eyedropper = pickerRect.topLeft() + QPoint(464 + 16, pickerMenu + 28 + 16);
    xdotool({ "mousemove", "--sync", QString::number(eyedropper.x()), QString::number(eyedropper.y()) });
    xdotool({ "mousedown", "1" });
    for (int step = 1; step <= 10; ++step) {
        const QPoint at = eyedropper + (QPoint(960, 560) - eyedropper) * step / 10;
        xdotool({ "mousemove", "--sync", QString::number(at.x()), QString::number(at.y()) });
        QTest::qWait(30);
    }
    QTest::qWait(300);
    xdotool({ "mouseup", "1" });

    // Auto Copy put the colour word on the clipboard.
    QTRY_COMPARE_WITH_TIMEOUT(run("xclip", { "-o", "-selection", "clipboard" }), targetWord, 5000);

    // Paste it into palette box 3 and write the palette.
    focus(main);
    const QRect mainRect = geometry(main);
    const int mainMenu = mainRect.height() - 414;
    click(mainRect.topLeft() + QPoint(8 + 16 + 48 * 3 + 20, mainMenu + 264 + 28 + 10));
    keys({ "ctrl+a", "ctrl+v" });
    click(mainRect.topLeft() + QPoint(184 + 24, mainMenu + 380 + 8));
    answerMessage(QStringLiteral("^Cindral Palette Editor$"));

    QVERIFY(rom.open(QIODevice::ReadOnly));
    const QByteArray after = rom.readAll();
    rom.close();
    QCOMPARE(after.size(), before.size());
    QCOMPARE(quint8(after[0x1A6]), quint8(0x59));
    QCOMPARE(quint8(after[0x1A7]), quint8(0x15));
    QByteArray expected = before;
    expected[0x1A6] = char(0x59);
    expected[0x1A7] = char(0x15);
    QVERIFY2(after == expected, "only the pasted word may change");

    // Bookmark the offset; the empty store greets with "No Records Found".
    QString database = openDatabase(main, true);
    QVERIFY(!database.isEmpty());
    QRect databaseRect = geometry(database);
    click(databaseRect.topLeft() + QPoint(184 + 40, 128 + 8)); // Add Bookmark
    type(QStringLiteral("Title screen"));
    click(databaseRect.topLeft() + QPoint(248 + 60, 56 + 9)); // Offset box
    type(QStringLiteral("1A0"));
    click(databaseRect.topLeft() + QPoint(184 + 40, 176 + 8)); // Save
    QCOMPARE(storedBookmarks(), QStringList{ "Title screen=1A0" });

    // "End" ends the whole program at once.
    click(databaseRect.topLeft() + QPoint(280 + 40, 152 + 8));
    QTRY_COMPARE_WITH_TIMEOUT(m_program.state(), QProcess::NotRunning, 10000);
    QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program.exitCode(), 0);

    // Start again and find the bookmark by its first letters.
    startProgram();
    const QString mainAgain = waitForWindow(QStringLiteral("^Cindral Palette Editor - game.nds$"));
    database = openDatabase(mainAgain, false);
    QVERIFY(!database.isEmpty());
    databaseRect = geometry(database);
    QVERIFY2(xdotool({ "search", "--onlyvisible", "--name", "^Error$" }).isEmpty(),
             "the stored bookmark is listed at once");
    click(databaseRect.topLeft() + QPoint(8 + 60, 8 + 9)); // search box
    type(QStringLiteral("ti"));
    QVERIFY2(xdotool({ "search", "--onlyvisible", "--name", "^Error$" }).isEmpty(),
             "\"ti\" finds the bookmark");
    QVERIFY(listRowHasText(databaseRect, 0));
    QVERIFY(!listRowHasText(databaseRect, 1));
    // A letter that matches nothing is refused with the message.
    type(QStringLiteral("x"));
    answerMessage(QStringLiteral("^Error$"));
    QVERIFY(listRowHasText(databaseRect, 0));
}

QTEST_MAIN(tst_JourneyXvfb)
#include "tst_journey_xvfb.moc"
