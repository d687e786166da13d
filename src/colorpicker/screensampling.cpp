#include "screensampling.h"

#include <QtMath>

#include <cmath>

namespace ScreenSampling {

QString coordinatesText(QPoint screenPosition)
{
    return QStringLiteral(" X: %1  Y: %2").arg(screenPosition.x()).arg(screenPosition.y());
}

QRect magnifierSource(QPoint pointer, const QRect &screen, QSize viewSize, int zoom)
{
    zoom = std::max(zoom, 1);
    // Halves round to the even neighbour, as the view's centring always has.
    const int halfW = int(std::nearbyint(viewSize.width() / (2.0 * zoom)));
    const int halfH = int(std::nearbyint(viewSize.height() / (2.0 * zoom)));
    const int width = (viewSize.width() + zoom - 1) / zoom;
    const int height = (viewSize.height() + zoom - 1) / zoom;
    QRect source(pointer.x() - halfW, pointer.y() - halfH, width, height);
    if (screen.isValid()) {
        if (source.width() <= screen.width())
            source.moveLeft(qBound(screen.left(), source.left(), screen.right() + 1 - source.width()));
        if (source.height() <= screen.height())
            source.moveTop(qBound(screen.top(), source.top(), screen.bottom() + 1 - source.height()));
    }
    return source;
}

QImage magnify(const QImage &source, QSize viewSize, int zoom)
{
    zoom = std::max(zoom, 1);
    QImage view(viewSize, QImage::Format_RGB32);
    view.fill(Qt::black);
    const QImage pixels = source.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < view.height(); ++y) {
        const int sy = y / zoom;
        if (sy >= pixels.height())
            break;
        const auto *in = reinterpret_cast<const QRgb *>(pixels.constScanLine(sy));
        auto *out = reinterpret_cast<QRgb *>(view.scanLine(y));
        const int columns = std::min(view.width(), pixels.width() * zoom);
        for (int x = 0; x < columns; ++x)
            out[x] = in[x / zoom];
    }
    return view;
}

} // namespace ScreenSampling
