#include "datafolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Platform {

QString dataFolder()
{
    const QString overridden = qEnvironmentVariable("CINDRAL_DATA_DIR");
    if (!overridden.isEmpty()) {
        QDir().mkpath(overridden);
        return QDir::cleanPath(overridden);
    }
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (!programFolder.isEmpty() && QFileInfo(programFolder).isWritable())
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
