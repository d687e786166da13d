#pragma once

#include <QString>

namespace Platform {

// The folder that holds the program's own files (settings, screen capture,
// bookmark store). CINDRAL_DATA_DIR wins; else the executable's folder when
// it is writable (a portable install); else the per-user data location.
// The folder is created when missing. Nothing else computes these paths.
QString dataFolder();

// dataFolder() + "/" + name.
QString dataFile(const QString &name);

} // namespace Platform
