#pragma once

#include "windowresources.h"

#include <QPointer>

// The icon every window of the program shows.
inline const QString programIcon = QStringLiteral("cindral-256.png");

// Tool windows have one shared instance each, created on first use, shown
// without an owner; showing an open one only brings it forward.
template<typename Window, typename Create>
void showShared(QPointer<Window> &instance, Create create)
{
    if (!instance) {
        instance = create();
        Module1::SetWindowIcons(instance, programIcon, false);
    }
    instance->show();
    instance->raise();
    instance->activateWindow();
}
