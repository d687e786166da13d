#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>

// The geometry and texts of the picker's screen tools: the eyedropper's
// coordinates line and the magnifier's zoom list and source square.
namespace ScreenSampling {

struct ZoomItem
{
    const char *text;
    int factor;
};

constexpr std::array<ZoomItem, 10> ZoomList{ { { "100%", 1 },  { "200%", 2 },   { "300%", 3 },
                                               { "400%", 4 },  { "500%", 5 },   { "600%", 6 },
                                               { "700%", 7 },  { "800%", 8 },   { "1200%", 12 },
                                               { "1600%", 16 } } };

// " X: 100  Y: 200"
QString coordinatesText(QPoint screenPosition);

// The screen pixels a view of viewSize shows at zoom z: about
// (width / z) x (height / z) pixels centred on the pointer. Near a screen
// edge the square is moved inside the screen, so the view shows the corner
// being pointed at rather than jumping elsewhere.
QRect magnifierSource(QPoint pointer, const QRect &screen, QSize viewSize, int zoom);

// The view's picture: each source pixel as a zoom x zoom block, cropped to
// viewSize. The source is taken at its device pixels.
QImage magnify(const QImage &source, QSize viewSize, int zoom);

} // namespace ScreenSampling
