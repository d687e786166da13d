// The main window's side of the Find Colours window: it hands over the
// boxes and the ROM image, and loads the match the user activates.
#include "frmmain.h"

#include "frmfindcolours.h"
#include "windowresources.h"

frmFindColours *frmMain::findColoursWindow() const
{
    return m_findColours;
}

void frmMain::mnuFindColours_Click()
{
    if (!m_findColours) {
        m_findColours = new frmFindColours(
                m_services,
                [this] {
                    const RomPalette::WordTexts texts = boxTexts();
                    return QStringList(texts.begin(), texts.end());
                },
                [this](const QString &offset) { loadPaletteAt(offset); });
        m_findColours->setAttribute(Qt::WA_DeleteOnClose);
        Module1::SetWindowIcons(m_findColours, QStringLiteral("cindral-256.png"), false);
        m_findColours->setRom(m_romPath);
    }
    m_findColours->show();
    m_findColours->raise();
    m_findColours->activateWindow();
}
