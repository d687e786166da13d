#include "palettefile.h"

#include "module1.h"
#include "rompalette.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>

#include <algorithm>
#include <array>

namespace PaletteFile {

namespace {

constexpr int ActTableBytes = 3 * MaxColours;
constexpr int ActFileBytes = ActTableBytes + 4;
constexpr int SwatchPixels = 16;
// Palette images are small; a larger one is refused before it is decoded,
// so a file that only claims a huge size costs nothing.
constexpr qint64 MaxImagePixels = 4096LL * 4096;

struct Rgb
{
    int red, green, blue;
};

Rgb rgbOf(quint16 word)
{
    return { Module1::Scale5To8(word & 0x1F), Module1::Scale5To8((word >> 5) & 0x1F),
             Module1::Scale5To8((word >> 10) & 0x1F) };
}

Decoded failure(QString error)
{
    return { {}, std::move(error) };
}

Decoded atLine(int line, const QString &what)
{
    return failure(QStringLiteral("line %1: %2").arg(line).arg(what));
}

Decoded atByte(qsizetype byte, const QString &what)
{
    return failure(QStringLiteral("byte %1: %2").arg(byte).arg(what));
}

QString tooMany()
{
    return QStringLiteral("more than %1 colours").arg(MaxColours);
}

QList<QByteArray> textLines(const QByteArray &contents)
{
    QList<QByteArray> lines = contents.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// Three decimal channels 0-255 at the start of a line; more after them is
// the colour's name in GIMP files.
std::optional<QString> readChannels(const QByteArray &line, bool onlyThree, quint16 &word)
{
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 3 || (onlyThree && fields.size() != 3) || fields.first().isEmpty())
        return QStringLiteral("expected three numbers (red, green, blue), found \"%1\"")
                .arg(QString::fromLatin1(line.simplified()));
    int channel[3];
    static const char *const names[] = { "red", "green", "blue" };
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        channel[i] = fields.at(i).toInt(&ok);
        if (!ok || channel[i] < 0 || channel[i] > 255)
            return QStringLiteral("the %1 value \"%2\" is not a number from 0 to 255")
                    .arg(QLatin1String(names[i]), QString::fromLatin1(fields.at(i)));
    }
    word = wordOf(channel[0], channel[1], channel[2]);
    return std::nullopt;
}

Decoded decodeJasc(const QByteArray &contents)
{
    const QList<QByteArray> lines = textLines(contents);
    if (lines.size() < 2 || lines.at(1).trimmed() != "0100")
        return atLine(2, QStringLiteral("expected the version 0100"));
    if (lines.size() < 3)
        return atLine(3, QStringLiteral("the colour count is missing"));
    bool ok = false;
    const int count = lines.at(2).trimmed().toInt(&ok);
    if (!ok || count < 1)
        return atLine(3, QStringLiteral("expected a colour count from 1 to %1").arg(MaxColours));
    if (count > MaxColours)
        return atLine(3, tooMany());
    Decoded decoded;
    for (int i = 0; i < count; ++i) {
        const int line = 4 + i;
        if (line > lines.size())
            return atLine(line,
                          QStringLiteral("the file ends after %1 of %2 colours").arg(i).arg(count));
        quint16 word = 0;
        if (const auto error = readChannels(lines.at(line - 1), true, word))
            return atLine(line, *error);
        decoded.words.append(word);
    }
    return decoded;
}

Decoded decodeGimp(const QByteArray &contents)
{
    const QList<QByteArray> lines = textLines(contents);
    Decoded decoded;
    for (int line = 2; line <= lines.size(); ++line) {
        const QByteArray text = lines.at(line - 1).trimmed();
        if (text.isEmpty() || text.startsWith('#') || text.startsWith("Name:")
            || text.startsWith("Columns:"))
            continue;
        if (decoded.words.size() == MaxColours)
            return atLine(line, tooMany());
        quint16 word = 0;
        if (const auto error = readChannels(text, false, word))
            return atLine(line, *error);
        decoded.words.append(word);
    }
    if (decoded.words.isEmpty())
        return atLine(int(lines.size()) + 1,
                      QStringLiteral("the file ends before its first colour"));
    return decoded;
}

Decoded decodeAct(const QByteArray &contents)
{
    int count = MaxColours;
    if (contents.size() == ActFileBytes) {
        const auto *tail = reinterpret_cast<const uchar *>(contents.constData()) + ActTableBytes;
        count = (tail[0] << 8) | tail[1];
        if (count < 1 || count > MaxColours)
            return atByte(ActTableBytes,
                          QStringLiteral("the colour count %1 is not from 1 to %2")
                                  .arg(count)
                                  .arg(MaxColours));
    }
    Decoded decoded;
    for (int i = 0; i < count; ++i) {
        const auto *rgb = reinterpret_cast<const uchar *>(contents.constData()) + 3 * i;
        decoded.words.append(wordOf(rgb[0], rgb[1], rgb[2]));
    }
    return decoded;
}

Decoded decodeRaw(const QByteArray &contents)
{
    if (contents.isEmpty())
        return atByte(0, QStringLiteral("the file is empty"));
    if (contents.size() > 2 * MaxColours)
        return atByte(2 * MaxColours, tooMany());
    if (contents.size() % 2)
        return atByte(contents.size() - 1,
                      QStringLiteral("the file is cut short in the middle of a colour word"));
    Decoded decoded;
    for (qsizetype i = 0; i < contents.size(); i += 2)
        decoded.words.append(quint16(quint8(contents[i]) | (quint8(contents[i + 1]) << 8)));
    return decoded;
}

quint32 crc32(const char *bytes, qsizetype size);

quint32 bigEndianAt(const QByteArray &bytes, qsizetype at)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData()) + at;
    return (quint32(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// A PNG's colour table, read from its chunks without decoding a pixel.
// Every chunk's checksum is checked up to the end, so a damaged or cut
// file is refused with the byte where it went wrong.
Decoded decodePngTable(const QByteArray &contents)
{
    Decoded decoded;
    int colourType = -1;
    for (qsizetype at = 8;;) {
        if (contents.size() - at < 12)
            return atByte(contents.size(), QStringLiteral("the file is cut short"));
        const quint32 length = bigEndianAt(contents, at);
        const QByteArray type = contents.mid(at + 4, 4);
        if (length > quint64(contents.size() - at - 12))
            return atByte(contents.size(), QStringLiteral("the file is cut short inside its %1 chunk")
                                                   .arg(QString::fromLatin1(type.toPercentEncoding())));
        if (crc32(contents.constData() + at + 4, length + 4) != bigEndianAt(contents, at + 8 + length))
            return atByte(at, QStringLiteral("the %1 chunk is damaged (wrong checksum)")
                                      .arg(QString::fromLatin1(type.toPercentEncoding())));
        if ((at == 8) != (type == "IHDR") || (type == "IHDR" && length != 13))
            return atByte(at, QStringLiteral("expected one IHDR chunk of 13 bytes first"));
        if (type == "IHDR")
            colourType = quint8(contents[at + 8 + 9]);
        if (type == "PLTE" && colourType == 3) {
            if (length == 0 || length % 3 || length > 3 * MaxColours)
                return atByte(at, QStringLiteral("the colour table's size %1 is not 3 to 768 bytes in threes")
                                          .arg(length));
            const auto *rgb = reinterpret_cast<const uchar *>(contents.constData()) + at + 8;
            for (quint32 i = 0; i < length; i += 3)
                decoded.words.append(wordOf(rgb[i], rgb[i + 1], rgb[i + 2]));
        }
        if (type == "IEND")
            break;
        at += 12 + length;
    }
    if (colourType != 3 || decoded.words.isEmpty())
        return failure(QStringLiteral("the image has no colour table; save it as an indexed image "
                                      "(at most %1 colours)")
                               .arg(MaxColours));
    return decoded;
}

// A GIF's global colour table, which Qt's reader turns into true colour.
std::optional<Decoded> decodeGifTable(const QByteArray &contents)
{
    constexpr int HeaderBytes = 13;
    if (contents.size() < HeaderBytes || !(quint8(contents[10]) & 0x80))
        return std::nullopt;
    const int count = 2 << (quint8(contents[10]) & 7);
    if (contents.size() < HeaderBytes + 3 * count)
        return atByte(
                contents.size(),
                QStringLiteral("the file ends inside its colour table of %1 colours").arg(count));
    Decoded decoded;
    const auto *rgb = reinterpret_cast<const uchar *>(contents.constData()) + HeaderBytes;
    for (int i = 0; i < count; ++i, rgb += 3)
        decoded.words.append(wordOf(rgb[0], rgb[1], rgb[2]));
    return decoded;
}

Decoded decodeImage(const QByteArray &contents)
{
    if (contents.startsWith("\x89PNG"))
        return decodePngTable(contents);
    if (contents.startsWith("GIF")) {
        if (auto table = decodeGifTable(contents))
            return *table;
    }
    QBuffer buffer;
    buffer.setData(contents);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > MaxImagePixels)
        return failure(QStringLiteral("the image is too large for a palette (%1 x %2 pixels)")
                               .arg(size.width())
                               .arg(size.height()));
    const QImage image = reader.read();
    if (image.isNull())
        return failure(QStringLiteral("the image cannot be read: %1").arg(reader.errorString()));
    const bool indexed = image.format() == QImage::Format_Indexed8
            || image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB;
    if (!indexed || image.colorCount() == 0)
        return failure(QStringLiteral("the image has no colour table; save it as an indexed image "
                                      "(at most %1 colours)")
                               .arg(MaxColours));
    Decoded decoded;
    const auto table = image.colorTable();
    for (const QRgb colour : table)
        decoded.words.append(wordOf(qRed(colour), qGreen(colour), qBlue(colour)));
    return decoded;
}

// Raw colour words may begin with any bytes, so an image is only taken
// for one when more than its first two or four bytes say so.
bool looksLikeImage(const QByteArray &contents)
{
    if (contents.startsWith("\x89PNG\r\n\x1a\n") || contents.startsWith("GIF87a")
        || contents.startsWith("GIF89a"))
        return true;
    if (!contents.startsWith("BM") || contents.size() < 6)
        return false;
    const auto *size = reinterpret_cast<const uchar *>(contents.constData()) + 2;
    return (size[0] | (size[1] << 8) | (size[2] << 16) | (quint32(size[3]) << 24))
            == quint32(contents.size());
}

quint32 crc32(const char *bytes, qsizetype size)
{
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < size; ++i)
        crc = table[(crc ^ quint8(bytes[i])) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void appendBigEndian(QByteArray &out, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char(value >> shift));
}

void appendChunk(QByteArray &out, const char *type, const QByteArray &data)
{
    appendBigEndian(out, quint32(data.size()));
    const qsizetype typeAt = out.size();
    out.append(type, 4);
    out += data;
    appendBigEndian(out, crc32(out.constData() + typeAt, out.size() - typeAt));
}

// Written here rather than by QImage, whose writer turns a palette that
// happens to be a grey ramp (one black colour) into a grey image and
// chooses its own bit depth: this table must hold exactly the palette.
// The pixels go in stored (uncompressed) zlib blocks, written straight into
// the one output buffer: compressing would save a few kilobytes, and zlib's
// set-up and extra buffers cost more than the whole export should.
QByteArray encodePng(const Words &words)
{
    const int width = SwatchPixels * int(words.size());
    QByteArray header;
    appendBigEndian(header, quint32(width));
    appendBigEndian(header, SwatchPixels);
    header += QByteArray("\x08\x03\x00\x00\x00", 5); // 8 bits, indexed, no interlace
    QByteArray table;
    for (const quint16 word : words) {
        const Rgb rgb = rgbOf(word);
        table += char(rgb.red);
        table += char(rgb.green);
        table += char(rgb.blue);
    }
    // Each row is a filter type (0, none) and one index per pixel.
    const qsizetype rowBytes = 1 + width;
    const qsizetype raw = rowBytes * SwatchPixels;
    const qsizetype blocks = (raw + 0xFFFE) / 0xFFFF;
    const qsizetype zlibBytes = 2 + raw + 5 * blocks + 4;

    QByteArray out;
    out.reserve(8 + 25 + 12 + table.size() + 12 + zlibBytes + 12);
    out.append("\x89PNG\r\n\x1a\n", 8);
    appendChunk(out, "IHDR", header);
    appendChunk(out, "PLTE", table);
    appendBigEndian(out, quint32(zlibBytes));
    const qsizetype typeAt = out.size();
    out.append("IDAT\x78\x01", 6);
    qsizetype at = out.size();
    out.resize(at + zlibBytes - 2);
    auto *p = reinterpret_cast<uchar *>(out.data());
    // Adler-32 of the pixel data; 5552 bytes is the most that can be summed
    // before the running sums could overflow 32 bits.
    quint32 a = 1, b = 0;
    for (qsizetype done = 0, sinceModulo = 0; done < raw;) {
        const auto length = quint16(std::min<qsizetype>(raw - done, 0xFFFF));
        p[at++] = done + length == raw ? 1 : 0;
        p[at++] = uchar(length & 0xFF);
        p[at++] = uchar(length >> 8);
        p[at++] = uchar(~length & 0xFF);
        p[at++] = uchar((~length >> 8) & 0xFF);
        for (qsizetype end = done + length; done < end; ++done) {
            const qsizetype x = done % rowBytes;
            const uchar value = x == 0 ? 0 : uchar((x - 1) / SwatchPixels);
            p[at++] = value;
            a += value;
            b += a;
            if (++sinceModulo == 5552) {
                a %= 65521;
                b %= 65521;
                sinceModulo = 0;
            }
        }
    }
    a %= 65521;
    b %= 65521;
    out.resize(at);
    appendBigEndian(out, (b << 16) | a);
    appendBigEndian(out, crc32(out.constData() + typeAt, out.size() - typeAt));
    appendChunk(out, "IEND", QByteArray());
    return out;
}

} // namespace

std::optional<Format> formatForPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pal"))
        return Format::JascPal;
    if (suffix == QLatin1String("gpl"))
        return Format::Gimp;
    if (suffix == QLatin1String("act"))
        return Format::Act;
    if (suffix == QLatin1String("bin"))
        return Format::Raw;
    if (suffix == QLatin1String("png") || suffix == QLatin1String("bmp")
        || suffix == QLatin1String("gif"))
        return Format::Png;
    return std::nullopt;
}

QString dialogFilter()
{
    return QStringLiteral("Palette files (*.pal *.gpl *.act *.bin *.png *.bmp *.gif);;"
                          "JASC-PAL (*.pal);;GIMP palette (*.gpl);;Adobe colour table (*.act);;"
                          "Raw colour words (*.bin);;Indexed PNG image (*.png)");
}

quint16 wordOf(int red8, int green8, int blue8)
{
    return quint16((red8 / 8) | ((green8 / 8) << 5) | ((blue8 / 8) << 10));
}

QByteArray encode(Format format, const Words &words, const QString &name)
{
    QByteArray out;
    switch (format) {
    case Format::JascPal:
        out = "JASC-PAL\r\n0100\r\n" + QByteArray::number(words.size()) + "\r\n";
        for (const quint16 word : words) {
            const Rgb rgb = rgbOf(word);
            out += QStringLiteral("%1 %2 %3\r\n")
                           .arg(rgb.red)
                           .arg(rgb.green)
                           .arg(rgb.blue)
                           .toLatin1();
        }
        break;
    case Format::Gimp:
        out = "GIMP Palette\nName: " + name.toUtf8() + "\nColumns: 16\n#\n";
        for (const quint16 word : words) {
            const Rgb rgb = rgbOf(word);
            out += QStringLiteral("%1 %2 %3\t%4\n")
                           .arg(rgb.red, 3)
                           .arg(rgb.green, 3)
                           .arg(rgb.blue, 3)
                           .arg(RomPalette::BytesToWordText(word & 0xFF, word >> 8))
                           .toLatin1();
        }
        break;
    case Format::Act: {
        out = QByteArray(ActFileBytes, '\0');
        for (qsizetype i = 0; i < words.size(); ++i) {
            const Rgb rgb = rgbOf(words.at(i));
            out[3 * i] = char(rgb.red);
            out[3 * i + 1] = char(rgb.green);
            out[3 * i + 2] = char(rgb.blue);
        }
        out[ActTableBytes] = char(words.size() >> 8);
        out[ActTableBytes + 1] = char(words.size() & 0xFF);
        out[ActTableBytes + 2] = char(0xFF);
        out[ActTableBytes + 3] = char(0xFF);
        break;
    }
    case Format::Raw:
        for (const quint16 word : words) {
            out.append(char(word & 0xFF));
            out.append(char(word >> 8));
        }
        break;
    case Format::Png:
        out = encodePng(words);
        break;
    }
    return out;
}

Decoded decode(const QByteArray &contents, std::optional<Format> hint)
{
    if (contents.startsWith("JASC-PAL"))
        return decodeJasc(contents);
    if (contents.startsWith("GIMP Palette"))
        return decodeGimp(contents);
    if (looksLikeImage(contents))
        return decodeImage(contents);
    if (contents.size() == ActTableBytes || contents.size() == ActFileBytes)
        return decodeAct(contents);
    switch (hint.value_or(Format::Raw)) {
    case Format::JascPal:
        return atLine(1, QStringLiteral("expected JASC-PAL"));
    case Format::Gimp:
        return atLine(1, QStringLiteral("expected GIMP Palette"));
    case Format::Act:
        return atByte(contents.size(),
                      QStringLiteral("an Adobe colour table has %1 or %2 bytes")
                              .arg(ActTableBytes)
                              .arg(ActFileBytes));
    case Format::Png:
        return atByte(0, QStringLiteral("not a PNG, BMP or GIF image"));
    case Format::Raw:
        break;
    }
    return decodeRaw(contents);
}

Decoded readFile(const QString &path)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("Cannot read \"%1\": %2")
                               .arg(path,
                                    QFileInfo(path).isDir() ? QStringLiteral("it is a folder")
                                                            : file.errorString()));
    // No palette file comes near this; a bigger one is not read whole.
    constexpr qint64 MaxBytes = 16 * 1024 * 1024;
    if (file.size() > MaxBytes)
        return failure(QStringLiteral("\"%1\" is too large for a palette file").arg(path));
    Decoded decoded = decode(file.readAll(), formatForPath(path));
    if (!decoded.error.isEmpty())
        decoded.error = QStringLiteral("\"%1\", %2.").arg(path, decoded.error);
    return decoded;
}

QString writeFile(const QString &path, const Words &words, const QString &name)
{
    const auto format = formatForPath(path);
    if (!format || path.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive)
        || path.endsWith(QLatin1String(".gif"), Qt::CaseInsensitive))
        return QStringLiteral("Cannot write \"%1\": the name must end in .pal, .gpl, .act, .bin "
                              "or .png, which chooses the format.")
                .arg(path);
    QSaveFile file(path);
    const QByteArray contents = encode(*format, words, name);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size()
        || !file.commit())
        return QStringLiteral("Cannot write \"%1\": %2.").arg(path, file.errorString());
    return QString();
}

QString exportFilter()
{
    return QStringLiteral("JASC-PAL (*.pal);;GIMP palette (*.gpl);;Adobe colour table (*.act);;"
                          "Raw colour words (*.bin);;Indexed PNG image (*.png)");
}

QString importFilter()
{
    // The contents choose the format, so any name may be tried.
    return QStringLiteral("Palette files (*.pal *.gpl *.act *.bin *.png *.bmp *.gif);;"
                          "JASC-PAL (*.pal);;GIMP palette (*.gpl);;Adobe colour table (*.act);;"
                          "Raw colour words (*.bin);;Images (*.png *.bmp *.gif);;All files (*)");
}

} // namespace PaletteFile
