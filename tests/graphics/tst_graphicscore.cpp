// Graphics as bytes and pixels: decoding of the four layouts, painting at a
// zoom, graphics file headers, and the --render-graphics command of the
// built program.
#include "rgcn.h"
#include "testfiles.h"
#include "tilepainter.h"
#include "tiles.h"

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Graphics;

namespace {

// "at=hex;at=hex": bytes placed at offsets of an otherwise zero image.
QByteArray bytesWith(int size, const QString &placements)
{
    QByteArray bytes(size, '\0');
    const QStringList items = placements.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &item : items) {
        const QStringList parts = item.split(QLatin1Char('='));
        const QByteArray value = QByteArray::fromHex(parts.at(1).toLatin1());
        bytes.replace(parts.at(0).toInt(), value.size(), value);
    }
    return bytes;
}

// "x,y=value;...": each pixel's expected index, "-" for no colour.
void checkPixels(const QString &checks, const std::function<int(int, int)> &indexAt)
{
    const QStringList items = checks.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &item : items) {
        const QStringList parts = item.split(QLatin1Char('='));
        const QStringList xy = parts.at(0).split(QLatin1Char(','));
        const int expected = parts.at(1) == QLatin1String("-") ? NoColour : parts.at(1).toInt();
        const int got = indexAt(xy.at(0).toInt(), xy.at(1).toInt());
        QVERIFY2(got == expected, qPrintable(QStringLiteral("pixel %1: expected %2, got %3")
                                                     .arg(parts.at(0))
                                                     .arg(expected)
                                                     .arg(got)));
    }
}

} // namespace

class tst_GraphicsCore : public QObject
{
    Q_OBJECT
private slots:
    void decodeLayout_data();
    void decodeLayout();
    void paintZoomsAndChecksNoColour();
    void viewPaintedInPiecesIsTheWholePicture_data();
    void viewPaintedInPiecesIsTheWholePicture();
    void boxesOverWords_data();
    void boxesOverWords();
    void rgcnHeader_data();
    void rgcnHeader();
    void renderCommand_data();
    void renderCommand();
};

void tst_GraphicsCore::decodeLayout_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("size"); // bytes from the offset to the end of the image
    QTest::addColumn<QString>("placements");
    QTest::addColumn<QString>("checks");
    const auto row = [](const char *name, const char *format, int width, int size,
                        const char *placements, const char *checks) {
        QTest::newRow(name) << QString::fromLatin1(format) << width << size
                            << QString::fromLatin1(placements) << QString::fromLatin1(checks);
    };
    row("4bpp: low nibble is the left pixel", "4bpp", 1, 32, "0=21;3=F0",
        "0,0=1;1,0=2;6,0=0;7,0=15");
    row("4bpp: rows of a tile go down", "4bpp", 1, 32, "4=0C;31=D0", "0,1=12;7,7=13;0,0=0");
    row("4bpp: next tile to the right", "4bpp", 2, 64, "32=07", "8,0=7;0,8=-");
    row("4bpp: one tile wide goes down", "4bpp", 1, 64, "32=07", "0,8=7;0,7=0");
    row("8bpp: one byte a pixel, 64 a tile", "8bpp", 2, 128, "0=FF;8=80;64=11",
        "0,0=255;0,1=128;8,0=17");
    row("4bpp bitmap: rows run across tiles", "4bpp-bitmap", 2, 128, "4=03;8=40",
        "8,0=3;1,1=4;0,8=0");
    row("8bpp bitmap", "8bpp-bitmap", 1, 64, "9=2A", "1,1=42;0,0=0");
    row("partial last tile drawn partly", "4bpp", 2, 40, "39=50", "15,1=5;14,1=0;0,2=0;8,2=-");
    row("half a run of pixels", "4bpp", 1, 3, "2=21", "4,0=1;5,0=2;6,0=-;0,1=-");
    row("offset at the end: nothing", "8bpp", 1, 0, "", "0,0=-;7,7=-");
}

void tst_GraphicsCore::decodeLayout()
{
    QFETCH(QString, format);
    QFETCH(int, width);
    QFETCH(int, size);
    QFETCH(QString, placements);
    QFETCH(QString, checks);
    const auto layout = formatNamed(format);
    QVERIFY(layout);
    const IndexImage image = decode(bytesWith(size, placements), *layout, width, 2);
    QCOMPARE(image.width, 8 * width);
    QCOMPARE(image.height, 16);
    checkPixels(checks, [&](int x, int y) { return image.at(x, y); });
}

void tst_GraphicsCore::paintZoomsAndChecksNoColour()
{
    // Bytes for the first 12 pixels of a one-tile-wide 4 bpp row, then the end.
    const IndexImage image = decode(QByteArray::fromHex("10325476"), Format::Tiles4, 1, 1);
    Colours colours;
    colours[1] = qRgb(255, 0, 0);
    colours[2] = qRgb(0, 0, 255); // 0 and 3-7 have none: an incomplete box
    QImage target;
    paint(image, ColourLookup(colours), 3, 1, 6, target);
    QCOMPARE(target.size(), QSize(18, 24));
    // Column 1 of the image (index 1) fills the first 3x3 square.
    QCOMPARE(target.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(target.pixel(2, 2), qRgb(255, 0, 0));
    QCOMPARE(target.pixel(3, 0), qRgb(0, 0, 255));
    // No colour shows the checker: squares of four image pixels alternate.
    QCOMPARE(target.pixel(6, 0), CheckerLight);       // column 3: index 3
    QCOMPARE(target.pixel(9, 0), CheckerDark);        // column 4: index 4
    QCOMPARE(target.pixel(9, 3 * 4), CheckerLight);   // row 4: past the end
}

void tst_GraphicsCore::viewPaintedInPiecesIsTheWholePicture_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("firstX");
    QTest::addColumn<QPoint>("seam"); // where the view is cut into four exposed pieces
    QTest::newRow("zoom 1, cut mid-band") << 1 << 0 << QPoint(5, 11);
    QTest::newRow("zoom 3, scrolled, cut inside squares") << 3 << 8 << QPoint(7, 13);
    QTest::newRow("zoom 8, a band a row") << 8 << 3 << QPoint(20, 9);
    QTest::newRow("cut outside the picture") << 2 << 0 << QPoint(70, 40);
}

void tst_GraphicsCore::viewPaintedInPiecesIsTheWholePicture()
{
    // A view paints what each paint event exposes, band by band: the pieces
    // must join into the picture painted whole, and leave the rest alone.
    QFETCH(int, zoom);
    QFETCH(int, firstX);
    QFETCH(QPoint, seam);
    QByteArray bytes(3 * 32 * 2 - 20, '\0'); // three tiles by two, the last ones short
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 37 + 11);
    const IndexImage image = decode(bytes, Format::Tiles4, 3, 2);
    Colours colours;
    for (int i = 0; i < 12; ++i) // 12-15 have none: checker
        colours[i] = qRgb(20 * i, 255 - 20 * i, 7 * i);
    const ColourLookup lookup(colours);
    QImage whole;
    paint(image, lookup, zoom, firstX, image.width, whole);

    constexpr QRgb Untouched = 0xFF123456;
    QImage view(image.width * zoom + 5, image.height * zoom + 3, QImage::Format_RGB32);
    view.fill(Untouched);
    QImage band;
    QPainter painter(&view);
    const QRect all = view.rect();
    const QList<QRect> pieces = { QRect(all.topLeft(), seam - QPoint(1, 1)),
                                  QRect(QPoint(seam.x(), 0), QPoint(all.right(), seam.y() - 1)),
                                  QRect(QPoint(0, seam.y()), QPoint(seam.x() - 1, all.bottom())),
                                  QRect(seam, all.bottomRight()) };
    for (const QRect &piece : pieces) {
        painter.setClipRect(piece); // as a paint event's painter is clipped
        paintView(painter, image, lookup, zoom, firstX, piece, band);
    }
    painter.end();
    for (int y = 0; y < view.height(); ++y) {
        for (int x = 0; x < view.width(); ++x) {
            const QRgb expected = whole.rect().contains(x, y) ? whole.pixel(x, y) : Untouched;
            if (view.pixel(x, y) != expected)
                QFAIL(qPrintable(QStringLiteral("view pixel %1,%2: %3, expected %4")
                                         .arg(x).arg(y)
                                         .arg(view.pixel(x, y), 8, 16)
                                         .arg(expected, 8, 16)));
        }
    }
}

void tst_GraphicsCore::boxesOverWords_data()
{
    QTest::addColumn<quint32>("palette");
    QTest::addColumn<qint64>("boxes"); // -1: not loaded
    QTest::addColumn<int>("first"); // -99: none
    QTest::newRow("same offset") << 0x400u << qint64(0x400) << 0;
    QTest::newRow("third slice") << 0x400u << qint64(0x440) << 32;
    QTest::newRow("starting before the palette") << 0x400u << qint64(0x3FE) << -1;
    QTest::newRow("between two words") << 0x400u << qint64(0x441) << -99;
    QTest::newRow("after the 256 words") << 0x400u << qint64(0x600) << -99;
    QTest::newRow("wholly before") << 0x400u << qint64(0x3E0) << -99;
    QTest::newRow("nothing loaded") << 0x400u << qint64(-1) << -99;
}

void tst_GraphicsCore::boxesOverWords()
{
    QFETCH(quint32, palette);
    QFETCH(qint64, boxes);
    QFETCH(int, first);
    const auto loaded = boxes < 0 ? std::nullopt : std::optional<quint32>(quint32(boxes));
    QCOMPARE(firstBoxIndex(palette, loaded).value_or(-99), first);
    if (first == -99)
        return;
    // The boxes win over the words they cover; "12" has no colour.
    RomPalette::WordTexts texts;
    texts.fill(QStringLiteral("FF7F"));
    texts[1] = QStringLiteral("12");
    const Colours colours = coloursOf(QByteArray(512, '\0'), texts, first);
    QCOMPARE(colours[first + 1].has_value(), false);
    if (first + 2 >= 0)
        QCOMPARE(colours[first + 2].value_or(0), qRgb(255, 255, 255));
    QCOMPARE(colours[first + 17].value_or(0), qRgb(0, 0, 0)); // the word beyond the boxes
}

void tst_GraphicsCore::rgcnHeader_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected"); // bits width height tiled offset size, or "none"
    // Header, then a RAHC section: height, width, depth, mapping, type, size, offset.
    const auto file = [](quint16 height, quint16 width, quint32 depth, quint32 type,
                         quint32 size, quint32 offset, int dataBytes) {
        QByteArray bytes("RGCN\xFF\xFE\x01\x01\0\0\0\0\x10\0\x01\0RAHC\0\0\0\0", 24);
        for (quint32 v : { quint32(height | (width << 16)), depth, 0u, type, size, offset })
            bytes.append(reinterpret_cast<const char *>(&v), 4);
        return bytes + QByteArray(dataBytes, '\x11');
    };
    QTest::newRow("4bpp tiles") << file(4, 2, 3, 0, 256, 0x18, 256) << "4 2 4 1 48 256";
    QTest::newRow("8bpp bitmap, size left open") << file(0xFFFF, 0xFFFF, 4, 1, 64, 0x18, 64)
                                                 << "8 0 0 0 48 64";
    QTest::newRow("size claims more than the file") << file(4, 4, 3, 0, 512, 0x18, 100)
                                                    << "4 4 4 1 48 100";
    QTest::newRow("offset past the end") << file(1, 1, 3, 0, 32, 0x1000, 32) << "4 1 1 1 80 0";
    QTest::newRow("depth 5") << file(1, 1, 5, 0, 32, 0x18, 32) << "none";
    QTest::newRow("a palette file") << QByteArray("RLCN").append(60, '\0') << "none";
    QTest::newRow("cut inside the header") << file(1, 1, 3, 0, 32, 0x18, 0).left(40) << "none";
}

void tst_GraphicsCore::rgcnHeader()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    const RomFs::MemoryImage image(file);
    const auto header = RomFs::readRgcn({ &image, 0, image.size() });
    const QString got = header ? QStringLiteral("%1 %2 %3 %4 %5 %6")
                                         .arg(header->bitsPerPixel)
                                         .arg(header->widthTiles)
                                         .arg(header->heightTiles)
                                         .arg(int(header->tiled))
                                         .arg(header->dataOffset)
                                         .arg(header->dataSize)
                               : QStringLiteral("none");
    QCOMPARE(got, expected);
}

void tst_GraphicsCore::renderCommand_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err"); // a pattern
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("colours");
    QTest::addColumn<QString>("checks"); // pixels' indices
    QTest::addColumn<QString>("table"); // "index=#rrggbb;..."
    // The image: colour words at 20 (black, red, green, white; white at 15),
    // a 4 bpp tile at 100 whose first byte is 0x21, 8 bpp data at 200 (0, 1, 2...).
    const auto row = [](const char *name, const char *arguments, int status, const char *err,
                        QSize size = {}, int colours = 0, const char *checks = "",
                        const char *table = "") {
        QTest::newRow(name) << QString::fromLatin1(arguments) << status
                            << QString::fromLatin1(err) << (size.isValid() ? size : QSize(0, 0))
                            << colours << QString::fromLatin1(checks)
                            << QString::fromLatin1(table);
    };
    row("4bpp, 16 tiles a row up to the end", "ROM 100 OUT --palette 20", 0, "", QSize(128, 16),
        16, "0,0=1;1,0=2;8,0=0", "0=#000000;1=#ff0000;2=#00ff00;15=#ffffff");
    row("--tiles 3 --width 2: a missing tile is 0",
        "ROM 0x100 OUT --palette 20 --tiles 3 --width 2", 0, "", QSize(16, 16), 16, "0,0=1;8,8=0");
    row("8bpp bitmap on a grey ramp",
        "ROM 200 OUT --palette grey --format 8bpp-bitmap --width 1 --tiles 2", 0, "",
        QSize(8, 16), 256, "3,0=3;0,1=8", "0=#000000;8=#080808;255=#ffffff");
    row("offset past the end", "ROM 400 OUT --palette grey", 1,
        "^cindral: .*game\\.nds: .*past the end");
    row("palette past the end", "ROM 0 OUT --palette 3F0 --format 8bpp", 1,
        "^cindral: .*game\\.nds: the palette at 3F0 runs past");
    row("PNG not written", "ROM 0 DIR/none/out.png --palette grey", 1,
        "^cindral: .*none/out\\.png: ");
    row("unknown format", "ROM 0 OUT --palette grey --format 2bpp", 2, "\"2bpp\".*\nUsage:");
    row("no palette", "ROM 0 OUT", 2, "--palette.*\nUsage:");
}

void tst_GraphicsCore::renderCommand()
{
    QFETCH(QString, arguments);
    QFETCH(int, status);
    QFETCH(QString, err);
    QFETCH(QSize, size);
    QFETCH(int, colours);
    QFETCH(QString, checks);
    QFETCH(QString, table);
    QTemporaryDir dir;
    QByteArray rom(0x400, '\0');
    rom.replace(0x22, 6, QByteArray::fromHex("1F00E003FF7F"));
    rom.replace(0x20 + 30, 2, QByteArray::fromHex("FF7F"));
    rom[0x100] = char(0x21);
    rom[0x160] = char(0x33); // the fourth tile
    for (int i = 0; i < 128; ++i)
        rom[0x200 + i] = char(i);
    QVERIFY(TestFiles::writeFile(dir.filePath(QStringLiteral("game.nds")), rom));
    QStringList list = arguments.split(QLatin1Char(' '));
    for (QString &argument : list) {
        argument.replace(QLatin1String("ROM"), dir.filePath(QStringLiteral("game.nds")))
                .replace(QLatin1String("OUT"), dir.filePath(QStringLiteral("out.png")))
                .replace(QLatin1String("DIR"), dir.path());
    }
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY")); // no window system is needed
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(CINDRAL_BINARY),
                  QStringList{ QStringLiteral("--render-graphics") } + list);
    QVERIFY(process.waitForFinished(30000));
    const QString stderrText = QString::fromLocal8Bit(process.readAllStandardError());
    QCOMPARE(process.exitCode(), status);
    QVERIFY2(stderrText.contains(QRegularExpression(err)), qPrintable(stderrText));
    const QImage png(dir.filePath(QStringLiteral("out.png")));
    QCOMPARE(png.size(), size);
    if (size.isEmpty())
        return;
    QCOMPARE(png.format(), QImage::Format_Indexed8);
    QCOMPARE(png.colorTable().size(), colours);
    checkPixels(checks, [&](int x, int y) { return png.pixelIndex(x, y); });
    const QStringList entries = table.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &entry : entries) {
        const QStringList parts = entry.split(QLatin1Char('='));
        QCOMPARE(QColor(png.colorTable().at(parts.at(0).toInt())).name(), parts.at(1));
    }
}

QTEST_GUILESS_MAIN(tst_GraphicsCore)
#include "tst_graphicscore.moc"
