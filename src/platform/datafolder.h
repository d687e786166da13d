#pragma once

#include <QString>

namespace Platform {

// Gives the running application the program's name, version and domain,
// which also decide the per-user data location: the window program and the
// commands for scripts call it, so both find one data folder.
void describeProgram();

// The folder that holds the program's own files (settings, screen capture,
// bookmark store). CINDRAL_DATA_DIR wins; else the executable's folder when
// it is a portable install (writable, and not a system folder such as
// /usr/bin); else the per-user data location.
// The folder is created when missing. Nothing else computes these paths.
QString dataFolder();

// Whether a program in programFolder keeps its files beside itself.
bool isPortableFolder(const QString &programFolder, bool writable);

// dataFolder() + "/" + name.
QString dataFile(const QString &name);

} // namespace Platform
