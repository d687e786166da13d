#pragma once

#include "colormodel.h"

#include <QImage>
#include <QLine>
#include <QPoint>
#include <QPointF>

#include <array>

// The painters of the colour field (256 x 256) and the slider (20 x 256),
// writing the pixels of persistent images, and the geometry that ties field
// units, pointer positions and markers to those pixels.
namespace FieldPainter {

constexpr int fieldSize = 256;
constexpr int sliderWidth = 20;
constexpr int sliderHeight = 256;

QImage newField();
QImage newSlider();

// The colour value stored at pixel (x, y); coordinates are clamped.
quint32 pixelColour(const QImage &image, int x, int y);

// Hue of rainbow column 0..254: six segments 42, 43, 42, 43, 42, 43 wide,
// each running from 255 j to 255 j + 254.
int rainbowHue(int column);

// Channel value after `row` fade steps from `start` down to black: the start
// and its 255th part are single-precision numbers and the step is repeated.
int fadeValue(int start, int row);

// Field painters, one per mode. The hue-based ones answer the channels of
// their last conversion, which the colour state keeps as its channel copies.
ColorModel::Rgb Bigbox3D(QImage &field, int angle);
ColorModel::Rgb RainBowBigbox(QImage &field, bool blnFadeToGrey, bool blnFadeToBlack,
                              int saturation, int luminance);
// Modes 3, 4, 5: the fixed channel (values above 255 count as 255).
void opt3RedPaintPicBigBox(QImage &field, int red);
void opt4GreenPaintPicBigBox(QImage &field, int green);
void opt5BluePaintPicBigBox(QImage &field, int blue);

// Slider painters.
ColorModel::Rgb RainBowThinBox(QImage &slider);
ColorModel::Rgb FadeThinBoxToGrey(QImage &slider, int angle, int luminance);
// Each column fades from the colour of its row 0 to black.
void FadeThinBoxToBlack(QImage &slider);
void fill(QImage &image, quint32 colour);
void opt3RedPaintPicThinBox(QImage &slider, int G, int b);
void opt4GreenPaintPicThinBox(QImage &slider, int R, int b);
void opt5BluePaintPicThinBox(QImage &slider, int R, int G);

// --- geometry -------------------------------------------------------------

// The field's inner area shows pixels 0..254 across and 0..253 down; the 256
// field units of each axis are spread over it.
constexpr int fieldInnerWidth = 255;
constexpr int fieldInnerHeight = 254;
constexpr int pictureBorder = 2;

QPointF pixelToFieldUnits(QPointF innerPixel);
// The pixel that shows field units (x, y), within the painted image.
QPoint fieldUnitsToPixel(double x, double y);

// The seven slider marker lines, in window pixels, for slider row y (already
// rounded): left triangle vertical, rising, falling; right triangle
// vertical, rising, falling; the point at the right tip.
std::array<QLine, 7> sliderMarkerLines(int y);

// Whether the field marker shows its dark ring: light colours get it.
// hueDegrees < 0 means the hue box holds no number.
bool useDarkRing(int luminance, int hueDegrees, int saturation);

} // namespace FieldPainter
