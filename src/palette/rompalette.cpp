#include "rompalette.h"

#include "module1.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <cerrno>
#include <cstring>
#include <unistd.h>
#endif

namespace RomPalette {

namespace {

// Directories open fine for reading on some systems; refuse them plainly.
std::optional<QString> notAFileReason(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && info.isDir())
        return QStringLiteral("It is a folder, not a file");
    return std::nullopt;
}

QString syncFailureReason(QFile &file)
{
#ifdef Q_OS_WIN
    if (_commit(file.handle()) != 0)
        return QStringLiteral("The data could not be saved to disk");
#else
    if (::fsync(file.handle()) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
#endif
    return QString();
}

} // namespace

std::optional<quint32> parseOffset(const QString &text)
{
    QString digits = text.trimmed();
    // ROM hackers habitually write offsets as C does.
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits.remove(0, 2);
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), Module1::IsHexDigit))
        return std::nullopt;
    bool ok = false;
    const qulonglong value = digits.toULongLong(&ok, 16);
    if (!ok || value > MaxOffset)
        return std::nullopt;
    return quint32(value);
}

bool isWordText(const QString &text)
{
    return text.size() == 4 && std::all_of(text.begin(), text.end(), Module1::IsHexDigit);
}

QString BytesToWordText(quint8 lowByte, quint8 highByte)
{
    return QStringLiteral("%1%2")
            .arg(lowByte, 2, 16, QLatin1Char('0'))
            .arg(highByte, 2, 16, QLatin1Char('0'))
            .toUpper();
}

std::array<quint8, 2> WordTextToBytes(const QString &wordText)
{
    const QStringView text(wordText);
    // A pair of two digits is at most FF; blanks skipped inside a pair can
    // never bring in a third digit, so the value always fits a byte.
    return { quint8(Module1::ReadHexPrefix(text.mid(0, 2))),
             quint8(Module1::ReadHexPrefix(text.mid(2, 2))) };
}

WordTexts wordTextsOf(const Bytes &bytes)
{
    WordTexts texts;
    for (int i = 0; i < WordCount; ++i)
        texts[i] = BytesToWordText(bytes[2 * i], bytes[2 * i + 1]);
    return texts;
}

Bytes bytesOf(const WordTexts &texts)
{
    Bytes bytes{};
    for (int i = 0; i < WordCount; ++i) {
        const auto pair = WordTextToBytes(texts[i]);
        bytes[2 * i] = pair[0];
        bytes[2 * i + 1] = pair[1];
    }
    return bytes;
}

FileResult readBytes(const QString &path, quint32 offset, qsizetype count, QByteArray &bytes,
                     qsizetype *pastEnd)
{
    if (const auto reason = notAFileReason(path))
        return { false, *reason };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::ExistingOnly))
        return { false, file.errorString() };
    QByteArray buffer(count, '\0');
    qint64 got = 0;
    if (offset < quint64(file.size())) {
        if (!file.seek(offset))
            return { false, file.errorString() };
        got = file.read(buffer.data(), count);
        if (got < 0)
            return { false, file.errorString() };
    }
    bytes = buffer;
    if (pastEnd)
        *pastEnd = count - got;
    return {};
}

FileResult writeBytes(const QString &path, quint32 offset, const QByteArray &bytes)
{
    if (const auto reason = notAFileReason(path))
        return { false, *reason };
    QFile file(path);
    // Unbuffered, so a full disk or a short write shows here and not later.
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered))
        return { false, file.errorString() };
    if (!file.seek(offset))
        return { false, file.errorString() };
    const qint64 written = file.write(bytes);
    if (written != bytes.size()) {
        const QString reason = written < 0 ? file.errorString()
                                           : QStringLiteral("Only %1 of %2 bytes could be written")
                                                     .arg(written)
                                                     .arg(bytes.size());
        return { false, reason };
    }
    if (!file.flush())
        return { false, file.errorString() };
    const QString syncReason = syncFailureReason(file);
    if (!syncReason.isEmpty())
        return { false, syncReason };
    file.close();
    if (file.error() != QFileDevice::NoError)
        return { false, file.errorString() };
    return {};
}

FileResult readPalette(const QString &path, quint32 offset, Bytes &bytes, int *pastEnd)
{
    QByteArray read;
    qsizetype missing = 0;
    const FileResult result = readBytes(path, offset, ByteCount, read, &missing);
    if (result.ok) {
        std::copy(read.cbegin(), read.cend(), bytes.begin());
        if (pastEnd)
            *pastEnd = int(missing);
    }
    return result;
}

FileResult writePalette(const QString &path, quint32 offset, const Bytes &bytes)
{
    return writeBytes(path, offset,
                      QByteArray(reinterpret_cast<const char *>(bytes.data()), ByteCount));
}

} // namespace RomPalette
