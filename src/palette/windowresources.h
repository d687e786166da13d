#pragma once

#include <QHash>
#include <QString>

class QWidget;

// The helpers that dress a window from the program's resources.
namespace Module1 {

using StringTable = QHash<int, QString>;

// The program's string table. It is empty: every text is in the code.
const StringTable &programStrings();

// Sets the icon resource ":/icons/<resourceName>" on the window, and first
// on its top-most owner when alsoOwner is set. A missing resource leaves
// the icons as they are.
void SetWindowIcons(QWidget *window, const QString &resourceName, bool alsoOwner);

// Replaces captions by string-table entries: the window's caption by the
// entry numbered by its "tag" property; each menu action's text by the entry
// numbered by its "helpContextId" property; each child widget with a
// positive numeric "tag" gets that entry as its text, and its tool tip the
// entry numbered by a positive numeric tool tip. Missing entries are skipped.
void ApplyResourceStrings(QWidget *window, const StringTable &table = programStrings());

} // namespace Module1
