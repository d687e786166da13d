// The update configuration file as any server may send it, and the file
// name taken from its address: parsing never fails, the lines come back
// as sent, and a name that passes the check can only name a file directly
// inside the folder it is saved to.
#include "fuzzsupport.h"
#include "liveupdate.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool hasLineEnd(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

void checkFileName(const QString &name)
{
    const QString message = LiveUpdate::unsafeFileNameText(name);
    for (QChar c : message)
        FUZZ_CHECK(c.category() != QChar::Other_Control);
    if (!LiveUpdate::isSafeFileName(name))
        return;
    // The wizard saves to folder + name.
    const QString folder = QStringLiteral("/home/user/Desktop/");
    const QString path = folder + name;
    FUZZ_CHECK(QDir::cleanPath(path) == path);
    FUZZ_CHECK(QFileInfo(path).absolutePath() + QLatin1Char('/') == folder);
    FUZZ_CHECK(QFileInfo(path).fileName() == name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const LiveUpdate::UpdateConfig config = LiveUpdate::parseConfig(bytes);

    FUZZ_CHECK(config.lineCount >= 0);
    FUZZ_CHECK(!hasLineEnd(config.title) && !hasLineEnd(config.newestVersion)
               && !hasLineEnd(config.url));
    if (config.lineCount < 3)
        FUZZ_CHECK(config.url.isEmpty() && config.fileName.isEmpty());
    if (config.lineCount < 4)
        FUZZ_CHECK(config.checksum == LiveUpdate::Checksum::None);
    // The lines are the text as sent, in order: joined again they give
    // back the start of the file.
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = normalised.split(QLatin1Char('\n'));
    if (config.lineCount >= 1)
        FUZZ_CHECK(lines.at(0) == config.title);
    if (config.lineCount >= 2)
        FUZZ_CHECK(lines.at(1) == config.newestVersion);
    if (config.lineCount >= 3)
        FUZZ_CHECK(lines.at(2) == config.url);

    if (config.checksum == LiveUpdate::Checksum::Sha256) {
        FUZZ_CHECK(config.sha256.size() == 32);
        FUZZ_CHECK(lines.at(3).compare(QStringLiteral("sha256=")
                                               + QString::fromLatin1(config.sha256.toHex()),
                                       Qt::CaseInsensitive)
                   == 0);
    } else {
        FUZZ_CHECK(config.sha256.isEmpty());
    }

    FUZZ_CHECK(!config.fileName.contains(QLatin1Char('/')));
    FUZZ_CHECK(config.url.endsWith(config.fileName));
    checkFileName(config.fileName);
    // The check also stands on its own: any text, slashes included.
    checkFileName(config.title);
    return 0;
}
