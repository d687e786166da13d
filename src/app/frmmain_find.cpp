// The main window's side of the Find Colours window: it hands over the
// colours to find (the boxes, or the selected ones) and the ROM image, and
// loads the match the user activates.
#include "frmmain.h"

#include "frmfindcolours.h"
#include "paletteediting.h"
#include "sharedwindow.h"

frmFindColours *frmMain::findColoursWindow() const
{
    return m_findColours;
}

void frmMain::mnuFindColours_Click()
{
    showShared(m_findColours, [this] {
        auto *window = new frmFindColours(
                m_services, [this] { return m_editing->coloursToFind(); },
                [this](const QString &offset) { loadPaletteAt(offset); });
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setRom(m_romPath);
        return window;
    });
}
