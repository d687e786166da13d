#include "screensource.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <cmath>
#include <optional>

#if defined(CINDRAL_HAVE_XCB) && QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#define CINDRAL_POINTER_FROM_XCB
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

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

QPoint toDevice(QPoint logical, const QScreen *screen)
{
    const QPointF origin = screen->geometry().topLeft();
    const QPointF device = origin + (QPointF(logical) - origin) * screen->devicePixelRatio();
    return QPoint(int(std::floor(device.x())), int(std::floor(device.y())));
}

#if defined(CINDRAL_POINTER_FROM_XCB)
xcb_connection_t *xcbConnection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

const xcb_screen_t *xcbRoot(xcb_connection_t *connection)
{
    return connection ? xcb_setup_roots_iterator(xcb_get_setup(connection)).data : nullptr;
}
#endif

// The whole desktop in device pixels as the window system knows it. An X
// server may join heads into one root window that Qt reports as one screen
// of the first head's size.
std::optional<QRect> nativeDesktop()
{
#if defined(CINDRAL_POINTER_FROM_XCB)
    const xcb_screen_t *root = xcbRoot(xcbConnection());
    if (!root)
        return std::nullopt;
    return QRect(0, 0, root->width_in_pixels, root->height_in_pixels);
#elif defined(Q_OS_WIN)
    return QRect(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                 GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
#else
    return std::nullopt;
#endif
}

// The pointer in device pixels as the window system knows it.
std::optional<QPoint> nativePointer()
{
#if defined(CINDRAL_POINTER_FROM_XCB)
    xcb_connection_t *connection = xcbConnection();
    const xcb_screen_t *root = xcbRoot(connection);
    if (!root)
        return std::nullopt;
    xcb_query_pointer_reply_t *reply =
            xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root->root), nullptr);
    if (!reply)
        return std::nullopt;
    const QPoint position(reply->root_x, reply->root_y);
    free(reply);
    return position;
#elif defined(Q_OS_WIN)
    // Qt makes the process aware of each monitor's scale, so this is in
    // device pixels.
    POINT point;
    if (!GetCursorPos(&point))
        return std::nullopt;
    return QPoint(point.x, point.y);
#else
    return std::nullopt;
#endif
}

} // namespace

QPoint DesktopScreenSource::cursorPosition()
{
    if (const auto native = nativePointer())
        return *native;
    const QPoint logical = QCursor::pos();
    QScreen *screen = QGuiApplication::screenAt(logical);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? toDevice(logical, screen) : logical;
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
    // Past the screens Qt knows the square may go anywhere on the desktop.
    if (const auto native = nativeDesktop())
        desktop |= *native;
    return desktop;
}

bool DesktopScreenSource::canRead()
{
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return false;
    QScreen *screen = QGuiApplication::primaryScreen();
    return screen && !screen->grabWindow(0, 0, 0, 1, 1).isNull();
}
