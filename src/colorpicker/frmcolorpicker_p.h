#pragma once

// What the parts of the picker window share: the history swatches' empty
// tag and the magnifier's capture file, which the settings read back.
#include <QString>

namespace PickerWindow {

inline const QString blankTag = QStringLiteral("blank");
inline const QString captureFileName = QStringLiteral("scr.bmp");

} // namespace PickerWindow
