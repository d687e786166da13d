#include "liveupdate.h"

#include "cindral_version.h"
#include "datafolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <QVersionNumber>

namespace LiveUpdate {

namespace {

const QString checksumPrefix = QStringLiteral("sha256=");

QStringList splitLines(const QString &text)
{
    QStringList lines;
    QString current;
    bool open = false; // a line has started and not yet ended
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            const bool crlf = c == QLatin1Char('\r') && i + 1 < text.size()
                    && text.at(i + 1) == QLatin1Char('\n');
            if (crlf)
                ++i;
            lines.append(current);
            current.clear();
            open = false;
        } else {
            current.append(c);
            open = true;
        }
    }
    if (open)
        lines.append(current);
    return lines;
}

bool isHexDigits(const QString &text)
{
    for (QChar c : text) {
        const bool hex = (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
                || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
        if (!hex)
            return false;
    }
    return true;
}

QString withTrailingSlash(QString folder)
{
    folder = QDir::fromNativeSeparators(folder);
    if (!folder.endsWith(QLatin1Char('/')))
        folder.append(QLatin1Char('/'));
    return folder;
}

const QString unableToComplete = QStringLiteral("  Unable to complete Live Update.");

} // namespace

UpdateConfig parseConfig(const QByteArray &bytes)
{
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringList lines = splitLines(text);

    UpdateConfig config;
    config.lineCount = int(lines.size());
    if (lines.size() >= 1)
        config.title = lines.at(0);
    if (lines.size() >= 2)
        config.newestVersion = lines.at(1);
    if (lines.size() >= 3) {
        config.url = lines.at(2);
        config.fileName = fileNameOf(config.url);
    }
    if (lines.size() >= 4 && lines.at(3).startsWith(checksumPrefix)) {
        const QString digits = lines.at(3).mid(checksumPrefix.size());
        if (digits.size() == 64 && isHexDigits(digits)) {
            config.checksum = Checksum::Sha256;
            config.sha256 = QByteArray::fromHex(digits.toLatin1());
        } else {
            config.checksum = Checksum::Malformed;
        }
    }
    return config;
}

qint64 maxUpdateBytes()
{
    return CINDRAL_UPDATE_MAX_BYTES;
}

QString fileNameOf(const QString &url)
{
    return url.mid(url.lastIndexOf(QLatin1Char('/')) + 1);
}

bool isSafeFileName(const QString &name)
{
    // A leading dot also covers "." and "..".
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

QString versionInUse()
{
    const QVersionNumber version = QVersionNumber::fromString(QStringLiteral(CINDRAL_VERSION));
    return QStringLiteral("%1.%2.%3")
            .arg(version.majorVersion())
            .arg(version.minorVersion())
            .arg(version.microVersion());
}

bool isNewVersion(const QString &newestVersion, const QString &versionInUse)
{
    return newestVersion != versionInUse;
}

QString versionLine(const QString &versionInUse, const QString &newestVersion)
{
    return QStringLiteral("Version in use: ") + versionInUse
            + QStringLiteral("    Newest version: ") + newestVersion;
}

QString configProgressText(qint64 bytesRead, qint64 bytesMax)
{
    return QStringLiteral("%1 of %2 configured byte received.").arg(bytesRead).arg(bytesMax);
}

bool countsInMegabytes(qint64 bytesMax)
{
    return bytesMax >= 1000 * 1000;
}

QString formatHundredths(qint64 bytes, qint64 divisor, const QLocale &locale)
{
    // Integer arithmetic, so 1005 bytes are 1.01 KB and not a binary 1.00499...
    // Whole units and the rest are worked out apart: the sizes come from the
    // server's Content-Length, and bytes * 100 would overflow for the largest.
    const bool negative = bytes < 0;
    const quint64 magnitude = negative ? 0 - quint64(bytes) : quint64(bytes);
    const auto unit = quint64(divisor);
    quint64 whole = magnitude / unit;
    quint64 hundredths = (magnitude % unit * 100 + unit / 2) / unit;
    if (hundredths == 100) {
        ++whole;
        hundredths = 0;
    }
    const QString text = QString::number(whole) + locale.decimalPoint()
            + QStringLiteral("%1").arg(hundredths, 2, 10, QLatin1Char('0'));
    return negative && (whole != 0 || hundredths != 0) ? QLatin1Char('-') + text : text;
}

QString updateProgressText(qint64 bytesRead, qint64 bytesMax, const QLocale &locale)
{
    const bool mega = countsInMegabytes(bytesMax);
    const qint64 divisor = mega ? 1000 * 1000 : 1000;
    const QString unit = mega ? QStringLiteral(" MB") : QStringLiteral(" KB");
    return formatHundredths(bytesRead, divisor, locale) + unit + QStringLiteral(" of ")
            + formatHundredths(bytesMax, divisor, locale) + unit + QStringLiteral(" downloaded...");
}

QString completionText(qint64 bytesMax, const QLocale &locale)
{
    const bool mega = countsInMegabytes(bytesMax);
    return QStringLiteral("Download of ")
            + formatHundredths(bytesMax, mega ? 1000 * 1000 : 1000, locale)
            + (mega ? QStringLiteral(" MB complete.") : QStringLiteral(" KB complete."));
}

QString configFileUrl()
{
    const QString overridden = qEnvironmentVariable("CINDRAL_UPDATE_URL");
    return overridden.isEmpty() ? QStringLiteral(CINDRAL_DEFAULT_UPDATE_URL) : overridden;
}

QString tempFolder()
{
    for (const char *name : { "TEMP", "TMPDIR" }) {
        const QString folder = qEnvironmentVariable(name);
        if (!folder.isEmpty())
            return withTrailingSlash(folder);
    }
    return withTrailingSlash(Platform::dataFolder());
}

QString desktopFolder()
{
    // Where no desktop folder is set up, the system names the home folder;
    // a file from the network is never dropped among the user's dotfiles.
    const QString home = QFileInfo(QDir::homePath()).canonicalFilePath();
    for (auto location : { QStandardPaths::DesktopLocation, QStandardPaths::DownloadLocation }) {
        const QFileInfo folder(QStandardPaths::writableLocation(location));
        if (folder.isDir() && folder.canonicalFilePath() != home)
            return withTrailingSlash(folder.absoluteFilePath());
    }
    return QString();
}

QString connectionErrorText(const QString &address, const QString &reason)
{
    QString text = QStringLiteral("Error connecting to host.") + unableToComplete;
    if (!address.isEmpty())
        text += QLatin1Char('\n') + address + QStringLiteral(": ") + reason;
    return text;
}

QString configTooLargeText()
{
    return QStringLiteral("The configuration file is larger than 64 KB.") + unableToComplete;
}

QString updateTooLargeText(qint64 maxBytes)
{
    return QStringLiteral("The update is larger than %1 MB, the most accepted.")
                   .arg(formatHundredths(maxBytes, 1000 * 1000, QLocale()))
            + unableToComplete;
}

QString noSpaceText(qint64 needed, qint64 available, const QString &folder)
{
    const QLocale locale;
    return QStringLiteral("The update needs %1 MB; \"%2\" has %3 MB free.")
                   .arg(formatHundredths(needed, 1000 * 1000, locale),
                        QDir::toNativeSeparators(folder),
                        formatHundredths(available, 1000 * 1000, locale))
            + unableToComplete;
}

QString noSaveFolderText(const QString &homeFolder)
{
    return QStringLiteral("There is no desktop or downloads folder to save the update in, "
                          "and it is not saved into the home folder \"%1\".")
                   .arg(QDir::toNativeSeparators(homeFolder))
            + unableToComplete;
}

QString unsafeFileNameText(const QString &fileName)
{
    // Control characters would garble the label; show them as "?".
    QString shown = fileName;
    for (QChar &c : shown) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char('?');
    }
    return QStringLiteral("The update address gives no usable file name (\"%1\").").arg(shown)
            + unableToComplete;
}

QString malformedChecksumText()
{
    return QStringLiteral("The checksum line of the configuration file is not \"sha256=\" "
                          "and 64 hexadecimal digits.")
            + unableToComplete;
}

QString checksumMismatchText()
{
    return QStringLiteral("The download does not match its SHA-256 checksum and was discarded.")
            + unableToComplete;
}

QString saveFailedText(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot save \"%1\": %2.").arg(QDir::toNativeSeparators(path), reason)
            + unableToComplete;
}

} // namespace LiveUpdate
