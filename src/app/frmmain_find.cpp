// The main window's side of the Find Colours window: it hands over the
// colours to find (the boxes, or the selected ones) and the ROM image, and
// loads the match the user activates.
#include "frmmain.h"

#include "frmfindcolours.h"
#include "paletteediting.h"
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
                [this] { return m_editing->coloursToFind(); },
                [this](const QString &offset) { loadPaletteAt(offset); });
        m_findColours->setAttribute(Qt::WA_DeleteOnClose);
        Module1::SetWindowIcons(m_findColours, QStringLiteral("cindral-256.png"), false);
        m_findColours->setRom(m_romPath);
    }
    m_findColours->show();
    m_findColours->raise();
    m_findColours->activateWindow();
}
