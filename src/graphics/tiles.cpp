#include "tiles.h"

#include <QStringList>

#include <algorithm>

namespace Graphics {

namespace {

const char *const formatNames[] = { "4bpp", "8bpp", "4bpp-bitmap", "8bpp-bitmap" };

} // namespace

int bitsPerPixel(Format format)
{
    return format == Format::Tiles4 || format == Format::Bitmap4 ? 4 : 8;
}

bool isTiled(Format format)
{
    return format == Format::Tiles4 || format == Format::Tiles8;
}

QString formatName(Format format)
{
    return QString::fromLatin1(formatNames[int(format)]);
}

std::optional<Format> formatNamed(const QString &name)
{
    for (int i = 0; i < 4; ++i) {
        if (name == QLatin1String(formatNames[i]))
            return Format(i);
    }
    return std::nullopt;
}

qsizetype rowBytes(Format format, int widthTiles)
{
    return qsizetype(widthTiles) * TileSize * TileSize * bitsPerPixel(format) / 8;
}

qsizetype tileBytes(Format format)
{
    const int pixels = isTiled(format) ? TileSize * TileSize : TileSize;
    return qsizetype(pixels) * bitsPerPixel(format) / 8;
}

qsizetype pixelOffset(Format format, int widthTiles, int x, int y)
{
    const int bits = bitsPerPixel(format);
    qsizetype pixel = 0;
    if (isTiled(format)) {
        const qsizetype tile = qsizetype(y / TileSize) * widthTiles + x / TileSize;
        pixel = tile * TileSize * TileSize + (y % TileSize) * TileSize + x % TileSize;
    } else {
        pixel = qsizetype(y) * widthTiles * TileSize + x;
    }
    return pixel * bits / 8;
}

qsizetype tileOffset(Format format, int widthTiles, int x, int y)
{
    if (isTiled(format))
        return pixelOffset(format, widthTiles, x - x % TileSize, y - y % TileSize);
    return pixelOffset(format, widthTiles, x - x % TileSize, y);
}

IndexImage decode(const QByteArray &bytes, Format format, int widthTiles, int tileRows)
{
    IndexImage image;
    widthTiles = std::clamp(widthTiles, 1, MaxWidthTiles);
    image.width = widthTiles * TileSize;
    image.height = std::max(0, tileRows) * TileSize;
    image.pixels.assign(size_t(image.width) * size_t(image.height), NoColour);
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype available = bytes.size();
    const bool fourBits = bitsPerPixel(format) == 4;
    // Runs of eight pixels lie together in every layout: a tile's row or a
    // bitmap's eight-pixel unit. Whole runs take the fast path.
    const qsizetype runBytes = fourBits ? 4 : 8;
    for (int y = 0; y < image.height; ++y) {
        quint16 *row = image.pixels.data() + size_t(y) * size_t(image.width);
        for (int x = 0; x < image.width; x += TileSize) {
            const qsizetype at = pixelOffset(format, widthTiles, x, y);
            if (at >= available)
                continue; // left as NoColour
            quint16 *out = row + x;
            const uchar *in = data + at;
            if (at + runBytes <= available) {
                if (fourBits) {
                    for (int i = 0; i < 4; ++i) {
                        out[2 * i] = in[i] & 0x0F;
                        out[2 * i + 1] = in[i] >> 4;
                    }
                } else {
                    for (int i = 0; i < 8; ++i)
                        out[i] = in[i];
                }
                continue;
            }
            for (int i = 0; i < TileSize; ++i) {
                const qsizetype byte = at + (fourBits ? i / 2 : i);
                if (byte >= available)
                    break;
                out[i] = fourBits ? (i % 2 ? data[byte] >> 4 : data[byte] & 0x0F) : data[byte];
            }
        }
    }
    return image;
}

} // namespace Graphics
