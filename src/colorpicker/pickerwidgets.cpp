#include "pickerwidgets.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

int pickerButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int pickerButtons(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0)
            | (buttons & Qt::MiddleButton ? 4 : 0);
}

int pickerShift(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
            | (modifiers & Qt::AltModifier ? 4 : 0);
}

namespace {

constexpr int border = 2;

void drawSunkenBorder(QPainter &p, const QRect &r)
{
    // Outer: grey over white; inner: dark over light grey, as a 3D well.
    p.setPen(QColor(128, 128, 128));
    p.drawLine(r.left(), r.top(), r.right() - 1, r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
    p.setPen(Qt::white);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    p.setPen(QColor(64, 64, 64));
    p.drawLine(r.left() + 1, r.top() + 1, r.right() - 2, r.top() + 1);
    p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 2);
    p.setPen(QColor(212, 208, 200));
    p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
    p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
}

} // namespace

PictureBox::PictureBox(QImage image, QWidget *parent) : QWidget(parent), m_image(std::move(image))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect PictureBox::innerRect() const
{
    return rect().adjusted(m_border, m_border, -m_border, -m_border);
}

void PictureBox::setBordered(bool bordered)
{
    m_border = bordered ? border : 0;
    update();
}

void PictureBox::setMarker(bool visible, QPoint centre, bool dark)
{
    m_markerVisible = visible;
    m_markerCentre = centre;
    m_markerDark = dark;
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (m_border)
        drawSunkenBorder(p, rect());
    const QRect inner = innerRect();
    p.setClipRect(inner);
    p.drawImage(inner.topLeft(), m_image);
    if (m_markerVisible) {
        static const QPixmap dark = markerRing(true);
        static const QPixmap light = markerRing(false);
        p.drawPixmap(inner.topLeft() + m_markerCentre - QPoint(5, 5), m_markerDark ? dark : light);
    }
}

QPointF PictureBox::innerPosition(const QMouseEvent *event) const
{
    return event->position() - QPointF(m_border, m_border);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    // The border is not part of the picture: presses there are not its own.
    m_pressedInside = innerRect().contains(event->position().toPoint());
    if (m_pressedInside)
        emit mouseDown(pickerButton(event->button()), pickerShift(event->modifiers()),
                       innerPosition(event));
}

void PictureBox::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMove(pickerButtons(event->buttons()), pickerShift(event->modifiers()),
                   innerPosition(event));
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_pressedInside)
        return;
    if (event->buttons() == Qt::NoButton)
        m_pressedInside = false;
    emit mouseUp(pickerButton(event->button()), pickerShift(event->modifiers()),
                 innerPosition(event));
}

namespace {

int keyCodeOf(const QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    default: return event->key() < 0x100 ? event->key() : 0;
    }
}

} // namespace

void PictureBox::keyPressEvent(QKeyEvent *event)
{
    emit keyDown(keyCodeOf(event), pickerShift(event->modifiers()));
}

void PictureBox::keyReleaseEvent(QKeyEvent *event)
{
    // A held key repeats as release and press pairs; only the real release counts.
    if (!event->isAutoRepeat())
        emit keyUp(keyCodeOf(event), pickerShift(event->modifiers()));
}

ColourBox::ColourBox(QWidget *parent) : QFrame(parent)
{
    setAutoFillBackground(true);
    setColor(0);
}

void ColourBox::setColor(quint32 colour)
{
    m_color = colour & 0xFFFFFF;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(int(m_color & 255), int((m_color >> 8) & 255),
                                          int((m_color >> 16) & 255)));
    setPalette(pal);
    update();
}

void ColourBox::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void ColourBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        m_pressed = false;
        emit clicked();
    }
    m_pressed = false;
}

void ClickLabel::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton
            && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit clicked();
}

PickerCanvas::PickerCanvas(QWidget *parent) : QWidget(parent) { }

void PickerCanvas::setMarkerLines(const std::array<QLine, 7> &lines)
{
    m_lines = lines;
    update();
}

void PickerCanvas::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(QColor(0x80, 0x80, 0x80));
    for (const QLine &line : m_lines)
        p.drawLine(line);
}

void PickerCanvas::mousePressEvent(QMouseEvent *event)
{
    // Labels let presses through to us; only a free spot moves the window.
    if (childAt(event->position().toPoint()) == nullptr)
        emit backgroundPressed(pickerButton(event->button()), pickerShift(event->modifiers()),
                               event->position().toPoint());
}

QPixmap markerRing(bool dark)
{
    QPixmap ring(11, 11);
    ring.fill(Qt::transparent);
    QPainter p(&ring);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(dark ? QColor(0, 0, 0) : QColor(255, 255, 255), 1.5));
    p.drawEllipse(QRectF(1.5, 1.5, 8, 8));
    return ring;
}

QCursor fieldCursor()
{
    // A small ring, two colours, hot spot in its middle at (7, 7).
    QBitmap shape(32, 32);
    QBitmap mask(32, 32);
    shape.fill(Qt::color0);
    mask.fill(Qt::color0);
    {
        QPainter ps(&shape);
        ps.setPen(Qt::color1);
        ps.drawEllipse(QRect(3, 3, 8, 8));
        QPainter pm(&mask);
        pm.setPen(QPen(Qt::color1, 3));
        pm.drawEllipse(QRect(3, 3, 8, 8));
    }
    return QCursor(shape, mask, 7, 7);
}

void ToolIcon::mousePressEvent(QMouseEvent *event)
{
    // A second button pressed during the drag is not a new press.
    if (m_held)
        return;
    m_held = true;
    emit mouseDown(pickerButton(event->button()), pickerShift(event->modifiers()),
                   event->globalPosition());
}

void ToolIcon::mouseMoveEvent(QMouseEvent *event)
{
    if (m_held)
        emit mouseMove(pickerButtons(event->buttons()), pickerShift(event->modifiers()),
                       event->globalPosition());
}

void ToolIcon::mouseReleaseEvent(QMouseEvent *event)
{
    // The drag ends when the last button comes up.
    if (!m_held || event->buttons() != Qt::NoButton)
        return;
    m_held = false;
    emit mouseUp(pickerButton(event->button()), pickerShift(event->modifiers()),
                 event->globalPosition());
}

namespace {

// Drawn at the screen's own resolution, so the icons stay sharp when scaled.
QPixmap iconCanvas()
{
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap picture(QSize(32, 32) * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    return picture;
}

} // namespace

QPixmap eyedropperPicture()
{
    QPixmap picture = iconCanvas();
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    // A pipette lying from bottom left to top right: bulb, glass tube, tip.
    p.translate(16, 16);
    p.rotate(-45);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(60, 60, 60));
    p.drawRoundedRect(QRectF(6, -4.5, 9, 9), 3, 3);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(3, -5.5, 3, 11));
    p.setBrush(QColor(170, 220, 255));
    p.drawRect(QRectF(-10, -2.5, 13, 5));
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygonF({ QPointF(-10, -2), QPointF(-15, 0), QPointF(-10, 2) }));
    return picture;
}

QPixmap magnifierPicture()
{
    QPixmap picture = iconCanvas();
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 60, 30), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19, 19), QPointF(28, 28));
    p.setPen(QPen(Qt::black, 2.5));
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
    p.setPen(QPen(Qt::white, 1.5));
    p.drawArc(QRectF(7, 7, 10, 10), 100 * 16, 70 * 16);
    return picture;
}

QCursor samplingCursor()
{
    // Cross hairs with an open middle, so the pixel under the hot spot stays
    // visible; a white edge keeps them visible on dark screens.
    QBitmap shape(32, 32);
    QBitmap mask(32, 32);
    shape.fill(Qt::color0);
    mask.fill(Qt::color0);
    {
        QPainter ps(&shape);
        QPainter pm(&mask);
        ps.setPen(Qt::color1);
        pm.setPen(QPen(Qt::color1, 3, Qt::SolidLine, Qt::SquareCap));
        const QLine arms[4] = { QLine(15, 4, 15, 12), QLine(15, 18, 15, 26), QLine(4, 15, 12, 15),
                                QLine(18, 15, 26, 15) };
        for (const QLine &arm : arms) {
            pm.drawLine(arm);
            ps.drawLine(arm);
        }
    }
    return QCursor(shape, mask, 15, 15);
}
