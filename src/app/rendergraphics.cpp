#include "rendergraphics.h"

#include "palettefile.h"
#include "rompalette.h"
#include "tilepainter.h"
#include "tiles.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace RenderGraphics {

namespace {

const char option[] = "--render-graphics";
const char usage[] =
        "Usage: cindral --render-graphics IMAGE OFFSET OUT.png --palette OFFSET|grey\n"
        "               [--format 4bpp|8bpp|4bpp-bitmap|8bpp-bitmap] [--width TILES] "
        "[--tiles N]\n"
        "OFFSET is hexadecimal (0x may lead); --palette grey is an even grey ramp;\n"
        "TILES is 1-64 (16 when not given); without --tiles, 16 rows of tiles or up to "
        "the end.\n";
constexpr int DefaultRows = 16;

void print(const QString &line)
{
    std::fputs((QStringLiteral("cindral: ") + line + QLatin1Char('\n')).toLocal8Bit().constData(),
               stderr);
}

int wrong(const QString &reason)
{
    print(reason);
    std::fputs(usage, stderr);
    return 2;
}

int failed(const QString &file, const QString &reason)
{
    print(file + QStringLiteral(": ") + reason);
    return 1;
}

struct CommandLine
{
    QStringList positional;
    QString palette, format = QStringLiteral("4bpp"), width, tiles;
    QString error;
};

CommandLine parse(const QStringList &arguments)
{
    CommandLine line;
    const std::pair<const char *, QString *> valued[] = { { "--palette", &line.palette },
                                                          { "--format", &line.format },
                                                          { "--width", &line.width },
                                                          { "--tiles", &line.tiles } };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String(option))
            continue;
        const auto known = std::find_if(std::begin(valued), std::end(valued), [&](const auto &v) {
            return argument == QLatin1String(v.first);
        });
        if (known != std::end(valued)) {
            if (++i == arguments.size()) {
                line.error = QStringLiteral("%1 needs a value").arg(argument);
                break;
            }
            *known->second = arguments.at(i);
        } else if (argument.startsWith(QLatin1String("--"))) {
            line.error = QStringLiteral("unknown option %1").arg(argument);
        } else {
            line.positional.append(argument);
        }
    }
    if (line.error.isEmpty() && line.positional.size() != 3)
        line.error = QStringLiteral("--render-graphics takes IMAGE, OFFSET and OUT.png");
    if (line.error.isEmpty() && line.palette.isEmpty())
        line.error = QStringLiteral("--palette is needed (an offset, or grey)");
    return line;
}

int render(const CommandLine &line)
{
    const QString &imagePath = line.positional.at(0);
    const QString &outPath = line.positional.at(2);
    const auto offset = RomPalette::parseOffset(line.positional.at(1));
    if (!offset)
        return wrong(QStringLiteral("\"%1\" is not an offset").arg(line.positional.at(1)));
    const auto format = Graphics::formatNamed(line.format);
    if (!format)
        return wrong(QStringLiteral("unknown format \"%1\"").arg(line.format));
    bool ok = true;
    const int width = line.width.isEmpty() ? 16 : line.width.toInt(&ok);
    if (!ok || width < 1 || width > Graphics::MaxWidthTiles)
        return wrong(QStringLiteral("--width takes 1 to 64 tiles, not \"%1\"").arg(line.width));
    const int tiles = line.tiles.isEmpty() ? 0 : line.tiles.toInt(&ok);
    if (!ok || tiles < 0 || (!line.tiles.isEmpty() && tiles < 1) || tiles > 1 << 20)
        return wrong(QStringLiteral("--tiles takes a number from 1, not \"%1\"").arg(line.tiles));
    std::optional<quint32> paletteOffset;
    if (line.palette != QLatin1String("grey")) {
        paletteOffset = RomPalette::parseOffset(line.palette);
        if (!paletteOffset)
            return wrong(QStringLiteral("--palette takes an offset or grey, not \"%1\"")
                                 .arg(line.palette));
    }

    const int colourCount = Graphics::bitsPerPixel(*format) == 4 ? 16 : Graphics::ColourCount;
    Graphics::Colours colours;
    if (paletteOffset) {
        QByteArray words;
        qsizetype pastEnd = 0;
        const auto result = RomPalette::readBytes(imagePath, *paletteOffset, 2 * colourCount,
                                                  words, &pastEnd);
        if (!result.ok)
            return failed(imagePath, result.reason);
        if (pastEnd > 0)
            return failed(imagePath,
                          QStringLiteral("the palette at %1 runs past the end of the image")
                                  .arg(line.palette));
        colours = Graphics::coloursOf(words, {}, std::nullopt);
    } else {
        for (int i = 0; i < colourCount; ++i) {
            const int grey = i * 255 / (colourCount - 1);
            colours[i] = qRgb(grey, grey, grey);
        }
    }

    const quint64 size = quint64(std::max<qint64>(0, QFileInfo(imagePath).size()));
    if (QFileInfo(imagePath).isFile() && *offset >= size)
        return failed(imagePath, QStringLiteral("offset %1 is past the end of the image (%2 bytes)")
                                         .arg(line.positional.at(1))
                                         .arg(size));
    // Eight pixels across a tile or bitmap unit; 64 pixels make one tile.
    const qsizetype tileBytes = 64 * Graphics::bitsPerPixel(*format) / 8;
    const qsizetype rowBytes = Graphics::rowBytes(*format, width);
    qsizetype count = 0;
    int across = width;
    if (tiles > 0) {
        count = qsizetype(tiles) * tileBytes;
        across = std::min(width, tiles);
    } else {
        const qsizetype left = qsizetype(size - *offset);
        const qsizetype rowsLeft = (left + rowBytes - 1) / rowBytes;
        count = std::min<qsizetype>(DefaultRows, rowsLeft) * rowBytes;
    }
    QByteArray bytes;
    qsizetype pastEnd = 0;
    const auto result = RomPalette::readBytes(imagePath, *offset, count, bytes, &pastEnd);
    if (!result.ok)
        return failed(imagePath, result.reason);
    bytes.chop(pastEnd);
    const qsizetype acrossBytes = Graphics::rowBytes(*format, across);
    const int rows = int((count + acrossBytes - 1) / acrossBytes);
    Graphics::IndexImage image = Graphics::decode(bytes, *format, across, rows);
    if (tiles > 0) {
        // Only the tiles asked for: the rest of a last row has no colour,
        // and a bitmap ends after its last pixel row.
        const qsizetype pixels = qsizetype(tiles) * 64;
        if (!Graphics::isTiled(*format)) {
            image.height = int((pixels + image.width - 1) / image.width);
            image.pixels.resize(size_t(image.height) * size_t(image.width));
        }
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                if (Graphics::pixelOffset(*format, across, x, y) >= count)
                    image.pixels[size_t(y) * size_t(image.width) + size_t(x)] = Graphics::NoColour;
            }
        }
    }
    const QString reason = PaletteFile::saveWhole(
            outPath, Graphics::indexedPng(image, colours, colourCount));
    return reason.isEmpty() ? 0 : failed(outPath, reason);
}

} // namespace

std::optional<int> run(int argc, char *argv[])
{
    bool asked = false;
    for (int i = 1; i < argc; ++i)
        asked = asked || std::strcmp(argv[i], option) == 0;
    if (!asked)
        return std::nullopt;
    // Core only: no display is needed.
    QCoreApplication app(argc, argv);
    const CommandLine line = parse(QCoreApplication::arguments().mid(1));
    if (!line.error.isEmpty())
        return wrong(line.error);
    return render(line);
}

} // namespace RenderGraphics
