#pragma once

// What the parts of the picker window share: the history swatches' empty
// tag, the magnifier's capture file, which the settings read back, and the
// mark every handler of a user's colour change sets for Auto Paste.
#include "frmcolorpicker.h"

#include <QString>

namespace PickerWindow {

inline const QString blankTag = QStringLiteral("blank");
inline const QString captureFileName = QStringLiteral("scr.bmp");

} // namespace PickerWindow

// Held by each handler of a user's change of the colour. Handlers call each
// other (the word box through the hex box to the red box), so only the
// outermost one's end counts: then the change goes out once.
class frmColorPicker::UserChoice
{
public:
    explicit UserChoice(frmColorPicker &w) : m_w(w)
    {
        if (m_w.m_choiceDepth++ == 0)
            m_w.m_choiceStartWord = m_w.currentWord();
    }
    ~UserChoice()
    {
        if (--m_w.m_choiceDepth == 0)
            m_w.endChoice();
    }
    UserChoice(const UserChoice &) = delete;
    UserChoice &operator=(const UserChoice &) = delete;

private:
    frmColorPicker &m_w;
};
