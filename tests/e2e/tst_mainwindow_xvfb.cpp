// Starts the real program on a ROM image under X, types an offset with
// xdotool as a user would, and reads the swatch colours off the screen.
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class tst_MainWindowXvfb : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void loadedPaletteShowsOnScreen();

private:
    QString xdotool(const QStringList &arguments);
    QPoint findRun(const QImage &screen, QRgb colour, int length);

    QTemporaryDir m_dir;
    QProcess m_program;
};

QString tst_MainWindowXvfb::xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// The leftmost point of the first horizontal run of exactly this colour.
QPoint tst_MainWindowXvfb::findRun(const QImage &screen, QRgb colour, int length)
{
    const QImage image = screen.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        int run = 0;
        for (int x = 0; x < image.width(); ++x) {
            run = (line[x] & 0xFFFFFF) == (colour & 0xFFFFFF) ? run + 1 : 0;
            if (run == length)
                return QPoint(x - length + 1, y);
        }
    }
    return QPoint(-1, -1);
}

void tst_MainWindowXvfb::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QFAIL("xdotool is missing; scripts/deps.sh installs it");
}

void tst_MainWindowXvfb::cleanup()
{
    m_program.kill();
    m_program.waitForFinished();
}

void tst_MainWindowXvfb::loadedPaletteShowsOnScreen()
{
    QByteArray rom(0x800, '\0');
    const char words[] = "\xFF\x7F\x1F\x00\xE0\x03\x00\x7C";
    for (int i = 0; i < 8; ++i)
        rom[0x1A0 + i] = words[i];
    const QString path = m_dir.filePath(QStringLiteral("game.nds"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(rom);
    file.close();

    m_program.setProgram(QStringLiteral(CINDRAL_BINARY));
    m_program.setArguments({ path });
    m_program.start();
    QVERIFY(m_program.waitForStarted());

    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(
            !(window = xdotool({ "search", "--name", "Cindral Palette Editor - game.nds" }))
                     .isEmpty(),
            15000);
    window = window.section(QLatin1Char('\n'), 0, 0);
    QCOMPARE(xdotool({ "getwindowname", window }), QStringLiteral("Cindral Palette Editor - game.nds"));

    // The offset box has the focus at start; there is no window manager to
    // give the window the keyboard, so focus it as one would.
    xdotool({ "windowfocus", "--sync", window });
    QTest::qWait(300);
    xdotool({ "type", "--delay", "30", "1a0" });
    xdotool({ "key", "Return" });

    QPoint red;
    QImage screen;
    QTRY_VERIFY_WITH_TIMEOUT(
            (screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage(),
             red = findRun(screen, qRgb(255, 0, 0), 30))
                    .x() >= 0,
            10000);
    // Swatches stand 48 pixels apart: white, red, green, blue.
    QCOMPARE(screen.pixel(red.x() - 48 + 5, red.y()) & 0xFFFFFF, 0xFFFFFFu);
    QCOMPARE(screen.pixel(red.x() + 48 + 5, red.y()) & 0xFFFFFF, 0x00FF00u);
    QCOMPARE(screen.pixel(red.x() + 96 + 5, red.y()) & 0xFFFFFF, 0x0000FFu);
    QCOMPARE(screen.pixel(red.x() + 144 + 5, red.y()) & 0xFFFFFF, 0x000000u);
}

QTEST_MAIN(tst_MainWindowXvfb)
#include "tst_mainwindow_xvfb.moc"
