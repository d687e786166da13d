// The picker's field and slider: painting them and their markers for the
// selected mode, and the pointer and keys on them.
#include "frmcolorpicker_p.h"

#include "fieldpainter.h"
#include "module1.h"
#include "pickerwidgets.h"

#include <QLineEdit>
#include <QTimer>

#include <algorithm>

using ColorModel::roundEven;

namespace {

double clampUnit(double v)
{
    return std::clamp(v, 0.0, 255.0);
}

} // namespace

// --- painting and markers ----------------------------------------------------

void frmColorPicker::picBigBox_Colorize()
{
    QImage &field = picBigBox->image();
    ColorModel::Rgb last{ int(m_state->sngRed), int(m_state->sngGreen), int(m_state->sngBlue) };
    const int mode = currentMode();
    switch (mode) {
    case 0: last = FieldPainter::Bigbox3D(field, m_state->intColorAngle); break;
    case 1: last = FieldPainter::RainBowBigbox(field, false, true, m_state->bytSaturation, m_state->bytLuminance); break;
    case 2: last = FieldPainter::RainBowBigbox(field, true, false, m_state->bytSaturation, m_state->bytLuminance); break;
    case 3: FieldPainter::opt3RedPaintPicBigBox(field, boxNumber(3)); break;
    case 4: FieldPainter::opt4GreenPaintPicBigBox(field, boxNumber(4)); break;
    case 5: FieldPainter::opt5BluePaintPicBigBox(field, boxNumber(5)); break;
    default: break;
    }
    m_state->sngRed = float(last.red);
    m_state->sngGreen = float(last.green);
    m_state->sngBlue = float(last.blue);
    picBigBox->refresh();

    if (!blnMarkerPlaced) {
        // The colour came from outside the field: put the marker on it. The
        // colour itself is already exact, so it is not read back.
        blnMarkerFollow = true;
        switch (mode) {
        case 0:
            intMarkerX = m_state->bytSaturation;
            intMarkerY = 255 - m_state->bytLuminance;
            break;
        case 1:
            intMarkerX = roundEven(m_state->intColorAngle / 6.0);
            intMarkerY = 255 - m_state->bytLuminance;
            break;
        case 2:
            intMarkerX = roundEven(m_state->intColorAngle / 6.0);
            intMarkerY = 255 - m_state->bytSaturation;
            break;
        case 3:
            intMarkerX = std::min(boxNumber(5), 255);
            intMarkerY = 255 - std::min(boxNumber(4), 255);
            break;
        case 4:
            intMarkerX = std::min(boxNumber(5), 255);
            intMarkerY = 255 - std::min(boxNumber(3), 255);
            break;
        case 5:
            intMarkerX = std::min(boxNumber(3), 255);
            intMarkerY = 255 - std::min(boxNumber(4), 255);
            break;
        default: break;
        }
        MoveMarker(intMarkerX, intMarkerY);
        blnMarkerPlaced = true;
    } else if (blnMarkerFollow) {
        MoveMarker(intMarkerX, intMarkerY);
    }
}

void frmColorPicker::PaintThinBoxForMode(int mode)
{
    QImage &slider = picThinBox->image();
    ColorModel::Rgb last;
    bool painted = true;
    switch (mode) {
    case 0: last = FieldPainter::RainBowThinBox(slider); break;
    case 1: last = FieldPainter::FadeThinBoxToGrey(slider, m_state->intColorAngle, m_state->bytLuminance); break;
    case 2: {
        const quint32 top = m_state->HSLToRGB(m_state->intColorAngle, m_state->bytSaturation, 255, false);
        FieldPainter::fill(slider, top);
        FieldPainter::FadeThinBoxToBlack(slider);
        painted = false; // the conversion above already set the channel copies
        break;
    }
    default: painted = false; break;
    }
    if (painted && mode <= 1) {
        m_state->sngRed = float(last.red);
        m_state->sngGreen = float(last.green);
        m_state->sngBlue = float(last.blue);
    }
    picThinBox->refresh();
}

void frmColorPicker::repaintChannelSlider(int mode, int a, int b)
{
    QImage &slider = picThinBox->image();
    if (mode == 3)
        FieldPainter::opt3RedPaintPicThinBox(slider, a, b);
    else if (mode == 4)
        FieldPainter::opt4GreenPaintPicThinBox(slider, a, b);
    else if (mode == 5)
        FieldPainter::opt5BluePaintPicThinBox(slider, a, b);
    picThinBox->refresh();
}

void frmColorPicker::repaintSliderForMode()
{
    switch (currentMode()) {
    case 1:
    case 2: PaintThinBoxForMode(currentMode()); break;
    case 3: repaintChannelSlider(3, boxNumber(4), boxNumber(5)); break;
    case 4: repaintChannelSlider(4, boxNumber(3), boxNumber(5)); break;
    case 5: repaintChannelSlider(5, boxNumber(3), boxNumber(4)); break;
    default: break; // the hue rainbow does not depend on the colour
    }
}

void frmColorPicker::MoveMarker(double x, double Y)
{
    int hue = -1;
    ColorModel::parseNumber(Text1[0]->text(), hue);
    const bool dark = FieldPainter::useDarkRing(m_state->bytLuminance, hue, m_state->bytSaturation);
    picBigBox->setMarker(true, FieldPainter::fieldUnitsToPixel(x, Y), dark);
}

void frmColorPicker::MoveThinBoxMarker(double &Y)
{
    Y = Module1::RoundHalfUp(Y, 0);
    m_sliderMarkerY = int(Y);
    canvas->setMarkerLines(FieldPainter::sliderMarkerLines(m_sliderMarkerY));
}

void frmColorPicker::PlaceThinBoxMarker()
{
    double y = 0;
    switch (currentMode()) {
    case 0: y = 255 - m_state->intColorAngle / 1530.0 * 255; break;
    case 1: y = 255 - boxNumber(1) * 2.55; break;
    case 2: y = 255 - boxNumber(2) * 2.55; break;
    case 3: y = 255 - boxNumber(3); break;
    case 4: y = 255 - boxNumber(4); break;
    case 5: y = 255 - boxNumber(5); break;
    default: return;
    }
    MoveThinBoxMarker(y);
}

void frmColorPicker::NudgeHueValue(int intDirektion)
{
    m_state->intColorAngle = qint16(std::clamp(m_state->intColorAngle + intDirektion, 0, ColorModel::fullCircle));
    m_state->HSLToRGB(m_state->intColorAngle, m_state->bytSaturation, m_state->bytLuminance, true);
    double y = 255 - m_state->intColorAngle / 1530.0 * 255;
    MoveThinBoxMarker(y);
}

void frmColorPicker::fieldReaction(int mode, double x, double Y)
{
    if (Y < 254) {
        const QPoint pixel = FieldPainter::fieldUnitsToPixel(x, Y);
        setNewColor(FieldPainter::pixelColour(picBigBox->image(), pixel.x(), pixel.y()));
    }
    m_state->SplitlblNewColorToRGBboxes();
    const int r = roundEven(m_state->sngRed);
    const int g = roundEven(m_state->sngGreen);
    const int b = roundEven(m_state->sngBlue);
    if (mode == 3)
        repaintChannelSlider(3, g, b);
    else if (mode == 4)
        repaintChannelSlider(4, r, b);
    else
        repaintChannelSlider(5, r, g);
    m_state->RGBToHSL(boxesColour(), true);
}

void frmColorPicker::BigBoxOpt3Reaction(double x, double Y) { fieldReaction(3, x, Y); }
void frmColorPicker::BigBoxOpt4Reaction(double x, double Y) { fieldReaction(4, x, Y); }
void frmColorPicker::BigBoxOpt5Reaction(double x, double Y) { fieldReaction(5, x, Y); }

// --- pointer and keys ----------------------------------------------------------

void frmColorPicker::picBigBox_MouseDown(int Button, int, double X, double Y)
{
    if (!blnMarkerPlaced || Button != 1)
        return;
    beginAutoPasteBurst();
    const UserChoice choice(*this);
    blnMouseDown = true;
    // A hue from the pointer stays on the circle even for a press on the
    // very last sliver of the field.
    auto hueAt = [](double x) { return std::clamp(roundEven(x * 6), 0, ColorModel::fullCircle); };
    auto level = [](double v) { return std::clamp(roundEven(v), 0, 255); };
    switch (currentMode()) {
    case 0:
        m_state->HSLToRGB(m_state->intColorAngle, level(X), level(255 - Y), true);
        break;
    case 1:
        m_state->HSLToRGB(hueAt(X), m_state->bytSaturation, level(255 - Y), true);
        FieldPainter::FadeThinBoxToGrey(picThinBox->image(), m_state->intColorAngle, m_state->bytLuminance);
        picThinBox->refresh();
        break;
    case 2: {
        const quint32 top = m_state->HSLToRGB(hueAt(X), level(255 - Y), 255, false);
        FieldPainter::fill(picThinBox->image(), top);
        m_state->HSLToRGB(hueAt(X), level(255 - Y), m_state->bytLuminance, true);
        FieldPainter::FadeThinBoxToBlack(picThinBox->image());
        picThinBox->refresh();
        break;
    }
    case 3: BigBoxOpt3Reaction(X, Y); break;
    case 4: BigBoxOpt4Reaction(X, Y); break;
    case 5: BigBoxOpt5Reaction(X, Y); break;
    default: break;
    }
    blnMarkerFollow = true;
}

void frmColorPicker::picBigBox_MouseMove(int Button, int, double X, double Y)
{
    if (!blnMouseDown || Button != 1)
        return;
    const UserChoice choice(*this);
    picBigBox->setMarker(false, picBigBox->markerCentre(), picBigBox->markerDark());
    X = clampUnit(X);
    Y = clampUnit(Y);
    switch (currentMode()) {
    case 0:
        m_state->HSLToRGB(m_state->intColorAngle, roundEven(X), roundEven(255 - Y), true);
        break;
    case 1:
        m_state->HSLToRGB(roundEven(X * 6), m_state->bytSaturation, roundEven(255 - Y), true);
        PaintThinBoxForMode(1);
        break;
    case 2:
        m_state->HSLToRGB(roundEven(X * 6), roundEven(255 - Y), m_state->bytLuminance, true);
        PaintThinBoxForMode(2);
        break;
    case 3: BigBoxOpt3Reaction(X, Y); break;
    case 4: BigBoxOpt4Reaction(X, Y); break;
    case 5: BigBoxOpt5Reaction(X, Y); break;
    default: break;
    }
}

void frmColorPicker::picBigBox_MouseUp(int Button, int, double X, double Y)
{
    if (Button == 1)
        endAutoPasteBurst();
    if (!blnMarkerPlaced || Button != 1)
        return;
    blnMouseDown = false;
    X = clampUnit(X);
    Y = clampUnit(Y);
    intMarkerX = roundEven(X);
    intMarkerY = roundEven(Y);
    MoveMarker(X, Y);
    AddToColorHistory();
}

void frmColorPicker::picThinBox_MouseDown(int Button, int Shift, double X, double Y)
{
    blnMouseDown = true;
    beginAutoPasteBurst();
    picThinBox_MouseMove(Button, Shift, X, Y);
}

void frmColorPicker::picThinBox_MouseMove(int, int, double, double Y)
{
    if (!blnMouseDown)
        return;
    const UserChoice choice(*this);
    if (!tmrThinBox->isActive())
        tmrThinBox->start();
    Y = clampUnit(Y);
    MoveThinBoxMarker(Y);
    const int mode = currentMode();
    switch (mode) {
    case 0:
        m_state->HSLToRGB(roundEven((255 - Y) * 6), m_state->bytSaturation, m_state->bytLuminance, true);
        break;
    case 1:
        m_state->HSLToRGB(m_state->intColorAngle, roundEven(255 - Y), m_state->bytLuminance, true);
        break;
    case 2:
        m_state->HSLToRGB(m_state->intColorAngle, m_state->bytSaturation, roundEven(255 - Y), true);
        break;
    case 3:
    case 4:
    case 5: {
        Text1[mode]->setText(QString::number(int(255 - Y)));
        const quint32 c = boxesColour();
        m_state->RGBToHSL(c, true);
        setNewColor(c);
        break;
    }
    default: break;
    }
}

void frmColorPicker::picThinBox_MouseUp(int, int, double, double)
{
    // A click shorter than one timer period would leave the field showing
    // the old slider value: give it the tick it missed.
    if (tmrThinBox->isActive()) {
        tmrThinBox->stop();
        picBigBox_Colorize();
    }
    blnMouseDown = false;
    AddToColorHistory();
    endAutoPasteBurst();
}

void frmColorPicker::picThinBox_KeyDown(int KeyCode, int)
{
    if (currentMode() != 0)
        return;
    const UserChoice choice(*this);
    if (KeyCode == 38) {
        NudgeHueValue(10);
        picBigBox_Colorize();
    } else if (KeyCode == 40) {
        NudgeHueValue(-10);
        picBigBox_Colorize();
    }
}

void frmColorPicker::picThinBox_KeyUp(int, int)
{
    AddToColorHistory();
}

void frmColorPicker::tmrThinBox_Timer()
{
    picBigBox_Colorize();
}

void frmColorPicker::objOption_Click(int Index)
{
    switch (Index) {
    case 0:
        PaintThinBoxForMode(0);
        intMarkerX = m_state->bytSaturation;
        intMarkerY = 255 - m_state->bytLuminance;
        break;
    case 1:
        PaintThinBoxForMode(1);
        intMarkerX = roundEven(m_state->intColorAngle / 6.0);
        intMarkerY = 255 - m_state->bytLuminance;
        break;
    case 2:
        PaintThinBoxForMode(2);
        intMarkerX = roundEven(m_state->intColorAngle / 6.0);
        intMarkerY = 255 - m_state->bytSaturation;
        break;
    case 3:
        repaintChannelSlider(3, boxNumber(4), boxNumber(5));
        intMarkerX = boxNumber(5);
        intMarkerY = 255 - boxNumber(4);
        break;
    case 4:
        repaintChannelSlider(4, boxNumber(3), boxNumber(5));
        intMarkerX = boxNumber(5);
        intMarkerY = 255 - boxNumber(3);
        break;
    case 5:
        repaintChannelSlider(5, boxNumber(3), boxNumber(4));
        intMarkerX = boxNumber(3);
        intMarkerY = 255 - boxNumber(4);
        break;
    default: return;
    }
    picBigBox_Colorize();
    AddToColorHistory();
    PlaceThinBoxMarker();
    picThinBox->refresh();
}
