#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

// Where the picker's eyedropper and magnifier read the screen. Positions
// and rectangles are in device pixels of the whole desktop (the X root
// window, the Windows virtual screen), so a scaled screen is read pixel for
// pixel. The window is handed one; tests hand it a scripted desktop.
class ScreenSource
{
public:
    virtual ~ScreenSource() = default;

    // The pointer's position.
    virtual QPoint cursorPosition() = 0;
    // The colour of one pixel.
    virtual QRgb pixel(QPoint position) = 0;
    // Exactly rect.size() pixels; parts that lie on no screen are black.
    virtual QImage grab(const QRect &rect) = 0;
    // The screen that holds position (the whole desktop when none does).
    virtual QRect screenGeometry(QPoint position) = 0;
    // Whether the pixels above can be had at all; where they cannot, the
    // eyedropper asks the desktop instead and the magnifier is off.
    virtual bool canRead() { return true; }
};

// The real screens, through QScreen::grabWindow. The pointer is asked of
// the window system itself where it can tell device pixels (X11, Windows):
// Qt rounds it to whole logical pixels, which on a screen scaled by two
// cannot name every device pixel.
class DesktopScreenSource final : public ScreenSource
{
public:
    QPoint cursorPosition() override;
    QRgb pixel(QPoint position) override;
    QImage grab(const QRect &rect) override;
    QRect screenGeometry(QPoint position) override;
    // Not on Wayland, which keeps other programs' pixels and the pointer
    // away from us, nor where a trial grab comes back empty.
    bool canRead() override;
};
