#pragma once

#include <QColor>
#include <QList>
#include <QWidget>

// Sixteen rows of sixteen colours, 256 at once, the current row framed.
// Clicking a cell (with Shift or Ctrl) asks to select it and show its row;
// dragging one cell onto another asks for a swap (a copy with Ctrl). A text
// that is no colour word is drawn as "no colour"; selected cells are framed.
class PaletteGrid : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Side = 16;
    static constexpr int CellSize = 20;

    explicit PaletteGrid(QWidget *parent = nullptr);

    // One word text per cell in reading order; missing cells show no colour.
    void setTexts(const QStringList &texts);
    void setText(int index, const QString &text);
    void setCurrentRow(int row);
    void setSelection(const QList<int> &cells);
    int currentRow() const { return m_row; }
    // The colour painted in a cell; invalid for no colour.
    QColor color(int index) const { return m_colors.value(index); }
    // The cell under a point of this widget, or -1.
    int cellAt(const QPoint &point) const;
    QRect cellRect(int index) const;

signals:
    void clicked(int cell, Qt::KeyboardModifiers modifiers);
    void doubleClicked(int cell);
    void dropped(int from, int to, bool copy);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    QStringList m_texts;
    QList<QColor> m_colors;
    QList<int> m_selection;
    int m_row = 0;
    int m_pressed = -1;
};
