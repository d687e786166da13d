#include "fieldpainter.h"

#include <algorithm>
#include <vector>

namespace FieldPainter {

using ColorModel::Rgb;
using ColorModel::roundEven;

namespace {

constexpr int segmentWidths[6] = { 42, 43, 42, 43, 42, 43 };

struct Tables
{
    std::array<int, 255> hues{};
    // fade[start][row]
    std::array<std::array<quint8, 256>, 256> fade{};
    // The rainbow's columns grouped by the sector whose formula paints them
    // (a hue on a sector boundary belongs to the sector below it), each
    // column with its offset into that sector.
    std::array<int, 7> sectorStart{};
    std::array<quint16, 255> offsets{};
    // The distinct offsets of the rising (even) and falling (odd) sectors.
    std::vector<int> risingOffsets;
    std::vector<int> fallingOffsets;

    Tables()
    {
        int x = 0;
        for (int j = 0; j < 6; ++j) {
            const int w = segmentWidths[j];
            for (int k = 1; k <= w; ++k)
                hues[x++] = roundEven(double((k - 1) * 254) / (w - 1) + 255 * j);
        }
        for (int start = 0; start < 256; ++start) {
            float value = float(start);
            const float step = value / 255.0f;
            for (int row = 0; row < 256; ++row) {
                fade[start][row] = quint8(std::clamp(roundEven(value), 0, 255));
                value = value - step;
            }
        }
        int sector = 0;
        for (x = 0; x < 255; ++x) {
            const int h = hues[x];
            const int s = h == 0 ? 0 : (h - 1) / 255;
            while (sector < s)
                sectorStart[++sector] = x;
            offsets[x] = quint16(h - 255 * s);
        }
        while (sector < 6)
            sectorStart[++sector] = 255;
        for (int j = 0; j < 6; ++j) {
            std::vector<int> &used = j % 2 == 0 ? risingOffsets : fallingOffsets;
            for (x = sectorStart[j]; x < sectorStart[j + 1]; ++x)
                used.push_back(offsets[x]);
        }
        for (std::vector<int> *used : { &risingOffsets, &fallingOffsets }) {
            std::sort(used->begin(), used->end());
            used->erase(std::unique(used->begin(), used->end()), used->end());
        }
    }
};

const Tables &tables()
{
    static const Tables t;
    return t;
}

inline QRgb toPixel(const Rgb &c)
{
    return qRgb(c.red, c.green, c.blue);
}

inline int clampChannel(int v)
{
    return std::clamp(v, 0, 255);
}

// One row of constant saturation and luminance: the extremes and the step
// per hue unit are computed once, as the conversion itself does.
class HslRow
{
public:
    HslRow(int saturation, int luminance)
        : m_max(clampChannel(luminance)),
          m_min(roundEven((255 - clampChannel(saturation)) * m_max / 255.0)),
          m_d(double(float((m_max - m_min) / 255.0)))
    {
    }

    Rgb at(int h) const
    {
        auto rising = [&](int o) { return clampChannel(roundEven(m_min + o * m_d)); };
        auto falling = [&](int o) { return clampChannel(roundEven(m_max - o * m_d)); };
        if (h <= 255)
            return { m_max, rising(h), m_min };
        if (h <= 510)
            return { falling(h - 255), m_max, m_min };
        if (h <= 765)
            return { m_min, m_max, rising(h - 510) };
        if (h <= 1020)
            return { m_min, falling(h - 765), m_max };
        if (h <= 1275)
            return { rising(h - 1020), m_min, m_max };
        return { m_max, m_min, falling(h - 1275) };
    }

    // Columns 0..254 of a rainbow row. The three rising sectors share their
    // offsets, as do the three falling ones, so each varying channel value
    // is rounded once per row rather than once per column.
    void paintRainbow(QRgb *line) const
    {
        const Tables &t = tables();
        std::array<quint32, 256> rise;
        std::array<quint32, 256> fall;
        for (int o : t.risingOffsets)
            rise[o] = quint32(clampChannel(roundEven(m_min + o * m_d)));
        for (int o : t.fallingOffsets)
            fall[o] = quint32(clampChannel(roundEven(m_max - o * m_d)));
        const quint32 hi = quint32(m_max);
        const quint32 lo = quint32(m_min);
        // Per sector: the fixed channels, and where the varying one goes
        // (red 16, green 8, blue 0).
        const quint32 base[6] = { hi << 16 | lo, hi << 8 | lo,  lo << 16 | hi << 8,
                                  lo << 16 | hi, lo << 8 | hi,  hi << 16 | lo << 8 };
        constexpr int shift[6] = { 8, 16, 0, 8, 16, 0 };
        for (int j = 0; j < 6; ++j) {
            const quint32 fixed = 0xFF000000u | base[j];
            const std::array<quint32, 256> &varying = j % 2 == 0 ? rise : fall;
            const int sh = shift[j];
            for (int x = t.sectorStart[j]; x < t.sectorStart[j + 1]; ++x)
                line[x] = fixed | varying[t.offsets[x]] << sh;
        }
    }

private:
    int m_max;
    int m_min;
    double m_d;
};

Rgb hsl(int h, int s, int l)
{
    Rgb c;
    if (!ColorModel::hslChannels(h, s, l, c))
        c = {};
    return c;
}

// Fades every column of image from its row-0 colour to black.
void fadeColumns(QImage &image)
{
    const auto &fade = tables().fade;
    const int width = image.width();
    const auto *top = reinterpret_cast<const QRgb *>(image.constScanLine(0));
    std::array<QRgb, 256> first{};
    for (int x = 0; x < width; ++x)
        first[x] = top[x];
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb c = first[x];
            line[x] = qRgb(fade[qRed(c)][y], fade[qGreen(c)][y], fade[qBlue(c)][y]);
        }
    }
}

template<typename Colour>
void paintChannelField(QImage &field, Colour colourAt)
{
    for (int y = 0; y < fieldSize; ++y) {
        auto *line = reinterpret_cast<QRgb *>(field.scanLine(y));
        for (int x = 0; x < fieldSize; ++x)
            line[x] = colourAt(x, 255 - y);
    }
}

template<typename Colour>
void paintSliderRows(QImage &slider, Colour colourAt)
{
    for (int y = 0; y < sliderHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(slider.scanLine(y));
        const QRgb c = colourAt(y);
        std::fill(line, line + sliderWidth, c);
    }
}

} // namespace

QImage newField()
{
    QImage image(fieldSize, fieldSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage newSlider()
{
    QImage image(sliderWidth, sliderHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

quint32 pixelColour(const QImage &image, int x, int y)
{
    x = std::clamp(x, 0, image.width() - 1);
    y = std::clamp(y, 0, image.height() - 1);
    const QRgb c = image.pixel(x, y);
    return ColorModel::rgbValue(qRed(c), qGreen(c), qBlue(c));
}

int rainbowHue(int column)
{
    return tables().hues[std::clamp(column, 0, 254)];
}

int fadeValue(int start, int row)
{
    return tables().fade[clampChannel(start)][std::clamp(row, 0, 255)];
}

Rgb Bigbox3D(QImage &field, int angle)
{
    auto *top = reinterpret_cast<QRgb *>(field.scanLine(0));
    Rgb last;
    for (int x = 0; x < fieldSize; ++x) {
        last = hsl(angle, x, 255);
        top[x] = toPixel(last);
    }
    fadeColumns(field);
    return last;
}

Rgb RainBowBigbox(QImage &field, bool blnFadeToGrey, bool blnFadeToBlack, int saturation,
                  int luminance)
{
    int s;
    int l;
    if (blnFadeToGrey && !blnFadeToBlack) {
        s = 255;
        l = luminance;
    } else {
        l = 255;
        s = saturation;
    }
    for (int y = 0; y < fieldSize; ++y) {
        if (blnFadeToBlack)
            l = 255 - y;
        if (blnFadeToGrey)
            s = 255 - y;
        // Column 255 lies outside the rainbow and keeps what it had.
        HslRow(s, l).paintRainbow(reinterpret_cast<QRgb *>(field.scanLine(y)));
    }
    return HslRow(s, l).at(tables().hues[254]);
}

void opt3RedPaintPicBigBox(QImage &field, int red)
{
    const int r = clampChannel(red);
    paintChannelField(field, [r](int x, int up) { return qRgb(r, up, x); });
}

void opt4GreenPaintPicBigBox(QImage &field, int green)
{
    const int g = clampChannel(green);
    paintChannelField(field, [g](int x, int up) { return qRgb(up, g, x); });
}

void opt5BluePaintPicBigBox(QImage &field, int blue)
{
    const int b = clampChannel(blue);
    paintChannelField(field, [b](int x, int up) { return qRgb(x, up, b); });
}

Rgb RainBowThinBox(QImage &slider)
{
    const auto &hues = tables().hues;
    const HslRow row(255, 255);
    for (int i = 0; i < 255; ++i) {
        auto *line = reinterpret_cast<QRgb *>(slider.scanLine(255 - i));
        std::fill(line, line + sliderWidth, toPixel(row.at(hues[i])));
    }
    const Rgb red = row.at(0);
    auto *top = reinterpret_cast<QRgb *>(slider.scanLine(0));
    std::fill(top, top + sliderWidth, toPixel(red));
    return red;
}

Rgb FadeThinBoxToGrey(QImage &slider, int angle, int luminance)
{
    Rgb last;
    paintSliderRows(slider, [&](int y) {
        last = hsl(angle, 255 - y, luminance);
        return toPixel(last);
    });
    return last;
}

void FadeThinBoxToBlack(QImage &slider)
{
    fadeColumns(slider);
}

void fill(QImage &image, quint32 colour)
{
    const Rgb c = ColorModel::channelsOf(colour);
    image.fill(toPixel(c));
}

void opt3RedPaintPicThinBox(QImage &slider, int G, int b)
{
    const int g = clampChannel(G);
    const int bl = clampChannel(b);
    paintSliderRows(slider, [&](int y) { return qRgb(255 - y, g, bl); });
}

void opt4GreenPaintPicThinBox(QImage &slider, int R, int b)
{
    const int r = clampChannel(R);
    const int bl = clampChannel(b);
    paintSliderRows(slider, [&](int y) { return qRgb(r, 255 - y, bl); });
}

void opt5BluePaintPicThinBox(QImage &slider, int R, int G)
{
    const int r = clampChannel(R);
    const int g = clampChannel(G);
    paintSliderRows(slider, [&](int y) { return qRgb(r, g, 255 - y); });
}

QPointF pixelToFieldUnits(QPointF innerPixel)
{
    return { innerPixel.x() * fieldSize / fieldInnerWidth,
             innerPixel.y() * fieldSize / fieldInnerHeight };
}

QPoint fieldUnitsToPixel(double x, double y)
{
    const int px = std::clamp(roundEven(x * fieldInnerWidth / fieldSize), 0, fieldSize - 1);
    const int py = std::clamp(roundEven(y * fieldInnerHeight / fieldSize), 0, fieldSize - 1);
    return { px, py };
}

std::array<QLine, 7> sliderMarkerLines(int y)
{
    return { {
            QLine(276, y + 29, 276, y + 38),
            QLine(277, y + 38, 283, y + 32),
            QLine(277, y + 28, 283, y + 34),
            QLine(311, y + 29, 311, y + 38),
            QLine(306, y + 34, 311, y + 39),
            QLine(306, y + 32, 311, y + 27),
            QLine(305, y + 33, 306, y + 33),
    } };
}

bool useDarkRing(int luminance, int hueDegrees, int saturation)
{
    if (luminance < 200)
        return false;
    return (hueDegrees >= 26 && hueDegrees <= 200) || saturation < 71;
}

} // namespace FieldPainter
