// The picker's eyedropper where the screen cannot be read (Wayland): the
// desktop's own colour picker is asked through its portal.
#include "frmcolorpicker.h"

#include "pickerwidgets.h"
#include "portalcolorpicker.h"

#include <QGuiApplication>
#include <QLabel>

namespace {

QString eyedropperTip(PortalColorPicker::Availability availability)
{
    using A = PortalColorPicker::Availability;
    switch (availability) {
    case A::Available:
        return QStringLiteral("Eyedropper: click, then pick a colour anywhere on the screen "
                              "with the desktop's colour picker");
    case A::Unknown:
        return QStringLiteral("Eyedropper: looking for the desktop's colour picker");
    case A::NoBus:
        return QStringLiteral("Eyedropper unavailable: this desktop does not let programs read the "
                              "screen, and there is no D-Bus session bus to reach its colour picker");
    case A::NoPortal:
        return QStringLiteral("Eyedropper unavailable: this desktop does not let programs read the "
                              "screen, and its colour picker (xdg-desktop-portal) does not answer");
    case A::NoColorPicker:
        break;
    }
    return QStringLiteral("Eyedropper unavailable: this desktop does not let programs read the "
                          "screen, and its portal offers no colour picker");
}

} // namespace

void frmColorPicker::usePortalEyedropper()
{
    // The magnifier would have to follow the pointer over other programs,
    // which nothing here may do.
    imgMagnifier->setEnabled(false);
    imgMagnifier->setToolTip(QStringLiteral(
            "Magnifier unavailable: this desktop does not let programs read the screen"));

    m_portal = new PortalColorPicker(QDBusConnection::sessionBus(), this);
    const auto showAvailability = [this](PortalColorPicker::Availability availability) {
        imgEyedropper->setEnabled(availability == PortalColorPicker::Availability::Available);
        imgEyedropper->setToolTip(eyedropperTip(availability));
    };
    showAvailability(m_portal->availability());
    connect(m_portal, &PortalColorPicker::availabilityKnown, this, showAvailability);
    // The desktop's colour goes the way of a colour taken by a drag at its
    // release: boxes, field, history and clipboard.
    connect(m_portal, &PortalColorPicker::picked, this, [this](QRgb colour) {
        takeScreenColour(colour);
        imgEyedropper_MouseUp(0, 0, 0, 0);
    });
    connect(m_portal, &PortalColorPicker::nothingPicked, this,
            [this] { imgEyedropper->setPixmap(imgMouse2->pixmap()); });
    m_portal->probe();
}

void frmColorPicker::pickThroughPortal()
{
    // The portal puts its picker above the window it names.
    QString parent;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        parent = QStringLiteral("x11:") + QString::number(winId(), 16);
    if (m_portal->pick(parent))
        imgEyedropper->clear();
}

void frmColorPicker::cancelPortalPick()
{
    if (!m_portal || !m_portal->isPending())
        return;
    m_portal->cancel();
    imgEyedropper->setPixmap(imgMouse2->pixmap());
}
