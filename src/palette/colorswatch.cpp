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

void ColorSwatch::setSelected(bool selected)
{
    if (selected != m_selected) {
        m_selected = selected;
        update();
    }
}

void ColorSwatch::setTargeted(bool targeted)
{
    if (targeted != m_targeted) {
        m_targeted = targeted;
        update();
    }
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
    if (m_targeted) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
    if (m_selected) {
        // Dashes of black on white show on any colour.
        const QRect inner = rect().adjusted(m_targeted ? 2 : 0, m_targeted ? 2 : 0,
                                            m_targeted ? -3 : -1, m_targeted ? -3 : -1);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(inner);
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.drawRect(inner);
    }
}
