#include "services.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QProcess>
#include <QUrl>

namespace Platform {

QMessageBox::StandardButton DialogMessageService::showMessage(QWidget *parent, const QString &text,
                                                              const QString &title,
                                                              QMessageBox::StandardButtons buttons,
                                                              QMessageBox::Icon icon)
{
    QMessageBox box(icon, title, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton DialogMessageService::ask(QWidget *parent, const QString &text,
                                                      const QString &title,
                                                      QMessageBox::StandardButtons buttons,
                                                      QMessageBox::Icon icon,
                                                      QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString DialogFileChooser::getOpenFileName(QWidget *parent, const QString &caption,
                                           const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

DesktopLauncher::DesktopLauncher(const QString &opener) : m_opener(opener) { }

QString DesktopLauncher::defaultOpener()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS) && !defined(Q_OS_ANDROID)
    return QStringLiteral("xdg-open");
#else
    return QString();
#endif
}

QString DialogFileChooser::getSaveFileName(QWidget *parent, const QString &caption,
                                           const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, QString(), filter);
}

QString DialogFileChooser::getSaveFileName(QWidget *parent, const QString &caption,
                                           const QString &filter, const QString &initialName,
                                           QString *selectedFilter)
{
    return QFileDialog::getSaveFileName(parent, caption, initialName, filter, selectedFilter);
}

bool DesktopLauncher::openFile(const QString &path)
{
    // QDesktopServices answers true as soon as xdg-open has started,
    // whatever becomes of the launch.
    if (m_opener.isEmpty())
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    auto *opener = new QProcess;
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    opener->start(m_opener, { path });
    if (!opener->waitForStarted()) {
        delete opener;
        return false;
    }
    opener->closeWriteChannel();
    // Openers hand the file over and end at once; one that is still running
    // after a while runs the program itself and is left to it (deleting the
    // QProcess would kill it).
    if (!opener->waitForFinished(10 * 1000)) {
        QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
        return true;
    }
    const bool opened = opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
    delete opener;
    return opened;
}

QString programTitle()
{
    return QStringLiteral("Cindral Palette Editor");
}

} // namespace Platform
