// The main window's side of the Graphics window: it hands over the boxes
// and takes "focus this box", "load this palette" and the unused marks.
#include "frmmain.h"

#include "colorswatch.h"
#include "frmgraphics.h"
#include "windowresources.h"

#include <QGroupBox>
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
    if (!m_graphics) {
        auto *window = new frmGraphics(m_services);
        window->setAttribute(Qt::WA_DeleteOnClose);
        Module1::SetWindowIcons(window, QStringLiteral("cindral-256.png"), false);
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
        m_graphics = window;
    }
    m_graphics->show();
    m_graphics->raise();
    m_graphics->activateWindow();
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
