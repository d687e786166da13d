#pragma once

#include "services.h"

#include <QList>
#include <QStringList>

// Services for window tests: messages are recorded instead of shown, the
// file chooser answers what the test queued, the launcher records paths.
struct RecordedMessage
{
    QString text;
    QString title;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton; // NoButton: not given
};

class RecordingMessages final : public Platform::MessageService
{
public:
    QMessageBox::StandardButton showMessage(QWidget *parent, const QString &text,
                                            const QString &title,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::Icon icon) override;
    QMessageBox::StandardButton ask(QWidget *parent, const QString &text, const QString &title,
                                    QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                    QMessageBox::StandardButton defaultButton) override;

    QList<RecordedMessage> messages;
    // The button each message is answered with; Ok when none is queued.
    QList<QMessageBox::StandardButton> answers;
};

class QueuedFileChooser final : public Platform::FileChooser
{
public:
    QString getOpenFileName(QWidget *parent, const QString &caption,
                            const QString &filter) override;
    // Save dialogs answer from the same queue.
    QString getSaveFileName(QWidget *parent, const QString &caption,
                            const QString &filter) override;
    // Records initialName and reports selectedFilter, or the first entry.
    QString getSaveFileName(QWidget *parent, const QString &caption, const QString &filter,
                            const QString &initialName, QString *selectedFilter) override;

    QStringList answers; // an empty string or an empty queue is a cancel
    QStringList initialNames;
    QString selectedFilter;
    QString lastCaption;
    QString lastFilter;
};

class RecordingLauncher final : public Platform::Launcher
{
public:
    bool openFile(const QString &path) override;

    QStringList opened;
    bool succeed = true;
};

// All three, wired into one Services value.
struct TestServices
{
    RecordingMessages messages;
    QueuedFileChooser files;
    RecordingLauncher launcher;
    Platform::Services services() { return { &messages, &files, &launcher }; }
};
