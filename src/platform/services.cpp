#include "services.h"

#include <QDesktopServices>
#include <QFileDialog>
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

QString DialogFileChooser::getOpenFileName(QWidget *parent, const QString &caption,
                                           const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString DialogFileChooser::getSaveFileName(QWidget *parent, const QString &caption,
                                           const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, QString(), filter);
}

bool DesktopLauncher::openFile(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString programTitle()
{
    return QStringLiteral("Cindral Palette Editor");
}

} // namespace Platform
