#pragma once

#include <QColor>
#include <QWidget>

// A plain rectangle of one colour. Until a colour is set it shows the
// window background.
class ColorSwatch : public QWidget
{
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget *parent = nullptr);

    void setColor(const QColor &color);
    // The colour painted, or an invalid colour before the first setColor.
    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color;
};
