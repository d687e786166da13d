#include "rendergraphics.h"

#include "commandline.h"
#include "palettefile.h"
#include "rompalette.h"
#include "tilepainter.h"
#include "tiles.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace RenderGraphics {

namespace {

constexpr int DefaultRows = 16;

using CommandLine::failed;
using CommandLine::wrongUse;

// What was asked for, as the command line gives it.
struct Request
{
    QStringList positional;
    QString palette, format, width, tiles;
};

int render(const Request &line)
{
    const QString &imagePath = line.positional.at(0);
    const QString &outPath = line.positional.at(2);
    const auto offset = RomPalette::parseOffset(line.positional.at(1));
    if (!offset)
        return wrongUse(QStringLiteral("\"%1\" is not an offset").arg(line.positional.at(1)));
    const auto format = Graphics::formatNamed(line.format);
    if (!format)
        return wrongUse(QStringLiteral("unknown format \"%1\"").arg(line.format));
    bool ok = true;
    const int width = line.width.isEmpty() ? 16 : line.width.toInt(&ok);
    if (!ok || width < 1 || width > Graphics::MaxWidthTiles)
        return wrongUse(QStringLiteral("--width takes 1 to 64 tiles, not \"%1\"").arg(line.width));
    const int tiles = line.tiles.isEmpty() ? 0 : line.tiles.toInt(&ok);
    if (!ok || tiles < 0 || (!line.tiles.isEmpty() && tiles < 1) || tiles > 1 << 20)
        return wrongUse(QStringLiteral("--tiles takes a number from 1, not \"%1\"").arg(line.tiles));
    std::optional<quint32> paletteOffset;
    if (line.palette != QLatin1String("grey")) {
        paletteOffset = RomPalette::parseOffset(line.palette);
        if (!paletteOffset)
            return wrongUse(QStringLiteral("--palette takes an offset or grey, not \"%1\"")
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
    if (CommandLine::commandOf(argc, argv) != QLatin1String("--render-graphics"))
        return std::nullopt;
    // Core only: no display is needed.
    QCoreApplication app(argc, argv);
    const CommandLine::Parsed parsed =
            CommandLine::parse(QCoreApplication::arguments().mid(1),
                               { QStringLiteral("--palette"), QStringLiteral("--format"),
                                 QStringLiteral("--width"), QStringLiteral("--tiles") });
    if (!parsed.error.isEmpty())
        return wrongUse(parsed.error);
    if (parsed.operands.size() != 3)
        return wrongUse(QStringLiteral("--render-graphics takes IMAGE, OFFSET and OUT.png"));
    const Request line{ parsed.operands, parsed.values.value(QStringLiteral("--palette")),
                        parsed.values.value(QStringLiteral("--format"), QStringLiteral("4bpp")),
                        parsed.values.value(QStringLiteral("--width")),
                        parsed.values.value(QStringLiteral("--tiles")) };
    if (line.palette.isEmpty())
        return wrongUse(QStringLiteral("--palette is needed (an offset, or grey)"));
    return render(line);
}

} // namespace RenderGraphics
