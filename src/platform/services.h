#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace Platform {

// Shows a message box and answers the button pressed. Windows call it
// instead of QMessageBox so tests can record messages without blocking.
class MessageService
{
public:
    virtual ~MessageService() = default;
    virtual QMessageBox::StandardButton showMessage(QWidget *parent, const QString &text,
                                                    const QString &title,
                                                    QMessageBox::StandardButtons buttons,
                                                    QMessageBox::Icon icon) = 0;
    // A question whose default button (the one Enter presses) is given, for
    // questions whose safe answer is not the first button; text is shown
    // as plain text. Services that show nothing may ignore the default.
    virtual QMessageBox::StandardButton ask(QWidget *parent, const QString &text,
                                            const QString &title,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::Icon icon,
                                            QMessageBox::StandardButton defaultButton)
    {
        Q_UNUSED(defaultButton);
        return showMessage(parent, text, title, buttons, icon);
    }
};

// Asks the user for a file to open; an empty result means cancelled.
class FileChooser
{
public:
    virtual ~FileChooser() = default;
    virtual QString getOpenFileName(QWidget *parent, const QString &caption,
                                    const QString &filter) = 0;
    // Asks for a file to write; an empty result means cancelled.
    virtual QString getSaveFileName(QWidget *parent, const QString &caption,
                                    const QString &filter) = 0;
    // The same, opening on initialName (a path, or empty) and telling the
    // filter entry the user left selected, so its extension can be added.
    virtual QString getSaveFileName(QWidget *parent, const QString &caption,
                                    const QString &filter, const QString &initialName,
                                    QString *selectedFilter)
    {
        Q_UNUSED(initialName);
        if (selectedFilter)
            *selectedFilter = filter.section(QLatin1String(";;"), 0, 0);
        return getSaveFileName(parent, caption, filter);
    }
};

// Opens a file with the desktop's default program; false when that failed.
class Launcher
{
public:
    virtual ~Launcher() = default;
    virtual bool openFile(const QString &path) = 0;
};

class DialogMessageService final : public MessageService
{
public:
    QMessageBox::StandardButton showMessage(QWidget *parent, const QString &text,
                                            const QString &title,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::Icon icon) override;
    QMessageBox::StandardButton ask(QWidget *parent, const QString &text, const QString &title,
                                    QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                    QMessageBox::StandardButton defaultButton) override;
};

class DialogFileChooser final : public FileChooser
{
public:
    QString getOpenFileName(QWidget *parent, const QString &caption,
                            const QString &filter) override;
    QString getSaveFileName(QWidget *parent, const QString &caption,
                            const QString &filter) override;
    QString getSaveFileName(QWidget *parent, const QString &caption, const QString &filter,
                            const QString &initialName, QString *selectedFilter) override;
};

// Runs the desktop's opener (xdg-open where there is one) and waits for
// it, so that an opener that finds no program for the file's type counts
// as a failure. With no opener the system's own call is used.
class DesktopLauncher final : public Launcher
{
public:
    explicit DesktopLauncher(const QString &opener = defaultOpener());
    bool openFile(const QString &path) override;

    static QString defaultOpener();

private:
    QString m_opener;
};

// The services handed from the main window to every window it opens.
// The pointers are owned elsewhere and outlive the windows.
struct Services
{
    MessageService *messages = nullptr;
    FileChooser *files = nullptr;
    Launcher *launcher = nullptr;
};

// The program's title, used where a message box names no title of its own.
QString programTitle();

} // namespace Platform
