// The picker's side of Auto Paste: each colour the user chooses goes out as
// its colour word to whoever listens (the main window's palette box), with
// the pointer's drags marked so that they can be undone as one change.
#include "frmcolorpicker_p.h"

#include "palettefile.h"
#include "pickerwidgets.h"

#include <QAction>
#include <QLineEdit>

quint16 frmColorPicker::currentWord() const
{
    const ColorModel::Rgb c = ColorModel::channelsOf(newColor());
    return PaletteFile::wordOf(c.red, c.green, c.blue);
}

void frmColorPicker::endChoice()
{
    // The main window answers within the pointer's move; nothing heavier than
    // the word's computation belongs on this path.
    const quint16 word = currentWord();
    if (word != m_choiceStartWord && m_userChoices && mnuAutoPaste->isChecked())
        emit autoPasteColor(word);
}

void frmColorPicker::beginAutoPasteBurst()
{
    if (m_autoPasteBurst || !m_userChoices || !mnuAutoPaste->isChecked())
        return;
    m_autoPasteBurst = true;
    emit autoPasteBurst(true);
}

void frmColorPicker::endAutoPasteBurst()
{
    if (!m_autoPasteBurst)
        return;
    m_autoPasteBurst = false;
    emit autoPasteBurst(false);
}

void frmColorPicker::endAutoPaste()
{
    endAutoPasteBurst();
    showAutoPasteTarget();
    emit autoPasteEnded();
}

void frmColorPicker::showColorWord(quint16 word)
{
    const bool userChoices = m_userChoices;
    m_userChoices = false;
    txtGBAColor->setText(QStringLiteral("%1%2")
                                 .arg(word & 0xFF, 2, 16, QLatin1Char('0'))
                                 .arg(word >> 8 & 0x7F, 2, 16, QLatin1Char('0'))
                                 .toUpper());
    txtGBAColor_LostFocus();
    m_userChoices = userChoices;
    // Shown from within a user's change, the word is where that change starts.
    m_choiceStartWord = currentWord();
}

void frmColorPicker::setAutoPasteTarget(int index)
{
    m_autoPasteTarget = index;
    showAutoPasteTarget();
}

void frmColorPicker::showAutoPasteTarget()
{
    // Unchecked, Auto Paste feeds no box, whichever was named last; checked
    // again, it names that box again.
    const bool linked = m_autoPasteTarget >= 0 && mnuAutoPaste->isChecked();
    setWindowTitle(linked ? m_caption + QStringLiteral(" \u2192 colour %1").arg(m_autoPasteTarget)
                          : m_caption);
}
