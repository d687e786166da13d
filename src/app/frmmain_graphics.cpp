// The main window's side of the Graphics window: it hands over the boxes
// and takes "focus this box", "load this palette" and the unused marks.
#include "frmmain.h"

#include "colorswatch.h"
#include "frmgraphics.h"
#include "graphicsfinder.h"
#include "sharedwindow.h"

#include <QComboBox>
#include <QGroupBox>
#include <QSpinBox>
#include <QLineEdit>
#include <QPainter>

namespace {

// A small hollow ring under a swatch whose colour the graphics shown do not use.
class UnusedMark : public QWidget
{
public:
    explicit UnusedMark(QWidget *parent) : QWidget(parent)
    {
        setToolTip(QStringLiteral("No pixel of the graphics shown uses this colour"));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1.2));
        const int side = std::min(width(), height()) - 2;
        painter.drawEllipse(QRectF((width() - side) / 2.0, 1, side, side));
    }
};

} // namespace

frmGraphics *frmMain::graphicsWindow() const
{
    return m_graphics;
}

void frmMain::mnuGraphics_Click()
{
    showShared(m_graphics, [this] {
        auto *window = new frmGraphics(m_services);
        window->setAttribute(Qt::WA_DeleteOnClose);
        connect(this, &frmMain::paletteTextsChanged, window,
                [this, window] { window->setPalette(boxTexts(), m_loadedOffset); });
        connect(window, &frmGraphics::focusBoxRequested, this, &frmMain::focusBox);
        connect(window, &frmGraphics::loadPaletteRequested, this,
                [this](quint32 offset, int box) {
                    loadPaletteAt(QString::number(offset, 16).toUpper());
                    // The user may have kept the edits: then nothing was loaded.
                    if (m_loadedOffset == offset)
                        focusBox(box);
                });
        connect(window, &frmGraphics::unusedColoursChanged, this, &frmMain::markUnusedColours);
        connect(window, &QObject::destroyed, this, [this] { markUnusedColours(0); });
        // Connected first, so the first marks reach the swatches.
        window->setPaletteOffset(
                m_loadedOffset.value_or(RomPalette::parseOffset(txtOffset->text()).value_or(0)));
        window->setRom(m_romPath);
        window->setPalette(boxTexts(), m_loadedOffset);
        return window;
    });
}

void frmMain::showRomInGraphics()
{
    if (m_graphics)
        m_graphics->setRom(m_romPath);
}

void frmMain::focusBox(int index)
{
    if (index < 0 || index >= RomPalette::WordCount)
        return;
    activateWindow();
    raise();
    txtChgPal[index]->setFocus(Qt::OtherFocusReason);
    txtChgPal[index]->selectAll();
}

void frmMain::markUnusedColours(quint16 unused)
{
    for (int i = 0; i < RomPalette::WordCount; ++i) {
        const bool show = unused & (1u << i);
        if (!m_unusedMarks[i] && !show)
            continue;
        if (!m_unusedMarks[i]) {
            const QRect swatch = picChgPreview[i]->geometry();
            m_unusedMarks[i] = new UnusedMark(Frame3);
            m_unusedMarks[i]->setGeometry(swatch.center().x() - 4, swatch.bottom() + 1, 9, 9);
        }
        m_unusedMarks[i]->setVisible(show);
    }
}

void frmMain::showRomGraphicsFile(const RomFs::FoundGraphics &found,
                                  const RomFs::FoundPalette *beside)
{
    using Graphics::Format;
    // Loaded first, so the Graphics window opens coloured by it; the user
    // may keep unwritten edits instead. A compressed palette cannot be loaded.
    if (beside && !beside->compressed)
        loadPaletteAt(RomFs::offsetText(beside->offset));
    QByteArray pixels;
    if (found.compressed) {
        RomFs::FileImage image;
        QString reason;
        if (!image.open(m_romPath, &reason) || !RomFs::graphicsPixels(image, found, pixels)) {
            if (reason.isEmpty())
                reason = QStringLiteral("the file is no longer where it was found");
            m_services.messages->showMessage(
                    this,
                    QStringLiteral("Cannot show %1 from \"%2\": %3.")
                            .arg(found.source, m_romPath, reason),
                    windowTitle(), QMessageBox::Ok, QMessageBox::Warning);
            return;
        }
    }
    mnuGraphics_Click();
    if (beside && !beside->compressed && found.bitsPerPixel == 8)
        m_graphics->setPaletteOffset(quint32(beside->offset));
    const Format format = found.tiled ? (found.bitsPerPixel == 8 ? Format::Tiles8 : Format::Tiles4)
                                      : (found.bitsPerPixel == 8 ? Format::Bitmap8 : Format::Bitmap4);
    // A width the header leaves open is shown a screen wide.
    const int width = found.widthTiles > 0 ? found.widthTiles : 32;
    if (found.compressed) {
        m_graphics->showGraphicsFile(pixels, format, width,
                                     QStringLiteral("%1 (compressed file at %2)")
                                             .arg(found.source, RomFs::offsetText(found.offset)));
        return;
    }
    m_graphics->setRom(m_romPath);
    m_graphics->cboFormat->setCurrentIndex(int(format));
    m_graphics->spnWidth->setValue(std::clamp(width, 1, Graphics::MaxWidthTiles));
    m_graphics->setOffset(quint32(found.offset));
}
