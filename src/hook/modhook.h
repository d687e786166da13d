#pragma once

#include "keytable.h"

class QWidget;

// The keyboard guard held while the colour picker's eyedropper or magnifier
// is dragged over the screen, so Alt+Tab, Tab and the Super keys cannot
// switch windows meanwhile. On Windows it is a system-wide low-level hook;
// on X11 the window takes an active keyboard grab (so the window manager's
// shortcuts never fire) and the blocked keys are swallowed before any widget
// sees them; elsewhere it does nothing.
namespace ModHook {

// Removes any guard first, so at most one is ever installed. On X11 the
// grab is taken by window, or by the active window when none is given.
void InstallKeyboardGuard(QWidget *window = nullptr);

// Safe in any state: does nothing when no guard is installed.
void RemoveKeyboardGuard();

bool IsKeyboardGuardInstalled();

} // namespace ModHook
