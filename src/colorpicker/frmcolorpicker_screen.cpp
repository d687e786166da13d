// The picker's screen tools: the eyedropper takes the colour under the
// pointer, the magnifier shows the screen around it.
#include "frmcolorpicker.h"

#include "datafolder.h"
#include "frmcolorpicker_p.h"
#include "modhook.h"
#include "pickerwidgets.h"
#include "portalcolorpicker.h"
#include "screensampling.h"
#include "screensource.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

using PickerWindow::captureFileName;

void frmColorPicker::setSamplingCursor(bool held)
{
    // The pointer shows the tool wherever it goes, over other programs too,
    // so it is the application's pointer rather than one widget's.
    if (held && !m_cursorSet) {
        QGuiApplication::setOverrideCursor(QCursor(samplingCursor()));
        m_cursorSet = true;
    } else if (!held && m_cursorSet) {
        QGuiApplication::restoreOverrideCursor();
        m_cursorSet = false;
    }
}

void frmColorPicker::imgEyedropper_MouseDown(int, int, double, double)
{
    if (m_portal) {
        pickThroughPortal();
        return;
    }
    beginAutoPasteBurst();
    setSamplingCursor(true);
    imgEyedropper->clear();
    picBigBox_Colorize();
    tmrScreenColor->start();
    ModHook::InstallKeyboardGuard(this);
}

void frmColorPicker::tmrScreenColor_Timer()
{
    m_eyedropperPoint = m_screen->cursorPosition();
    txtCoords->setText(ScreenSampling::coordinatesText(m_eyedropperPoint));
    takeScreenColour(m_screen->pixel(m_eyedropperPoint));
}

// A colour from the screen becomes the new colour, in hue mode.
void frmColorPicker::takeScreenColour(QRgb pixel)
{
    const UserChoice choice(*this);
    picPreView->image().setPixel(0, 0, pixel);
    picPreView->refresh();
    const quint32 c = ColorModel::rgbValue(qRed(pixel), qGreen(pixel), qBlue(pixel));
    setNewColor(c);
    m_state->SplitlblNewColorToRGBboxes();
    m_state->RGBToHSL(c, true);
    blnNoHistory = true;
    PaintThinBoxForMode(0);
    picThinBox->refresh();
    PlaceThinBoxMarker();
    blnNoHistory = false;
    // Selecting the hue mode runs its mode switch only when another mode
    // was selected.
    objOption[0]->setChecked(true);
}

void frmColorPicker::imgEyedropper_MouseUp(int, int, double, double)
{
    // Through the portal the desktop's answer ends the pick, not the button.
    if (m_portal && m_portal->isPending())
        return;
    setSamplingCursor(false);
    imgEyedropper->setPixmap(imgMouse2->pixmap());
    tmrScreenColor->stop();
    AddToColorHistory();
    cboPercent->setEnabled(true);
    blnMarkerPlaced = false;
    picBigBox_Colorize();
    ModHook::RemoveKeyboardGuard();
    endAutoPasteBurst();
}

void frmColorPicker::imgMagnifier_MouseDown(int, int, double, double)
{
    Timer1->start();
    cboPercent->setEnabled(false);
    setSamplingCursor(true);
    imgMagnifier->clear();
    ModHook::InstallKeyboardGuard(this);
}

void frmColorPicker::Timer1_Timer()
{
    const QPoint pointer = m_screen->cursorPosition();
    txtCoords->setText(ScreenSampling::coordinatesText(pointer));
    if (cboPercent->currentIndex() < 0)
        cboPercent->setCurrentIndex(1);
    const int zoom = cboPercent->currentData().toInt();
    // The view is filled in device pixels, so at 100% one screen pixel is one
    // pixel of the view on a scaled screen too.
    const qreal ratio = picZoom->devicePixelRatioF();
    const QSize view = picZoom->innerRect().size() * ratio;
    const QRect source = ScreenSampling::magnifierSource(pointer, m_screen->screenGeometry(pointer), view, zoom);
    QImage enlarged = ScreenSampling::magnify(m_screen->grab(source), view, zoom);
    enlarged.setDevicePixelRatio(ratio);
    picZoom->image() = enlarged;
    picZoom->refresh();
}

void frmColorPicker::imgMagnifier_MouseUp(int, int, double, double)
{
    Timer1->stop();
    cboPercent->setEnabled(true);
    // A capture that cannot be written only costs the picture at the next
    // opening; the release goes on regardless.
    picZoom->image().save(Platform::dataFile(captureFileName), "BMP");
    setSamplingCursor(false);
    imgMagnifier->setPixmap(imgMouse3->pixmap());
    ModHook::RemoveKeyboardGuard();
}
