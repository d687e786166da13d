// The update configuration file as any server may send it, and the file
// name taken from its address: parsing never fails, the lines come back as
// sent, and a name that passes the check names a file directly inside the
// folder it is saved to.
#include "fuzzsupport.h"
#include "liveupdate.h"

#include <QDir>
#include <QFileInfo>

namespace {

void checkFileName(const QString &name)
{
    for (QChar c : LiveUpdate::unsafeFileNameText(name))
        FUZZ_CHECK(c.category() != QChar::Other_Control);
    // The wizard saves to folder + name.
    const QString folder = QStringLiteral("/home/user/Desktop/"), path = folder + name;
    if (LiveUpdate::isSafeFileName(name))
        FUZZ_CHECK(QDir::cleanPath(path) == path && QFileInfo(path).absolutePath() + QLatin1Char('/') == folder
                   && QFileInfo(path).fileName() == name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const LiveUpdate::UpdateConfig config = LiveUpdate::parseConfig(bytes);
    FUZZ_CHECK(config.lineCount >= 0);
    if (config.lineCount < 3)
        FUZZ_CHECK(config.url.isEmpty() && config.fileName.isEmpty());
    if (config.lineCount < 4)
        FUZZ_CHECK(config.checksum == LiveUpdate::Checksum::None);

    // The lines are the text as sent, in order, without their ends.
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringList lines = text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                      .replace(u'\r', u'\n')
                                      .split(u'\n');
    const QString fields[] = { config.title, config.newestVersion, config.url };
    for (int i = 0; i < 3; ++i)
        FUZZ_CHECK(i >= config.lineCount ? fields[i].isEmpty() : lines.at(i) == fields[i]);

    if (config.checksum == LiveUpdate::Checksum::Sha256)
        FUZZ_CHECK(config.sha256.size() == 32
                   && lines.at(3).compare(QStringLiteral("sha256=") + QString::fromLatin1(config.sha256.toHex()),
                                          Qt::CaseInsensitive) == 0);
    else
        FUZZ_CHECK(config.sha256.isEmpty());

    FUZZ_CHECK(!config.fileName.contains(u'/') && config.url.endsWith(config.fileName));
    checkFileName(config.fileName);
    checkFileName(config.title); // the check also stands alone: any text, slashes too
    return 0;
}
