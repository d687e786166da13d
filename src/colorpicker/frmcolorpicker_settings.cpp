// The picker's settings file, read at opening and written at closing, and
// the colour history it keeps.
#include "frmcolorpicker.h"

#include "datafolder.h"
#include "frmcolorpicker_p.h"
#include "module1.h"
#include "pickersettings.h"
#include "pickerwidgets.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPainter>

#include <algorithm>

using PickerWindow::blankTag;
using PickerWindow::captureFileName;

namespace {

constexpr quint32 blankColour = 0xFFFFFF;
const QString settingsFileName = QStringLiteral("Colorpicker.dat");

} // namespace

void frmColorPicker::applySettingsDefaults()
{
    setInnerWidth(defaultsWidth);
    cboPercent->setCurrentIndex(PickerSettings::DefaultsZoomIndex);
    mnuAutoCopy->setChecked(true);
    mnuAutoPaste->setChecked(true);
    bytHistoryPointer = 0;
}

void frmColorPicker::LoadSettings()
{
    const QString path = Platform::dataFile(settingsFileName);
    if (!Module1::FileExists(path))
        return;
    bool defaults = false;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const PickerSettings::Loaded loaded = PickerSettings::parse(file.readAll());
        file.close();
        if (loaded.oldColour)
            lblOldColor->setColor(quint32(*loaded.oldColour));
        if (loaded.widthTwips) {
            // Files of this program never hold less than the narrow width,
            // and nothing lies right of the widest one.
            const int outer = qRound(*loaded.widthTwips / 15);
            setInnerWidth(std::clamp(outer - frameWidthPixels, narrowWidth, defaultsWidth));
        }
        if (loaded.zoomIndex)
            cboPercent->setCurrentIndex(*loaded.zoomIndex);
        if (loaded.autoCopy)
            mnuAutoCopy->setChecked(*loaded.autoCopy);
        if (loaded.autoPaste)
            mnuAutoPaste->setChecked(*loaded.autoPaste);
        if (loaded.historyPointer)
            bytHistoryPointer = *loaded.historyPointer;
        for (int k = 0; k < PickerSettings::HistorySlots; ++k) {
            if (!loaded.history[k])
                continue;
            lblHistoryColor[k]->setColor(quint32(loaded.history[k]->colour));
            lblHistoryColor[k]->setTag(loaded.history[k]->tag);
        }
        defaults = loaded.usedDefaults;
    } else {
        defaults = true;
    }
    if (defaults)
        applySettingsDefaults();

    const QString capture = Platform::dataFile(captureFileName);
    if (Module1::FileExists(capture)) {
        QImage picture;
        if (picture.load(capture)) {
            // A capture taken on a scaled screen holds the view's device pixels.
            const QSize inner = picZoom->innerRect().size();
            const qreal ratio = picZoom->devicePixelRatioF();
            if (ratio != 1 && picture.size() == inner * ratio)
                picture.setDevicePixelRatio(ratio);
            QImage view(inner * picture.devicePixelRatio(), QImage::Format_RGB32);
            view.setDevicePixelRatio(picture.devicePixelRatio());
            view.fill(palette().color(QPalette::Window));
            QPainter painter(&view);
            painter.drawImage(0, 0, picture);
            painter.end();
            picZoom->image() = view;
            picZoom->refresh();
        }
        // A capture that cannot be read only leaves the view empty; the
        // settings the file gave stay.
    }
}

void frmColorPicker::Form_Unload()
{
    PickerSettings::Settings settings;
    settings.newColour = qint32(newColor());
    settings.widthTwips = widthTwips();
    settings.zoomIndex = cboPercent->currentIndex();
    settings.autoCopy = mnuAutoCopy->isChecked();
    settings.autoPaste = mnuAutoPaste->isChecked();
    settings.historyPointer = quint8(bytHistoryPointer);
    for (int k = 0; k < PickerSettings::HistorySlots; ++k)
        settings.history[k] = { qint32(lblHistoryColor[k]->color()), lblHistoryColor[k]->tag() };

    const QString path = Platform::dataFile(settingsFileName);
    // A read-only mark on the old file must not keep the new one out.
    if (QFile::exists(path))
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
    QString reason;
    if (PickerSettings::save(path, settings, &reason))
        return;
    // The window closes all the same; only this opening's settings are lost.
    m_services.messages->showMessage(
            this,
            QStringLiteral("The colour picker's settings could not be saved to %1: %2")
                    .arg(QDir::toNativeSeparators(path), reason),
            QStringLiteral("Warning"), QMessageBox::Ok, QMessageBox::Warning);
    emit settingsNotSaved(reason);
}

// --- history ---------------------------------------------------------------------

void frmColorPicker::AddToColorHistory()
{
    if (blnNoHistory)
        return;
    if (lblHistoryColor[bytHistoryPointer]->color() != newColor()) {
        ++bytHistoryPointer;
        if (bytHistoryPointer > 5)
            bytHistoryPointer = 0;
    }
    if (lblHistoryColor[0]->tag() == blankTag)
        bytHistoryPointer = 0;
    lblHistoryColor[bytHistoryPointer]->setColor(newColor());
    lblHistoryColor[bytHistoryPointer]->setTag(QString::number(newColor()));
}

void frmColorPicker::ClearColorHistory()
{
    for (ColourBox *swatch : lblHistoryColor) {
        swatch->setColor(blankColour);
        swatch->setTag(blankTag);
    }
    bytHistoryPointer = 0;
}
