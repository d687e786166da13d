#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// How DS and GBA graphics lie in bytes, and their decoding into colour
// indices. Decoding happens once per offset, format or width; a palette
// change only recolours what was decoded (see tilepainter.h).
namespace Graphics {

enum class Format { Tiles4, Tiles8, Bitmap4, Bitmap8 };

constexpr int TileSize = 8;
constexpr int MaxWidthTiles = 64;
// A pixel whose byte lies past the end of the image: no colour index at all.
constexpr quint16 NoColour = 256;

int bitsPerPixel(Format format);
bool isTiled(Format format);
// The names the command line and the format chooser use: 4bpp, 8bpp,
// 4bpp-bitmap, 8bpp-bitmap.
QString formatName(Format format);
std::optional<Format> formatNamed(const QString &name);

// Bytes of one row of tiles (for bitmaps, of eight rows of pixels), which
// is the same count for a tiled and a bitmap layout of one depth.
qsizetype rowBytes(Format format, int widthTiles);
// Bytes of one tile (for bitmaps, of eight pixels in a row).
qsizetype tileBytes(Format format);

// One colour index per pixel, row after row; NoColour past the image's end.
struct IndexImage
{
    int width = 0;
    int height = 0;
    std::vector<quint16> pixels;

    quint16 at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// The pixels bytes hold, laid out as format, widthTiles (1-64) tiles or
// eight-pixel units across and tileRows rows of tiles (eight pixel rows
// each) down. Pixels whose bytes bytes does not reach are NoColour, so a
// partial last tile is drawn partly. In 4 bpp the low nibble of a byte is
// the left pixel of its pair.
IndexImage decode(const QByteArray &bytes, Format format, int widthTiles, int tileRows);

// The offset, from the start of the decoded bytes, of the byte holding
// pixel (x, y) of such a layout, and of the tile (for bitmaps, the
// eight-pixel unit) it lies in.
qsizetype pixelOffset(Format format, int widthTiles, int x, int y);
qsizetype tileOffset(Format format, int widthTiles, int x, int y);

} // namespace Graphics
