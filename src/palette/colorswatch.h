#pragma once

#include <QColor>
#include <QWidget>

// A rectangle of one colour in a one-pixel dark frame. Until a colour is set
// it shows the window background.
class ColorSwatch : public QWidget
{
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget *parent = nullptr);

    void setColor(const QColor &color);
    // White crossed by a red stroke, the painters' sign for "no colour", so
    // it is not taken for the colour white; color() then gives white.
    void setNoColor();
    // The colour painted, or an invalid colour before the first setColor.
    QColor color() const { return m_color; }
    // Marks drawn over the colour: selected for Copy, Paste and Gradient (a
    // dashed frame), and the box Auto Paste feeds (a highlight-coloured frame).
    void setSelected(bool selected);
    void setTargeted(bool targeted);
    bool isSelected() const { return m_selected; }
    bool isTargeted() const { return m_targeted; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void paintAs(const QColor &color, bool noColor);

    QColor m_color;
    bool m_noColor = false;
    bool m_selected = false;
    bool m_targeted = false;
};
