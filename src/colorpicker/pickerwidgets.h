#pragma once

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPixmap>

// Mouse buttons and shift state as the picker's handlers take them:
// 1 primary, 2 secondary, 4 middle; 1 Shift, 2 Ctrl, 4 Alt.
int pickerButton(Qt::MouseButton button);
int pickerButtons(Qt::MouseButtons buttons);
int pickerShift(Qt::KeyboardModifiers modifiers);

// A picture box: a persistent image shown inside a two-pixel sunken
// border. Painters write the image; refresh() shows it. Pointer positions
// are reported in pixels of the inner area (they may lie outside it while
// a button is held). The colour field also draws its marker ring here.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    explicit PictureBox(QImage image, QWidget *parent = nullptr);

    QImage &image() { return m_image; }
    const QImage &image() const { return m_image; }
    void refresh() { update(); }
    QRect innerRect() const;
    // A picture without the sunken border uses its whole area.
    void setBordered(bool bordered);

    // The marker ring centred on image pixel centre.
    void setMarker(bool visible, QPoint centre, bool dark);
    bool markerVisible() const { return m_markerVisible; }
    QPoint markerCentre() const { return m_markerCentre; }
    bool markerDark() const { return m_markerDark; }

signals:
    void mouseDown(int button, int shift, QPointF inner);
    void mouseMove(int buttons, int shift, QPointF inner);
    void mouseUp(int button, int shift, QPointF inner);
    void keyDown(int keyCode, int shift);
    void keyUp(int keyCode, int shift);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    QPointF innerPosition(const QMouseEvent *event) const;

    QImage m_image;
    bool m_markerVisible = false;
    QPoint m_markerCentre;
    bool m_markerDark = false;
    bool m_pressedInside = false;
    int m_border = 2;
};

// A one-colour swatch that can be clicked; it carries a tag text, as the
// history swatches need.
class ColourBox : public QFrame
{
    Q_OBJECT
public:
    explicit ColourBox(QWidget *parent = nullptr);

    quint32 color() const { return m_color; }
    void setColor(quint32 colour);
    QString tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    quint32 m_color = 0;
    QString m_tag;
    bool m_pressed = false;
};

// A label that answers a click.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};

// The window's inner area: it draws the slider's marker triangles and
// reports presses on its own free spots.
class PickerCanvas : public QWidget
{
    Q_OBJECT
public:
    explicit PickerCanvas(QWidget *parent = nullptr);

    void setMarkerLines(const std::array<QLine, 7> &lines);
    const std::array<QLine, 7> &markerLines() const { return m_lines; }

signals:
    void backgroundPressed(int button, int shift, QPoint pos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    std::array<QLine, 7> m_lines{};
};

// An icon of a screen tool: a picture that reports the press, the moves and
// the release of any button. The press grabs the pointer, so the moves and
// the release arrive here wherever on the desktop they happen; positions
// are global and logical, as fine as the platform reports them.
class ToolIcon : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void mouseDown(int button, int shift, QPointF global);
    void mouseMove(int buttons, int shift, QPointF global);
    void mouseUp(int button, int shift, QPointF global);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_held = false;
};

// The screen tools' 32 x 32 icons and the pointer shown while one is held.
QPixmap eyedropperPicture();
QPixmap magnifierPicture();
QCursor samplingCursor();

// The two 11 x 11 marker rings and the field's pointer shape.
QPixmap markerRing(bool dark);
QCursor fieldCursor();
