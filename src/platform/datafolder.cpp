#include "datafolder.h"

#include "cindral_version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Platform {

void describeProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("cindral"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CINDRAL_VERSION));
    QCoreApplication::setOrganizationDomain(QStringLiteral("cindral.org"));
}

bool isPortableFolder(const QString &programFolder, bool writable)
{
    if (programFolder.isEmpty() || !writable)
        return false;
#ifdef Q_OS_UNIX
    // An installed program lives in a system folder; that root (or a
    // package manager's user) may write there does not make it portable.
    const QString folder = QDir::cleanPath(programFolder);
    for (const char *system : { "/usr", "/bin", "/sbin" }) {
        const QString prefix = QString::fromLatin1(system);
        if (folder == prefix || folder.startsWith(prefix + QLatin1Char('/')))
            return false;
    }
#endif
    return true;
}

QString dataFolder()
{
    const QString overridden = qEnvironmentVariable("CINDRAL_DATA_DIR");
    if (!overridden.isEmpty()) {
        QDir().mkpath(overridden);
        return QDir::cleanPath(overridden);
    }
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (isPortableFolder(programFolder, QFileInfo(programFolder).isWritable()))
        return programFolder;
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(perUser);
    return perUser;
}

QString dataFile(const QString &name)
{
    return dataFolder() + QLatin1Char('/') + name;
}

} // namespace Platform
