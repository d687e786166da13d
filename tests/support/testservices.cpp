#include "testservices.h"

QMessageBox::StandardButton RecordingMessages::showMessage(QWidget *, const QString &text,
                                                           const QString &title,
                                                           QMessageBox::StandardButtons buttons,
                                                           QMessageBox::Icon icon)
{
    messages.append({ text, title, buttons, icon });
    return answers.isEmpty() ? QMessageBox::Ok : answers.takeFirst();
}

QMessageBox::StandardButton RecordingMessages::ask(QWidget *, const QString &text,
                                                   const QString &title,
                                                   QMessageBox::StandardButtons buttons,
                                                   QMessageBox::Icon icon,
                                                   QMessageBox::StandardButton defaultButton)
{
    messages.append({ text, title, buttons, icon, defaultButton });
    return answers.isEmpty() ? QMessageBox::Ok : answers.takeFirst();
}

QString QueuedFileChooser::getOpenFileName(QWidget *, const QString &caption,
                                           const QString &filter)
{
    lastCaption = caption;
    lastFilter = filter;
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

QString QueuedFileChooser::getSaveFileName(QWidget *parent, const QString &caption,
                                           const QString &filter)
{
    return getOpenFileName(parent, caption, filter);
}

QString QueuedFileChooser::getSaveFileName(QWidget *parent, const QString &caption,
                                           const QString &filter, const QString &initialName,
                                           QString *selectedFilter)
{
    initialNames.append(initialName);
    if (selectedFilter) {
        *selectedFilter = this->selectedFilter.isEmpty()
                ? filter.section(QStringLiteral(";;"), 0, 0)
                : this->selectedFilter;
    }
    return getOpenFileName(parent, caption, filter);
}

bool RecordingLauncher::openFile(const QString &path)
{
    opened.append(path);
    return succeed;
}
