#include "colorswatch.h"

#include <QPainter>

ColorSwatch::ColorSwatch(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ColorSwatch::setColor(const QColor &color)
{
    paintAs(color, false);
}

void ColorSwatch::setNoColor()
{
    paintAs(Qt::white, true);
}

void ColorSwatch::paintAs(const QColor &color, bool noColor)
{
    if (color == m_color && noColor == m_noColor)
        return;
    m_color = color;
    m_noColor = noColor;
    setToolTip(noColor ? tr("No colour: the box above needs four hexadecimal digits") : QString());
    update();
}

void ColorSwatch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_color.isValid() ? m_color : palette().color(QPalette::Window));
    if (m_noColor) {
        painter.setPen(QPen(Qt::red, 2));
        painter.drawLine(rect().bottomLeft(), rect().topRight());
    }
    // White and light greys would melt into the window without it.
    painter.setPen(QColor(64, 64, 64));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
