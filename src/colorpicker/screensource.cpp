#include "screensource.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <cmath>

namespace {

// A screen's rectangle in device pixels: Qt keeps a screen's top-left
// corner in device pixels and divides only its size by the scale.
QRect deviceGeometry(const QScreen *screen)
{
    const QRect logical = screen->geometry();
    const qreal ratio = screen->devicePixelRatio();
    return QRect(logical.topLeft(), QSize(qRound(logical.width() * ratio), qRound(logical.height() * ratio)));
}

// The screen that shows a device pixel. Past the screens Qt knows (an X
// server may offer a desktop wider than the screens Qt reports) the primary
// screen stands in: its grabs read the root window, which holds every head.
QScreen *screenForDevice(QPoint position)
{
    for (QScreen *screen : QGuiApplication::screens()) {
        if (deviceGeometry(screen).contains(position))
            return screen;
    }
    return QGuiApplication::primaryScreen();
}

QPoint toDevice(QPointF logical, const QScreen *screen)
{
    const QPointF origin = screen->geometry().topLeft();
    const QPointF device = origin + (logical - origin) * screen->devicePixelRatio();
    // A little slack so that 100.5 * 2 lands on 201, not 200.
    return QPoint(int(std::floor(device.x() + 1e-6)), int(std::floor(device.y() + 1e-6)));
}

} // namespace

void DesktopScreenSource::pointerMovedTo(QPointF logicalGlobal)
{
    m_lastPointer = logicalGlobal;
}

QPoint DesktopScreenSource::cursorPosition()
{
    const QPoint logical = QCursor::pos();
    QScreen *screen = QGuiApplication::screenAt(logical);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return logical;
    // The platform rounds the pointer to whole logical pixels; the last
    // pointer event still knows the device pixel, as long as the pointer
    // has not moved on since.
    if (std::abs(m_lastPointer.x() - logical.x()) <= 1 && std::abs(m_lastPointer.y() - logical.y()) <= 1)
        return toDevice(m_lastPointer, screen);
    return toDevice(logical, screen);
}

QRgb DesktopScreenSource::pixel(QPoint position)
{
    const QImage one = grab(QRect(position, QSize(1, 1)));
    return one.isNull() ? qRgb(0, 0, 0) : one.pixel(0, 0);
}

QImage DesktopScreenSource::grab(const QRect &rect)
{
    QImage result(rect.size(), QImage::Format_RGB32);
    result.fill(Qt::black);
    QScreen *screen = screenForDevice(rect.center());
    if (!screen || rect.isEmpty())
        return result;
    // grabWindow takes logical coordinates relative to the screen and reads
    // the device pixels beneath them: grab the logical rectangle that covers
    // the wanted one, then cut the wanted pixels out of it.
    const qreal ratio = screen->devicePixelRatio();
    const QPoint origin = screen->geometry().topLeft();
    const int left = int(std::floor((rect.left() - origin.x()) / ratio));
    const int top = int(std::floor((rect.top() - origin.y()) / ratio));
    const int right = int(std::ceil((rect.right() + 1 - origin.x()) / ratio));
    const int bottom = int(std::ceil((rect.bottom() + 1 - origin.y()) / ratio));
    const QPixmap grabbed = screen->grabWindow(0, left, top, right - left, bottom - top);
    if (grabbed.isNull())
        return result;
    QImage pixels = grabbed.toImage().convertToFormat(QImage::Format_RGB32);
    pixels.setDevicePixelRatio(1);
    const QPoint offset(rect.left() - origin.x() - qRound(left * ratio),
                        rect.top() - origin.y() - qRound(top * ratio));
    QPainter painter(&result);
    painter.drawImage(QPoint(0, 0), pixels, QRect(offset, rect.size()));
    return result;
}

QRect DesktopScreenSource::screenGeometry(QPoint position)
{
    QRect desktop;
    for (QScreen *screen : QGuiApplication::screens()) {
        const QRect device = deviceGeometry(screen);
        if (device.contains(position))
            return device;
        desktop |= device;
    }
    if (const QScreen *primary = QGuiApplication::primaryScreen()) {
        const qreal ratio = primary->devicePixelRatio();
        const QSize virtualSize = primary->virtualSize();
        desktop |= QRect(QPoint(0, 0), QSize(qRound(virtualSize.width() * ratio),
                                             qRound(virtualSize.height() * ratio)));
    }
    return desktop;
}
