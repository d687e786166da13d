#include "palettegrid.h"

#include "module1.h"
#include "paletteedits.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

PaletteGrid::PaletteGrid(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(Side * CellSize + 1, Side * CellSize + 1);
    m_texts.resize(Side * Side);
    m_colors.resize(Side * Side);
}

namespace {

QColor colorOfText(const QString &text)
{
    const auto word = PaletteEdits::wordOf(text);
    if (!word)
        return {};
    return QColor(Module1::Scale5To8(*word & 0x1F), Module1::Scale5To8(*word >> 5 & 0x1F),
                  Module1::Scale5To8(*word >> 10 & 0x1F));
}

} // namespace

void PaletteGrid::setTexts(const QStringList &texts)
{
    m_texts = texts;
    m_texts.resize(Side * Side);
    for (int i = 0; i < Side * Side; ++i)
        m_colors[i] = colorOfText(m_texts.at(i));
    update();
}

void PaletteGrid::setText(int index, const QString &text)
{
    if (index < 0 || index >= m_texts.size() || m_texts[index] == text)
        return;
    m_texts[index] = text;
    m_colors[index] = colorOfText(text);
    update(cellRect(index));
}

void PaletteGrid::setCurrentRow(int row)
{
    if (row == m_row)
        return;
    m_row = row;
    update();
}

void PaletteGrid::setSelection(const QList<int> &cells)
{
    if (cells == m_selection)
        return;
    m_selection = cells;
    update();
}

QRect PaletteGrid::cellRect(int index) const
{
    return QRect(index % Side * CellSize, index / Side * CellSize, CellSize + 1, CellSize + 1);
}

int PaletteGrid::cellAt(const QPoint &point) const
{
    if (!rect().adjusted(0, 0, -1, -1).contains(point))
        return -1;
    return point.y() / CellSize * Side + point.x() / CellSize;
}

void PaletteGrid::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    for (int i = 0; i < Side * Side; ++i) {
        const QRect cell = cellRect(i).adjusted(1, 1, -1, -1);
        const QColor color = m_colors.at(i);
        painter.fillRect(cell, color.isValid() ? color : QColor(Qt::white));
        if (!color.isValid()) {
            painter.setPen(QPen(Qt::red, 1));
            painter.drawLine(cell.bottomLeft(), cell.topRight());
        }
    }
    // Selected cells: black inside white, seen on dark and light colours.
    for (int i : std::as_const(m_selection)) {
        const QRect cell = cellRect(i);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(cell.adjusted(2, 2, -3, -3));
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(cell.adjusted(3, 3, -4, -4));
    }
    // The row the boxes show: a frame that shows on any colour.
    const QRect row(0, m_row * CellSize, Side * CellSize, CellSize);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawRect(row.adjusted(1, 1, -1, -1));
}

void PaletteGrid::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton ? cellAt(event->position().toPoint()) : -1;
}

void PaletteGrid::mouseReleaseEvent(QMouseEvent *event)
{
    const int from = std::exchange(m_pressed, -1);
    const int to = cellAt(event->position().toPoint());
    if (from < 0 || to < 0 || event->button() != Qt::LeftButton)
        return;
    if (from == to)
        emit clicked(to, event->modifiers());
    else
        emit dropped(from, to, event->modifiers() & Qt::ControlModifier);
}

void PaletteGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    const int cell = cellAt(event->position().toPoint());
    if (cell >= 0 && event->button() == Qt::LeftButton)
        emit doubleClicked(cell);
}

bool PaletteGrid::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto *help = static_cast<QHelpEvent *>(event);
    const int index = cellAt(help->pos());
    if (index < 0) {
        QToolTip::hideText();
        return true;
    }
    const QColor color = m_colors.at(index);
    const QString number = QStringLiteral("%1").arg(index, 2, 16, QLatin1Char('0')).toUpper();
    QToolTip::showText(help->globalPos(),
                       color.isValid() ? QStringLiteral("Colour %1: %2, %3")
                                                 .arg(number,
                                                      m_texts.at(index).toUpper(),
                                                      color.name().toUpper())
                                       : QStringLiteral("Colour %1: no colour").arg(number),
                       this, cellRect(index));
    return true;
}
