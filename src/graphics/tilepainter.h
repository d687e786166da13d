#pragma once

#include "rompalette.h"
#include "tiles.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QRgb>

#include <array>
#include <optional>

class QPainter;

// Colouring decoded pixels: the colour table a palette gives, and the
// painting of colour indices through it. A keystroke in a palette box
// changes only the table and repaints; nothing is decoded again.
namespace Graphics {

constexpr int ColourCount = 256;

// Each colour index's colour; nothing for an index that has none (a box not
// holding four hexadecimal digits, a word past the end of the image).
using Colours = std::array<std::optional<QRgb>, ColourCount>;

// A colour word by the program's 5-to-8-bit rule.
QRgb rgbOfWord(quint16 word);
// A word text's colour, when it is four hexadecimal digits.
std::optional<QRgb> rgbOfText(const QString &wordText);

// The sixteen boxes as colours 0-15.
Colours coloursOf(const RomPalette::WordTexts &boxes);
// 256 colour words (two bytes each, low first; words the bytes do not
// reach have no colour), with the sixteen boxes laid over words
// firstBox..firstBox+15 when firstBox is given (words past 255 dropped).
Colours coloursOf(const QByteArray &words, const RomPalette::WordTexts &boxes,
                  std::optional<int> firstBox);

// Which of the sixteen boxes cover colour words of a 256-colour palette at
// paletteOffset when they were loaded from boxesOffset: the index of the
// word under the first box, or nothing when they cover none or lie between
// words.
std::optional<int> firstBoxIndex(quint32 paletteOffset, std::optional<quint32> boxesOffset);

// The two colours of the checker that stands for "no colour".
constexpr QRgb CheckerLight = 0xFFDCDCDC; // not white, which is a colour
constexpr QRgb CheckerDark = 0xFFB4B4B4;
// Edge in pixels (before zoom) of one checker square.
constexpr int CheckerCell = 4;

// A colour table ready for painting: each index (and NoColour) to the
// colour it is drawn with, on a light and on a dark checker square.
class ColourLookup
{
public:
    explicit ColourLookup(const Colours &colours = {});
    QRgb at(quint16 index, int dark) const { return m_table[dark][index]; }

private:
    std::array<std::array<QRgb, ColourCount + 1>, 2> m_table{};
};

// Paints columns pixels of image from column firstX on, each pixel a zoom x
// zoom square (nearest neighbour), into target, which is made the right
// size (RGB32) when it is not. Pixels without a colour show the checker.
void paint(const IndexImage &image, const ColourLookup &lookup, int zoom, int firstX,
           int columns, QImage &target);
// Paints the pixels of image that source covers (in image pixels, within
// the image), each a zoom x zoom square, into RGB32 target from its
// top-left corner; target must be large enough.
void paintInto(const IndexImage &image, const ColourLookup &lookup, int zoom,
               const QRect &source, QImage &target);
// Paints the part of a view that exposed covers (in view pixels), the view
// showing image from column firstX on at zoom from its top-left corner.
// Rows go through band a few at a time, so no image of the whole view is
// ever held; band is kept by the caller and reused from paint to paint.
// The view outside the image is left alone.
void paintView(QPainter &painter, const IndexImage &image, const ColourLookup &lookup, int zoom,
               int firstX, const QRect &exposed, QImage &band);

// Which colour indices the image's pixels use.
std::array<bool, ColourCount> usedIndices(const IndexImage &image);

// An indexed PNG of the image at zoom 1 whose colour table holds the first
// count colours (white for one without a colour, as its swatch shows it).
// Pixels past the end of the image take index 0, the transparent colour of
// DS and GBA graphics.
QByteArray indexedPng(const IndexImage &image, const Colours &colours, int count);

} // namespace Graphics
