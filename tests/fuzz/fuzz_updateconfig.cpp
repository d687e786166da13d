// The update configuration file as any server may send it, and the file
// name taken from its address: parsing never fails, the lines come back as
// sent, and a name that passes the check names a file directly inside the
// folder it is saved to.
#include "fuzzsupport.h"
#include "liveupdate.h"

#include <QDir>
#include <QFileInfo>

static void checkFileName(const QString& name)
{
    for (QChar c : LiveUpdate::unsafeFileNameText(name))
        FUZZ_CHECK(c.category() != QChar::Other_Control);
    // The wizard saves to folder + name.
    const QString folder = QStringLiteral("/home/user/Desktop/"), path = folder + name;
    FUZZ_CHECK(!LiveUpdate::isSafeFileName(name)
        || (QDir::cleanPath(path) == path && QFileInfo(path).fileName() == name
            && QFileInfo(path).absolutePath() + QLatin1Char('/') == folder));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const LiveUpdate::UpdateConfig config = LiveUpdate::parseConfig(bytes);
    // The lines are the text as sent, in order, without their ends;
    // missing ones stay empty.
    QString text = QString::fromUtf8(bytes);
    text.remove(0, text.startsWith(QChar(0xFEFF)) ? 1 : 0);
    const QStringList lines = text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                  .replace(u'\r', u'\n')
                                  .split(u'\n');
    const QString fields[] = { config.title, config.newestVersion, config.url, config.fileName };
    FUZZ_CHECK(config.lineCount >= 0 && config.lineCount <= lines.size());
    for (int i = 0; i < 3; ++i)
        FUZZ_CHECK(i < config.lineCount ? lines.at(i) == fields[i]
                                        : fields[i].isEmpty() && fields[3].isEmpty());
    const QString sha256 = QStringLiteral("sha256=") + QString::fromLatin1(config.sha256.toHex());
    if (config.checksum == LiveUpdate::Checksum::Sha256)
        FUZZ_CHECK(config.lineCount >= 4 && config.sha256.size() == 32
            && lines.at(3).compare(sha256, Qt::CaseInsensitive) == 0);
    else
        FUZZ_CHECK(config.sha256.isEmpty()
            && (config.lineCount >= 4 || config.checksum == LiveUpdate::Checksum::None));
    FUZZ_CHECK(!config.fileName.contains(u'/') && config.url.endsWith(config.fileName));
    checkFileName(config.fileName);
    checkFileName(config.title); // the check also stands alone: any text, slashes too
    return 0;
}
