#include "tilepainter.h"

#include "module1.h"
#include "palettefile.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace Graphics {

QRgb rgbOfWord(quint16 word)
{
    return qRgb(Module1::Scale5To8(word & 0x1F), Module1::Scale5To8((word >> 5) & 0x1F),
                Module1::Scale5To8((word >> 10) & 0x1F));
}

std::optional<QRgb> rgbOfText(const QString &wordText)
{
    if (!RomPalette::isWordText(wordText))
        return std::nullopt;
    const auto pair = RomPalette::WordTextToBytes(wordText);
    return rgbOfWord(quint16(pair[0] | (pair[1] << 8)));
}

Colours coloursOf(const RomPalette::WordTexts &boxes)
{
    Colours colours;
    for (int i = 0; i < RomPalette::WordCount; ++i)
        colours[i] = rgbOfText(boxes[i]);
    return colours;
}

Colours coloursOf(const QByteArray &words, const RomPalette::WordTexts &boxes,
                  std::optional<int> firstBox)
{
    Colours colours;
    const auto *bytes = reinterpret_cast<const uchar *>(words.constData());
    for (int i = 0; i < ColourCount && 2 * i + 1 < words.size(); ++i)
        colours[i] = rgbOfWord(quint16(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    if (firstBox) {
        for (int i = 0; i < RomPalette::WordCount; ++i) {
            const int index = *firstBox + i;
            if (index >= 0 && index < ColourCount)
                colours[index] = rgbOfText(boxes[i]);
        }
    }
    return colours;
}

std::optional<int> firstBoxIndex(quint32 paletteOffset, std::optional<quint32> boxesOffset)
{
    if (!boxesOffset)
        return std::nullopt;
    const qint64 distance = qint64(*boxesOffset) - qint64(paletteOffset);
    if (distance % 2 != 0 || distance <= -RomPalette::ByteCount || distance >= 2 * ColourCount)
        return std::nullopt;
    return int(distance / 2);
}

ColourLookup::ColourLookup(const Colours &colours)
{
    for (int i = 0; i < ColourCount; ++i) {
        m_table[0][i] = colours[i].value_or(CheckerLight);
        m_table[1][i] = colours[i].value_or(CheckerDark);
    }
    m_table[0][NoColour] = CheckerLight;
    m_table[1][NoColour] = CheckerDark;
}

void paint(const IndexImage &image, const ColourLookup &lookup, int zoom, int firstX,
           int columns, QImage &target)
{
    zoom = std::clamp(zoom, 1, 8);
    firstX = std::clamp(firstX, 0, image.width);
    columns = std::clamp(columns, 0, image.width - firstX);
    const QSize size(columns * zoom, image.height * zoom);
    if (target.size() != size || target.format() != QImage::Format_RGB32)
        target = QImage(size, QImage::Format_RGB32);
    if (!size.isEmpty())
        paintInto(image, lookup, zoom, QRect(firstX, 0, columns, image.height), target);
}

void paintInto(const IndexImage &image, const ColourLookup &lookup, int zoom,
               const QRect &source, QImage &target)
{
    const int firstX = source.x();
    const int columns = source.width();
    const size_t lineBytes = size_t(columns) * size_t(zoom) * sizeof(QRgb);
    for (int y = source.top(); y <= source.bottom(); ++y) {
        const quint16 *in = image.pixels.data() + size_t(y) * size_t(image.width) + firstX;
        const int line = (y - source.top()) * zoom;
        auto *out = reinterpret_cast<QRgb *>(target.scanLine(line));
        const int rowParity = (y / CheckerCell) & 1;
        if (zoom == 1) {
            for (int x = 0; x < columns; ++x)
                out[x] = lookup.at(in[x], rowParity ^ (((firstX + x) / CheckerCell) & 1));
        } else {
            for (int x = 0; x < columns; ++x) {
                const QRgb rgb = lookup.at(in[x], rowParity ^ (((firstX + x) / CheckerCell) & 1));
                std::fill_n(out + size_t(x) * size_t(zoom), zoom, rgb);
            }
            for (int copy = 1; copy < zoom; ++copy)
                std::memcpy(target.scanLine(line + copy), out, lineBytes);
        }
    }
}

void paintView(QPainter &painter, const IndexImage &image, const ColourLookup &lookup, int zoom,
               int firstX, const QRect &exposed, QImage &band)
{
    // About eight view lines a band: some 60 KiB for a view as wide as a
    // screen, which stays in the cache between its painting and its copy.
    constexpr int BandLines = 8;
    zoom = std::clamp(zoom, 1, 8);
    firstX = std::clamp(firstX, 0, image.width);
    const QRect shown(0, 0, (image.width - firstX) * zoom, image.height * zoom);
    const QRect area = exposed & shown;
    if (area.isEmpty())
        return;
    // Whole image pixels: the painter's clip trims the squares cut by the edge.
    const QRect source(QPoint(firstX + area.left() / zoom, area.top() / zoom),
                       QPoint(firstX + area.right() / zoom, area.bottom() / zoom));
    const int bandRows = std::max(1, BandLines / zoom);
    const QSize bandSize(source.width() * zoom, bandRows * zoom);
    if (band.width() < bandSize.width() || band.height() < bandSize.height()
        || band.format() != QImage::Format_RGB32)
        band = QImage(bandSize.expandedTo(band.size()), QImage::Format_RGB32);
    for (int y = source.top(); y <= source.bottom(); y += bandRows) {
        const QRect rows(source.left(), y, source.width(),
                         std::min(bandRows, source.bottom() + 1 - y));
        paintInto(image, lookup, zoom, rows, band);
        painter.drawImage(QPoint((rows.left() - firstX) * zoom, y * zoom), band,
                          QRect(0, 0, rows.width() * zoom, rows.height() * zoom));
    }
}

std::array<bool, ColourCount> usedIndices(const IndexImage &image)
{
    std::array<bool, ColourCount + 1> used{};
    for (const quint16 index : image.pixels)
        used[index] = true;
    std::array<bool, ColourCount> result{};
    std::copy_n(used.begin(), ColourCount, result.begin());
    return result;
}

QByteArray indexedPng(const IndexImage &image, const Colours &colours, int count)
{
    QList<QRgb> table;
    for (int i = 0; i < count && i < ColourCount; ++i)
        table.append(colours[i].value_or(qRgb(255, 255, 255)));
    QByteArray indices(qsizetype(image.pixels.size()), '\0');
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const quint16 index = image.pixels[i];
        indices[qsizetype(i)] = char(index == NoColour ? 0 : index);
    }
    return PaletteFile::encodeIndexedPng(image.width, image.height, indices, table);
}

} // namespace Graphics
