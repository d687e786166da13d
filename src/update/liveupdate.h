#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>

// The live update's plain logic: the update configuration file, the version
// comparison, the progress and completion texts, the checks on the file
// name taken from the update address, and the folders the wizard uses.
namespace LiveUpdate {

// A configuration file is three short lines; anything larger is refused
// rather than held in memory.
inline constexpr qint64 MaxConfigBytes = 64 * 1024;

// The largest update accepted, chosen when the program is built.
qint64 maxUpdateBytes();

// A transfer that moves no byte for this long is given up.
inline constexpr int DefaultTransferTimeoutMs = 30 * 1000;

// Name of the configuration copy in the temporary folder.
inline constexpr char ConfigCopyName[] = "_vclu.txt";

enum class Checksum {
    None,      // no fourth line, or one that is not a checksum line
    Sha256,    // "sha256=" and 64 hexadecimal digits
    Malformed, // "sha256=" followed by anything else
};

// The update configuration: title, newest version, address of the new
// version's file, and optionally a SHA-256 checksum of that file.
struct UpdateConfig
{
    QString title;
    QString newestVersion;
    QString url;
    QString fileName; // after the last "/" of url; set only when line 3 exists
    int lineCount = 0;
    Checksum checksum = Checksum::None;
    QByteArray sha256; // the 32 bytes, when checksum is Sha256
};

// Reads the lines of a configuration file. Lines end in CR LF, LF or CR;
// their text is kept exactly (no blanks trimmed). Missing lines stay empty;
// a fourth line is a checksum line when it starts with "sha256=", any
// later lines are ignored. Text is UTF-8; a leading byte order mark is
// dropped.
UpdateConfig parseConfig(const QByteArray &bytes);

// The text after the last "/" of url, or the whole text when it holds none.
QString fileNameOf(const QString &url);

// Whether name can be saved under in a folder without leaving it or
// touching a hidden file there: not empty, not starting with ".", and free
// of "/", "\" and control characters.
bool isSafeFileName(const QString &name);

// The running program's version: major, minor and revision in decimal
// without leading zeros, joined by ".".
QString versionInUse();

// Versions are compared as texts, exactly: any difference is an update.
bool isNewVersion(const QString &newestVersion, const QString &versionInUse);

// "Version in use: <in use>    Newest version: <newest>"
QString versionLine(const QString &versionInUse, const QString &newestVersion);

// "<read> of <total> configured byte received."
QString configProgressText(qint64 bytesRead, qint64 bytesMax);

// Whether a download of bytesMax bytes is counted in MB rather than KB.
bool countsInMegabytes(qint64 bytesMax);

// bytes / divisor with two decimals rounded half up (away from zero for a
// negative count), at least one integer digit, no grouping, and the
// locale's decimal separator ("#0.00"). Exact for every qint64 count and
// every divisor from 1 to 10^15.
QString formatHundredths(qint64 bytes, qint64 divisor, const QLocale &locale);

// "<read> MB of <total> MB downloaded..." or the same in KB.
QString updateProgressText(qint64 bytesRead, qint64 bytesMax,
                           const QLocale &locale = QLocale());

// "Download of <size> MB complete." or the same in KB.
QString completionText(qint64 bytesMax, const QLocale &locale = QLocale());

// The address of the configuration file: CINDRAL_UPDATE_URL from the
// environment when set, else the address chosen when the program was built.
QString configFileUrl();

// $TEMP, else $TMPDIR, else the program's data folder; always ending in "/".
QString tempFolder();

// The folder the update is saved in, ending in "/": the user's desktop
// folder, else the downloads folder; never the home folder itself, so
// empty when neither exists apart from it.
QString desktopFolder();

// The texts the wizard shows in a page's progress label when it cannot go on.
// With an address, the address that failed and the reason follow on a
// line of their own.
QString connectionErrorText(const QString &address = QString(),
                            const QString &reason = QString());
QString configTooLargeText();
QString updateTooLargeText(qint64 maxBytes);
QString noSpaceText(qint64 needed, qint64 available, const QString &folder);
QString noSaveFolderText(const QString &homeFolder);
QString unsafeFileNameText(const QString &fileName);
QString malformedChecksumText();
QString checksumMismatchText();
QString saveFailedText(const QString &path, const QString &reason);

} // namespace LiveUpdate
