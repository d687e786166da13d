#include "windowresources.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>
#include <QWidget>

#include <optional>

namespace Module1 {

namespace {

// The entry numbered by value, when value is a positive number that the
// table holds.
std::optional<QString> entryFor(const StringTable &table, const QVariant &value)
{
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    if (!ok || number <= 0 || !table.contains(number))
        return std::nullopt;
    return table.value(number);
}

void setCaption(QWidget *widget, const QString &text)
{
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        button->setText(text);
    else if (auto *label = qobject_cast<QLabel *>(widget))
        label->setText(text);
    else if (auto *frame = qobject_cast<QGroupBox *>(widget))
        frame->setTitle(text);
    else if (auto *box = qobject_cast<QLineEdit *>(widget))
        box->setText(text);
}

} // namespace

const StringTable &programStrings()
{
    static const StringTable empty;
    return empty;
}

void SetWindowIcons(QWidget *window, const QString &resourceName, bool alsoOwner)
{
    if (!window)
        return;
    const QIcon icon(QStringLiteral(":/icons/") + resourceName);
    if (icon.isNull() || icon.availableSizes().isEmpty())
        return;
    if (alsoOwner) {
        QWidget *owner = window;
        while (owner->parentWidget())
            owner = owner->parentWidget();
        if (owner != window)
            owner->setWindowIcon(icon);
    }
    window->setWindowIcon(icon);
}

void ApplyResourceStrings(QWidget *window, const StringTable &table)
{
    if (!window)
        return;
    if (const auto caption = entryFor(table, window->property("tag")))
        window->setWindowTitle(*caption);
    const auto actions = window->findChildren<QAction *>();
    for (QAction *action : actions) {
        if (const auto text = entryFor(table, action->property("helpContextId")))
            action->setText(*text);
    }
    const auto children = window->findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (const auto text = entryFor(table, child->property("tag"))) {
            setCaption(child, *text);
            if (const auto tip = entryFor(table, child->toolTip()))
                child->setToolTip(*tip);
        }
    }
}

} // namespace Module1
